#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class QFrame;
class QHBoxLayout;
class QLabel;
class QwtPlotMarker;
class QwtScope;

// What the scope is doing, in plain words on the status strip: the sampling state, a robot
// error while it is raised, and why sampling stopped. A recording ended by a robot error
// gets a mark at its last sample on the plot. When the controller library is our simulator,
// the strip and the plot say so, and when there is none, the state says that; plot items are
// drawn into saved images too.
// Owned by the scope widget (a Qt child); its labels belong to the status strip and its
// plot items to the plot's item list. GUI thread only.
class ScopeStateLine : public QObject
{
    Q_OBJECT

public:
    ScopeStateLine(QFrame *statusStrip, QwtScope *plot, QObject *parent);

    // A new recording begins: what was said about the last one goes.
    void showStarted();
    // While sampling, from the recorder's trigger and capture states.
    void showSampling(bool triggerArmed, bool capturing, const QString &triggerChannel);
    // The trigger fired now: the states after it say when.
    void noteTriggerFired();
    // How many captures this run kept of the most it keeps, and how many went to make room.
    void showCaptures(int kept, int bound, int dropped);
    void showRobotError(bool raised);
    // The recording to disk (file, size, time) or why it stopped; empty when there is none.
    void showFileRecording(const QString &text, bool alarm);
    // Where the operator's last export, image or recording to disk went; said while no
    // recording to disk runs, until the next Start.
    void showSavedTo(const QString &text);

    // What the controller did that the operator must know of: no data for a while, a
    // refused list, a dropped stretch, a clock step; empty when there is nothing to say.
    void showControllerNote(const QString &text, bool alarm);

    void showStopped();
    // A recording from a file or a capture is on the plot: what it is, in a few words.
    void showLoaded(const QString &what);
    // `lastSampleTime` is where the recording ends on the time axis, none when it is empty;
    // `lastSampleWallClock` the moment of that sample, invalid when unknown.
    void showStoppedByRobotError(std::optional<double> lastSampleTime,
                                 const QDateTime &lastSampleWallClock);
    void showControllerLost();

    // The recording on the plot was cleared (set-up, import): its mark goes with it.
    void forgetRecording();
    // The recording on the plot was made while the robot reported an error.
    bool recordingShowsRobotError() const { return m_bRecordingSawError; }

private:
    enum class Tone
    {
        Plain,
        Running,
        Waiting,
        Alarm
    };
    void show(const QString &text, Tone tone);
    void refresh();
    void markRecordingEnd(double time);
    void addSimulatorNotice(QFrame *statusStrip, QHBoxLayout *stateRow);

    QwtScope *m_plot;
    QLabel *m_label = nullptr;            // owned by the status strip
    QwtPlotMarker *m_errorMark = nullptr; // owned by the plot's item list
    QString m_activity;
    QString m_firedAt; // clock time of this run's last firing
    QString m_captures;
    QString m_fileRecording;
    bool m_bFileAlarm = false;
    QString m_savedTo;
    QString m_controllerNote;
    bool m_bControllerAlarm = false;
    Tone m_tone = Tone::Plain;
    bool m_bErrorRaised = false;
    bool m_bRecordingSawError = false;
};
