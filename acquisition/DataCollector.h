#pragma once

#include "ScopeReadClient.h"
#include "Tarn_Lock.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

// The acquisition thread, the only thread that calls the controller. While collecting it runs
// the read step once per cycle of at least 51 ms: ask the client what to call, call the
// controller (an index list, the read, the robot flags), hand the answers to the client.
// While not collecting it sleeps on a condition until collecting or stopping. Owned by the
// process's controller link; started with it and kept until the link goes.
class DataCollector : public QThread
{
    Q_OBJECT

public:
    static constexpr int kCycleMs = 51;

    DataCollector(ScopeReadClient *client, QObject *parent);
    ~DataCollector() override;

    void setCollecting(bool collect);
    // True once run() has returned (or never ran). Unlike QThread::wait alone, this also
    // shows thread checkers that everything the thread did happened before.
    bool hasFinished();
    // True while the thread is inside a controller call, which may not return soon.
    bool isCallingController() const { return m_inController.load(); }
    // Asks run() to return and wakes it; does not wait.
    void stop();
    // For an owner that cannot wait any longer for the thread (a controller read that
    // hangs): no call reaches the client any more, the pending batch is dropped, and
    // the object is let go once its thread has ended (reapAbandoned). The caller gives up
    // ownership. Until then the thread runs code of this library, so a host must not
    // unload the library while a controller read hangs.
    void abandon();
    // Lets go of abandoned collectors whose hung read has returned at last. GUI thread; the
    // others stay listed (and reachable) until then or until the process ends.
    static void reapAbandoned();

protected:
    void run() override;

private:
    bool waitUntilCollecting();
    void waitForCycleEnd(std::chrono::steady_clock::time_point start);
    void readScopeData();

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_collect{false};
    std::atomic<int> m_activeRuns{0};
    std::atomic<bool> m_inController{false};
    std::mutex m_wakeMutex; // pairs with m_wake; guards the changes the thread waits for
    std::condition_variable m_wake;

    // Held during each call into the client, so abandon() returns only once no call
    // is in progress; never held during the controller read.
    Tarn_Lock m_clientLock;
    ScopeReadClient *m_client;
};
