#pragma once

/// \file
/// The scope widget's public header, the whole API an application or a form needs: the widget
/// TarnPlugin_Scope and the plain values it hands out. It needs nothing but Qt and compiles
/// with `QT_NO_KEYWORDS`.

#include <QList>
#include <QLocale>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <QWidget>

#include <memory>

#if defined(TARNSCOPE_LIBRARY)
#define TARNSCOPE_EXPORT Q_DECL_EXPORT
#else
/// Exports the widget from libTarnScope.so when building it, imports it everywhere else.
#define TARNSCOPE_EXPORT Q_DECL_IMPORT
#endif

class TarnPlugin_ScopePrivate;

/// One channel the scope can record, as TarnPlugin_Scope::availableChannels() lists it.
struct TarnScopeChannelInfo
{
    /// The name the curve, the trigger list and TarnPlugin_Scope::setChannels() use
    /// ("J1 Target ACS").
    QString title;
    /// The unit of its values, as the value axis shows it.
    QString unit;
    /// The list of the channel dialog it is chosen from ("Component List", "Link Data
    /// Capture", "End Effector Data Capture").
    QString family;
};

/// One curve with its samples, as a scope file carries it.
struct TarnScopeCurveData
{
    /// The curve's title: its channel's, with a mark for a compared capture's curve.
    QString title;
    /// The unit of #values.
    QString unit;
    /// Sample times in ms: from the recording's first sample in
    /// TarnPlugin_Scope::recordedCurves(), on the controller's clock in a
    /// TarnScopeCapture.
    QVector<double> times;
    /// The values at #times, one for one.
    QVector<double> values;
};

/// One capture the trigger completed and the scope kept (TarnPlugin_Scope::captures()).
struct TarnScopeCapture
{
    /// Controller time in ms of the sample that fired the trigger.
    double triggerTime = 0.0;
    /// The title of the trigger channel.
    QString channel;
    /// That channel's value in the sample that fired.
    double value = 0.0;
    /// The scope file it was saved to; empty when no trigger folder is set or saving failed.
    QString fileName;
    /// Every recorded channel over the capture's window.
    QList<TarnScopeCurveData> curves;
};

/// The amplitude spectrum of a stretch of one curve (TarnPlugin_Scope::spectrum()).
struct TarnScopeSpectrum
{
    /// Frequencies in Hz, from 0 in steps of #binWidth.
    QVector<double> frequencies;
    /// The amplitude at each frequency: a sine of amplitude A reads A, in the curve's unit
    /// (or in dB of one unit).
    QVector<double> amplitudes;
    /// The largest peaks, largest first, 0 Hz never among them: x the frequency in Hz, y the
    /// amplitude.
    QList<QPointF> peaks;
    /// The width of one frequency bin in Hz.
    double binWidth = 0.0;
    /// How many samples were analysed.
    int sampleCount = 0;
};

/// The oscilloscope widget for a six-joint robot controller: the operator picks channels,
/// starts sampling and watches the curves live; a host does the same from code through the
/// functions, properties and signals below, without any dialog.
///
/// A refused call changes nothing and says why: a `bool` call returns false with the reason in
/// `errorText`, and errorOccurred() carries the reason, a refused setter's too.
///
/// Created by the Designer plug-in, a form (uic or QUiLoader) or any host with the host's
/// parent, on the GUI thread, and used there only: a call from another thread is refused with
/// a warning in the log (and false with the reason where it returns `bool`). Signals raised
/// during a call are emitted as the call returns, so a slot sees the scope whole and may
/// delete it; so may a host at any other moment, one of the scope's dialogs open included.
/// Every scope of the process samples through one link to the controller, on a
/// thread of its own; the GUI thread never calls the controller.
///
/// The controller library is looked for when the process makes its first scope. A process
/// that only views recordings (`tarnscope-view`) sets the environment variable
/// `TARNSCOPE_CONTROLLER_LIBRARY` to `none` before then: no library is looked for or opened,
/// controllerStatus is NoLibrary, the state line says "No controller" without an alarm, the
/// Start button is disabled and start() is refused; import, export and the tools work.
class TARNSCOPE_EXPORT TarnPlugin_Scope : public QWidget
{
    Q_OBJECT
    /// The time window the plot shows, in ms (10 to 999999, default 10000). Changes emit
    /// periodChanged().
    Q_PROPERTY(int period READ period WRITE setPeriod NOTIFY periodChanged)
    /// "Stop when Error": sampling stops with RobotError once the robot reports an error.
    /// Changes emit stopWhenErrorChanged().
    Q_PROPERTY(
        bool stopWhenError READ stopWhenError WRITE setStopWhenError NOTIFY stopWhenErrorChanged)
    /// Whether start() arms the trigger. Changes of this and every other trigger property
    /// emit triggerSettingsChanged().
    Q_PROPERTY(bool triggerEnabled READ triggerEnabled WRITE setTriggerEnabled NOTIFY
                   triggerSettingsChanged)
    /// The title of the channel the trigger watches, as the trigger list shows it.
    Q_PROPERTY(QString triggerChannel READ triggerChannel WRITE setTriggerChannel NOTIFY
                   triggerSettingsChanged DESIGNABLE false)
    /// Whether the trigger fires above or below triggerThreshold.
    Q_PROPERTY(TriggerCondition triggerCondition READ triggerCondition WRITE setTriggerCondition
                   NOTIFY triggerSettingsChanged)
    /// Whether a firing starts or ends the recording.
    Q_PROPERTY(
        TriggerMode triggerMode READ triggerMode WRITE setTriggerMode NOTIFY triggerSettingsChanged)
    /// The value, in the trigger channel's unit, the channel must pass for the trigger to fire.
    Q_PROPERTY(double triggerThreshold READ triggerThreshold WRITE setTriggerThreshold NOTIFY
                   triggerSettingsChanged)
    /// Where the recording starts or ends, in ms after the firing; see setTriggerDelay().
    Q_PROPERTY(
        QString triggerDelay READ triggerDelay WRITE setTriggerDelay NOTIFY triggerSettingsChanged)
    /// The trigger compares the channel's absolute value with the threshold.
    Q_PROPERTY(bool triggerAbsoluteValue READ triggerAbsoluteValue WRITE setTriggerAbsoluteValue
                   NOTIFY triggerSettingsChanged)
    /// After each completed capture the trigger arms again (off: once per start()).
    Q_PROPERTY(
        bool triggerRepeat READ triggerRepeat WRITE setTriggerRepeat NOTIFY triggerSettingsChanged)
    /// How many captures are kept, the latest ones (1 to 100, default 10).
    Q_PROPERTY(int triggerKeep READ triggerKeep WRITE setTriggerKeep NOTIFY triggerSettingsChanged)
    /// The folder each capture is saved to as a scope file; empty: captures are not saved.
    Q_PROPERTY(QString triggerFolder READ triggerFolder WRITE setTriggerFolder NOTIFY
                   triggerSettingsChanged)
    /// The titles of the curves on the plot; read only, set through setChannels(). Changes
    /// emit channelsChanged().
    Q_PROPERTY(QStringList channels READ channels NOTIFY channelsChanged DESIGNABLE false)
    /// Whether the scope samples the controller. Changes emit samplingChanged().
    Q_PROPERTY(bool sampling READ isSampling NOTIFY samplingChanged DESIGNABLE false)
    /// The plot keeps what it shows while sampling goes on. Changes emit viewFrozenChanged().
    Q_PROPERTY(bool viewFrozen READ isViewFrozen WRITE setViewFrozen NOTIFY viewFrozenChanged
                   DESIGNABLE false)
    /// Stacked strips, one per unit, each with its own value range, instead of one plot for
    /// all curves (the default): mixed units read best so. Saved with set-ups. Changes emit
    /// viewChanged().
    Q_PROPERTY(bool stripView READ isStripView WRITE setStripView NOTIFY viewChanged)
    /// The single plot's value axis fits the curves shown instead of all of them. Changes
    /// emit viewChanged().
    Q_PROPERTY(bool scaleToVisibleCurves READ scalesToVisibleCurves WRITE setScaleToVisibleCurves
                   NOTIFY viewChanged)
    /// The time axis in the local wall-clock time of day ("14:02:11.250") instead of ms:
    /// live from when the run's first records arrived, for an imported file or a shown capture
    /// from its metadata. Where the wall clock is not known (before the first record, a file
    /// without metadata) the axis stays in ms and its title says so. Saved with set-ups.
    /// Changes emit viewChanged().
    Q_PROPERTY(bool wallClockTime READ wallClockTime WRITE setWallClockTime NOTIFY viewChanged)
    /// Files (export, record to file, captures) carry each value with the shortest text that
    /// reads back to the same number, instead of three decimals. Saved with set-ups. Changes
    /// emit exactValuesChanged().
    Q_PROPERTY(bool exactValues READ exactValues WRITE setExactValues NOTIFY exactValuesChanged)
    /// With persistSetup on, the widget restores the last set-up (channels, period, trigger
    /// controls, view options) from QSettings when the property is first set, and remembers
    /// it on every confirmed set-up and when it goes, under its objectName; a second unnamed
    /// scope is warned and remembers nothing. Off by default; no NOTIFY signal.
    Q_PROPERTY(bool persistSetup READ persistSetup WRITE setPersistSetup)
    /// Whether a controller library is loaded, and how the controller answers while sampling.
    /// Changes emit controllerStatusChanged().
    Q_PROPERTY(ControllerStatus controllerStatus READ controllerStatus NOTIFY
                   controllerStatusChanged DESIGNABLE false)
    /// The file of the loaded controller library, or why none was loaded. Constant.
    Q_PROPERTY(QString controllerLibrary READ controllerLibrary CONSTANT DESIGNABLE false)
    /// How long the controller may deliver nothing before the recording ends with
    /// ControllerLost, in ms (default 5000; less is taken as 1000). No NOTIFY signal.
    Q_PROPERTY(int controllerTimeout READ controllerTimeout WRITE setControllerTimeout)

public:
    /// The trigger's comparison, strictly beyond the threshold.
    enum TriggerCondition
    {
        Above, ///< ">"
        Below  ///< "<"
    };
    Q_ENUM(TriggerCondition)
    /// What a firing does to the recording.
    enum TriggerMode
    {
        OpenGrab, ///< "Trigger open grab": recording starts when the trigger fires
        EndGrab   ///< "Trigger end grab": recording ends when the trigger fires
    };
    Q_ENUM(TriggerMode)
    /// Why a recording ended (recordingEnded()).
    enum EndReason
    {
        StoppedByOperator, ///< Stop, or stop() from code
        RobotError,        ///< "Stop when Error" and the robot reported an error
        TriggerEnd,        ///< an end-grab trigger fired; the scope holds until stopped
        ControllerLost,    ///< slot_Disconnected2Mox, or no data for controllerTimeout ms
        SetupRefused       ///< Start refused the channel selection, or the controller refused
                           ///< its list; nothing was recorded
    };
    Q_ENUM(EndReason)
    /// The controller as the scope last saw it (controllerStatus).
    enum ControllerStatus
    {
        NoLibrary,   ///< no controller library was found, or none is wanted
                     ///< (`TARNSCOPE_CONTROLLER_LIBRARY=none`): import, export and the tools work
        Simulated,   ///< our simulated controller answers
        Connected,   ///< the maker's library is loaded and answers
        NotAnswering ///< reads fail or do not return while sampling (for a second or more)
    };
    Q_ENUM(ControllerStatus)
    /// What exportToFile() does where a file stands at the path already.
    enum ExistingFile
    {
        KeepExisting,   ///< refuse, as recording to file does: nothing is replaced unasked
        ReplaceExisting ///< replace a regular file, once the new one is complete
    };
    Q_ENUM(ExistingFile)
    /// Ready-made derived channels for the robot (addRobotPreset()).
    enum RobotPreset
    {
        FollowingError,  ///< "Jn Following error": target − actual position, each joint
        VelocityError,   ///< "Jn Velocity error": target − actual joint velocity, each joint
        MechanicalPower, ///< "Jn Mechanical power": torque × velocity in rad/s, in W
        TcpSpeed         ///< "TCP speed": the norm of the TCP's X, Y and Z velocities
    };
    Q_ENUM(RobotPreset)
    /// The window a spectrum is taken through (spectrum()).
    enum SpectrumWindow
    {
        FlatTopWindow, ///< amplitudes true to 0.01 dB between bins; the peaks widest
        HannWindow,    ///< narrower peaks, amplitudes within 1 % at a peak
        NoWindow       ///< the samples as they are: sharpest, but leaks between bins
    };
    Q_ENUM(SpectrumWindow)

    /// Builds the form and starts the refresh; the scope starts stopped, with no channel.
    explicit TarnPlugin_Scope(QWidget *parent = nullptr);
    /// Remembers the set-up (with persistSetup on), ends this scope's sampling and waits for
    /// a recording to file to be complete.
    ~TarnPlugin_Scope() override;

    /// Installs the widget's translation for `locale` into the running application (call it
    /// before creating scopes); it replaces one installed before. False, with nothing
    /// changed, when there is no application or no translation for that locale.
    static bool installTranslation(const QLocale &locale = QLocale());

    /// Every channel the channel dialog offers, in the order the curves would take.
    QList<TarnScopeChannelInfo> availableChannels() const;
    /// The titles of the curves on the plot, in curve order: the chosen channels, or a loaded
    /// file's or capture's curves (compared ones marked with their capture).
    QStringList channels() const;
    /// Chooses exactly these channels (titles from availableChannels()) and confirms them as
    /// the dialog's OK does: the curves start empty, channelsChanged() follows. Refused, with
    /// nothing changed, for an unknown title, more than 36 channels, a set the dialog cannot
    /// choose alone (it records each chosen quantity for each chosen joint or component), or
    /// one the controller's list has no room for; false, and `errorText` says why.
    bool setChannels(const QStringList &titles, QString *errorText = nullptr);

    /// Adds a channel the scope computes from the recorded ones, record by record, or
    /// replaces the one of that title. `expression` writes channels as their quoted titles
    /// and may read derived channels added before: `"J3 Target ACS" - "J3 Actual ACS"`,
    /// `abs(...)`, `sqrt("X Actual Vel"^2 + "Y Actual Vel"^2)`, `_pi`. A gap in an input and a
    /// result that is not finite (a division by zero) are gaps. A derived channel is drawn,
    /// exported, recorded to file and offered to the trigger like any channel; it takes a
    /// curve slot (48 in all) but none of the controller's 36 channels. Refused, with
    /// nothing changed, for an empty or taken title, no slot left, or an expression that
    /// does not read (`errorText` says where and why). The curves start empty, as after
    /// setChannels().
    bool addDerivedChannel(const QString &title, const QString &expression,
                           const QString &unit = QString(), QString *errorText = nullptr);
    /// Removes the derived channel of that title; false when there is none.
    bool removeDerivedChannel(const QString &title);
    /// The derived channels' titles, in the order added.
    QStringList derivedChannels() const;
    /// A derived channel's expression; empty for an unknown title.
    QString derivedChannelExpression(const QString &title) const;
    /// A derived channel's unit; empty for an unknown title or a channel without one.
    QString derivedChannelUnit(const QString &title) const;
    /// Shows chosen bits of a status-word channel as lanes of 0/1 steps: one derived channel
    /// per bit, `bit("<channel>", n)`, titled "<channel> bit n" (or "<channel> <name>" with
    /// names[i]), with the unit "bit", so that the strip view gives the lanes a strip of
    /// their own. A trigger on a lane at threshold 0.5 with a delay ("0" for the instant
    /// itself) fires on the bit's edge: rising with Above, falling with Below. Refused as
    /// addDerivedChannel() refuses, and for a bit outside 0..63, with nothing changed.
    bool addBitLanes(const QString &channel, const QList<int> &bits,
                     const QStringList &names = QStringList(), QString *errorText = nullptr);
    /// Adds a preset's derived channels and chooses the channels they read beside those
    /// chosen. Refused as setChannels() refuses, with nothing changed.
    bool addRobotPreset(RobotPreset preset, QString *errorText = nullptr);

    /// The time window in ms.
    int period() const;
    /// Sets the time window, 10 to 999999 ms; other values are refused with errorOccurred().
    /// Emits periodChanged() when it changes.
    void setPeriod(int milliseconds);
    /// Whether a robot error stops sampling.
    bool stopWhenError() const;
    /// Ticks or clears "Stop when Error"; emits stopWhenErrorChanged() when it changes.
    void setStopWhenError(bool on);

    /// Whether start() arms the trigger ("Trigger Condition" on the form).
    bool triggerEnabled() const;
    /// Takes effect at the next start(); armTrigger() arms the trigger whatever it says.
    void setTriggerEnabled(bool on);
    /// The trigger channel as the trigger list shows it; one no longer recorded is marked
    /// "(not recorded)" and never fires.
    QString triggerChannel() const;
    /// Chooses the trigger channel by title; a title that is not a recorded channel is refused
    /// with errorOccurred().
    void setTriggerChannel(const QString &title);
    /// Above or below the threshold.
    TriggerCondition triggerCondition() const;
    /// Sets the comparison; a batch that arrives from now on is evaluated with it.
    void setTriggerCondition(TriggerCondition condition);
    /// Open grab or end grab.
    TriggerMode triggerMode() const;
    /// Sets what a firing does to the recording.
    void setTriggerMode(TriggerMode mode);
    /// The threshold in the trigger channel's unit.
    double triggerThreshold() const;
    /// A threshold that is not finite is refused with errorOccurred().
    void setTriggerThreshold(double threshold);
    /// The delay in ms as text with a point ("-500", "2.5"); empty when none is set.
    QString triggerDelay() const;
    /// The ms after the trigger's instant at which the recording starts (open grab) or ends
    /// (end grab), negative for before it, written with a point ("-500", "2.5"). Empty keeps
    /// whole controller batches; text that is no number (a comma too) is refused with
    /// errorOccurred().
    void setTriggerDelay(const QString &milliseconds);
    /// Whether the trigger compares absolute values.
    bool triggerAbsoluteValue() const;
    /// Compares the channel's absolute value with the threshold, or its signed value.
    void setTriggerAbsoluteValue(bool on);
    /// Whether the trigger arms again after each completed capture ("Trigger options").
    bool triggerRepeat() const;
    /// Arms again after each capture (on) or captures once per start() (off).
    void setTriggerRepeat(bool on);
    /// How many captures are kept.
    int triggerKeep() const;
    /// Keeps the last `count` captures, taken into 1..100; older ones go first.
    void setTriggerKeep(int count);
    /// The folder captures are saved to; empty when they are not saved.
    QString triggerFolder() const;
    /// Saves each capture as it completes into `folder` (made when missing) as a new scope
    /// file named by its time, never replacing a file; empty: captures are not saved.
    void setTriggerFolder(const QString &folder);
    /// The captures this run kept, oldest first (start() clears them).
    QList<TarnScopeCapture> captures() const;
    /// Puts kept capture `index` on the plot in place of the recording, where exportToFile()
    /// and the tools work on it. Refused while sampling or for an index not kept: false, and
    /// `errorText` says why.
    bool showCapture(int index, QString *errorText = nullptr);
    /// Adds kept capture `index` beside what the plot shows, dashed and aligned at the starts,
    /// to compare them. Refused while sampling, for an index not kept, or without enough free
    /// curve slots (48 in all): false, and `errorText` says why.
    bool compareCapture(int index, QString *errorText = nullptr);

    /// Whether the scope samples the controller.
    bool isSampling() const;
    /// Whether arriving records go onto the curves: false while an open-grab trigger waits
    /// (with no delay set) and after an end-grab trigger ended the recording; true otherwise,
    /// also while stopped.
    bool isCapturing() const;
    /// Whether the trigger is armed and has not fired yet.
    bool isTriggerArmed() const;
    /// While frozen the plot keeps what it shows; recording goes on and Stop ends the freeze.
    bool isViewFrozen() const;
    /// Whether the plot shows one strip per unit.
    bool isStripView() const;
    /// One strip per unit (on) or one plot; emits viewChanged() when it changes.
    void setStripView(bool on);
    /// Whether the single plot's value axis fits only the curves shown.
    bool scalesToVisibleCurves() const;
    /// Fits the single plot's value axis to the curves shown, or to all; emits viewChanged()
    /// when it changes.
    void setScaleToVisibleCurves(bool on);
    /// Whether the time axis shows the wall-clock time of day.
    bool wallClockTime() const;
    /// The time axis in wall-clock time (on) or ms; emits viewChanged() when it changes.
    void setWallClockTime(bool on);
    /// Whether files carry exact values instead of three decimals.
    bool exactValues() const;
    /// Exact values (on) or three decimals in the files written from now on; emits
    /// exactValuesChanged() when it changes.
    void setExactValues(bool on);
    /// Whether the set-up is remembered in QSettings.
    bool persistSetup() const;
    /// Remembers the set-up from now on, one the scope can record only; the first time it is
    /// turned on it restores the one remembered, showing no box (what cannot be restored is
    /// named in the log).
    void setPersistSetup(bool on);
    /// The controller's status now.
    ControllerStatus controllerStatus() const;
    /// The loaded controller library's file, or why none was loaded.
    QString controllerLibrary() const;
    /// The controller timeout in ms.
    int controllerTimeout() const;
    /// Sets how long the controller may stay silent before the recording ends with
    /// ControllerLost, in ms; less than 1000 is taken as 1000.
    void setControllerTimeout(int milliseconds);

    /// The recording on the plot (what an export writes): every attached curve. While
    /// sampling, the recording as it stands, also when the scope is hidden.
    QList<TarnScopeCurveData> recordedCurves() const;
    /// The amplitude spectrum of the curve titled so over the visible time range, or between
    /// the two measurement cursors when both are placed, as the "Spectrum…" window shows it.
    /// Refused, false with `errorText` saying why and where, for an unknown curve, fewer
    /// than 8 samples, a gap, or samples not evenly spaced (a pause in sampling included).
    bool spectrum(const QString &title, TarnScopeSpectrum *result,
                  SpectrumWindow window = FlatTopWindow, bool decibel = false,
                  QString *errorText = nullptr) const;
    /// One curve against another, paired by time over the whole recording (a TCP path as
    /// "Y Actual PCS" over "X Actual PCS"), as the "XY view…" window draws it; pairs where
    /// either curve has a gap are left out. Empty for an unknown title.
    QList<QPointF> xyPath(const QString &xTitle, const QString &yTitle) const;
    /// Writes the recording on the plot to `path` as a scope file (CSV), with its metadata
    /// file beside it. A file at `path` is replaced only with `ReplaceExisting`; a device, a
    /// pipe or a link is never written through. Refused while sampling or for an empty
    /// recording; false, and `errorText` says why, also when the write fails.
    bool exportToFile(const QString &path, QString *errorText = nullptr,
                      ExistingFile existing = KeepExisting) const;
    /// Shows the scope file at `path` in place of the recording on the plot, without asking,
    /// and sets the period to show it whole. Refused while sampling; false, and `errorText`
    /// says why, also for a file that cannot be read. `notes` receives what the Import button
    /// would warn of in a file that loads all the same (a cut last line, ragged rows,
    /// unreadable fields, curves beyond 48); empty if none.
    bool importFromFile(const QString &path, QString *errorText = nullptr,
                        QString *notes = nullptr);
    /// Shows the scope files at `paths` joined into one recording, in place of the recording
    /// on the plot, without asking, and sets the period to show it whole. A file of a
    /// recording that recording to disk split into numbered files ("run.csv", "run_002.csv",
    /// …, on rotation or a change of channels) stands for the whole recording, joined from its
    /// first file; several recordings follow one another in the order given, each once. The
    /// rows share the first file's time axis (the others placed by their metadata), curves are
    /// matched by channel (a channel a file lacks is a gap in its rows), and where a series is
    /// broken (a numbered file missing, or one that cannot be read: a folder or a pipe at its
    /// name too) a row of gaps breaks the curves and `notes` says so, naming the files, with
    /// what importFromFile() notes of each file. One file that is no such series is shown as
    /// importFromFile() shows it. Refused while sampling; false, and `errorText` says why, for
    /// an empty list and when no file can be read.
    Q_INVOKABLE bool importFromFiles(const QStringList &paths, QString *errorText = nullptr,
                                     QString *notes = nullptr);
    /// The recordings the scope files at `paths` make, as importFromFiles() opens them: each
    /// entry one recording, first file first; the files of a recording split into numbered
    /// files together (those that stand there, however it was named), any other path alone.
    /// In the order of each recording's first mention, each once; a shell's "run*.csv" gives
    /// one entry per recording. Looks only at the names in the files' folders, reading no
    /// file; any thread.
    static QList<QStringList> recordingsOf(const QStringList &paths);
    /// Saves the plot as the operator sees it to `path`: PNG, or SVG for a ".svg" name where
    /// Qt's SVG module is there; replaces a file there. False, and `errorText` says why, when
    /// it cannot be written.
    bool saveImage(const QString &path, QString *errorText = nullptr) const;

    /// Recording to disk: from now on every record the curves receive (after the trigger
    /// rules), whatever the window holds, goes to `path` as a scope file, each once and in
    /// order; it goes on across stop() and start() until stopRecordingToFile() or a failed
    /// write. Refused for an empty path, an existing file (never replaced) or a file that
    /// cannot be made: false, and `errorText` says why. A change of channels goes on in a
    /// new numbered file (name_002.csv, …), as rotation does.
    Q_INVOKABLE bool startRecordingToFile(const QString &path, QString *errorText = nullptr);
    /// Returns at once; the writer finishes the file on its own thread, and
    /// recordingToFileChanged() tells when the file is complete.
    Q_INVOKABLE void stopRecordingToFile();
    /// Whether records go to a file now.
    bool isRecordingToFile() const;
    /// The file written now, the last one once stopped.
    QString recordingFileName() const;
    /// The records lost on the way because the disk did not keep up.
    qint64 recordingLostRecords() const;
    /// A new numbered file every `minutes`, or once a file holds `megabytes` (0: never;
    /// negative is taken as 0); applies from the next startRecordingToFile().
    void setRecordingRotation(int minutes, int megabytes);

public Q_SLOTS:
    /// Starts sampling the chosen channels, as Start does but without asking anything: the
    /// curves start empty, the kept captures are cleared, the trigger is armed when
    /// triggerEnabled is on, and samplingChanged(true) follows. With no controller
    /// (`TARNSCOPE_CONTROLLER_LIBRARY=none`), no channel chosen, more than 36, or a list the
    /// controller refuses, it emits errorOccurred() and recordingEnded(SetupRefused) and stays
    /// stopped. Does nothing while sampling.
    void start();
    /// Stops sampling: the curves get every record up to now, and the completed captures are
    /// kept; recordingEnded(StoppedByOperator), unless the run had ended already, and
    /// samplingChanged(false) follow. Does nothing while stopped.
    void stop();
    /// Undoes any zoom: the plot shows the whole time window again.
    void resetView();
    /// Freezes the plot while sampling goes on, or ends the freeze; only while sampling.
    /// Emits viewFrozenChanged() when it changes.
    void setViewFrozen(bool frozen);
    /// While sampling, arms the trigger again with the trigger controls as they are now (the
    /// plot's menu and key A do the same); at start() the triggerEnabled property decides.
    /// Does nothing while stopped.
    void armTrigger();

Q_SIGNALS:
    /// Sampling started or stopped (NOTIFY of sampling).
    void samplingChanged(bool sampling);
    /// A recording ended, once per run, and why; also when start() was refused.
    void recordingEnded(TarnPlugin_Scope::EndReason reason);
    /// The trigger fired; `time` is the controller time in ms of the sample that fired it.
    void triggerFired(double time);
    /// A capture completed (open grab: its window is full; end grab: it ended) and was kept;
    /// `fileName` is where it was saved, empty when it was not.
    void captureCompleted(double triggerTime, const QString &fileName);
    /// A failure the operator is told about (the text of the message box), or a refusal of
    /// a call from code (the text `errorText` gets).
    void errorOccurred(const QString &text);
    /// The curves on the plot changed: a confirmed set-up, an import, a shown or compared
    /// capture (NOTIFY of channels).
    void channelsChanged();
    /// The period changed, in ms (NOTIFY of period).
    void periodChanged(int milliseconds);
    /// "Stop when Error" changed (NOTIFY of stopWhenError).
    void stopWhenErrorChanged(bool on);
    /// A trigger control or trigger option changed (NOTIFY of every trigger property).
    void triggerSettingsChanged();
    /// The view froze or thawed (NOTIFY of viewFrozen).
    void viewFrozenChanged(bool frozen);
    /// Recording to disk started, went on in a new file, lost records, or ended and its file
    /// is complete.
    void recordingToFileChanged();
    /// Recording to disk ended because a write failed; `reason` is the system's ("No space
    /// left on device"). The file keeps its whole lines; sampling goes on.
    void recordingToFileFailed(const QString &reason);
    /// The strip view, the value axis fit or the wall-clock time axis changed (NOTIFY of
    /// stripView, scaleToVisibleCurves and wallClockTime).
    void viewChanged();
    /// Exact values in files turned on or off (NOTIFY of exactValues).
    void exactValuesChanged(bool on);
    /// The controller's status changed (NOTIFY of controllerStatus); emitted from the event
    /// loop after the refresh that noticed it.
    void controllerStatusChanged(TarnPlugin_Scope::ControllerStatus status);

protected Q_SLOTS:
    // The form's connections; hosts invoke some by name (slot_Disconnected2Mox).

    /// Applies the period to the time axis and the channel dialog's checks as the set-up: the
    /// curves start empty and the zoom is reset. The channels stay when a message box refuses
    /// a selection over 36 channels, or errorOccurred() one the controller has no room for.
    void setAxisInfo();
    /// The channel dialog's OK: as setAxisInfo(), after a message box refuses a selection
    /// over 36 channels.
    void setScopeSetting();
    /// The period field's text, in ms, taken into 10..999999; emits periodChanged() when the
    /// period changes.
    void onSamplingScopTextChanged(QString text);
    /// The legend's check: hides (`on`) or shows the curve of the legend entry `itemInfo`.
    void hideItem(QVariant itemInfo, bool on);
    /// "Setting": opens the channel dialog, centred on the widget, without waiting for it.
    void OnScopeSetting();
    /// Start: as start(), but asks before replacing a recording of a robot error still
    /// reported, and shows a refusal in a message box.
    void OnStartScope();
    /// Stop: as stop().
    void OnStopScope();
    /// Reset View: as resetView().
    void OnResetView();
    /// Import: a file dialog, a question before an unsaved recording is replaced, then as
    /// importFromFile() with failures in a message box; the first file of a recording split
    /// into numbered files asks first whether to open the whole recording joined (the
    /// default), as importFromFiles() does. Does nothing while sampling.
    void slotImportScopeFile();
    /// Export: a save dialog, then as exportToFile() with failures in a message box. Does
    /// nothing while sampling.
    void slotExportScopeFile();
    /// The host's word that the controller connection dropped: a recording ends with
    /// ControllerLost, and the state line says so also while stopped.
    void slot_Disconnected2Mox();
    /// The "Stop when Error" box was clicked: stopWhenError follows it.
    void slot_cb_StopWhenErrorClicked();
    /// Arms the trigger when triggerEnabled is on, in the triggerMode of now, and disarms it
    /// otherwise, as start() does.
    void CheckTriggerStatus();

protected:
    /// The refresh timer (64 ms): the recording to file's progress, and while sampling the
    /// status figures, the controller's health, trigger firings and captures; the curves on
    /// every sixth tick, unless frozen or hidden.
    void timerEvent(QTimerEvent *event) override;
    /// Fits the form's labels and fields to their text again after a font or style change.
    void changeEvent(QEvent *event) override;
    /// A scope hidden while it sampled brings its curves and figures up to date.
    void showEvent(QShowEvent *event) override;

private:
    friend class TarnPlugin_ScopePrivate;
    std::unique_ptr<TarnPlugin_ScopePrivate> d;
};

#if !defined(TARNSCOPE_NO_SCOPE_ALIAS)
/// The class name forms saved with the plug-in's widget name "scope" carry, which uic writes
/// as the C++ type. An application with a `scope` of its own defines TARNSCOPE_NO_SCOPE_ALIAS.
using scope = TarnPlugin_Scope;
#endif
