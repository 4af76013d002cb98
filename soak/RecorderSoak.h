#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <vector>

// tarnscope-record as a cell PC runs it, for the soak's length: 36 channels at 1 kHz with a
// 10 s window, a repeating trigger, captures saved, the recording to file rotating. It runs as
// its own process on a copy of the stand-in library, which is another controller to the claim
// (the soak's own scopes hold theirs). Its resident memory is sampled each second and must stay
// flat once the window is full; at the end SIGTERM must end it with exit code 0 and files that
// hold, unbroken and once each, the records its controller delivered. Owned by the soak; GUI
// thread.
class RecorderSoak
{
public:
    explicit RecorderSoak(const QString &folder);
    ~RecorderSoak();

    bool start();
    // Stops it and checks it; the failures, none when it passed.
    QStringList finish();
    void printFigures() const;

private:
    void sampleMemory();
    void checkMemory();
    void checkFiles();
    void fail(const QString &what) { m_failures << what; }

    const QString m_folder;
    QProcess m_process;
    QTimer m_sampler;
    std::vector<double> m_residentMB; // one per second since it started
    QStringList m_failures;
    qint64 m_records = 0;
    int m_files = 0;
    int m_captures = 0;
    double m_plateauMB = 0.0;
    double m_peakMB = 0.0;
};
