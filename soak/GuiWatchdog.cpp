#include "GuiWatchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kBeatMs = 50;
constexpr auto kCheckEvery = std::chrono::milliseconds(100);
} // namespace

GuiWatchdog::GuiWatchdog(int limitMs, QObject *parent) : QObject(parent), m_limitMs(limitMs)
{
    m_beat.setInterval(kBeatMs);
    connect(&m_beat, &QTimer::timeout, this, &GuiWatchdog::beat);
}

GuiWatchdog::~GuiWatchdog()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void GuiWatchdog::start()
{
    m_lastBeatMs = nowMs();
    m_beat.start();
    m_thread = std::thread([this] { watch(); });
}

int64_t GuiWatchdog::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void GuiWatchdog::beat()
{
    const int64_t now = nowMs();
    const int64_t silence = now - m_lastBeatMs.exchange(now);
    if (silence > m_longestMs)
        m_longestMs = silence;
}

void GuiWatchdog::watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, kCheckEvery, [this] { return m_quit; })) {
        const int64_t silence = nowMs() - m_lastBeatMs;
        if (silence > m_limitMs) {
            std::fprintf(stderr, "FAIL: the GUI thread has not answered for %lld ms (phase: %s)\n",
                         static_cast<long long>(silence), m_phase.load());
            std::fflush(stderr);
            std::abort();
        }
    }
}
