#include "SampleBuffer.h"

#include "ScopeCatalog.h"

#include <cmath>

SampleBuffer::SampleBuffer() = default;

void SampleBuffer::setSlotIndex(int slot, int scopeIndex)
{
    if (slot >= 0 && slot < ScopeLimits::kMaxChannels)
        m_receives[static_cast<std::size_t>(slot)] = ScopeCatalog::carriesData(scopeIndex);
}

void SampleBuffer::setComputedSlot(int slot)
{
    if (slot >= 0 && slot < ScopeLimits::kCurveSlots)
        m_receives[static_cast<std::size_t>(slot)] = true;
}

void SampleBuffer::clearSlotIndexes()
{
    m_receives.fill(false);
}

void SampleBuffer::appendRecord(const ScopeRecord &record)
{
    if (!std::isfinite(record.dTime))
        return;
    for (std::size_t slot = 0; slot < m_receives.size(); ++slot) {
        if (m_receives[slot])
            m_vecChannel[slot].append(record.dValue[slot]);
    }
    m_vecTime.append(record.dTime);

    const int excess = excessAtFront();
    if (excess == 0)
        return;
    m_vecTime.dropFront(excess);
    for (SampleColumn &column : m_vecChannel)
        column.dropFront(excess);
}

// How many of the oldest entries lie outside the window, measured from the newest stamp.
int SampleBuffer::excessAtFront() const
{
    const double last = m_vecTime.last();
    int excess = 0;
    while (excess < m_vecTime.size() && last - m_vecTime.at(excess) > m_window)
        ++excess;
    return excess;
}

void SampleBuffer::dropBefore(double time)
{
    int count = 0;
    while (count < m_vecTime.size() && m_vecTime.at(count) < time)
        ++count;
    if (count == 0)
        return;
    m_vecTime.dropFront(count);
    for (SampleColumn &column : m_vecChannel)
        column.dropFront(count);
}

void SampleBuffer::dropAfter(double time)
{
    int kept = m_vecTime.size();
    while (kept > 0 && m_vecTime.at(kept - 1) > time)
        --kept;
    if (kept == m_vecTime.size())
        return;
    m_vecTime.keepFront(kept);
    for (SampleColumn &column : m_vecChannel)
        column.keepFront(std::min(kept, column.size()));
}

SampleSnapshot SampleBuffer::snapshot() const
{
    SampleSnapshot snapshot;
    snapshot.times = m_vecTime.snapshot();
    snapshot.channels.reserve(m_vecChannel.size());
    for (const SampleColumn &column : m_vecChannel)
        snapshot.channels.push_back(column.snapshot());
    return snapshot;
}

void SampleBuffer::clear()
{
    m_vecTime.clear();
    for (SampleColumn &column : m_vecChannel)
        column.clear();
}
