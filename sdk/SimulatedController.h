#pragma once

#include "RobotSignals.h"
#include "SimulatorControl.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

// The state behind the stand-in's functions. One instance per process, created on first
// use and never destroyed (it outlives the host's statics); reads come
// from the scope's acquisition thread while the index list and flags are set from
// the GUI thread, so every member is guarded by m_mutex. A read holds the mutex only
// while it produces records, never while it blocks on request. Like a real controller,
// a record carries its values in the order of the index list in force when it was
// sampled, so a read right after a new list may still return records in the old order.
// A program that cannot reach the controls (the command-line recorder under test) is given
// faults and a delivery log through the environment at first use: TARNSIM_DELIVERY_LOG
// (a file that gets the time of each delivered record, one per line), TARNSIM_REFUSE_LISTS and
// TARNSIM_FAIL_READS (codes), TARNSIM_ERROR_AFTER_MS (the robot reports an error from then on).
class SimulatedController final : public TarnSim::Control
{
public:
    static SimulatedController &instance();

    void reset() override;
    void setCycleMs(double cycleMs) override;
    double cycleMs() const override;
    void setSeed(uint32_t seed) override;
    void setScripted(bool scripted) override;
    void queueBatch(const TarnSim::Batch &batch) override;
    std::size_t pendingBatches() const override;
    void setRobotFlags(const TarnSim::RobotFlags &flags) override;
    void setErrorFlag(bool error) override;
    std::vector<int> lastIndexes() const override;
    TarnSim::CallCounts callCounts() const override;
    void blockNextRead(int milliseconds) override;
    void delayNextIndexList(int milliseconds) override;
    void delayNextRobotFlags(int milliseconds) override;
    void failReads(int code) override;
    void refuseIndexLists(int code) override;
    void setDeliveryLog(bool on) override;
    std::vector<TarnSim::Delivery> takeDeliveries() override;
    double sampleValue(int scopeIndex, double timeMs) const override;

    // Each answers 0, or the code of a failure injected through the controls.
    int setScopeIndexes(const std::vector<int> &indexes);
    int readScopeData(double *cpuLoad, uint32_t *memKB, std::vector<_ST_ReadScopeData> *records);
    int readRobotFlags(int *flags[8]);

private:
    // An index list and the controller time from which the records follow it.
    struct IndexList
    {
        double afterMs = 0.0; // records sampled later than this follow the list
        uint64_t number = 0;  // the count of lists given, this one included
        std::vector<int> indexes;
    };

    SimulatedController();
    void applyEnvironment();
    double controllerTimeMs() const;
    long long currentTick() const;
    long long firstUndeliveredTick(long long nowTick) const;
    const IndexList &listAt(double timeMs) const;
    void forgetUnneededLists();
    void produceRecords(std::vector<_ST_ReadScopeData> &records);
    void logDelivery(const std::vector<_ST_ReadScopeData> &records, std::size_t first);

    mutable std::mutex m_mutex;
    std::chrono::steady_clock::time_point m_start;
    RobotSignals m_signals;
    uint32_t m_seed = 1;
    double m_cycleMs = 1.0;
    long long m_lastTick = -1; // last controller cycle delivered
    bool m_scripted = false;
    std::deque<TarnSim::Batch> m_script;
    TarnSim::RobotFlags m_flags{};
    // Oldest first, never empty; kept only as far back as undelivered records reach.
    std::deque<IndexList> m_lists;
    TarnSim::CallCounts m_counts;
    int m_blockNextReadMs = 0;
    int m_delayNextIndexListMs = 0;
    int m_delayNextRobotFlagsMs = 0;
    int m_readFailure = 0;
    int m_listRefusal = 0;
    bool m_logDeliveries = false;
    std::vector<TarnSim::Delivery> m_deliveries;
    std::FILE *m_deliveryFile = nullptr; // from the environment; left open with the instance
    double m_errorAfterMs = -1.0;        // from the environment; negative: never
};
