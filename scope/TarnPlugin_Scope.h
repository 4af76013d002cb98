#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QWidget>

#include <memory>

#if defined(TARNSCOPE_LIBRARY)
#define TARNSCOPE_EXPORT Q_DECL_EXPORT
#else
#define TARNSCOPE_EXPORT Q_DECL_IMPORT
#endif

class TarnPlugin_ScopePrivate;

// One channel the scope can record: its title (as the curve and the trigger list name it,
// "J1 Target ACS"), its unit and the family it is chosen from in the channel dialog
// ("Component List", "Link Data Capture", "End Effector Data Capture").
struct TarnScopeChannelInfo
{
    QString title;
    QString unit;
    QString family;
};

// One curve of the recording on the plot, as the scope file carries it: times in ms from the
// recording's first sample, and the values at those times.
struct TarnScopeCurveData
{
    QString title;
    QString unit;
    QVector<double> times;
    QVector<double> values;
};

// One capture the trigger completed: where it fired (controller time, ms), on which channel
// and with which value, the file it was saved to (empty when not saved), and its curves.
struct TarnScopeCapture
{
    double triggerTime = 0.0;
    QString channel;
    double value = 0.0;
    QString fileName;
    QList<TarnScopeCurveData> curves;
};

// The oscilloscope widget for a six-joint robot controller: the operator picks channels,
// starts sampling and watches the curves live; a host does the same from code through the
// functions, properties and signals below, without any dialog. Created by the Designer
// plug-in, a form (uic or QUiLoader) or any host with the host's parent, on the GUI thread,
// and used there only. Every scope of the process samples through one link to the
// controller, on a thread of its own; the GUI thread never calls the controller.
class TARNSCOPE_EXPORT TarnPlugin_Scope : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int period READ period WRITE setPeriod NOTIFY periodChanged)
    Q_PROPERTY(
        bool stopWhenError READ stopWhenError WRITE setStopWhenError NOTIFY stopWhenErrorChanged)
    Q_PROPERTY(bool triggerEnabled READ triggerEnabled WRITE setTriggerEnabled NOTIFY
                   triggerSettingsChanged)
    Q_PROPERTY(QString triggerChannel READ triggerChannel WRITE setTriggerChannel NOTIFY
                   triggerSettingsChanged DESIGNABLE false)
    Q_PROPERTY(TriggerCondition triggerCondition READ triggerCondition WRITE setTriggerCondition
                   NOTIFY triggerSettingsChanged)
    Q_PROPERTY(
        TriggerMode triggerMode READ triggerMode WRITE setTriggerMode NOTIFY triggerSettingsChanged)
    Q_PROPERTY(double triggerThreshold READ triggerThreshold WRITE setTriggerThreshold NOTIFY
                   triggerSettingsChanged)
    Q_PROPERTY(
        QString triggerDelay READ triggerDelay WRITE setTriggerDelay NOTIFY triggerSettingsChanged)
    Q_PROPERTY(bool triggerAbsoluteValue READ triggerAbsoluteValue WRITE setTriggerAbsoluteValue
                   NOTIFY triggerSettingsChanged)
    Q_PROPERTY(
        bool triggerRepeat READ triggerRepeat WRITE setTriggerRepeat NOTIFY triggerSettingsChanged)
    Q_PROPERTY(int triggerKeep READ triggerKeep WRITE setTriggerKeep NOTIFY triggerSettingsChanged)
    Q_PROPERTY(QString triggerFolder READ triggerFolder WRITE setTriggerFolder NOTIFY
                   triggerSettingsChanged)
    Q_PROPERTY(QStringList channels READ channels NOTIFY channelsChanged DESIGNABLE false)
    Q_PROPERTY(bool sampling READ isSampling NOTIFY samplingChanged DESIGNABLE false)
    Q_PROPERTY(bool viewFrozen READ isViewFrozen WRITE setViewFrozen NOTIFY viewFrozenChanged
                   DESIGNABLE false)
    // Mixed units read best as stacked strips, one per unit, each with its own value range;
    // one plot for all curves is the default. Saved with set-ups.
    Q_PROPERTY(bool stripView READ isStripView WRITE setStripView NOTIFY viewChanged)
    // The single plot's value axis fits the curves shown instead of all of them.
    Q_PROPERTY(bool scaleToVisibleCurves READ scalesToVisibleCurves WRITE setScaleToVisibleCurves
                   NOTIFY viewChanged)
    // The time axis in the local wall-clock time of day ("14:02:11.250") instead of ms:
    // live from when the run's first records arrived, for an imported file or a shown capture
    // from its metadata. Where the wall clock is not known (before the first record, a file
    // without metadata) the axis stays in ms and its title says so. Saved with set-ups.
    Q_PROPERTY(bool wallClockTime READ wallClockTime WRITE setWallClockTime NOTIFY viewChanged)
    // Files (export, record to file, captures) carry each value with the shortest text that
    // reads back to the same number, instead of three decimals. Saved with set-ups.
    Q_PROPERTY(bool exactValues READ exactValues WRITE setExactValues NOTIFY exactValuesChanged)
    // With persistSetup on, the widget restores the last set-up (channels, period, trigger
    // controls) from QSettings when the property is set, and remembers it on every confirmed
    // set-up and when it goes. Off by default.
    Q_PROPERTY(bool persistSetup READ persistSetup WRITE setPersistSetup)
    // Whether a controller library is loaded, and how the controller answers while sampling.
    Q_PROPERTY(ControllerStatus controllerStatus READ controllerStatus NOTIFY
                   controllerStatusChanged DESIGNABLE false)
    // The file of the loaded controller library, or why none was loaded.
    Q_PROPERTY(QString controllerLibrary READ controllerLibrary CONSTANT DESIGNABLE false)
    // How long the controller may deliver nothing before the recording ends with
    // ControllerLost, in ms (default 5000, at least 1000).
    Q_PROPERTY(int controllerTimeout READ controllerTimeout WRITE setControllerTimeout)

public:
    enum TriggerCondition
    {
        Above, // ">"
        Below  // "<"
    };
    Q_ENUM(TriggerCondition)
    enum TriggerMode
    {
        OpenGrab, // "Trigger open grab": recording starts when the trigger fires
        EndGrab   // "Trigger end grab": recording ends when the trigger fires
    };
    Q_ENUM(TriggerMode)
    // Why a recording ended.
    enum EndReason
    {
        StoppedByOperator, // Stop, or stop() from code
        RobotError,        // "Stop when Error" and the robot reported an error
        TriggerEnd,        // an end-grab trigger fired; the scope holds until stopped
        ControllerLost,    // slot_Disconnected2Mox, or no data for controllerTimeout ms
        SetupRefused       // Start refused the channel selection, or the controller refused
                           // its list; nothing was recorded
    };
    Q_ENUM(EndReason)
    enum ControllerStatus
    {
        NoLibrary,   // no controller library was found: import, export and the tools work
        Simulated,   // our simulated controller answers
        Connected,   // the maker's library is loaded and answers
        NotAnswering // reads fail or do not return while sampling (for a second or more)
    };
    Q_ENUM(ControllerStatus)

    explicit TarnPlugin_Scope(QWidget *parent = nullptr);
    ~TarnPlugin_Scope() override;

    // Installs the widget's translation for `locale` into the running application (call it
    // before creating scopes); it replaces one installed before. False, with nothing
    // changed, when there is no application or no translation for that locale.
    static bool installTranslation(const QLocale &locale = QLocale());

    // Every channel the channel dialog offers, in the order the curves would take.
    QList<TarnScopeChannelInfo> availableChannels() const;
    // The recorded channels by title, in curve order.
    QStringList channels() const;
    // Chooses exactly these channels (titles from availableChannels) and confirms them as
    // the dialog's OK does. Refused, with nothing changed, for an unknown title, more than
    // 36 channels, or a set the dialog cannot choose alone (it records each chosen quantity
    // for each chosen joint or component); `errorText` then says why.
    bool setChannels(const QStringList &titles, QString *errorText = nullptr);

    // Display period in ms, 10 to 999999; other values are refused with a warning.
    int period() const;
    void setPeriod(int milliseconds);
    bool stopWhenError() const;
    void setStopWhenError(bool on);

    // The trigger controls of the form. The channel is a title of the trigger list (one
    // not listed is refused with a warning). A threshold that is not finite is refused with a
    // warning. The delay is text: ms after the trigger's instant at which the recording
    // starts (open grab) or ends (end grab), negative for before it, written with a point
    // ("-500", "2.5", the point or a comma read alike); empty keeps whole controller batches,
    // and text that is no number is refused with a warning.
    bool triggerEnabled() const;
    void setTriggerEnabled(bool on);
    QString triggerChannel() const;
    void setTriggerChannel(const QString &title);
    TriggerCondition triggerCondition() const;
    void setTriggerCondition(TriggerCondition condition);
    TriggerMode triggerMode() const;
    void setTriggerMode(TriggerMode mode);
    double triggerThreshold() const;
    void setTriggerThreshold(double threshold);
    QString triggerDelay() const;
    void setTriggerDelay(const QString &milliseconds);
    bool triggerAbsoluteValue() const;
    void setTriggerAbsoluteValue(bool on);
    // The "Trigger options": after each completed capture arm again (repeat) or not, keep the
    // last 1..100 captures, and save each to a folder as a scope file (empty: not saved).
    bool triggerRepeat() const;
    void setTriggerRepeat(bool on);
    int triggerKeep() const;
    void setTriggerKeep(int count);
    QString triggerFolder() const;
    void setTriggerFolder(const QString &folder);
    // The captures this run kept, oldest first; one of them back on the plot (not while
    // sampling), where exportToFile and the tools work on it.
    QList<TarnScopeCapture> captures() const;
    bool showCapture(int index, QString *errorText = nullptr);
    // Adds a kept capture beside what the plot shows, dashed and aligned at the starts, to
    // compare them (not while sampling; needs free curve slots: 48 in all).
    bool compareCapture(int index, QString *errorText = nullptr);

    bool isSampling() const;
    bool isCapturing() const;
    bool isTriggerArmed() const;
    // While frozen the plot keeps what it shows; recording goes on and Stop ends the freeze.
    bool isViewFrozen() const;
    bool isStripView() const;
    void setStripView(bool on);
    bool scalesToVisibleCurves() const;
    void setScaleToVisibleCurves(bool on);
    bool wallClockTime() const;
    void setWallClockTime(bool on);
    bool exactValues() const;
    void setExactValues(bool on);
    bool persistSetup() const;
    void setPersistSetup(bool on);
    ControllerStatus controllerStatus() const;
    QString controllerLibrary() const;
    int controllerTimeout() const;
    void setControllerTimeout(int milliseconds);

    // The recording on the plot (what an export writes): every attached curve.
    QList<TarnScopeCurveData> recordedCurves() const;
    // The file and image operations without any dialog or message box: false, with the
    // reason in `errorText`, when nothing was written or loaded. Export and import refuse
    // while sampling; export refuses an empty recording.
    bool exportToFile(const QString &path, QString *errorText = nullptr) const;
    // `notes` receives what the Import button would warn of in a file that loads all the
    // same (a cut last line, ragged rows, unreadable fields, curves beyond 48); empty if none.
    bool importFromFile(const QString &path, QString *errorText = nullptr,
                        QString *notes = nullptr);
    bool saveImage(const QString &path, QString *errorText = nullptr) const;

    // Recording to disk: from now on every record the curves receive (after the trigger
    // rules), whatever the window holds, goes to `path` as a scope file, each once and in
    // order; it goes on across stop() and start() until stopRecordingToFile() or a failed
    // write. An existing file is never replaced: refused, with the reason in `errorText`.
    // A change of channels goes on in a new numbered file (name_002.csv, …), as rotation does.
    // Stopping returns at once; the writer finishes the file on its own thread, and
    // recordingToFileChanged() tells when the file is complete.
    Q_INVOKABLE bool startRecordingToFile(const QString &path, QString *errorText = nullptr);
    Q_INVOKABLE void stopRecordingToFile();
    bool isRecordingToFile() const;
    // The file written now (the last one once stopped), and the records lost on the way
    // because the disk did not keep up.
    QString recordingFileName() const;
    qint64 recordingLostRecords() const;
    // A new numbered file every `minutes`, or once a file holds `megabytes` (0: never);
    // applies from the next startRecordingToFile().
    void setRecordingRotation(int minutes, int megabytes);

public Q_SLOTS:
    // As the buttons do, without asking anything: a refused selection emits
    // recordingEnded(SetupRefused).
    void start();
    void stop();
    void resetView();
    void setViewFrozen(bool frozen);
    // While sampling, arms the trigger again with the trigger controls as they are now (the
    // plot's menu and key A do the same); at start() the triggerEnabled property decides.
    void armTrigger();

Q_SIGNALS:
    void samplingChanged(bool sampling);
    void recordingEnded(TarnPlugin_Scope::EndReason reason);
    // `time` is the controller time in ms of the sample that fired it.
    void triggerFired(double time);
    // A capture completed (open grab: its window is full; end grab: it ended) and was kept.
    void captureCompleted(double triggerTime, const QString &fileName);
    // A failure the operator is told about (the text of the message box), or a refusal of
    // a call from code.
    void errorOccurred(const QString &text);
    void channelsChanged();
    void periodChanged(int milliseconds);
    void stopWhenErrorChanged(bool on);
    void triggerSettingsChanged();
    void viewFrozenChanged(bool frozen);
    // Recording to disk started, went on in a new file, lost records, or ended and its file
    // is complete.
    void recordingToFileChanged();
    // Recording to disk ended because a write failed; `reason` is the system's ("No space
    // left on device"). The file keeps its whole lines; sampling goes on.
    void recordingToFileFailed(const QString &reason);
    void viewChanged();
    void exactValuesChanged(bool on);
    void controllerStatusChanged(TarnPlugin_Scope::ControllerStatus status);

protected Q_SLOTS:
    // The form's connections; hosts invoke some by name (slot_Disconnected2Mox).
    void setAxisInfo();
    void setScopeSetting();
    void onSamplingScopTextChanged(QString text);
    void hideItem(QVariant itemInfo, bool on);
    void OnScopeSetting();
    void OnStartScope();
    void OnStopScope();
    void OnResetView();
    void slotImportScopeFile();
    void slotExportScopeFile();
    void slot_Disconnected2Mox();
    void slot_cb_StopWhenErrorClicked();
    void CheckTriggerStatus();

protected:
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    friend class TarnPlugin_ScopePrivate;
    std::unique_ptr<TarnPlugin_ScopePrivate> d;
};

// Forms saved with the plug-in's widget name "scope" carry that class name, and uic writes it
// as the C++ type. An application with a `scope` of its own defines TARNSCOPE_NO_SCOPE_ALIAS.
#if !defined(TARNSCOPE_NO_SCOPE_ALIAS)
using scope = TarnPlugin_Scope;
#endif
