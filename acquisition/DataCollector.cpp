#include "DataCollector.h"

#include "Tarn_LockGurad.h"

#include <chrono>

namespace {

qint64 wallClockMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

DataCollector::DataCollector(ScopeReadClient *client, QObject *parent)
    : QThread(parent), m_client(client)
{}

DataCollector::~DataCollector() = default;

void DataCollector::setCollecting(bool collect)
{
    Tarn_LockGurad guard(&m_lock);
    m_collect = collect;
}

void DataCollector::stop()
{
    m_stop = true;
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
    m_stop = true;
    setParent(nullptr);
    connect(this, SIGNAL(finished()), this, SLOT(deleteLater()));
    if (hasFinished())
        deleteLater();
}

void DataCollector::run()
{
    m_activeRuns.fetch_add(1, std::memory_order_relaxed);
    setCollecting(true);
    while (!m_stop) {
        if (m_collect) {
            const qint64 startMs = wallClockMs();
            readScopeData();
            waitForCycleEnd(startMs);
        } else {
            QThread::msleep(1);
        }
    }
    m_activeRuns.fetch_sub(1, std::memory_order_release);
}

void DataCollector::waitForCycleEnd(qint64 startMs) const
{
    while (!m_stop && wallClockMs() - startMs < kCycleMs)
        QThread::msleep(10);
}

void DataCollector::readScopeData()
{
    {
        Tarn_LockGurad guard(&m_clientLock);
        if (!m_client || !m_client->beginReadStep())
            return;
    }
    double cpuLoad = 0.0;
    uint32_t memKB = 0;
    std::vector<_ST_ReadScopeData> records;
    Tarn_ReadScopeData(&cpuLoad, &memKB, &records);

    Tarn_LockGurad guard(&m_clientLock);
    if (m_client)
        m_client->finishReadStep(cpuLoad, memKB, records);
}
