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

class QScopeSetting;
class QwtScope;
class ScopeRecorder;
struct ScopeChannel;
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

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void createPlot();
    void createLegend();
    void connectControls();
    void setUpPeriodEdit();
    void setUpTriggerControls();

    void updateTimeAxis();
    void clearTriggerChannels();
    std::vector<ScopeChannel> selection() const;
    bool selectionFits();
    bool setupChannels();
    void clearScopeData();

    void refreshStatus();
    void refreshCurves();
    void watchRobotError();

    std::unique_ptr<Ui_TarnPlugin_Scope> ui;
    std::unique_ptr<ScopeRecorder> m_pRecorder;
    int m_nTimerId = 0;
    int m_nRefreshSkip = 0;
    bool m_bStopWhenError = false;
    bool m_bFillTriggerList = true;
    int m_nErrorCount = 0;
    int m_nPeriodTime = 10000;
    QwtScope *m_pScope = nullptr;
    QScopeSetting *m_pScopeSetting = nullptr;
};

// The class name that forms saved with the plug-in's widget name "scope" carry; uic writes
// it as the C++ type.
using scope = TarnPlugin_Scope;
