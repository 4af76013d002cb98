#pragma once

#include "CurveBinding.h"
#include "SampleBuffer.h"
#include "ScopeChannel.h"
#include "ScopeReadClient.h"
#include "Tarn_Lock.h"
#include "TriggerSettings.h"
#include "ui_TarnPlugin_Scope.h"

#include <QVariant>
#include <QWidget>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class DataCollector;
class QScopeSetting;
class QwtScope;

// The oscilloscope widget: form, plot, channel selection dialog and acquisition thread.
// Created by the Designer plug-in (or any host) with the host's parent, on the GUI
// thread. Every slot, the refresh timer and every widget belong to the GUI thread; the
// owned DataCollector thread reaches the widget only through the ScopeReadClient calls,
// which touch the sample buffer, the status figures and the trigger state under their
// locks, never a widget.
class TarnPlugin_Scope : public QWidget, private ScopeReadClient
{
    Q_OBJECT

public:
    static constexpr int kMinPeriodMs = 10;

    explicit TarnPlugin_Scope(QWidget *parent = nullptr);
    ~TarnPlugin_Scope() override;

    bool isSampling() const { return m_bSampling; }
    bool isCapturing() const { return m_bCapture; }
    bool isTriggerArmed() const { return m_bTriggerArmed; }

    // Read-cycle statistics and controller load; the acquisition thread records them,
    // the refresh timer shows them.
    void recordReadCycle();
    void resetReadCycle();
    void getReadCycle(uint32_t &max, uint32_t &cur);
    void setMoxLoad(double cpu, uint32_t mem);
    void getMoxLoad(double &cpu, uint32_t &mem);

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
    bool beginReadStep() override;
    void finishReadStep(double cpuLoad, uint32_t memKB,
                        const std::vector<_ST_ReadScopeData> &records) override;

    void createPlot();
    void createLegend();
    void connectControls();
    void setUpPeriodEdit();
    void setUpTriggerControls();
    void shutDownCollector();

    void updateTimeAxis();
    void clearTriggerChannels();
    void setupChannels();
    std::vector<CurveBinding> bindChannels(const std::vector<ScopeChannel> &channels,
                                           bool routeSamples);
    void addTriggerChannel(const QString &title, const CurveBinding &binding);
    void refuseChannels(int channelCount);
    void clearScopeData();
    bool appendRecord(const _ST_ReadScopeData &record);

    void checkTrigger(const std::vector<_ST_ReadScopeData> &records);
    void fireTrigger(int mode);

    void refreshStatus();
    void refreshCurves();
    void showSamples(const SampleSnapshot &snapshot);
    void watchRobotError();

    Tarn_Lock m_lockCycle;
    uint32_t m_nReadScopeCycMax = 0;
    uint32_t m_nReadScopeCyc = 0;
    uint32_t m_nLastReadTick = 0;
    Tarn_Lock m_lockLoad;
    double m_dMoxCpu = 0.0;
    uint32_t m_nMoxMem = 0;
    int m_nTimerId = 0;
    int m_nRefreshSkip = 0;
    Tarn_Lock m_lockData;
    SampleBuffer m_buffer; // the time and channel vectors, guarded by m_lockData
    // Bumped under m_lockData by every channel set-up; a read step that began under an
    // earlier one appends nothing.
    std::atomic<unsigned> m_nSetupGeneration{0};
    unsigned m_nReadGeneration = 0; // acquisition thread only
    std::atomic<bool> m_bSampling{false};
    bool m_bStopWhenError = false;
    std::atomic<bool> m_bTriggerArmed{false};
    bool m_bFillTriggerList = true;
    std::atomic<bool> m_bCapture{true};
    int m_nErrorCount = 0;
    Tarn_Lock m_lockTrigger;
    TriggerSettings m_triggerSettings; // guarded by m_lockTrigger
    std::unique_ptr<DataCollector> m_pCollector;
    int m_nPeriodTime = 10000;
    QwtScope *m_pScope = nullptr;
    QScopeSetting *m_pScopeSetting = nullptr;
    Ui_TarnPlugin_Scope ui;
};
