#pragma once

#include <QVariant>
#include <QWidget>

#include <memory>
#include <vector>

#if defined(TARNSCOPE_LIBRARY)
#define TARNSCOPE_EXPORT Q_DECL_EXPORT
#else
#define TARNSCOPE_EXPORT Q_DECL_IMPORT
#endif

class QAction;
class QScopeSetting;
class QwtPlotTextLabel;
class QwtScope;
class ScopeContextMenu;
class ScopeRecorder;
class ScopeStateLine;
struct ScopeChannel;
struct ScopeSetup;
class Ui_TarnPlugin_Scope;

// The oscilloscope widget: form, plot, channel selection dialog and the refresh timer that
// feeds the plot from its recorder. Created by the Designer plug-in, a form (uic or
// QUiLoader) or any host with the host's parent, on the GUI thread, and used there only.
// The recorder it owns samples the controller on its own thread.
class TARNSCOPE_EXPORT TarnPlugin_Scope : public QWidget
{
    Q_OBJECT

public:
    explicit TarnPlugin_Scope(QWidget *parent = nullptr);
    ~TarnPlugin_Scope() override;

    bool isSampling() const;
    bool isCapturing() const;
    bool isTriggerArmed() const;

protected slots:
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

private slots:
    // Keeps the trigger snapshot that the acquisition thread reads in step with the form.
    void readTriggerSettings();
    void saveSetupToFile();
    void loadSetupFromFile();
    void rememberSetup();

public:
    // With persistSetup on, the widget restores the last set-up (channels, period, trigger
    // controls) from QSettings when the property is set, and remembers it on every confirmed
    // set-up and when it goes. Off by default: the widget starts as it always has.
    Q_PROPERTY(bool persistSetup READ persistSetup WRITE setPersistSetup)
    bool persistSetup() const { return m_bPersistSetup; }
    void setPersistSetup(bool on);

    // While frozen the plot keeps what it shows; recording goes on and Stop ends the freeze.
    bool isViewFrozen() const { return m_bViewFrozen; }
    void setViewFrozen(bool frozen);

protected:
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createPlot();
    void createLegend();
    void connectControls();
    void setUpPeriodEdit();
    void setUpTriggerControls();

    void stopSampling();
    bool mayReplaceRecording();

    void updateTimeAxis();
    std::vector<ScopeChannel> selection() const;
    bool selectionFits();
    bool setupChannels();
    void clearScopeData();

    void refreshStatus();
    void showSamplingState();
    void refreshCurves();
    void watchRobotError();

    void createOperatorTools();
    void fitLabelsToText(bool valuesOnly);
    ScopeSetup currentSetup() const;
    void applySetup(const ScopeSetup &setup, QStringList &skipped);
    void restoreRememberedSetup();

    std::unique_ptr<Ui_TarnPlugin_Scope> ui;
    std::unique_ptr<ScopeRecorder> m_pRecorder;
    int m_nTimerId = 0;
    int m_nRefreshSkip = 0;
    bool m_bStopWhenError = false;
    int m_nErrorCount = 0;
    int m_nPeriodTime = 10000;
    QwtScope *m_pScope = nullptr;
    QScopeSetting *m_pScopeSetting = nullptr;
    ScopeContextMenu *m_pTools = nullptr;
    ScopeStateLine *m_pStateLine = nullptr;
    QAction *m_pFreezeAction = nullptr;
    QwtPlotTextLabel *m_pFrozenLabel = nullptr; // owned by the plot's item list
    bool m_bViewFrozen = false;
    bool m_bPersistSetup = false;
    bool m_bSetupRestored = false;
};

// The class name that forms saved with the plug-in's widget name "scope" carry; uic writes
// it as the C++ type.
using scope = TarnPlugin_Scope;
