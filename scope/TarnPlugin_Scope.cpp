#include "TarnPlugin_Scope.h"

#include "DataCollector.h"
#include "QScopeSetting.h"
#include "QwtScope.h"
#include "ScopeChannel.h"
#include "Tarn_LockGurad.h"
#include "TickCount.h"

#include <QMessageBox>
#include <QRegExpValidator>
#include <QTimerEvent>
#include <qwt_legend.h>
#include <qwt_plot_curve.h>

#include <algorithm>

namespace {

constexpr int kRefreshIntervalMs = 64;
constexpr int kRefreshSkipTicks = 5; // curves are refreshed on every sixth tick
constexpr int kShutdownPolls = 100;
constexpr double kDialogScale = 0.8333333333333334;
constexpr int kDialogMaxWidth = 600;
constexpr int kDialogMaxHeight = 800;

} // namespace

TarnPlugin_Scope::TarnPlugin_Scope(QWidget *parent) : QWidget(parent)
{
    ui.setupUi(this);
    createPlot();
    m_pScopeSetting = new QScopeSetting(this);
    connectControls();
    createLegend();
    setUpPeriodEdit();
    m_pCollector = std::make_unique<DataCollector>(static_cast<ScopeReadClient *>(this), this);
    setUpTriggerControls();
    OnStopScope();
    m_nTimerId = startTimer(kRefreshIntervalMs, Qt::CoarseTimer);
}

TarnPlugin_Scope::~TarnPlugin_Scope()
{
    shutDownCollector();
}

// Waits a short while for the thread; one stuck in a controller read is abandoned
// rather than waited for, and can no longer call back into this widget.
void TarnPlugin_Scope::shutDownCollector()
{
    m_pCollector->stop();
    m_pCollector->quit();
    bool finished = m_pCollector->hasFinished();
    for (int polls = 0; !finished && polls < kShutdownPolls; ++polls) {
        QThread::msleep(1);
        finished = m_pCollector->hasFinished();
    }
    if (finished)
        m_pCollector.reset();
    else
        m_pCollector.release()->abandon();
}

void TarnPlugin_Scope::createPlot()
{
    m_pScope = new QwtScope(ui.ScopePageFrame_QwtFrame);
    ui.vl_qwtWidget->addWidget(m_pScope);
    m_pScope->raise();
}

void TarnPlugin_Scope::connectControls()
{
    connect(ui.ScopePlugin_btn_Setting, SIGNAL(clicked()), this, SLOT(OnScopeSetting()));
    connect(m_pScopeSetting, SIGNAL(userSetAxisInfo()), this, SLOT(setScopeSetting()));
    connect(ui.ScopePlugin_btn_StartScope, SIGNAL(clicked()), this, SLOT(OnStartScope()));
    connect(ui.ScopePlugin_btn_StopScope, SIGNAL(clicked()), this, SLOT(OnStopScope()));
    connect(ui.ScopePlugin_btn_ResetView, SIGNAL(clicked()), this, SLOT(OnResetView()));
    connect(ui.ScopePlugin_btn_ImportScope, SIGNAL(clicked()), this, SLOT(slotImportScopeFile()));
    connect(ui.ScopePlugin_btn_ExportScope, SIGNAL(clicked()), this, SLOT(slotExportScopeFile()));
    connect(ui.cb_StopWhenError, SIGNAL(clicked()), this, SLOT(slot_cb_StopWhenErrorClicked()));
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
    QLineEdit *edit = ui.ScopePlugin_edit_PeriodTime;
    edit->setText(QString::number(m_nPeriodTime));
    edit->setValidator(new QRegExpValidator(QRegExp("[0-9]{1,6}", Qt::CaseSensitive), edit));
    connect(edit, SIGNAL(textChanged(const QString &)), this,
            SLOT(onSamplingScopTextChanged(QString)));
}

void TarnPlugin_Scope::setUpTriggerControls()
{
    ui.Kvel_Scope_cmb_TriggerCondition->addItems(ScopeCatalog::instance().triggerConditions());
    ui.Kvel_Scope_cmb_TriggerFS->addItems(ScopeCatalog::instance().triggerModes());
    ui.Kvel_Scope_edit_TriggerThreshold->setValidator(
        new QDoubleValidator(ui.Kvel_Scope_edit_TriggerThreshold));
    ui.Kvel_Scope_edit_TriggerDelay->setValidator(
        new QDoubleValidator(ui.Kvel_Scope_edit_TriggerDelay));

    const char *indexChanged = SIGNAL(currentIndexChanged(int));
    connect(ui.Kvel_Scope_cmb_TriggerSel, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui.Kvel_Scope_cmb_TriggerCondition, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui.Kvel_Scope_cmb_TriggerFS, indexChanged, this, SLOT(readTriggerSettings()));
    connect(ui.Kvel_Scope_edit_TriggerThreshold, SIGNAL(textChanged(const QString &)), this,
            SLOT(readTriggerSettings()));
    connect(ui.Kvel_Scope_edit_TriggerDelay, SIGNAL(textChanged(const QString &)), this,
            SLOT(readTriggerSettings()));
    connect(ui.cb_AbsoluteValue, SIGNAL(toggled(bool)), this, SLOT(readTriggerSettings()));
    readTriggerSettings();
}

// ---- sampling states -------------------------------------------------------------

void TarnPlugin_Scope::OnStartScope()
{
    resetReadCycle();
    setAxisInfo();
    CheckTriggerStatus();
    ui.ScopePlugin_btn_StartScope->hide();
    ui.ScopePlugin_btn_StopScope->show();
    ui.ScopePlugin_btn_ImportScope->setEnabled(false);
    ui.ScopePlugin_btn_ExportScope->setEnabled(false);
    for (QwtPlotItem *item : m_pScope->itemList(QwtPlotItem::Rtti_PlotCurve))
        item->setVisible(true);
    m_pScope->refreshZoom();
    if (!m_pCollector->isRunning())
        m_pCollector->start(QThread::InheritPriority);
    m_pCollector->setCollecting(true);
    m_bSampling = true;
}

void TarnPlugin_Scope::OnStopScope()
{
    m_nErrorCount = 0;
    m_bSampling = false;
    m_bCapture = true;
    ui.ScopePlugin_btn_StartScope->show();
    ui.ScopePlugin_btn_StopScope->hide();
    ui.ScopePlugin_btn_ImportScope->setEnabled(true);
    ui.ScopePlugin_btn_ExportScope->setEnabled(true);
    m_pCollector->setCollecting(false);
    fireTrigger(TriggerSettings::OpenGrab);
    refreshCurves();
}

void TarnPlugin_Scope::slot_Disconnected2Mox()
{
    OnStopScope();
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
    clearTriggerChannels();
    setAxisInfo();
}

void TarnPlugin_Scope::updateTimeAxis()
{
    m_pScope->setXScale(0.0, m_nPeriodTime, m_nPeriodTime / 10);
    Tarn_LockGurad guard(&m_lockData);
    m_buffer.setWindow(m_pScope->xRange());
}

void TarnPlugin_Scope::onSamplingScopTextChanged(QString text)
{
    m_nPeriodTime = text.toInt(nullptr, 10);
    if (m_nPeriodTime <= kMinPeriodMs)
        m_nPeriodTime = kMinPeriodMs;
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
    m_bStopWhenError = ui.cb_StopWhenError->isChecked();
}

// ---- channel set-up ----------------------------------------------------------------

void TarnPlugin_Scope::clearTriggerChannels()
{
    ui.Kvel_Scope_cmb_TriggerSel->clear();
    m_bFillTriggerList = true;
}

void TarnPlugin_Scope::setupChannels()
{
    const std::vector<ScopeChannel> channels =
        selectedChannels(m_pScopeSetting->componentSelection(), m_pScopeSetting->linkSelection(),
                         m_pScopeSetting->endEffectorSelection());
    const bool accepted = channels.size() <= static_cast<std::size_t>(kScopeRecordValues);
    const std::vector<CurveBinding> bindings = bindChannels(channels, accepted);
    if (accepted) {
        for (std::size_t i = 0; i < channels.size(); ++i)
            addTriggerChannel(channels[i].title, bindings[i]);
    }
    m_pScope->replot();
    m_pScope->refreshZoom();
    if (!accepted) {
        refuseChannels(static_cast<int>(channels.size()));
        return;
    }
    m_bFillTriggerList = false;
    std::vector<int> indexes;
    for (const CurveBinding &binding : bindings)
        indexes.push_back(binding.scopeIndex);
    Tarn_SetScopeIndexs(indexes);
    Tarn_LockGurad guard(&m_lockData);
    ++m_nSetupGeneration; // batches read before the controller knew the list are dropped
}

// Clears the buffers and binds the curves in one locked step, so the acquisition thread
// never appends between the two. A refused selection still shows its curves (until the
// message is closed) but routes no samples.
std::vector<CurveBinding> TarnPlugin_Scope::bindChannels(const std::vector<ScopeChannel> &channels,
                                                         bool routeSamples)
{
    std::vector<CurveBinding> bindings;
    Tarn_LockGurad guard(&m_lockData);
    clearScopeData();
    for (const ScopeChannel &ch : channels) {
        CurveBinding binding;
        binding.scopeIndex = ch.scopeIndex;
        binding.axis = ch.axis;
        binding.slot = static_cast<int>(bindings.size());
        binding.linkItem = ch.linkItem;
        binding.endEffItem = ch.endEffItem;
        binding.unit = ch.unit;
        m_pScope->addCurve(binding.slot, ch.title, binding);
        if (routeSamples)
            m_buffer.setSlotIndex(binding.slot, binding.scopeIndex);
        bindings.push_back(binding);
    }
    ++m_nSetupGeneration;
    return bindings;
}

void TarnPlugin_Scope::addTriggerChannel(const QString &title, const CurveBinding &binding)
{
    if (m_bFillTriggerList)
        ui.Kvel_Scope_cmb_TriggerSel->addItem(title, QVariant(binding.slot));
}

// A refused selection adds nothing to the trigger list, so list positions keep matching
// curve slots; the fill flag stays set for the next accepted set-up.
void TarnPlugin_Scope::refuseChannels(int channelCount)
{
    QMessageBox::critical(
        this, QString::fromUtf8("当前设置通道超出最大通道数"),
        QString::fromUtf8("当前设置通道数 %1 ,超出最大通道数 36 !").arg(channelCount),
        QMessageBox::Ok, QMessageBox::NoButton);
    clearScopeData();
}

void TarnPlugin_Scope::clearScopeData()
{
    Tarn_LockGurad guard(&m_lockData);
    m_buffer.clear();
    m_buffer.clearSlotIndexes();
    m_pScope->clearCurves();
}

// ---- acquisition thread ------------------------------------------------------------

bool TarnPlugin_Scope::beginReadStep()
{
    if (!m_bSampling)
        return false;
    recordReadCycle();
    m_nReadGeneration = m_nSetupGeneration;
    return true;
}

void TarnPlugin_Scope::finishReadStep(double cpuLoad, uint32_t memKB,
                                      const std::vector<_ST_ReadScopeData> &records)
{
    // A batch read under an earlier set-up carries the old channel order: its load
    // figures still count, its values do not.
    const bool current = m_nReadGeneration == m_nSetupGeneration;
    if (current)
        checkTrigger(records);
    setMoxLoad(cpuLoad, memKB);
    if (!current)
        return;
    for (const _ST_ReadScopeData &record : records) {
        if (!m_bCapture || !appendRecord(record))
            break;
    }
}

bool TarnPlugin_Scope::appendRecord(const _ST_ReadScopeData &record)
{
    Tarn_LockGurad guard(&m_lockData);
    if (m_nReadGeneration != m_nSetupGeneration)
        return false;
    m_buffer.appendRecord(record);
    return true;
}

// ---- trigger -----------------------------------------------------------------------

void TarnPlugin_Scope::CheckTriggerStatus()
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_bTriggerArmed = ui.cb_Trigger->isChecked();
    if (!m_bTriggerArmed)
        return;
    switch (ui.Kvel_Scope_cmb_TriggerFS->currentIndex()) {
    case TriggerSettings::OpenGrab:
        m_bCapture = false;
        break;
    case TriggerSettings::EndGrab:
        m_bCapture = true;
        break;
    default:
        break;
    }
}

void TarnPlugin_Scope::readTriggerSettings()
{
    TriggerSettings settings;
    settings.channel = ui.Kvel_Scope_cmb_TriggerSel->currentIndex();
    settings.condition = ui.Kvel_Scope_cmb_TriggerCondition->currentIndex();
    settings.mode = ui.Kvel_Scope_cmb_TriggerFS->currentIndex();
    settings.threshold = ui.Kvel_Scope_edit_TriggerThreshold->text().toDouble();
    settings.delay = ui.Kvel_Scope_edit_TriggerDelay->text().toDouble();
    settings.absoluteValue = ui.cb_AbsoluteValue->isChecked();
    Tarn_LockGurad guard(&m_lockTrigger);
    m_triggerSettings = settings;
}

void TarnPlugin_Scope::checkTrigger(const std::vector<_ST_ReadScopeData> &records)
{
    if (!m_bTriggerArmed || records.empty())
        return;
    TriggerSettings settings;
    {
        Tarn_LockGurad guard(&m_lockTrigger);
        settings = m_triggerSettings;
    }
    if (!triggerFires(settings, records))
        return;
    // A stop between the test and here has disarmed the trigger and set capture on;
    // firing now would undo that.
    Tarn_LockGurad guard(&m_lockTrigger);
    if (m_bTriggerArmed)
        fireTrigger(settings.mode);
}

void TarnPlugin_Scope::fireTrigger(int mode)
{
    Tarn_LockGurad guard(&m_lockTrigger);
    m_bTriggerArmed = false;
    switch (mode) {
    case TriggerSettings::OpenGrab:
        m_bCapture = true;
        break;
    case TriggerSettings::EndGrab:
        m_bCapture = false;
        break;
    default:
        break;
    }
}

// ---- status figures ----------------------------------------------------------------

void TarnPlugin_Scope::recordReadCycle()
{
    Tarn_LockGurad guard(&m_lockCycle);
    const uint32_t now = TickCount::now();
    if (m_nLastReadTick == 0)
        m_nLastReadTick = now;
    m_nReadScopeCyc = now - m_nLastReadTick; // unsigned: a wrapped tick count still subtracts right
    if (m_nReadScopeCycMax < m_nReadScopeCyc)
        m_nReadScopeCycMax = m_nReadScopeCyc;
    m_nLastReadTick = now;
}

void TarnPlugin_Scope::resetReadCycle()
{
    Tarn_LockGurad guard(&m_lockCycle);
    m_nReadScopeCycMax = 0;
    m_nReadScopeCyc = 0;
    m_nLastReadTick = 0;
}

void TarnPlugin_Scope::getReadCycle(uint32_t &max, uint32_t &cur)
{
    Tarn_LockGurad guard(&m_lockCycle);
    max = m_nReadScopeCycMax;
    cur = m_nReadScopeCyc;
}

void TarnPlugin_Scope::setMoxLoad(double cpu, uint32_t mem)
{
    Tarn_LockGurad guard(&m_lockLoad);
    m_dMoxCpu = cpu;
    m_nMoxMem = mem;
}

void TarnPlugin_Scope::getMoxLoad(double &cpu, uint32_t &mem)
{
    Tarn_LockGurad guard(&m_lockLoad);
    cpu = m_dMoxCpu;
    mem = m_nMoxMem;
}

// ---- refresh timer -----------------------------------------------------------------

void TarnPlugin_Scope::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_nTimerId || !m_bSampling)
        return;
    refreshStatus();
    if (m_nRefreshSkip < kRefreshSkipTicks) {
        ++m_nRefreshSkip;
        return;
    }
    m_nRefreshSkip = 0;
    refreshCurves();
    watchRobotError();
}

void TarnPlugin_Scope::refreshStatus()
{
    uint32_t cycleMax = 0;
    uint32_t cycle = 0;
    getReadCycle(cycleMax, cycle);
    ui.Kvel_Scope_lb_ReadScopeMaxCyc->setText(QString::number(cycleMax));
    ui.Kvel_Scope_lb_ReadScopeCyc->setText(QString::number(cycle));

    double cpu = 0.0;
    uint32_t mem = 0;
    getMoxLoad(cpu, mem);
    ui.Kvel_Scope_lb_MoxCPU->setText(QString::number(cpu, 'f', 3));
    ui.Kvel_Scope_lb_MoxMem->setText(QString::number(static_cast<double>(mem) / 1024.0, 'f', 3));
}

// Copies the buffers under the data lock and feeds the plot outside it, so the
// acquisition thread never waits for a replot.
void TarnPlugin_Scope::refreshCurves()
{
    QVector<double> times;
    ChannelValues values;
    {
        Tarn_LockGurad guard(&m_lockData);
        times = m_buffer.times().values();
        for (int slot = 0; slot < SampleBuffer::kSlots; ++slot)
            values[static_cast<std::size_t>(slot)] = m_buffer.channel(slot).values();
    }
    if (!times.isEmpty())
        showSamples(times, values);
    m_pScope->replot();
}

// Times relative to the oldest sample, so every curve starts at 0; the value axis is
// centred on the data's range widened by 1 % (at least 0.01 either side).
void TarnPlugin_Scope::showSamples(QVector<double> &times, const ChannelValues &values)
{
    const double origin = times.first();
    for (double &t : times)
        t -= origin;
    double lo = 0.0;
    double hi = 0.0;
    for (int slot = 0; slot < SampleBuffer::kSlots; ++slot) {
        const QVector<double> &y = values[static_cast<std::size_t>(slot)];
        if (y.isEmpty())
            continue;
        double cmin = 0.0;
        double cmax = 0.0;
        m_pScope->setCurveSamples(slot, times, y, cmin, cmax);
        if (slot == 0) {
            lo = cmin;
            hi = cmax;
        }
        lo = std::min(lo, cmin);
        hi = std::max(hi, cmax);
    }
    const double centre = (hi + lo) / 2.0;
    const double half = std::max((hi - lo) * 1.01 / 2.0, 0.01);
    m_pScope->setYScale(centre - half, centre + half);
}

void TarnPlugin_Scope::watchRobotError()
{
    if (!m_bStopWhenError)
        return;
    int flags[8] = {};
    TarnIF_ReadRobotFlags(&flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5],
                          &flags[6], &flags[7]);
    if (flags[2] != 1)
        return;
    if (++m_nErrorCount > 1) {
        m_nErrorCount = 0;
        OnStopScope();
    }
}
