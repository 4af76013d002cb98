#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QAction;
class ScopeAnnouncer;
class ScopeRecorder;
class ScopeStateLine;
class TarnPlugin_Scope;
struct FileRecordingStatus;
struct FileRecordingOptions;

// Recording to disk from the plot's menu and from code: the "Record to file…" action with its
// dialog, the start and stop on the recorder, and on every refresh tick the file, its size,
// the time recorded and lost records on the status strip, or why writing failed. Owned by
// the scope widget (a Qt child); GUI thread only.
class ScopeRecordActions : public QObject
{
    Q_OBJECT

public:
    // What recording to disk asks of the scope beyond the objects it is given.
    class Host
    {
    public:
        // Says why, to the caller and as the widget's error; returns false.
        virtual bool fail(const QString &text, QString *errorText = nullptr) = 0;
        // The run on the plot is no longer wholly on disk.
        virtual void noteRecordingUnsaved() = 0;

    protected:
        ~Host() = default;
    };

    // `scope` is the widget: its signals, its exact-values option and its dialogs' parent.
    ScopeRecordActions(TarnPlugin_Scope *scope, ScopeRecorder &recorder, ScopeStateLine &stateLine,
                       ScopeAnnouncer &announcer, Host &host);

    QAction *action() const { return m_action; }
    bool start(FileRecordingOptions options, QString *errorText);
    void stop();
    bool isRecording() const;
    void setRotation(int minutes, int megabytes);
    QString fileName() const { return m_fileName; }
    qint64 lostRecords() const { return m_lost; }
    // Follows the writer: called on every refresh tick, sampling or not.
    void poll();

private:
    void toggleFromMenu();
    void startWithDialog();
    QString proposedFile() const;
    void reportFailure(const FileRecordingStatus &status);
    void showOnStrip(const QString &text, bool alarm);
    void announceFileChange();
    QString recordedFilesText() const;
    void markRunNotOnDisk();

    TarnPlugin_Scope *m_scope;
    ScopeRecorder &m_recorder;
    ScopeStateLine &m_stateLine;
    ScopeAnnouncer &m_announcer;
    Host &m_host;
    QAction *m_action;
    QString m_lastFolder;
    int m_rotateMinutes = 0;
    int m_rotateMegabytes = 0;
    QString m_firstFileName; // as started; rotation numbers the files after it
    QString m_fileName;      // the one written last
    qint64 m_lost = 0;
    QElapsedTimer m_since;
};
