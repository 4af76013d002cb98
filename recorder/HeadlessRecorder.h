#pragma once

#include "RecorderOptions.h"
#include "ScopeCaptures.h"
#include "ScopeRecorder.h"
#include "StatusReport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// How a run of tarnscope-record ended, as its exit code.
enum class RecorderExit : int
{
    Finished = 0,     // stopped by a signal, the duration, the capture or a robot error as asked
    Failed = 1,       // out of memory, or anything else unforeseen
    BadOptions = 2,   // the command line or the set-up file
    NoController = 3, // no controller library, or another process samples the controller
    ListRefused = 4,  // the controller refused the channel list
    DiskFailed = 5,   // recording to file or saving a capture failed
    ControllerLost = 6
};

// One unattended run: the scope's recorder with the trigger only cutting captures, the
// captures kept and saved, the recording to disk, and the watch over the controller, the
// robot and the disk that the widget keeps too. A lost controller or a failed disk ends the
// run, or is tried again every `retrySeconds`. Ends with every file whole and `finished`.
// Owned by main; main thread (the recorder's acquisition and writer threads are its own).
class HeadlessRecorder : public QObject
{
    Q_OBJECT

public:
    HeadlessRecorder(RecorderOptions options, StatusReport &report, QObject *parent = nullptr);
    ~HeadlessRecorder() override;

    // Starts sampling and recording; when the controller cannot be started the run ends at
    // once (or waits to retry), through `finished` either way.
    void start();
    // Stops sampling, completes the open capture with what it holds, and ends once every
    // file is whole. Later calls keep the first reason.
    void finish(RecorderExit code, const QString &reason);

signals:
    void finished(int exitCode);

private:
    bool startSampling();
    bool startRecordingToFile();
    void poll();
    void watchController();
    void watchRobot();
    void watchFile();
    void collectCaptures();
    void loseController(const QString &why);
    void failDisk(const QString &why);
    void failCapture(const QString &why);
    void retryLater();
    void retry();
    void waitForFiles();
    void reportStatus();
    RecorderFigures figures() const;

    const RecorderOptions m_options;
    StatusReport &m_report;
    ScopeRecorder m_recorder;
    ScopeCaptures m_captures;
    QTimer m_poll;
    QTimer m_status;
    QTimer m_retry;
    QVector<ScopeFileCurve> m_columns; // the recorded channels as files name them
    bool m_fileStarted = false;        // later starts go on under a free numbered name
    int m_filesBefore = 0;             // begun by the recordings to file before this one
    FileRecordingStatus m_file;        // the recording to file as last seen
    quint64 m_recordsBefore = 0;       // of the controller runs before this one
    int m_capturesTaken = 0;
    uint64_t m_seenFlagsReading = 0;
    bool m_robotError = false;
    bool m_notAnswering = false;
    bool m_ending = false;
    RecorderExit m_exit = RecorderExit::Finished;
};
