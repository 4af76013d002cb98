#include "DeliveredReads.h"

#include <algorithm>

namespace {

// A read that carried a new list holds the records after the list only when the controller's
// clock ticked between the list and the read, a few at most; the next read, a cycle (51 ms)
// later, holds about fifty.
constexpr double kLongestTailAfterListMs = 10.0;

bool continuesRead(const TarnSim::Delivery &previous, const TarnSim::Delivery &delivery)
{
    return delivery.indexLists > previous.indexLists &&
           delivery.times.back() - delivery.times.front() < kLongestTailAfterListMs;
}

} // namespace

std::vector<DeliveredRead> DeliveredReads::group(const std::vector<TarnSim::Delivery> &deliveries)
{
    std::vector<DeliveredRead> reads;
    for (std::size_t i = 0; i < deliveries.size(); ++i) {
        const TarnSim::Delivery &delivery = deliveries[i];
        if (delivery.times.empty())
            continue;
        if (reads.empty() || !continuesRead(deliveries[i - 1], delivery))
            reads.push_back(DeliveredRead{{}, delivery.indexLists, delivery.indexLists});
        DeliveredRead &read = reads.back();
        read.times.insert(read.times.end(), delivery.times.begin(), delivery.times.end());
        read.lastList = delivery.indexLists;
    }
    return reads;
}

void DeliveredReads::clear()
{
    m_times.clear();
    m_starts.clear();
    m_firstLists.clear();
    m_lastLists.clear();
}

void DeliveredReads::reserve(std::size_t records)
{
    // A read holds about fifty records; after a pause, many more.
    const std::size_t reads = records / 10;
    m_times.reserve(records);
    m_starts.reserve(reads);
    m_firstLists.reserve(reads);
    m_lastLists.reserve(reads);
}

void DeliveredReads::add(const DeliveredRead &read)
{
    if (read.times.empty())
        return;
    m_starts.push_back(m_times.size());
    m_times.insert(m_times.end(), read.times.begin(), read.times.end());
    m_firstLists.push_back(read.firstList);
    m_lastLists.push_back(read.lastList);
}

std::size_t DeliveredReads::startOf(std::size_t read) const
{
    return read < m_starts.size() ? m_starts[read] : m_times.size();
}

std::size_t DeliveredReads::readOf(std::size_t record) const
{
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), record);
    return static_cast<std::size_t>(after - m_starts.begin()) - 1;
}

bool DeliveredReads::isReadStart(std::size_t record) const
{
    return std::binary_search(m_starts.begin(), m_starts.end(), record);
}

// A list a read carried shows in its own records after the list, or else in the next read's.
bool DeliveredReads::mayHaveCarriedList(std::size_t read) const
{
    if (read + 1 >= m_starts.size())
        return true;
    return m_lastLists[read] > m_firstLists[read] || m_firstLists[read + 1] > m_lastLists[read];
}

std::size_t DeliveredReads::nextInRun(std::size_t record, bool isGap) const
{
    if (!isGap)
        return record + 1;
    if (!isReadStart(record) || !mayHaveCarriedList(readOf(record)))
        return npos;
    return endOf(readOf(record));
}

std::size_t DeliveredReads::find(double time, std::size_t from) const
{
    const auto begin =
        m_times.begin() + static_cast<std::ptrdiff_t>(std::min(from, m_times.size()));
    const auto found = std::lower_bound(begin, m_times.end(), time);
    return found != m_times.end() && *found == time
               ? static_cast<std::size_t>(found - m_times.begin())
               : npos;
}
