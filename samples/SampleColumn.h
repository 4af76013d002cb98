#pragma once

#include "ColumnSnapshot.h"

#include <QVector>

#include <memory>

// One column of the sample buffer: values oldest first, in chunks shared with the
// snapshots taken of it. Appending writes behind everything a snapshot covers, and
// dropping from the front only moves a start mark and lets go of chunks that emptied,
// so both cost constant time per sample, a snapshot costs the same whatever the column
// holds, and the column keeps at most two chunks beyond its values. Not locked itself.
class SampleColumn
{
public:
    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    double at(int i) const
    {
        const int pos = m_head + i;
        return (*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)]
            ->values[pos & SampleChunk::kMask];
    }
    double first() const { return at(0); }
    double last() const { return at(m_size - 1); }

    void append(double value);
    void dropFront(int count);
    // Keeps the oldest `count` values. Snapshots may share the values behind them, so the
    // column is built anew: rare (a trigger that ends a recording before its instant).
    void keepFront(int count);
    void clear();

    ColumnSnapshot snapshot() const;
    // A contiguous copy of the live values.
    QVector<double> values() const { return snapshot().toVector(); }

private:
    void addChunk();

    // Replaced whenever a chunk comes or goes, never changed, so snapshots can share it.
    std::shared_ptr<const ColumnSnapshot::ChunkList> m_chunks;
    std::shared_ptr<SampleChunk> m_open; // the newest chunk, the one append writes into
    int m_head = 0;                      // where the oldest value sits in the first chunk
    int m_size = 0;
    // Counted in values appended since the last clear, to tell whether a snapshot ascends.
    qint64 m_appended = 0;
    qint64 m_lastDescent = -1; // the newest value smaller than the one before it
};
