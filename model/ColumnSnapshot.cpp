#include "ColumnSnapshot.h"

#include <algorithm>
#include <utility>

ColumnSnapshot::ColumnSnapshot(std::shared_ptr<const ChunkList> chunks, int offset, int size,
                               bool ascending)
    : m_chunks(std::move(chunks)), m_offset(offset), m_size(size), m_ascending(ascending)
{}

ColumnSnapshot ColumnSnapshot::fromVector(const QVector<double> &values)
{
    auto chunks = std::make_shared<ChunkList>();
    std::shared_ptr<SampleChunk> chunk;
    bool ascending = true;
    for (int i = 0; i < values.size(); ++i) {
        if (i > 0 && !(values.at(i) >= values.at(i - 1)))
            ascending = false;
        if ((i & SampleChunk::kMask) == 0) {
            chunk = std::make_shared<SampleChunk>();
            chunks->push_back(chunk);
        }
        chunk->put(i & SampleChunk::kMask, values.at(i));
    }
    return ColumnSnapshot(std::move(chunks), 0, values.size(), ascending);
}

SampleExtremes ColumnSnapshot::extremes(int from, int to) const
{
    SampleExtremes result;
    from = std::max(from, 0);
    to = std::min(to, m_size);
    int i = from;
    while (i < to) {
        const int pos = i + m_offset;
        const SampleChunk &chunk =
            *(*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)];
        const int inChunk = pos & SampleChunk::kMask;
        // A stretch the view covers whole was complete, and so sealed, when the view was taken.
        if (inChunk == 0 && i + SampleChunk::kCapacity <= to) {
            result.merge(chunk.whole, i);
            i += SampleChunk::kCapacity;
        } else if ((inChunk & SampleChunk::kBlockMask) == 0 && i + SampleChunk::kBlockSize <= to) {
            result.merge(chunk.blocks[inChunk >> SampleChunk::kBlockShift], i - inChunk);
            i += SampleChunk::kBlockSize;
        } else {
            const int end = std::min(blockEnd(i), to);
            scan(i, end, result);
            i = end;
        }
    }
    return result;
}

// Samples [from, to) lie in one chunk.
void ColumnSnapshot::scan(int from, int to, SampleExtremes &extremes) const
{
    const int pos = from + m_offset;
    const double *values =
        (*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)]->values +
        (pos & SampleChunk::kMask);
    for (int i = from; i < to; ++i)
        extremes.add(values[i - from], i);
}

int ColumnSnapshot::blockStart(int i) const
{
    const int pos = i + m_offset;
    return std::max((pos & ~SampleChunk::kBlockMask) - m_offset, 0);
}

int ColumnSnapshot::blockEnd(int i) const
{
    const int pos = i + m_offset;
    return std::min((pos | SampleChunk::kBlockMask) + 1 - m_offset, m_size);
}

QVector<double> ColumnSnapshot::toVector() const
{
    QVector<double> values;
    values.reserve(m_size);
    for (int i = 0; i < m_size; ++i)
        values.append(at(i));
    return values;
}
