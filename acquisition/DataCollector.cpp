#include "DataCollector.h"

#include "ControllerLibrary.h"
#include "Tarn_LockGurad.h"

#include <vector>

namespace {

// What no library answers: every call fails with this code.
constexpr int kNoLibrary = -1;

// Collectors left to a read that hangs, until it returns. Never destroyed: one may still
// run at exit. GUI thread only.
std::vector<DataCollector *> &abandonedCollectors()
{
    static auto *abandoned = new std::vector<DataCollector *>();
    return *abandoned;
}

ControllerAnswer callController(ControllerRequest request)
{
    ControllerAnswer answer;
    const ControllerLibrary::Functions *sdk = ControllerLibrary::functions();
    if (!sdk) {
        answer.indexListResult = answer.readResult = answer.flagsResult = kNoLibrary;
        answer.flagsRead = request.readRobotFlags;
        return answer;
    }
    if (request.indexList)
        answer.indexListResult = sdk->setScopeIndexs(*request.indexList);
    ControllerBatch &batch = answer.batch;
    answer.readResult = sdk->readScopeData(&batch.cpuLoad, &batch.memKB, &batch.records);
    if (request.readRobotFlags) {
        RobotFlags &f = answer.flags;
        answer.flagsResult =
            sdk->readRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
        answer.flagsRead = true;
    }
    return answer;
}

} // namespace

DataCollector::DataCollector(ScopeReadClient *client, QObject *parent)
    : QThread(parent), m_client(client)
{}

DataCollector::~DataCollector() = default;

void DataCollector::setCollecting(bool collect)
{
    {
        std::lock_guard<std::mutex> guard(m_wakeMutex);
        m_collect = collect;
    }
    m_wake.notify_all();
}

void DataCollector::stop()
{
    {
        std::lock_guard<std::mutex> guard(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

bool DataCollector::hasFinished()
{
    return wait(0) && m_activeRuns.load(std::memory_order_acquire) == 0;
}

void DataCollector::abandon()
{
    {
        Tarn_LockGurad guard(&m_clientLock);
        m_client = nullptr;
    }
    stop();
    setParent(nullptr);
    // Looked at again from the GUI thread: a signal from the ending thread would post an
    // event across threads for nothing.
    abandonedCollectors().push_back(this);
    reapAbandoned();
}

void DataCollector::reapAbandoned()
{
    std::vector<DataCollector *> &abandoned = abandonedCollectors();
    for (auto it = abandoned.begin(); it != abandoned.end();) {
        if ((*it)->hasFinished()) {
            (*it)->deleteLater();
            it = abandoned.erase(it);
        } else {
            ++it;
        }
    }
}

void DataCollector::run()
{
    m_activeRuns.fetch_add(1, std::memory_order_relaxed);
    setCollecting(true);
    while (waitUntilCollecting()) {
        const auto start = std::chrono::steady_clock::now();
        readScopeData();
        waitForCycleEnd(start);
    }
    m_activeRuns.fetch_sub(1, std::memory_order_release);
}

// False once the thread is to end.
bool DataCollector::waitUntilCollecting()
{
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    m_wake.wait(lock, [this] { return m_stop || m_collect; });
    return !m_stop;
}

void DataCollector::waitForCycleEnd(std::chrono::steady_clock::time_point start)
{
    std::unique_lock<std::mutex> lock(m_wakeMutex);
    m_wake.wait_until(lock, start + std::chrono::milliseconds(kCycleMs),
                      [this] { return m_stop.load(); });
}

// The controller calls run outside every lock: the client may be cut off meanwhile.
void DataCollector::readScopeData()
{
    ControllerRequest request;
    {
        Tarn_LockGurad guard(&m_clientLock);
        if (!m_client || !m_client->beginReadStep(request))
            return;
    }
    // Told before the call, and checked after telling: an owner that stops the thread either
    // sees the call under way or keeps it from starting.
    m_inController = true;
    if (m_stop) {
        m_inController = false;
        return;
    }
    const ControllerAnswer answer = callController(request);
    m_inController = false;

    Tarn_LockGurad guard(&m_clientLock);
    if (m_client)
        m_client->finishReadStep(request, answer);
}
