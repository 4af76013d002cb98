#include "ColumnSnapshot.h"

#include <algorithm>
#include <utility>

#if defined(_MSC_VER)
#include <xmmintrin.h>
#endif

namespace {

constexpr int kCacheLine = 64;

void prefetch(const void *address)
{
#if defined(_MSC_VER)
    _mm_prefetch(static_cast<const char *>(address), _MM_HINT_T0);
#else
    __builtin_prefetch(address);
#endif
}

} // namespace

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

bool ColumnSnapshot::isSameView(const ColumnSnapshot &other) const
{
    if (m_size != other.m_size || m_offset != other.m_offset)
        return false;
    if (m_size == 0)
        return true;
    return m_chunks->front() == other.m_chunks->front();
}

std::optional<int> ColumnSnapshot::shiftSince(const ColumnSnapshot &earlier, int maxDropped) const
{
    if (m_size == 0 || earlier.m_size == 0)
        return std::nullopt;
    const ChunkList &before = *earlier.m_chunks;
    const int reach = std::min(maxDropped + 1, static_cast<int>(before.size()));
    for (int dropped = 0; dropped < reach; ++dropped) {
        if (before[static_cast<std::size_t>(dropped)] == m_chunks->front())
            return earlier.m_offset - dropped * SampleChunk::kCapacity - m_offset;
    }
    return std::nullopt;
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
        } else if ((inChunk & SampleChunk::kGroupMask) == 0 && i + SampleChunk::kGroupSize <= to) {
            result.merge(chunk.groups[inChunk >> SampleChunk::kGroupShift], i - inChunk);
            i += SampleChunk::kGroupSize;
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

// Samples [from, to) lie in one chunk. Finite stretches, the usual case, go through a
// branch-free pass for the extremes and a second one for where they first occur.
void ColumnSnapshot::scan(int from, int to, SampleExtremes &extremes) const
{
    const int pos = from + m_offset;
    const double *values =
        (*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)]->values +
        (pos & SampleChunk::kMask);
    const int count = to - from;
    if (count <= 0)
        return;
    double least = values[0];
    double greatest = values[0];
    double check = 0.0; // NaN once a value is NaN or infinite
    for (int k = 0; k < count; ++k) {
        least = std::min(least, values[k]);
        greatest = std::max(greatest, values[k]);
        check += values[k] - values[k];
    }
    if (check != 0.0) {
        for (int k = 0; k < count; ++k)
            extremes.add(values[k], from + k);
        return;
    }
    SampleExtremes part;
    part.leastIndex = static_cast<int>(std::find(values, values + count, least) - values);
    part.greatestIndex = static_cast<int>(std::find(values, values + count, greatest) - values);
    part.least = values[part.leastIndex];
    part.greatest = values[part.greatestIndex];
    extremes.merge(part, from);
}

void ColumnSnapshot::prefetchExtremes(int from, int to) const
{
    from = std::max(from, 0);
    to = std::min(to, m_size);
    if (from >= to)
        return;
    const auto chunkOf = [this](int pos) -> const SampleChunk & {
        return *(*m_chunks)[static_cast<std::size_t>(pos >> SampleChunk::kShift)];
    };
    // Stretches read in turn share their edge blocks: the block at the start was asked for
    // with the stretch before.
    const int endPos = to - 1 + m_offset;
    const int endInChunk = endPos & SampleChunk::kMask;
    const auto *block = reinterpret_cast<const char *>(chunkOf(endPos).values +
                                                       (endInChunk & ~SampleChunk::kBlockMask));
    for (std::size_t line = 0; line < SampleChunk::kBlockSize * sizeof(double); line += kCacheLine)
        prefetch(block + line);
    for (const int pos : {from + m_offset, endPos}) {
        const SampleChunk &chunk = chunkOf(pos);
        const int inChunk = pos & SampleChunk::kMask;
        prefetch(&chunk.blocks[inChunk >> SampleChunk::kBlockShift]);
        prefetch(&chunk.groups[inChunk >> SampleChunk::kGroupShift]);
    }
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

int ColumnSnapshot::chunkStart(int i) const
{
    const int pos = i + m_offset;
    return std::max((pos & ~SampleChunk::kMask) - m_offset, 0);
}

int ColumnSnapshot::chunkEnd(int i) const
{
    const int pos = i + m_offset;
    return std::min((pos | SampleChunk::kMask) + 1 - m_offset, m_size);
}

QVector<double> ColumnSnapshot::toVector() const
{
    QVector<double> values;
    values.reserve(m_size);
    for (int i = 0; i < m_size; ++i)
        values.append(at(i));
    return values;
}
