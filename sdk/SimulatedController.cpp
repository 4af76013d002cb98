#include "SimulatedController.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

namespace {
// Keeps one read's backlog (10 s of cycles) within a few million records.
constexpr double kMinCycleMs = 0.01;
} // namespace

// Never destroyed: a host may return from main while a scope's abandoned read still
// hangs in here, and that read must find the controller intact when it wakes up.
SimulatedController &SimulatedController::instance()
{
    static SimulatedController *const controller = new SimulatedController;
    return *controller;
}

SimulatedController::SimulatedController() : m_start(std::chrono::steady_clock::now()) {}

void SimulatedController::reset()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_start = std::chrono::steady_clock::now();
    m_seed = 1;
    m_cycleMs = 1.0;
    m_signals = RobotSignals(m_seed, m_cycleMs);
    m_lastTick = -1;
    m_scripted = false;
    m_script.clear();
    m_flags = {};
    m_indexes.clear();
    m_counts = {};
    m_blockNextReadMs = 0;
    m_delayNextIndexListMs = 0;
    m_logDeliveries = false;
    m_deliveries.clear();
}

void SimulatedController::setCycleMs(double cycleMs)
{
    if (!(cycleMs >= kMinCycleMs))
        return;
    std::lock_guard<std::mutex> guard(m_mutex);
    // Keep controller time continuous across the change.
    const double now = controllerTimeMs();
    m_cycleMs = cycleMs;
    m_signals = RobotSignals(m_seed, m_cycleMs);
    m_lastTick = static_cast<long long>(std::floor(now / m_cycleMs));
}

double SimulatedController::cycleMs() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_cycleMs;
}

void SimulatedController::setSeed(uint32_t seed)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_seed = seed;
    m_signals = RobotSignals(m_seed, m_cycleMs);
}

void SimulatedController::setScripted(bool scripted)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_scripted = scripted;
    m_script.clear();
}

void SimulatedController::queueBatch(const TarnSim::Batch &batch)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_script.push_back(batch);
}

std::size_t SimulatedController::pendingBatches() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_script.size();
}

void SimulatedController::setRobotFlags(const TarnSim::RobotFlags &flags)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_flags = flags;
}

void SimulatedController::setErrorFlag(bool error)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_flags[2] = error ? 1 : 0;
}

std::vector<int> SimulatedController::lastIndexes() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_indexes;
}

TarnSim::CallCounts SimulatedController::callCounts() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_counts;
}

void SimulatedController::blockNextRead(int milliseconds)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_blockNextReadMs = std::max(0, milliseconds);
}

void SimulatedController::delayNextIndexList(int milliseconds)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_delayNextIndexListMs = std::max(0, milliseconds);
}

void SimulatedController::setDeliveryLog(bool on)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_logDeliveries = on;
    if (!on)
        m_deliveries.clear();
}

std::vector<TarnSim::Delivery> SimulatedController::takeDeliveries()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return std::exchange(m_deliveries, {});
}

double SimulatedController::sampleValue(int scopeIndex, double timeMs) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_signals.value(scopeIndex, timeMs);
}

void SimulatedController::setScopeIndexes(const std::vector<int> &indexes)
{
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        std::swap(delayMs, m_delayNextIndexListMs);
    }
    if (delayMs > 0) // reads go on meanwhile, with the old list
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_counts.setScopeIndexs;
    m_indexes.assign(indexes.begin(),
                     indexes.begin() + std::min<std::size_t>(indexes.size(), kScopeRecordValues));
}

void SimulatedController::readScopeData(double *cpuLoad, uint32_t *memKB,
                                        std::vector<_ST_ReadScopeData> *records)
{
    int blockMs = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        ++m_counts.readScopeData;
        std::swap(blockMs, m_blockNextReadMs);
    }
    if (blockMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(blockMs));

    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_scripted) {
        if (m_script.empty())
            return;
        TarnSim::Batch batch = std::move(m_script.front());
        m_script.pop_front();
        if (cpuLoad)
            *cpuLoad = batch.cpuLoad;
        if (memKB)
            *memKB = batch.memKB;
        if (records) {
            const std::size_t first = records->size();
            records->insert(records->end(), batch.records.begin(), batch.records.end());
            logDelivery(*records, first);
        }
        return;
    }
    const double now = controllerTimeMs();
    if (cpuLoad)
        *cpuLoad = m_signals.cpuLoad(now);
    if (memKB)
        *memKB = m_signals.memoryKB(now);
    if (records) {
        const std::size_t first = records->size();
        produceRecords(*records);
        logDelivery(*records, first);
    }
}

// Called with m_mutex held; `first` is where this read's records begin.
void SimulatedController::logDelivery(const std::vector<_ST_ReadScopeData> &records,
                                      std::size_t first)
{
    if (!m_logDeliveries || first >= records.size())
        return;
    TarnSim::Delivery delivery;
    delivery.indexLists = m_counts.setScopeIndexs;
    delivery.times.reserve(records.size() - first);
    for (std::size_t i = first; i < records.size(); ++i)
        delivery.times.push_back(records[i].dTime);
    m_deliveries.push_back(std::move(delivery));
}

void SimulatedController::produceRecords(std::vector<_ST_ReadScopeData> &records)
{
    const auto nowTick = static_cast<long long>(std::floor(controllerTimeMs() / m_cycleMs));
    const auto maxBacklog = static_cast<long long>(TarnSim::kMaxBacklogMs / m_cycleMs);
    long long first = std::max(m_lastTick + 1, nowTick - maxBacklog + 1);
    first = std::max(first, 0LL);
    records.reserve(records.size() + static_cast<std::size_t>(std::max(0LL, nowTick - first + 1)));
    for (long long tick = first; tick <= nowTick; ++tick) {
        _ST_ReadScopeData record{};
        record.dTime = static_cast<double>(tick) * m_cycleMs;
        for (std::size_t k = 0; k < m_indexes.size(); ++k)
            record.dValue[k] = m_signals.value(m_indexes[k], record.dTime);
        records.push_back(record);
    }
    m_lastTick = std::max(m_lastTick, nowTick);
}

void SimulatedController::readRobotFlags(int *flags[8])
{
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_counts.readRobotFlags;
    for (int i = 0; i < 8; ++i) {
        if (flags[i])
            *flags[i] = m_flags[static_cast<std::size_t>(i)];
    }
}

double SimulatedController::controllerTimeMs() const
{
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}
