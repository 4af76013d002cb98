#pragma once

#include "SampleChunk.h"
#include "SampleExtremes.h"

#include <QVector>

#include <memory>
#include <optional>
#include <vector>

// An immutable view of one column of samples: a stretch of shared chunks. Copying is
// cheap and never copies values; the chunks live as long as any view holds them. Any
// thread may read a view once it has it; the views of one column are taken where its
// writer is held off (under the lock that guards the column).
class ColumnSnapshot
{
public:
    using ChunkList = std::vector<std::shared_ptr<const SampleChunk>>;

    ColumnSnapshot() = default;
    // `offset` is where the view begins in the first chunk; `ascending` says that no value
    // of the view is smaller than the one before it.
    ColumnSnapshot(std::shared_ptr<const ChunkList> chunks, int offset, int size, bool ascending);
    // A view of a copy of `values`.
    static ColumnSnapshot fromVector(const QVector<double> &values);

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    double at(int i) const
    {
        const int pos = i + m_offset;
        return (*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)]
            ->values[pos & SampleChunk::kMask];
    }
    bool isAscending() const { return m_ascending; }
    // Whether both views show the same samples of the same column. Filled chunks never
    // change and a column's chunks follow one another, so the first chunk, where the view
    // begins in it and its size decide; while either view lives, its chunks are not reused.
    bool isSameView(const ColumnSnapshot &other) const;
    // Where the samples of `earlier`, a view of the same column taken before this one, are
    // now: its sample i is sample i + shift of this view (which may not reach that far).
    // None for views of other columns, or when this view begins more than `maxDropped`
    // chunks after `earlier`'s first.
    std::optional<int> shiftSince(const ColumnSnapshot &earlier, int maxDropped) const;

    // Over the samples [from, to), as a scan in order would find them; finished blocks
    // and chunks answer from their summaries.
    SampleExtremes extremes(int from, int to) const;
    // Asks the memory for what extremes(from, to) will read at the stretch's two ends (the
    // samples of its partial blocks and the summaries there), so that reading many stretches
    // in turn need not wait for each: over long columns those reads miss every cache.
    void prefetchExtremes(int from, int to) const;
    // The stored block that holds sample i, as [blockStart, blockEnd) clipped to the view.
    int blockStart(int i) const;
    int blockEnd(int i) const;
    // The same for the chunk that holds sample i.
    int chunkStart(int i) const;
    int chunkEnd(int i) const;

    QVector<double> toVector() const;

private:
    void scan(int from, int to, SampleExtremes &extremes) const;

    std::shared_ptr<const ChunkList> m_chunks;
    int m_offset = 0;
    int m_size = 0;
    bool m_ascending = true;
};
