#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// The process's stop requests (SIGINT, SIGTERM; on Windows the console's Ctrl+C, close and
// shutdown events) as a Qt signal on the main thread, so a run ends through its event loop
// with every file whole. A write past the process's file size limit fails the write instead of
// killing the process (SIGXFSZ is ignored). One per process, owned by main; main thread.
class ProcessSignals : public QObject
{
    Q_OBJECT

public:
    explicit ProcessSignals(QObject *parent = nullptr);
    ~ProcessSignals() override;

signals:
    void stopRequested(const QString &signalName);

private:
#ifndef Q_OS_WIN
    void readPending();
#endif

    std::unique_ptr<QSocketNotifier> m_notifier;
};
