#include "SimulatedController.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
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

SimulatedController::SimulatedController()
{
    reset();
    applyEnvironment();
}

namespace {
int environmentCode(const char *name)
{
    const char *text = std::getenv(name);
    return text ? std::atoi(text) : 0;
}
} // namespace

void SimulatedController::applyEnvironment()
{
    if (const char *log = std::getenv("TARNSIM_DELIVERY_LOG"))
        m_deliveryFile = std::fopen(log, "w");
    m_listRefusal = environmentCode("TARNSIM_REFUSE_LISTS");
    m_readFailure = environmentCode("TARNSIM_FAIL_READS");
    if (const char *after = std::getenv("TARNSIM_ERROR_AFTER_MS"))
        m_errorAfterMs = std::atof(after);
}

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
    m_lists.assign(1, IndexList{-std::numeric_limits<double>::infinity(), 0, {}});
    m_counts = {};
    m_blockNextReadMs = 0;
    m_delayNextIndexListMs = 0;
    m_delayNextRobotFlagsMs = 0;
    m_readFailure = 0;
    m_listRefusal = 0;
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
    return m_lists.back().indexes;
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

void SimulatedController::delayNextRobotFlags(int milliseconds)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_delayNextRobotFlagsMs = std::max(0, milliseconds);
}

void SimulatedController::failReads(int code)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_readFailure = code;
}

void SimulatedController::refuseIndexLists(int code)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_listRefusal = code;
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

int SimulatedController::setScopeIndexes(const std::vector<int> &indexes)
{
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        std::swap(delayMs, m_delayNextIndexListMs);
    }
    if (delayMs > 0) // reads go on meanwhile, with the old list
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_listRefusal != 0) { // the controller keeps the list it had
        ++m_counts.setScopeIndexs;
        return m_listRefusal;
    }
    IndexList list;
    list.afterMs = controllerTimeMs();
    list.number = ++m_counts.setScopeIndexs;
    list.indexes.assign(indexes.begin(), indexes.begin() + std::min<std::size_t>(
                                                               indexes.size(), kScopeRecordValues));
    // A list that no record followed before the next one came is not kept.
    const auto afterTick = static_cast<long long>(std::floor(list.afterMs / m_cycleMs));
    if (m_lists.size() > 1 &&
        static_cast<long long>(std::floor(m_lists.back().afterMs / m_cycleMs)) == afterTick)
        m_lists.pop_back();
    m_lists.push_back(std::move(list));
    forgetUnneededLists();
    return 0;
}

int SimulatedController::readScopeData(double *cpuLoad, uint32_t *memKB,
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
    if (m_readFailure != 0)
        return m_readFailure;
    if (m_scripted) {
        if (m_script.empty())
            return 0;
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
        return 0;
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
    forgetUnneededLists();
    return 0;
}

// Called with m_mutex held; `first` is where this read's records begin. Records that
// follow different index lists are noted as separate deliveries.
void SimulatedController::logDelivery(const std::vector<_ST_ReadScopeData> &records,
                                      std::size_t first)
{
    if (m_deliveryFile) {
        for (std::size_t i = first; i < records.size(); ++i)
            std::fprintf(m_deliveryFile, "%.17g\n", records[i].dTime);
        std::fflush(m_deliveryFile);
    }
    if (!m_logDeliveries)
        return;
    for (std::size_t i = first; i < records.size(); ++i) {
        // A script's records are taken to follow the last list.
        const uint64_t list = m_scripted ? m_lists.back().number : listAt(records[i].dTime).number;
        if (i == first || m_deliveries.back().indexLists != list)
            m_deliveries.push_back(TarnSim::Delivery{list, {}});
        m_deliveries.back().times.push_back(records[i].dTime);
    }
}

long long SimulatedController::currentTick() const
{
    return static_cast<long long>(std::floor(controllerTimeMs() / m_cycleMs));
}

// A read returns each cycle once, and at most the last kMaxBacklogMs of them.
long long SimulatedController::firstUndeliveredTick(long long nowTick) const
{
    const auto maxBacklog = static_cast<long long>(TarnSim::kMaxBacklogMs / m_cycleMs);
    return std::max({m_lastTick + 1, nowTick - maxBacklog + 1, 0LL});
}

const SimulatedController::IndexList &SimulatedController::listAt(double timeMs) const
{
    for (auto list = m_lists.rbegin(); list != m_lists.rend(); ++list) {
        if (list->afterMs < timeMs)
            return *list;
    }
    return m_lists.front();
}

// Drops the lists that no record still to be delivered can follow.
void SimulatedController::forgetUnneededLists()
{
    const double oldest = static_cast<double>(firstUndeliveredTick(currentTick())) * m_cycleMs;
    while (m_lists.size() > 1 && m_lists[1].afterMs < oldest)
        m_lists.pop_front();
}

void SimulatedController::produceRecords(std::vector<_ST_ReadScopeData> &records)
{
    const long long nowTick = currentTick();
    const long long first = firstUndeliveredTick(nowTick);
    records.reserve(records.size() + static_cast<std::size_t>(std::max(0LL, nowTick - first + 1)));
    for (long long tick = first; tick <= nowTick; ++tick) {
        _ST_ReadScopeData record{};
        record.dTime = static_cast<double>(tick) * m_cycleMs;
        const std::vector<int> &indexes = listAt(record.dTime).indexes;
        for (std::size_t k = 0; k < indexes.size(); ++k)
            record.dValue[k] = m_signals.value(indexes[k], record.dTime);
        records.push_back(record);
    }
    m_lastTick = std::max(m_lastTick, nowTick);
}

int SimulatedController::readRobotFlags(int *flags[8])
{
    int delayMs = 0;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        std::swap(delayMs, m_delayNextRobotFlagsMs);
    }
    if (delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    std::lock_guard<std::mutex> guard(m_mutex);
    ++m_counts.readRobotFlags;
    if (m_errorAfterMs >= 0.0 && controllerTimeMs() >= m_errorAfterMs)
        m_flags[2] = 1;
    for (int i = 0; i < 8; ++i) {
        if (flags[i])
            *flags[i] = m_flags[static_cast<std::size_t>(i)];
    }
    return 0;
}

double SimulatedController::controllerTimeMs() const
{
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}
