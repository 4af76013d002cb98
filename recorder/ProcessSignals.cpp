#include "ProcessSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_WIN
#include <QMetaObject>

#include <windows.h>

namespace {
ProcessSignals *g_signals = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (!g_signals)
        return FALSE;
    const QString name = event == CTRL_C_EVENT ? QStringLiteral("Ctrl+C")
                                               : QStringLiteral("console event %1").arg(event);
    QMetaObject::invokeMethod(
        g_signals, [name] { emit g_signals->stopRequested(name); }, Qt::QueuedConnection);
    return TRUE;
}
} // namespace

ProcessSignals::ProcessSignals(QObject *parent) : QObject(parent)
{
    g_signals = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

ProcessSignals::~ProcessSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_signals = nullptr;
}

#else
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_pipe[2] = {-1, -1};

// Async-signal-safe: one byte, the signal's number, to the main loop.
void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
}

void handle(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}
} // namespace

ProcessSignals::ProcessSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        qFatal("tarnscope-record: no socket pair for the stop signals");
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ProcessSignals::readPending);
    handle(SIGINT, onSignal);
    handle(SIGTERM, onSignal);
    handle(SIGXFSZ, SIG_IGN);
}

ProcessSignals::~ProcessSignals()
{
    handle(SIGINT, SIG_DFL);
    handle(SIGTERM, SIG_DFL);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
}

void ProcessSignals::readPending()
{
    char byte = 0;
    if (::read(g_pipe[0], &byte, 1) != 1)
        return;
    emit stopRequested(byte == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"));
}
#endif
