#include "TarnPlugin_Scope.h"

#include "QScopeSetting.h"
#include "QwtScope.h"
#include "ScopeChannel.h"
#include "ScopeLimits.h"
#include "ScopeRecorder.h"
#include "ScopeStateLine.h"
#include "ui_TarnPlugin_Scope.h"

#include <QMessageBox>
#include <QRegExpValidator>
#include <QSignalBlocker>
#include <QTimerEvent>
#include <qwt_legend.h>
#include <qwt_plot_curve.h>

#include <algorithm>
#include <optional>

namespace {

constexpr int kRefreshIntervalMs = 64;
constexpr int kRefreshSkipTicks = 5; // curves are refreshed on every sixth tick
constexpr double kDialogScale = 0.8333333333333334;
constexpr int kDialogMaxWidth = 600;
constexpr int kDialogMaxHeight = 800;
// Item data of the trigger channel list besides the curve slot (Qt::UserRole).
constexpr int kChannelTitleRole = Qt::UserRole + 1;

// Times relative to the oldest sample, so every curve starts at 0; the value axis is
// centred on the data's range widened by 1 % (at least 0.01 either side).
void showSamples(QwtScope *plot, const SampleSnapshot &snapshot)
{
    const double origin = snapshot.times.at(0);
    plot->setTimeOrigin(origin);
    double lo = 0.0;
    double hi = 0.0;
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        const ColumnSnapshot &y = snapshot.channels[static_cast<std::size_t>(slot)];
        if (y.isEmpty())
            continue;
        double cmin = 0.0;
        double cmax = 0.0;
        plot->setCurveSamples(slot, snapshot.times, origin, y, cmin, cmax);
        if (slot == 0) {
            lo = cmin;
            hi = cmax;
        }
        lo = std::min(lo, cmin);
        hi = std::max(hi, cmax);
    }
    const double centre = (hi + lo) / 2.0;
    const double half = std::max((hi - lo) * 1.01 / 2.0, 0.01);
    plot->setYScale(centre - half, centre + half);
}

// Where the recording ends on the plot's time axis; none when nothing was recorded.
std::optional<double> lastSampleTime(const ScopeRecorder &recorder, const QwtScope *plot)
{
    const SampleSnapshot snapshot = recorder.snapshot();
    if (snapshot.times.isEmpty())
        return std::nullopt;
    return snapshot.times.at(snapshot.times.size() - 1) - plot->timeOrigin();
}

// The list names exactly the bound channels, each pointing at its slot. The operator's
// channel stays chosen while it is bound; one no longer recorded stays listed, marked as
// such and pointing nowhere, so the trigger never fires on another channel in its place.
void fillTriggerChannels(QComboBox *list, const std::vector<ScopeChannel> &channels)
{
    const QString chosen = list->currentData(kChannelTitleRole).toString();
    list->clear();
    for (const ScopeChannel &ch : channels) {
        list->addItem(ch.title, QVariant(ch.binding.slot));
        list->setItemData(list->count() - 1, ch.title, kChannelTitleRole);
    }
    int current = chosen.isEmpty() ? 0 : list->findData(chosen, kChannelTitleRole);
    if (current < 0) {
        list->insertItem(0, TarnPlugin_Scope::tr("%1 (not recorded)").arg(chosen));
        list->setItemData(0, chosen, kChannelTitleRole);
        list->setItemData(0, QColor(190, 0, 0), Qt::ForegroundRole);
        current = 0;
    }
    list->setCurrentIndex(current);
}

} // namespace

TarnPlugin_Scope::TarnPlugin_Scope(QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui_TarnPlugin_Scope>()),
      m_nPeriodTime(ScopeLimits::kDefaultPeriodMs)
{
    ui->setupUi(this);
    createPlot();
    m_pScopeSetting = new QScopeSetting(this);
    connectControls();
    createLegend();
    setUpPeriodEdit();
    m_pRecorder = std::make_unique<ScopeRecorder>(this);
    setUpTriggerControls();
    createOperatorTools();
    m_pStateLine = new ScopeStateLine(ui->ScopePageFrame_Setting, m_pScope, this);
    fitLabelsToText(false);
    OnStopScope();
    m_nTimerId = startTimer(kRefreshIntervalMs, Qt::CoarseTimer);
}

// The recorder goes first: its thread is ended (or abandoned) before any child widget.
TarnPlugin_Scope::~TarnPlugin_Scope()
{
    rememberSetup();
    m_pRecorder.reset();
}

bool TarnPlugin_Scope::isSampling() const
{
    return m_pRecorder->isSampling();
}

bool TarnPlugin_Scope::isCapturing() const
{
    return m_pRecorder->isCapturing();
}

bool TarnPlugin_Scope::isTriggerArmed() const
{
    return m_pRecorder->isTriggerArmed();
}

void TarnPlugin_Scope::createPlot()
{
    m_pScope = new QwtScope(ui->ScopePageFrame_QwtFrame);
    ui->vl_qwtWidget->addWidget(m_pScope);
    m_pScope->raise();
}

void TarnPlugin_Scope::connectControls()
{
    connect(ui->ScopePlugin_btn_Setting, SIGNAL(clicked()), this, SLOT(OnScopeSetting()));
    connect(m_pScopeSetting, SIGNAL(userSetAxisInfo()), this, SLOT(setScopeSetting()));
    connect(ui->ScopePlugin_btn_StartScope, SIGNAL(clicked()), this, SLOT(OnStartScope()));
    connect(ui->ScopePlugin_btn_StopScope, SIGNAL(clicked()), this, SLOT(OnStopScope()));
    connect(ui->ScopePlugin_btn_ResetView, SIGNAL(clicked()), this, SLOT(OnResetView()));
    connect(ui->ScopePlugin_btn_ImportScope, SIGNAL(clicked()), this, SLOT(slotImportScopeFile()));
    connect(ui->ScopePlugin_btn_ExportScope, SIGNAL(clicked()), this, SLOT(slotExportScopeFile()));
    connect(ui->cb_StopWhenError, SIGNAL(clicked()), this, SLOT(slot_cb_StopWhenErrorClicked()));
}

void TarnPlugin_Scope::createLegend()
{
    auto *legend = new QwtLegend;
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    m_pScope->insertLegend(legend, QwtPlot::RightLegend, -1.0);
    connect(legend, SIGNAL(checked(const QVariant &, bool, int)), this,
            SLOT(hideItem(const QVariant &, bool)));
}

void TarnPlugin_Scope::setUpPeriodEdit()
{
    QLineEdit *edit = ui->ScopePlugin_edit_PeriodTime;
    edit->setText(QString::number(m_nPeriodTime));
    edit->setValidator(new QRegExpValidator(QRegExp("[0-9]{1,6}", Qt::CaseSensitive), edit));
    connect(edit, SIGNAL(textChanged(const QString &)), this,
            SLOT(onSamplingScopTextChanged(QString)));
}

void TarnPlugin_Scope::setUpTriggerControls()
{
    ui->Kvel_Scope_cmb_TriggerCondition->addItems(ScopeCatalog::instance().triggerConditions());
    ui->Kvel_Scope_cmb_TriggerFS->addItems(ScopeCatalog::instance().triggerModes());
    ui->Kvel_Scope_edit_TriggerThreshold->setValidator(
        new QDoubleValidator(ui->Kvel_Scope_edit_TriggerThreshold));
    ui->Kvel_Scope_edit_TriggerDelay->setValidator(
        new QDoubleValidator(ui->Kvel_Scope_edit_TriggerDelay));

    const char *indexChanged = SIGNAL(currentIndexChanged(int));
    connect(ui->Kvel_Scope_cmb_TriggerSel, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui->Kvel_Scope_cmb_TriggerCondition, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui->Kvel_Scope_cmb_TriggerFS, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui->Kvel_Scope_edit_TriggerThreshold, SIGNAL(textChanged(const QString &)), this,
            SLOT(readTriggerSettings()));
    connect(ui->Kvel_Scope_edit_TriggerDelay, SIGNAL(textChanged(const QString &)), this,
            SLOT(readTriggerSettings()));
    connect(ui->cb_AbsoluteValue, SIGNAL(toggled(bool)), this, SLOT(readTriggerSettings()));
    readTriggerSettings();
}

// ---- sampling states -------------------------------------------------------------

// A refused selection leaves the scope stopped with everything as it was.
void TarnPlugin_Scope::OnStartScope()
{
    if (!mayReplaceRecording())
        return;
    m_pRecorder->resetReadCycle();
    if (!selectionFits())
        return;
    setViewFrozen(false);
    setAxisInfo();
    CheckTriggerStatus();
    ui->ScopePlugin_btn_StartScope->hide();
    ui->ScopePlugin_btn_StopScope->show();
    ui->ScopePlugin_btn_ImportScope->setEnabled(false);
    ui->ScopePlugin_btn_ExportScope->setEnabled(false);
    for (QwtPlotItem *item : m_pScope->itemList(QwtPlotItem::Rtti_PlotCurve))
        item->setVisible(true);
    m_pScope->refreshZoom();
    m_pRecorder->startSampling();
    m_pStateLine->showStarted();
    showSamplingState();
}

// Start replaces the recording on the plot. One made while the robot reported an error is
// the record of that error: while the error is still raised, Start asks before replacing it
// (starting at once would end the new run on the same error and leave nothing to look at).
bool TarnPlugin_Scope::mayReplaceRecording()
{
    if (!m_pStateLine->recordingShowsRobotError() || m_pScope->hasNoData() ||
        !ScopeRecorder::robotReportsError())
        return true;
    return QMessageBox::question(
               this, tr("Robot error"),
               tr("The robot still reports an error. Start replaces the recording that shows "
                  "it; export the recording first to keep it.\n\nStart anyway?"),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void TarnPlugin_Scope::OnStopScope()
{
    stopSampling();
    m_pStateLine->showStopped();
}

// The curves get every record buffered up to the stop, so the last moments before it are
// on screen and in any export.
void TarnPlugin_Scope::stopSampling()
{
    const bool wasSampling = m_pRecorder->isSampling();
    m_nErrorCount = 0;
    ui->ScopePlugin_btn_StartScope->show();
    ui->ScopePlugin_btn_StopScope->hide();
    ui->ScopePlugin_btn_ImportScope->setEnabled(true);
    ui->ScopePlugin_btn_ExportScope->setEnabled(true);
    m_pRecorder->stopSampling();
    setViewFrozen(false);
    if (wasSampling)
        refreshCurves();
}

void TarnPlugin_Scope::slot_Disconnected2Mox()
{
    stopSampling();
    m_pStateLine->showControllerLost();
}

void TarnPlugin_Scope::OnResetView()
{
    m_pScope->resetZoom();
}

void TarnPlugin_Scope::setAxisInfo()
{
    updateTimeAxis();
    setupChannels();
    OnResetView();
}

void TarnPlugin_Scope::setScopeSetting()
{
    if (!selectionFits())
        return;
    setAxisInfo();
}

void TarnPlugin_Scope::updateTimeAxis()
{
    m_pScope->setXScale(0.0, m_nPeriodTime, m_nPeriodTime / 10);
    m_pRecorder->setWindow(m_pScope->xRange());
}

void TarnPlugin_Scope::onSamplingScopTextChanged(QString text)
{
    // The validator stops typing at six digits, but setText passes it by.
    const double typed = text.toDouble();
    const bool tooLong = typed > ScopeLimits::kMaxPeriodMs;
    m_nPeriodTime = tooLong                              ? ScopeLimits::kMaxPeriodMs
                    : typed >= ScopeLimits::kMinPeriodMs ? static_cast<int>(typed)
                                                         : ScopeLimits::kMinPeriodMs;
    if (tooLong) {
        const QSignalBlocker blocker(ui->ScopePlugin_edit_PeriodTime);
        ui->ScopePlugin_edit_PeriodTime->setText(QString::number(m_nPeriodTime));
    }
    updateTimeAxis();
    m_pScope->resetZoom();
}

void TarnPlugin_Scope::hideItem(QVariant itemInfo, bool on)
{
    if (QwtPlotItem *item = m_pScope->infoToItem(itemInfo))
        item->setVisible(!on);
    m_pScope->replot();
}

void TarnPlugin_Scope::OnScopeSetting()
{
    const QRect g = geometry();
    int w = static_cast<int>(g.width() * kDialogScale);
    int h = static_cast<int>(g.height() * kDialogScale);
    if (w > kDialogMaxWidth)
        w = kDialogMaxWidth;
    if (h > kDialogMaxHeight)
        h = kDialogMaxHeight;
    m_pScopeSetting->resize(w, h);
    // The widget's position in its parent is mapped, not its origin: hosts rely on the
    // dialog landing where it always has.
    const QPoint p = mapToGlobal(pos());
    const int x = (g.width() - m_pScopeSetting->width()) / 2 + p.x();
    const int y = (g.height() - m_pScopeSetting->height()) / 2 + p.y();
    m_pScopeSetting->move(x, y);
    m_pScopeSetting->show();
}

void TarnPlugin_Scope::slot_cb_StopWhenErrorClicked()
{
    m_bStopWhenError = ui->cb_StopWhenError->isChecked();
}

// ---- channel set-up ----------------------------------------------------------------

std::vector<ScopeChannel> TarnPlugin_Scope::selection() const
{
    return selectedChannels(m_pScopeSetting->componentSelection(), m_pScopeSetting->linkSelection(),
                            m_pScopeSetting->endEffectorSelection());
}

// Shows the refusal when the dialog's selection has more channels than a record carries.
bool TarnPlugin_Scope::selectionFits()
{
    const std::size_t count = selection().size();
    if (count <= static_cast<std::size_t>(ScopeLimits::kMaxChannels))
        return true;
    QMessageBox::critical(this, QString::fromUtf8("当前设置通道超出最大通道数"),
                          QString::fromUtf8("当前设置通道数 %1 ,超出最大通道数 36 !").arg(count),
                          QMessageBox::Ok, QMessageBox::NoButton);
    return false;
}

// The buffers are cleared and rebound in one locked step before the curves follow, so no
// record lands in a slot under its old channel.
bool TarnPlugin_Scope::setupChannels()
{
    if (!selectionFits())
        return false;
    const std::vector<ScopeChannel> channels = selection();
    std::vector<int> indexes;
    for (const ScopeChannel &ch : channels)
        indexes.push_back(ch.binding.scopeIndex);
    m_pRecorder->bindSlots(indexes);
    m_pScope->clearCurves();
    m_pStateLine->forgetRecording();
    for (const ScopeChannel &ch : channels)
        m_pScope->addCurve(ch.binding.slot, ch.title, ch.binding);
    {
        const QSignalBlocker blocker(ui->Kvel_Scope_cmb_TriggerSel);
        fillTriggerChannels(ui->Kvel_Scope_cmb_TriggerSel, channels);
    }
    readTriggerSettings();
    m_pScope->showCommonUnit();
    m_pScope->replot();
    m_pScope->refreshZoom();
    m_pRecorder->sendIndexList(indexes);
    return true;
}

void TarnPlugin_Scope::clearScopeData()
{
    m_pRecorder->clear();
    m_pScope->clearCurves();
    m_pStateLine->forgetRecording();
}

// ---- trigger -----------------------------------------------------------------------

void TarnPlugin_Scope::CheckTriggerStatus()
{
    m_pRecorder->armTrigger(ui->cb_Trigger->isChecked(),
                            ui->Kvel_Scope_cmb_TriggerFS->currentIndex());
}

void TarnPlugin_Scope::readTriggerSettings()
{
    TriggerSettings settings;
    const QVariant slot = ui->Kvel_Scope_cmb_TriggerSel->currentData();
    settings.channel = slot.isValid() ? slot.toInt() : -1;
    settings.condition = ui->Kvel_Scope_cmb_TriggerCondition->currentIndex();
    settings.mode = ui->Kvel_Scope_cmb_TriggerFS->currentIndex();
    settings.threshold = ui->Kvel_Scope_edit_TriggerThreshold->text().toDouble();
    settings.delay = ui->Kvel_Scope_edit_TriggerDelay->text().toDouble();
    settings.absoluteValue = ui->cb_AbsoluteValue->isChecked();
    m_pRecorder->setTriggerSettings(settings);
}

// ---- refresh timer -----------------------------------------------------------------

void TarnPlugin_Scope::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_nTimerId || !m_pRecorder->isSampling())
        return;
    refreshStatus();
    showSamplingState();
    if (m_nRefreshSkip < kRefreshSkipTicks) {
        ++m_nRefreshSkip;
        return;
    }
    m_nRefreshSkip = 0;
    if (!m_bViewFrozen)
        refreshCurves();
    watchRobotError();
}

void TarnPlugin_Scope::refreshStatus()
{
    const ReadCycle cycle = m_pRecorder->readCycle();
    ui->Kvel_Scope_lb_ReadScopeMaxCyc->setText(QString::number(cycle.max));
    ui->Kvel_Scope_lb_ReadScopeCyc->setText(QString::number(cycle.current));

    const ControllerLoad load = m_pRecorder->controllerLoad();
    ui->Kvel_Scope_lb_MoxCPU->setText(QString::number(load.cpu, 'f', 3));
    ui->Kvel_Scope_lb_MoxMem->setText(
        QString::number(static_cast<double>(load.memKB) / 1024.0, 'f', 3));
    fitLabelsToText(true);
}

// Snapshots the buffers under their lock (no values are copied) and feeds the plot outside
// it, so the acquisition thread never waits for a replot.
void TarnPlugin_Scope::refreshCurves()
{
    const SampleSnapshot snapshot = m_pRecorder->snapshot();
    if (!snapshot.times.isEmpty())
        showSamples(m_pScope, snapshot);
    m_pScope->replot();
}

void TarnPlugin_Scope::showSamplingState()
{
    const CaptureState state = m_pRecorder->captureState();
    m_pStateLine->showSampling(state.triggerArmed, state.capturing,
                               ui->Kvel_Scope_cmb_TriggerSel->currentText());
}

// The error is shown while it is raised; with "Stop when Error" the second observation of
// a run stops it.
void TarnPlugin_Scope::watchRobotError()
{
    const bool raised = ScopeRecorder::robotReportsError();
    m_pStateLine->showRobotError(raised);
    if (!raised || !m_bStopWhenError || ++m_nErrorCount < 2)
        return;
    stopSampling();
    m_pStateLine->showStoppedByRobotError(lastSampleTime(*m_pRecorder, m_pScope));
}
