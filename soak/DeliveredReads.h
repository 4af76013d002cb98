#pragma once

#include "TarnSim.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What one read of the simulated controller returned: its records' times and the numbers of
// the index lists they followed (the last is higher when the read carried a new list).
struct DeliveredRead
{
    std::vector<double> times;
    uint64_t firstList = 0;
    uint64_t lastList = 0;
};

// Records the simulated controller delivered, read by read in delivery order, and the runs
// through them a scope may hold: consecutive records, or after a gap record (a read dropped
// for a rebuilt controller list, marked at its first record) the next read's first. Plain data.
class DeliveredReads
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // The simulator notes a read whose records follow two index lists as two deliveries;
    // put together again, each read is one.
    static std::vector<DeliveredRead> group(const std::vector<TarnSim::Delivery> &deliveries);

    void clear();
    void reserve(std::size_t records);
    void add(const DeliveredRead &read);

    const std::vector<double> &times() const { return m_times; }
    bool isEmpty() const { return m_times.empty(); }
    std::size_t reads() const { return m_starts.size(); }
    // The first record of a read; times().size() for the read after the last.
    std::size_t startOf(std::size_t read) const;
    // One past a read's last record.
    std::size_t endOf(std::size_t read) const { return startOf(read + 1); }
    std::size_t readOf(std::size_t record) const;
    bool isReadStart(std::size_t record) const;
    // Only a read that carried a new list can have been dropped for a rebuilt one; the last
    // read noted may have.
    bool mayHaveCarriedList(std::size_t read) const;
    // Where the record after `record` lies in a run a scope holds; npos when no gap record
    // can stand at `record`.
    std::size_t nextInRun(std::size_t record, bool isGap) const;
    // The record at exactly `time`, searched from `from` on; npos when none.
    std::size_t find(double time, std::size_t from = 0) const;

private:
    std::vector<double> m_times;
    std::vector<std::size_t> m_starts;
    std::vector<uint64_t> m_firstLists; // per read
    std::vector<uint64_t> m_lastLists;  // per read
};
