#pragma once

#include "ScopeChannel.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeRecording.h"
#include "TarnPlugin_Scope.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
struct CaptureState;
struct SampleSnapshot;
class QScopeSetting;
class QTimer;
class QwtPlotTextLabel;
class QwtScope;
class ScopeCaptures;
struct ScopeCapture;
class ScopeContextMenu;
class ScopeFileActions;
class ScopeRecordActions;
class ScopeRecorder;
class ScopeSetupActions;
class ScopeStateLine;
class TimeStepMarks;
class TriggerControls;
class TriggerMark;
class Ui_TarnPlugin_Scope;

// The scope widget's inside: the form, the plot, the channel dialog and the recorder, the
// channel set-up, the sampling states and the refresh that feeds the plot. The file and
// set-up actions are objects it owns. Owned by TarnPlugin_Scope (its `q`) through its one
// pointer; GUI thread only, like the widget.
class TarnPlugin_ScopePrivate
{
public:
    // After this long without data the state line says so and the status is NotAnswering.
    static constexpr int kSilenceMs = 1000;
    static constexpr int kDefaultControllerTimeoutMs = 5000;

    explicit TarnPlugin_ScopePrivate(TarnPlugin_Scope *scope);
    ~TarnPlugin_ScopePrivate();

    void build();

    // Sampling states. Start asks before it replaces a recording of a robot error only when
    // the operator pressed Start (`fromButton`); code is never asked anything.
    void start(bool fromButton);
    // Asks the operator before an import or set-up replaces a stopped recording that exists
    // nowhere else; the default answer keeps it. `question` names what replaces it.
    bool mayLoseRecording(const QString &question);
    void stop(TarnPlugin_Scope::EndReason reason);
    void setViewFrozen(bool frozen);
    void setStripView(bool on);
    void setScaleToVisible(bool on);
    void setWallClockTime(bool on);
    void setExactValues(bool on);

    // Channel set-up.
    void setAxisInfo();
    void setScopeSetting();
    void onPeriodTextChanged(const QString &text);
    void openSettingDialog();
    std::vector<ScopeChannel> selection() const;
    bool setChannels(const QStringList &titles, QString *errorText);
    void clearScopeData();
    void setPeriod(int milliseconds);

    // Trigger.
    void checkTriggerStatus();
    void armTrigger();
    void openTriggerOptions();
    void openCaptureList();
    static QString captureLabel(const ScopeCapture &capture);
    // Says on the state line, the trigger mark and the time axis what the loaded recording
    // says of itself.
    void showLoadedRecording(const QString &label);
    ScopeFile::NumberFormat numberFormat() const;
    // The kept capture of that index; none, with the reason told, for another index.
    const ScopeCapture *keptCapture(int index, QString *errorText);

    void hideItem(const QVariant &itemInfo, bool on);
    void tick();
    // A hidden scope leaves its curves and figures alone while it samples; this brings them
    // up to date when it is shown.
    void catchUpWhenShown();
    // What code reads of the recording: the recorder's as it stands while sampling, also
    // when the scope is hidden and its curves wait; the plot's otherwise.
    ScopeRecording recordingNow() const;
    void fitLabelsToText(bool valuesOnly);
    void fitEditsToText();
    bool fail(const QString &text, QString *errorText = nullptr);

    TarnPlugin_Scope *const q;
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
    // The recording on the plot: this scope's as last shown, or a loaded file's or capture's.
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
    QStringList m_previousTitles;

private:
    void createPlot();
    void createLegend();
    void connectControls();
    void setUpPeriodEdit();
    void applyTypedPeriod();
    void setUpTriggerControls();
    void createOperatorTools();
    void createViewActions();

    bool mayReplaceRecording();
    void refuseStart(const QString &reason, bool fromButton);
    void announceEnd(TarnPlugin_Scope::EndReason reason);
    void updateTimeAxis();
    bool selectionFits();
    bool setupChannels();

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
};
