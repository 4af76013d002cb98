#include "SampleColumn.h"

#include <algorithm>

void SampleColumn::append(double value)
{
    if (m_size > 0 && !(value >= last()))
        m_lastDescent = m_appended;
    const int pos = m_head + m_size;
    if (!m_chunks || static_cast<std::size_t>(pos >> SampleChunk::kShift) == m_chunks->size())
        addChunk();
    m_open->put(pos & SampleChunk::kMask, value);
    ++m_size;
    ++m_appended;
}

void SampleColumn::addChunk()
{
    auto chunks = m_chunks ? std::make_shared<ColumnSnapshot::ChunkList>(*m_chunks)
                           : std::make_shared<ColumnSnapshot::ChunkList>();
    m_open = std::make_shared<SampleChunk>();
    chunks->push_back(m_open);
    m_chunks = std::move(chunks);
}

void SampleColumn::dropFront(int count)
{
    count = std::clamp(count, 0, m_size);
    m_head += count;
    m_size -= count;
    if (m_size == 0) {
        clear();
        return;
    }
    const int emptied = m_head >> SampleChunk::kShift;
    if (emptied == 0)
        return;
    m_chunks =
        std::make_shared<ColumnSnapshot::ChunkList>(m_chunks->begin() + emptied, m_chunks->end());
    m_head &= SampleChunk::kMask;
}

void SampleColumn::keepFront(int count)
{
    if (count >= m_size)
        return;
    SampleColumn kept;
    for (int i = 0; i < std::max(count, 0); ++i)
        kept.append(at(i));
    *this = std::move(kept);
}

void SampleColumn::clear()
{
    m_chunks.reset();
    m_open.reset();
    m_head = 0;
    m_size = 0;
    m_appended = 0;
    m_lastDescent = -1;
}

ColumnSnapshot SampleColumn::snapshot() const
{
    const qint64 oldest = m_appended - m_size;
    return ColumnSnapshot(m_chunks, m_head, m_size, m_lastDescent <= oldest);
}
