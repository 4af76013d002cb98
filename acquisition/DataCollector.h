#pragma once

#include "ScopeReadClient.h"
#include "Tarn_Lock.h"

#include <QThread>

#include <atomic>

// The acquisition thread of one scope widget. While collecting it runs the read step
// once per cycle of at least 51 ms: ask the client, read a batch from the controller SDK, hand it
// to the client. Owned by the widget (which is also its QObject parent); started by the
// first Start and kept until the widget goes.
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
    // Asks run() to return; does not wait.
    void stop();
    // For an owner that cannot wait any longer for the thread (a controller read that
    // hangs): no call reaches the client any more, the pending batch is dropped, and
    // the object deletes itself once its thread has ended. The caller gives up
    // ownership. Until then the thread runs code of this library, so a host must not
    // unload the library while a controller read hangs.
    void abandon();

protected:
    void run() override;

private:
    void readScopeData();
    void waitForCycleEnd(qint64 startMs) const;

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_collect{false};
    std::atomic<int> m_activeRuns{0};
    Tarn_Lock m_lock; // taken by setCollecting

    // Held during each call into the client, so abandon() returns only once no call
    // is in progress; never held during the controller read.
    Tarn_Lock m_clientLock;
    ScopeReadClient *m_client;
};
