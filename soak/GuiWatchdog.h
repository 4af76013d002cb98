#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// Fails the process when the GUI thread stops answering: a timer on the GUI thread beats
// every 50 ms, a thread of its own checks the beat and aborts after `limitMs` of silence
// (a deadlock or a runaway slot), naming the phase the soak was in. Created, started and
// destroyed on the GUI thread.
class GuiWatchdog : public QObject
{
    Q_OBJECT

public:
    explicit GuiWatchdog(int limitMs, QObject *parent = nullptr);
    ~GuiWatchdog() override;

    void start();
    // What the GUI thread is doing, for the failure message.
    void setPhase(const char *phase) { m_phase.store(phase); }
    // The longest silence seen so far, in ms.
    int64_t longestSilenceMs() const { return m_longestMs.load(); }

private:
    void beat();
    static int64_t nowMs();
    void watch();

    const int m_limitMs;
    QTimer m_beat;
    std::atomic<int64_t> m_lastBeatMs{0};
    std::atomic<int64_t> m_longestMs{0};
    std::atomic<const char *> m_phase{"starting"};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false; // guarded by m_mutex
    std::thread m_thread;
};
