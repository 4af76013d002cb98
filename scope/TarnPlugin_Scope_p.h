#pragma once

#include "AmplitudeSpectrum.h"
#include "DerivedChannelSet.h"
#include "RobotPresets.h"
#include "ScopeAnnouncer.h"
#include "ScopeChannel.h"
#include "ScopeFile.h"
#include "ScopeFileActions.h"
#include "ScopeFileMeta.h"
#include "ScopeRecordActions.h"
#include "ScopeRecording.h"
#include "ScopeSetupActions.h"
#include "TarnPlugin_Scope.h"
#include "XyPath.h"

#include <QElapsedTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
struct CaptureState;
class QScopeSetting;
class QTimer;
class QwtPlotTextLabel;
class QwtScope;
class ScopeCaptures;
struct ScopeCapture;
class ScopeContextMenu;
class ScopeRecorder;
class ScopeStateLine;
class SpectrumView;
class XyView;
class TimeStepMarks;
class TriggerControls;
class TriggerMark;
class Ui_TarnPlugin_Scope;

// The scope widget's inside: the form, the plot, the channel dialog and the recorder, the
// channel set-up, the sampling states and the refresh that feeds the plot. The file, record
// and set-up actions are objects it owns, each given only the parts it works on and this
// class as their host for the rest. Owned by TarnPlugin_Scope (its `q`) through its one
// pointer; GUI thread only, like the widget.
class TarnPlugin_ScopePrivate final : private ScopeFileActions::Host,
                                      private ScopeRecordActions::Host,
                                      private ScopeSetupActions::Host
{
public:
    // After this long without data the state line says so and the status is NotAnswering.
    static constexpr int kSilenceMs = 1000;
    static constexpr int kDefaultControllerTimeoutMs = 5000;

    explicit TarnPlugin_ScopePrivate(TarnPlugin_Scope *scope);
    ~TarnPlugin_ScopePrivate();

    // Builds the form and the parts, and starts the refresh.
    void build();

    // Held by every call into the scope: the signals it raises are emitted as it ends. False
    // for a call from another thread, which is refused.
    ScopeAnnouncer::Call enter(const char *function) const
    {
        return ScopeAnnouncer::Call(m_announcer, function);
    }
    // A refused call's answer: false, with the reason where the caller asked for it.
    static bool refuseOtherThread(QString *errorText);
    // Emits one of the widget's signals as the call into the scope ends.
    template <typename... Params, typename... Args>
    void announce(void (TarnPlugin_Scope::*signal)(Params...), Args... args)
    {
        m_announcer.announce([scope = q, signal, args...] { (scope->*signal)(args...); });
    }
    bool isRefreshTimer(int timerId) const { return timerId == m_nTimerId; }

    // The parts the widget's API reaches.
    const ScopeRecorder &recorder() const { return *m_pRecorder; }
    QwtScope *plot() const { return m_pScope; }
    TriggerControls &triggerControls() const { return *m_pTriggerControls; }
    ScopeCaptures &captures() const { return *m_pCaptures; }
    ScopeFileActions &fileActions() const { return *m_pFileActions; }
    ScopeRecordActions &recordActions() const { return *m_pRecordActions; }
    ScopeSetupActions &setupActions() const { return *m_pSetupActions; }
    // The recording on the plot: this scope's as last shown, or a loaded file's or capture's.
    const ScopeRecording &recording() const override { return m_recording; }
    // What code reads of the recording: the recorder's as it stands while sampling, also
    // when the scope is hidden and its curves wait; the plot's otherwise.
    ScopeRecording recordingNow() const;

    // Sampling states. Start asks before it replaces a recording of a robot error only when
    // the operator pressed Start (`fromButton`); code is never asked anything.
    void start(bool fromButton);
    void stop(TarnPlugin_Scope::EndReason reason);
    bool isViewFrozen() const { return m_bViewFrozen; }
    void setViewFrozen(bool frozen);
    void setStripView(bool on);
    void setScaleToVisible(bool on);
    void setWallClockTime(bool on);
    bool exactValues() const { return m_bExactValues; }
    void setExactValues(bool on);
    bool stopsWhenError() const { return m_bStopWhenError; }
    void setStopWhenError(bool on);
    // The check box was clicked.
    void takeStopWhenErrorBox();
    TarnPlugin_Scope::ControllerStatus controllerStatus() const { return m_controllerStatus; }
    int controllerTimeoutMs() const { return m_nControllerTimeoutMs; }
    void setControllerTimeoutMs(int milliseconds);

    // Channel set-up.
    void setAxisInfo();
    void setScopeSetting();
    void onPeriodTextChanged(const QString &text);
    void openSettingDialog();
    bool setChannels(const QStringList &titles, QString *errorText);
    const DerivedChannelSet &derivedChannels() const { return m_derivedChannels; }
    bool addDerivedChannel(const DerivedChannel &channel, QString *errorText);
    bool removeDerivedChannel(const QString &title);
    bool addRobotPreset(RobotPreset preset, QString *errorText);

    // Analysis of the recording as it stands. The spectrum is taken over the visible range,
    // or between the cursors when both are placed; refused with the reason.
    std::optional<AmplitudeSpectrum>
    spectrumOf(const QString &title, const SpectrumOptions &options, QString *error) const;
    std::optional<XyPath> xyPathOf(const QString &xTitle, const QString &yTitle) const;
    void openSpectrum();
    void openXyView();
    bool addBitLanes(const QString &channel, const QList<int> &bits, const QStringList &names,
                     QString *errorText);
    int periodMs() const { return m_nPeriodTime; }
    void setPeriod(int milliseconds);

    // Trigger and captures.
    void checkTriggerStatus();
    void armTrigger();
    void openTriggerOptions();
    void openCaptureList();
    void openDerivedChannels();
    // A kept capture on the plot in place of the recording, or beside it (dashed); refused
    // for an index not kept, while sampling, or without free curve slots to compare.
    bool showCapture(int index, QString *errorText);
    bool compareCapture(int index, QString *errorText);

    void hideItem(const QVariant &itemInfo, bool on);
    void tick();
    // A hidden scope leaves its curves and figures alone while it samples; this brings them
    // up to date when it is shown.
    void catchUpWhenShown();
    void fitLabelsToText(bool valuesOnly);
    void fitEditsToText();
    bool fail(const QString &text, QString *errorText = nullptr) override;

private:
    // The hosts' side.
    bool mayLoseRecording(const QString &question) override;
    void noteRecordingSaved() override { m_bRecordingUnsaved = false; }
    void noteRecordingUnsaved() override { m_bRecordingUnsaved = true; }
    void showRecording(ScopeRecording recording, const QString &label) override;
    QString applyChannelChoice() override;
    bool channelChoiceFits() const override;
    QStringList derivedChannelsLeftOut() const override { return m_derivedLeftOut; }

    void createPlot();
    void createLegend();
    void createParts();
    void connectControls();
    void setUpPeriodEdit();
    void applyTypedPeriod();
    void setUpTriggerControls();
    void createOperatorTools();
    void createViewActions();
    QList<QAction *> createAnalysisActions();
    void deriveLoadedCurves();
    void createAnalysisViews();
    std::optional<QPointF> xyPointAtCursor(const QString &xTitle, const QString &yTitle) const;
    void refreshXyView();

    bool mayReplaceRecording();
    void refuseStart(const QString &reason, bool fromButton);
    void announceEnd(TarnPlugin_Scope::EndReason reason);
    void updateTimeAxis();
    std::vector<ScopeChannel> selection() const;
    // Says in a box when the selection is over the limit; false then, and also when the
    // scope went with the box: the caller returns at once.
    bool selectionFits();
    QString overLimitText() const;
    void showOverLimit(const QString &text);
    bool setupChannels();
    std::vector<DerivedExpression> compileDerivedChannels(std::vector<ScopeChannel> &channels);
    void clearScopeData();

    void refreshStatus();
    void showSamplingState();
    void announceTriggerFirings();
    void collectCaptures();
    void showCaptureCount();
    void refreshCurves();
    void watchRobotError();
    void watchController();
    void controllerRefused(int code);
    void noteController(const QString &text);
    void setControllerStatus(TarnPlugin_Scope::ControllerStatus status);
    void restoreDialogChannels();

    static QString captureLabel(const ScopeCapture &capture);
    // The kept capture of that index; none, with the reason told, for another index.
    const ScopeCapture *keptCapture(int index, QString *errorText);
    bool compareCurves(const QVector<ScopeFileCurve> &curves, const QString &label,
                       QString *errorText);
    // Says on the state line, the trigger mark and the time axis what the loaded recording
    // says of itself.
    void showLoadedRecording(const QString &label);
    ScopeFile::NumberFormat numberFormat() const;

    TarnPlugin_Scope *const q;
    ScopeAnnouncer m_announcer;
    std::unique_ptr<Ui_TarnPlugin_Scope> ui;
    std::unique_ptr<ScopeRecorder> m_pRecorder;
    QwtScope *m_pScope = nullptr;
    QScopeSetting *m_pScopeSetting = nullptr;
    ScopeContextMenu *m_pTools = nullptr;
    ScopeStateLine *m_pStateLine = nullptr;
    ScopeFileActions *m_pFileActions = nullptr;
    ScopeRecordActions *m_pRecordActions = nullptr;
    ScopeSetupActions *m_pSetupActions = nullptr;
    TriggerControls *m_pTriggerControls = nullptr;
    QAction *m_pFreezeAction = nullptr;
    QAction *m_pStripAction = nullptr;
    QAction *m_pScaleAction = nullptr;
    QAction *m_pWallClockAction = nullptr;
    QAction *m_pExactAction = nullptr;
    TriggerMark *m_pTriggerMark = nullptr;
    TimeStepMarks *m_pTimeStepMarks = nullptr;
    ScopeCaptures *m_pCaptures = nullptr;
    QwtPlotTextLabel *m_pFrozenLabel = nullptr; // owned by the plot's item list
    QTimer *m_pPeriodPause = nullptr;           // a child of the period edit
    int m_nTimerId = 0;
    int m_nRefreshSkip = 0;
    bool m_bStopWhenError = false;
    int m_nErrorCount = 0;
    int m_nPeriodTime;
    bool m_bViewFrozen = false;
    unsigned m_nSeenFirings = 0;
    // The columns of the current set-up, as files and captures name them.
    QVector<ScopeFileCurve> m_fileColumns;
    // This scope's recording as last shown, or a loaded file's or capture's.
    ScopeRecording m_recording;
    bool m_bExactValues = false;   // files get the shortest exact text, not three decimals
    bool m_bRecordingEnded = true; // the current run's end was announced
    // The recording on the plot was sampled here and is neither exported nor wholly on disk.
    bool m_bRecordingUnsaved = false;
    TarnPlugin_Scope::ControllerStatus m_controllerStatus = TarnPlugin_Scope::NoLibrary;
    int m_nControllerTimeoutMs = kDefaultControllerTimeoutMs;
    uint64_t m_nSeenFlagsReading = 0;
    // The channels of the last set-up, and those before it while a set-up made during
    // sampling waits for the controller: a refused list brings them back.
    QStringList m_channelTitles;
    DerivedChannelSet m_derivedChannels;
    QStringList m_derivedLeftOut;            // by the last set-up, with the reasons
    SpectrumView *m_pSpectrumView = nullptr; // a child of q
    XyView *m_pXyView = nullptr;             // a child of q
    static constexpr int kXyRefreshMs = 250;
    QElapsedTimer m_xyRefreshed;
    QStringList m_previousTitles;
};
