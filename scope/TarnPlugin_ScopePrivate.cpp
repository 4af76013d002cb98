#include "TarnPlugin_Scope_p.h"

#include "CaptureListDialog.h"
#include "ControllerLibrary.h"
#include "DerivedChannelsDialog.h"
#include "FlowLayout.h"
#include "GuardedDialog.h"
#include "MeasurementCursors.h"
#include "QScopeSetting.h"
#include "QwtScope.h"
#include "SaveDialog.h"
#include "ScopeCaptures.h"
#include "ScopeContextMenu.h"
#include "ScopeFileActions.h"
#include "ScopeLimits.h"
#include "ScopeRecordActions.h"
#include "ScopeRecorder.h"
#include "ScopeSetupActions.h"
#include "ScopeStateLine.h"
#include "SpectrumView.h"
#include "StatusBits.h"
#include "TimeStepMarks.h"
#include "TriggerControls.h"
#include "TriggerMark.h"
#include "TriggerOptionsDialog.h"
#include "XyView.h"
#include "ui_TarnPlugin_Scope.h"

#include <QAction>
#include <QMenu>
#include <QRegExpValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTime>
#include <QTimer>
#include <qwt_legend.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_textlabel.h>
#include <qwt_text.h>

#include <algorithm>

namespace {

constexpr int kRefreshIntervalMs = 64;
constexpr int kRefreshSkipTicks = 5; // curves are refreshed on every sixth tick
constexpr int kPeriodPauseMs = 1000; // a typed period applies after this much quiet
constexpr double kDialogScale = 0.8333333333333334;
constexpr int kDialogMaxWidth = 600;
constexpr int kDialogMaxHeight = 800;
const char *const kFormMinWidth = "tarnFormMinimumWidth";
const char *const kFormMaxWidth = "tarnFormMaximumWidth";
// The longest numbers the fields are made for: six digits of period; a threshold or delay
// of six digits and three decimals, either sign.
constexpr QLatin1String kLongestPeriod("999999");
constexpr QLatin1String kLongestSignedValue("-999999.999");

// The live value axis counts a first slot without values as 0, as it always has.
bool firstSlotShowsValues(const ScopeRecording &recording)
{
    for (const RecordedCurve &curve : recording.curves()) {
        if (curve.binding.slot == 0)
            return curve.values.extremes(0, curve.values.size()).hasFinite();
    }
    return false;
}

// The period that shows a loaded recording whole, within what the period edit accepts.
int periodForRange(double range)
{
    const double period = std::trunc(range + 1.0);
    if (!(period > ScopeLimits::kMinPeriodMs))
        return ScopeLimits::kMinPeriodMs;
    return static_cast<int>(std::min(period, double(ScopeLimits::kMaxPeriodMs)));
}

std::vector<int> indexesOf(const std::vector<ScopeChannel> &channels)
{
    std::vector<int> indexes;
    indexes.reserve(channels.size());
    for (const ScopeChannel &ch : channels)
        indexes.push_back(ch.binding.scopeIndex);
    return indexes;
}

// The form's widths were made for one font; with another (or at another scale) a label gets
// at least the width its text needs. Value labels only grow, so the strip does not jitter,
// and keep a fixed size in between: a new value then repaints the label alone, where a
// label free to grow lays out the whole window again at every refresh (in a tab widget, every
// page of it).
void fitToText(QLabel *label, bool growOnly)
{
    if (!label->property(kFormMinWidth).isValid())
        label->setProperty(kFormMinWidth, label->minimumWidth());
    const int formMinimum = label->property(kFormMinWidth).toInt();
    const int floor = growOnly ? label->minimumWidth() : formMinimum;
    const int width = std::max({floor, formMinimum, label->sizeHint().width()});
    if (growOnly) {
        label->setFixedSize(width, label->sizeHint().height());
        return;
    }
    label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    label->setMinimumWidth(width);
}

// A field is as wide as its longest number needs (QLineEdit keeps 2 px beside the text and
// room for the cursor), so no digit scrolls out of sight at the form's smallest width or in
// a larger font. The form's maximum holds unless the number needs more.
void fitEditToText(QLineEdit *edit, QLatin1String longest)
{
    if (!edit->property(kFormMaxWidth).isValid())
        edit->setProperty(kFormMaxWidth, edit->maximumWidth());
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QMargins margins = edit->textMargins();
    const QSize text(edit->fontMetrics().horizontalAdvance(longest) + 6 + margins.left() +
                         margins.right(),
                     edit->fontMetrics().height());
    const int width =
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, edit).width();
    edit->setMinimumWidth(width);
    edit->setMaximumWidth(std::max(edit->property(kFormMaxWidth).toInt(), width));
}

} // namespace

TarnPlugin_ScopePrivate::TarnPlugin_ScopePrivate(TarnPlugin_Scope *scope)
    : q(scope), m_announcer(scope), ui(std::make_unique<Ui_TarnPlugin_Scope>()),
      m_nPeriodTime(ScopeLimits::kDefaultPeriodMs)
{}

// The recorder goes first: its thread is ended (or abandoned) before any child widget.
TarnPlugin_ScopePrivate::~TarnPlugin_ScopePrivate()
{
    m_pRecorder.reset();
    // The form goes after this: a field that loses the focus then must not reach back in.
    for (QObject *child : q->findChildren<QObject *>())
        child->blockSignals(true);
}

void TarnPlugin_ScopePrivate::build()
{
    ui->setupUi(q);
    for (QWidget *row :
         QWidgetList{ui->ScopeFigures, ui->ScopePageFrame_CtlPanel, ui->ScopePageFrame_Trigger})
        FlowLayout::replaceRowOf(row); // wraps in a narrow panel
    createPlot();
    m_pScopeSetting = new QScopeSetting(q);
    connectControls();
    createLegend();
    setUpPeriodEdit();
    m_pRecorder = std::make_unique<ScopeRecorder>();
    setUpTriggerControls();
    createParts();
    createOperatorTools();
    QObject::connect(
        m_pTools, &ScopeContextMenu::imageSaved, m_pStateLine, [this](const QString &fileName) {
            m_pStateLine->showSavedTo(
                TarnPlugin_Scope::tr("Image saved to %1").arg(SaveDialog::wholePath(fileName)));
        });
    m_pTimeStepMarks = new TimeStepMarks(m_pScope);
    m_controllerStatus = !ControllerLibrary::isLoaded()     ? TarnPlugin_Scope::NoLibrary
                         : ControllerLibrary::isSimulator() ? TarnPlugin_Scope::Simulated
                                                            : TarnPlugin_Scope::Connected;
    if (ControllerLibrary::isDisabled()) {
        // A viewer: Start is not offered.
        ui->ScopePlugin_btn_StartScope->setEnabled(false);
        ui->ScopePlugin_btn_StartScope->setToolTip(
            TarnPlugin_Scope::tr("No controller: this scope opens recordings and does not sample"));
    }
    fitLabelsToText(false);
    fitEditsToText();
    stop(TarnPlugin_Scope::StoppedByOperator);
    m_nTimerId = q->startTimer(kRefreshIntervalMs, Qt::CoarseTimer);
}

// The state line, the captures and the actions, each given what it works on.
void TarnPlugin_ScopePrivate::createParts()
{
    m_pStateLine = new ScopeStateLine(ui->ScopePageFrame_Setting, m_pScope, q);
    m_pCaptures = new ScopeCaptures(q);
    QObject::connect(m_pCaptures, &ScopeCaptures::optionsChanged, q,
                     [this] { m_pRecorder->setCaptureRepeat(m_pCaptures->options().repeat); });
    m_pFileActions = new ScopeFileActions(q, *m_pRecorder, *m_pStateLine, *this);
    m_pRecordActions = new ScopeRecordActions(q, *m_pRecorder, *m_pStateLine, m_announcer, *this);
    createAnalysisViews();
    m_pSetupActions = new ScopeSetupActions(q,
                                            {*m_pScopeSetting, *m_pTriggerControls, *m_pCaptures,
                                             m_pScope->channelColours(), m_derivedChannels,
                                             *m_pSpectrumView, *m_pXyView},
                                            m_announcer, *this);
}

void TarnPlugin_ScopePrivate::createPlot()
{
    m_pScope = new QwtScope(ui->ScopePageFrame_QwtFrame);
    ui->vl_qwtWidget->addWidget(m_pScope);
    m_pScope->raise();
}

void TarnPlugin_ScopePrivate::connectControls()
{
    using Scope = TarnPlugin_Scope;
    QObject::connect(ui->ScopePlugin_btn_Setting, &QPushButton::clicked, q, &Scope::OnScopeSetting);
    QObject::connect(m_pScopeSetting, &QScopeSetting::userSetAxisInfo, q, &Scope::setScopeSetting);
    QObject::connect(ui->ScopePlugin_btn_StartScope, &QPushButton::clicked, q,
                     &Scope::OnStartScope);
    QObject::connect(ui->ScopePlugin_btn_StopScope, &QPushButton::clicked, q, &Scope::OnStopScope);
    QObject::connect(ui->ScopePlugin_btn_ResetView, &QPushButton::clicked, q, &Scope::OnResetView);
    QObject::connect(ui->ScopePlugin_btn_ImportScope, &QPushButton::clicked, q,
                     &Scope::slotImportScopeFile);
    QObject::connect(ui->ScopePlugin_btn_ExportScope, &QPushButton::clicked, q,
                     &Scope::slotExportScopeFile);
    QObject::connect(ui->cb_StopWhenError, &QCheckBox::clicked, q,
                     &Scope::slot_cb_StopWhenErrorClicked);
}

void TarnPlugin_ScopePrivate::createLegend()
{
    auto *legend = new QwtLegend;
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    m_pScope->insertLegend(legend, QwtPlot::RightLegend, -1.0);
    QObject::connect(legend, &QwtLegend::checked, q, &TarnPlugin_Scope::hideItem);
}

// A typed period applies on Enter, on leaving the field or after a pause, never per
// keystroke: "2" on the way to "20000" would trim the recording to 10 ms. Text set from
// code (setPeriod, set-ups, imports) is not a user edit and applies at once.
void TarnPlugin_ScopePrivate::setUpPeriodEdit()
{
    QLineEdit *edit = ui->ScopePlugin_edit_PeriodTime;
    edit->setText(QString::number(m_nPeriodTime));
    edit->setValidator(new QRegExpValidator(QRegExp("[0-9]{1,6}", Qt::CaseSensitive), edit));
    m_pPeriodPause = new QTimer(edit);
    m_pPeriodPause->setSingleShot(true);
    m_pPeriodPause->setInterval(kPeriodPauseMs);
    QObject::connect(m_pPeriodPause, &QTimer::timeout, q, [this] { applyTypedPeriod(); });
    QObject::connect(edit, &QLineEdit::editingFinished, q, [this] { applyTypedPeriod(); });
    QObject::connect(edit, &QLineEdit::textChanged, q, [this, edit](const QString &text) {
        if (edit->isModified()) {
            m_pPeriodPause->start();
            return;
        }
        m_pPeriodPause->stop();
        q->onSamplingScopTextChanged(text);
    });
}

void TarnPlugin_ScopePrivate::applyTypedPeriod()
{
    QLineEdit *edit = ui->ScopePlugin_edit_PeriodTime;
    m_pPeriodPause->stop();
    if (!edit->isModified() || !edit->hasAcceptableInput())
        return;
    edit->setModified(false);
    q->onSamplingScopTextChanged(edit->text());
}

// The snapshot the acquisition thread evaluates each batch against follows the controls.
void TarnPlugin_ScopePrivate::setUpTriggerControls()
{
    m_pTriggerControls = new TriggerControls(*ui, q);
    QObject::connect(m_pTriggerControls, &TriggerControls::settingsChanged, q, [this] {
        const ScopeAnnouncer::Call call = enter("triggerSettingsChanged");
        m_pRecorder->setTriggerSettings(m_pTriggerControls->settings());
        announce(&TarnPlugin_Scope::triggerSettingsChanged);
    });
    QObject::connect(m_pTriggerControls, &TriggerControls::enabledChanged, q,
                     [this] { announce(&TarnPlugin_Scope::triggerSettingsChanged); });
    m_pRecorder->setTriggerSettings(m_pTriggerControls->settings());
}

void TarnPlugin_ScopePrivate::createOperatorTools()
{
    m_pTools = new ScopeContextMenu(m_pScope, q);

    m_pFreezeAction = new QAction(TarnPlugin_Scope::tr("Freeze view"), q);
    m_pFreezeAction->setObjectName(QStringLiteral("ScopeAction_Freeze"));
    m_pFreezeAction->setCheckable(true);
    m_pFreezeAction->setShortcut(QKeySequence(Qt::Key_F));
    QObject::connect(m_pFreezeAction, &QAction::toggled, q, &TarnPlugin_Scope::setViewFrozen);
    auto *arm = new QAction(TarnPlugin_Scope::tr("Arm trigger"), q);
    arm->setObjectName(QStringLiteral("ScopeAction_ArmTrigger"));
    arm->setShortcut(QKeySequence(Qt::Key_A));
    QObject::connect(arm, &QAction::triggered, q, &TarnPlugin_Scope::armTrigger);
    auto *options = new QAction(TarnPlugin_Scope::tr("Trigger options…"), q);
    options->setObjectName(QStringLiteral("ScopeAction_TriggerOptions"));
    QObject::connect(options, &QAction::triggered, q, [this] {
        const ScopeAnnouncer::Call call = enter("openTriggerOptions");
        openTriggerOptions();
    });
    auto *list = new QAction(TarnPlugin_Scope::tr("Captures…"), q);
    list->setObjectName(QStringLiteral("ScopeAction_Captures"));
    QObject::connect(list, &QAction::triggered, q, [this] {
        const ScopeAnnouncer::Call call = enter("openCaptureList");
        openCaptureList();
    });
    m_pTools->addActions({m_pFreezeAction, arm, options, list, m_pRecordActions->action()});
    m_pTools->addActions(createAnalysisActions());
    createViewActions();
    m_pTriggerMark = new TriggerMark(m_pScope);
    m_pTools->addActions(m_pSetupActions->actions());

    m_pFrozenLabel = new QwtPlotTextLabel;
    QwtText text(TarnPlugin_Scope::tr("View frozen, recording goes on"));
    text.setRenderFlags(Qt::AlignRight | Qt::AlignTop);
    text.setColor(QColor(170, 60, 0));
    text.setBackgroundBrush(QColor(255, 255, 255, 225));
    m_pFrozenLabel->setText(text);
    m_pFrozenLabel->setMargin(8);
    m_pFrozenLabel->setVisible(false);
    m_pFrozenLabel->attach(m_pScope);
}

void TarnPlugin_ScopePrivate::createViewActions()
{
    m_pStripAction = new QAction(TarnPlugin_Scope::tr("Strips per unit"), q);
    m_pStripAction->setObjectName(QStringLiteral("ScopeAction_StripView"));
    m_pStripAction->setCheckable(true);
    m_pStripAction->setShortcut(QKeySequence(Qt::Key_U));
    QObject::connect(m_pStripAction, &QAction::toggled, q, &TarnPlugin_Scope::setStripView);
    m_pScaleAction = new QAction(TarnPlugin_Scope::tr("Scale to visible curves"), q);
    m_pScaleAction->setObjectName(QStringLiteral("ScopeAction_ScaleToVisible"));
    m_pScaleAction->setCheckable(true);
    QObject::connect(m_pScaleAction, &QAction::toggled, q,
                     &TarnPlugin_Scope::setScaleToVisibleCurves);
    m_pWallClockAction = new QAction(TarnPlugin_Scope::tr("Wall-clock time"), q);
    m_pWallClockAction->setObjectName(QStringLiteral("ScopeAction_WallClockTime"));
    m_pWallClockAction->setCheckable(true);
    QObject::connect(m_pWallClockAction, &QAction::toggled, q, &TarnPlugin_Scope::setWallClockTime);
    m_pExactAction = new QAction(TarnPlugin_Scope::tr("Exact values in files"), q);
    m_pExactAction->setObjectName(QStringLiteral("ScopeAction_ExactValues"));
    m_pExactAction->setCheckable(true);
    QObject::connect(m_pExactAction, &QAction::toggled, q, &TarnPlugin_Scope::setExactValues);
    m_pTools->addActions({m_pStripAction, m_pScaleAction, m_pWallClockAction, m_pExactAction});
}

void TarnPlugin_ScopePrivate::setStripView(bool on)
{
    m_pStripAction->setChecked(on);
    m_pScaleAction->setEnabled(!on); // the strips always fit their visible curves
    if (m_pScope->isStripView() == on)
        return;
    m_pScope->setStripView(on);
    announce(&TarnPlugin_Scope::viewChanged);
}

void TarnPlugin_ScopePrivate::setExactValues(bool on)
{
    m_pExactAction->setChecked(on);
    if (m_bExactValues == on)
        return;
    m_bExactValues = on;
    m_pCaptures->setNumberFormat(numberFormat());
    announce(&TarnPlugin_Scope::exactValuesChanged, on);
}

ScopeFile::NumberFormat TarnPlugin_ScopePrivate::numberFormat() const
{
    return m_bExactValues ? ScopeFile::NumberFormat::Exact : ScopeFile::NumberFormat::ThreeDecimals;
}

void TarnPlugin_ScopePrivate::setScaleToVisible(bool on)
{
    m_pScaleAction->setChecked(on);
    if (m_pScope->scalesToVisible() == on)
        return;
    m_pScope->setScaleToVisible(on);
    announce(&TarnPlugin_Scope::viewChanged);
}

void TarnPlugin_ScopePrivate::setWallClockTime(bool on)
{
    m_pWallClockAction->setChecked(on);
    if (m_pScope->wallClockTime() == on)
        return;
    m_pScope->setWallClockTime(on);
    announce(&TarnPlugin_Scope::viewChanged);
}

// ---- sampling states -------------------------------------------------------------

// A refused selection leaves the scope stopped with everything as it was.
void TarnPlugin_ScopePrivate::start(bool fromButton)
{
    if (m_pRecorder->isSampling())
        return;
    if (ControllerLibrary::isDisabled()) {
        refuseStart(TarnPlugin_Scope::tr("No controller: this scope opens recordings and does not "
                                         "sample (%1 is \"%2\")")
                        .arg(ControllerLibrary::kPathVariable, ControllerLibrary::kNoController),
                    fromButton);
        return;
    }
    if (fromButton && !mayReplaceRecording())
        return;
    if (selection().empty()) {
        refuseStart(TarnPlugin_Scope::tr("No channel is chosen: choose the channels to record "
                                         "with \"Setting\""),
                    fromButton);
        return;
    }
    m_pRecorder->resetReadCycle();
    if (!channelChoiceFits()) {
        if (fromButton)
            announce(&TarnPlugin_Scope::errorOccurred, overLimitText());
        else
            fail(TarnPlugin_Scope::tr("ERROR:The channel selection holds more than %1 "
                                      "channels; nothing was started.")
                     .arg(ScopeLimits::kMaxChannels));
        announce(&TarnPlugin_Scope::recordingEnded, TarnPlugin_Scope::SetupRefused);
        if (fromButton)
            showOverLimit(overLimitText());
        return;
    }
    QString refusal;
    if (!m_pRecorder->startSampling(indexesOf(selection()), &refusal)) {
        m_pStateLine->showControllerNote(refusal, true);
        refuseStart(refusal, fromButton);
        return;
    }
    setViewFrozen(false);
    setAxisInfo();
    checkTriggerStatus();
    m_nSeenFlagsReading = m_pRecorder->robotFlags().reading;
    m_previousTitles.clear();
    setControllerStatus(ControllerLibrary::isSimulator() ? TarnPlugin_Scope::Simulated
                                                         : TarnPlugin_Scope::Connected);
    ui->ScopePlugin_btn_StartScope->hide();
    ui->ScopePlugin_btn_StopScope->show();
    ui->ScopePlugin_btn_ImportScope->setEnabled(false);
    ui->ScopePlugin_btn_ExportScope->setEnabled(false);
    for (QwtPlotItem *item : m_pScope->itemList(QwtPlotItem::Rtti_PlotCurve))
        item->setVisible(true);
    m_pScope->refreshZoom();
    m_nSeenFirings = m_pRecorder->captureState().firings;
    m_pCaptures->clear();
    m_bRecordingEnded = false;
    m_bRecordingUnsaved = !m_pRecordActions->isRecording();
    m_pStateLine->showStarted();
    showSamplingState();
    announce(&TarnPlugin_Scope::samplingChanged, true);
}

// The box comes last: the host may delete the scope while it is open.
void TarnPlugin_ScopePrivate::refuseStart(const QString &reason, bool fromButton)
{
    fail(TarnPlugin_Scope::tr("ERROR:%1; nothing was started.").arg(reason));
    announce(&TarnPlugin_Scope::recordingEnded, TarnPlugin_Scope::SetupRefused);
    if (fromButton)
        askGuarded(q, QMessageBox::Warning, TarnPlugin_Scope::tr("Warning"), reason);
}

// Start replaces the recording on the plot. One made while the robot reported an error is
// the record of that error: while the error is still raised, Start asks before replacing it
// (starting at once would end the new run on the same error and leave nothing to look at).
bool TarnPlugin_ScopePrivate::mayReplaceRecording()
{
    if (!m_pStateLine->recordingShowsRobotError() || !m_recording.hasSamples() ||
        !m_pRecorder->robotFlags().error)
        return true;
    return askGuarded(q, QMessageBox::Question, TarnPlugin_Scope::tr("Robot error"),
                      TarnPlugin_Scope::tr("The robot still reports an error. Start replaces the "
                                           "recording that shows it; export the recording first "
                                           "to keep it.\n\nStart anyway?"),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool TarnPlugin_ScopePrivate::mayLoseRecording(const QString &question)
{
    if (!m_bRecordingUnsaved || m_pRecorder->isSampling() || !m_recording.hasSamples())
        return true;
    return askGuarded(q, QMessageBox::Question, TarnPlugin_Scope::tr("Unsaved recording"), question,
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

// The curves get every record buffered up to the stop, so the last moments before it are
// on screen and in any export.
void TarnPlugin_ScopePrivate::stop(TarnPlugin_Scope::EndReason reason)
{
    const bool wasSampling = m_pRecorder->isSampling();
    m_nErrorCount = 0;
    ui->ScopePlugin_btn_StartScope->show();
    ui->ScopePlugin_btn_StopScope->hide();
    ui->ScopePlugin_btn_ImportScope->setEnabled(true);
    ui->ScopePlugin_btn_ExportScope->setEnabled(true);
    m_pRecorder->stopSampling();
    setViewFrozen(false);
    if (!wasSampling) {
        if (reason == TarnPlugin_Scope::ControllerLost)
            m_pStateLine->showControllerLost();
        return;
    }
    refreshCurves();
    collectCaptures();
    switch (reason) {
    case TarnPlugin_Scope::RobotError: {
        const std::optional<double> last = m_recording.lastTime();
        if (last)
            m_pStateLine->showStoppedByRobotError(*last - m_recording.timeOrigin(),
                                                  m_recording.clock().wallClockAt(*last));
        else
            m_pStateLine->showStoppedByRobotError(std::nullopt, QDateTime());
        break;
    }
    case TarnPlugin_Scope::ControllerLost:
        m_pStateLine->showControllerLost();
        break;
    default:
        m_pStateLine->showStopped();
        break;
    }
    announceEnd(reason);
    announce(&TarnPlugin_Scope::samplingChanged, false);
}

void TarnPlugin_ScopePrivate::announceEnd(TarnPlugin_Scope::EndReason reason)
{
    if (m_bRecordingEnded)
        return;
    m_bRecordingEnded = true;
    announce(&TarnPlugin_Scope::recordingEnded, reason);
}

void TarnPlugin_ScopePrivate::setViewFrozen(bool frozen)
{
    frozen = frozen && m_pRecorder->isSampling();
    if (m_pFreezeAction->isChecked() != frozen)
        m_pFreezeAction->setChecked(frozen); // comes back here through toggled
    if (m_bViewFrozen == frozen)
        return;
    m_bViewFrozen = frozen;
    m_pFrozenLabel->setVisible(frozen);
    m_pScope->replot();
    announce(&TarnPlugin_Scope::viewFrozenChanged, frozen);
}

// ---- channel set-up ----------------------------------------------------------------

void TarnPlugin_ScopePrivate::setAxisInfo()
{
    updateTimeAxis();
    if (setupChannels())
        m_pScope->resetZoom();
}

void TarnPlugin_ScopePrivate::setScopeSetting()
{
    if (!selectionFits())
        return;
    setAxisInfo();
}

void TarnPlugin_ScopePrivate::updateTimeAxis()
{
    m_pScope->setXScale(0.0, m_nPeriodTime, m_nPeriodTime / 10);
    m_pRecorder->setWindow(m_pScope->xRange());
}

void TarnPlugin_ScopePrivate::onPeriodTextChanged(const QString &text)
{
    // The validator stops typing at six digits, but setText passes it by.
    const double typed = text.toDouble();
    const bool tooLong = typed > ScopeLimits::kMaxPeriodMs;
    const int before = m_nPeriodTime;
    m_nPeriodTime = tooLong                              ? ScopeLimits::kMaxPeriodMs
                    : typed >= ScopeLimits::kMinPeriodMs ? static_cast<int>(typed)
                                                         : ScopeLimits::kMinPeriodMs;
    if (tooLong) {
        const QSignalBlocker blocker(ui->ScopePlugin_edit_PeriodTime);
        ui->ScopePlugin_edit_PeriodTime->setText(QString::number(m_nPeriodTime));
    }
    updateTimeAxis();
    m_pScope->resetZoom();
    if (m_nPeriodTime != before)
        announce(&TarnPlugin_Scope::periodChanged, m_nPeriodTime);
}

void TarnPlugin_ScopePrivate::setPeriod(int milliseconds)
{
    if (milliseconds < ScopeLimits::kMinPeriodMs || milliseconds > ScopeLimits::kMaxPeriodMs) {
        fail(TarnPlugin_Scope::tr("ERROR:Period %1 ms refused: it lies in %2..%3 ms")
                 .arg(milliseconds)
                 .arg(ScopeLimits::kMinPeriodMs)
                 .arg(ScopeLimits::kMaxPeriodMs));
        return;
    }
    ui->ScopePlugin_edit_PeriodTime->setText(QString::number(milliseconds));
}

void TarnPlugin_ScopePrivate::openSettingDialog()
{
    const QRect g = q->geometry();
    int w = static_cast<int>(g.width() * kDialogScale);
    int h = static_cast<int>(g.height() * kDialogScale);
    if (w > kDialogMaxWidth)
        w = kDialogMaxWidth;
    if (h > kDialogMaxHeight)
        h = kDialogMaxHeight;
    m_pScopeSetting->resize(w, h);
    // The widget's position in its parent is mapped, not its origin: hosts rely on the
    // dialog landing there.
    const QPoint p = q->mapToGlobal(q->pos());
    const int x = (g.width() - m_pScopeSetting->width()) / 2 + p.x();
    const int y = (g.height() - m_pScopeSetting->height()) / 2 + p.y();
    m_pScopeSetting->move(x, y);
    m_pScopeSetting->show();
}

std::vector<ScopeChannel> TarnPlugin_ScopePrivate::selection() const
{
    return selectedChannels(m_pScopeSetting->componentSelection(), m_pScopeSetting->linkSelection(),
                            m_pScopeSetting->endEffectorSelection());
}

// Shows the refusal when the dialog's selection has more channels than a record carries.
bool TarnPlugin_ScopePrivate::channelChoiceFits() const
{
    return selection().size() <= static_cast<std::size_t>(ScopeLimits::kMaxChannels);
}

QString TarnPlugin_ScopePrivate::applyChannelChoice()
{
    if (!channelChoiceFits()) {
        const QString refused = TarnPlugin_Scope::tr("the channels: %1 chosen, at most %2")
                                    .arg(selection().size())
                                    .arg(ScopeLimits::kMaxChannels);
        restoreDialogChannels();
        return refused;
    }
    setAxisInfo();
    return QString();
}

bool TarnPlugin_ScopePrivate::selectionFits()
{
    if (channelChoiceFits())
        return true;
    const QString text = overLimitText();
    announce(&TarnPlugin_Scope::errorOccurred, text);
    showOverLimit(text);
    return false; // also when the scope went with the box: nothing may follow
}

QString TarnPlugin_ScopePrivate::overLimitText() const
{
    return TarnPlugin_Scope::tr("当前设置通道数 %1 ,超出最大通道数 36 !").arg(selection().size());
}

// The box is the last thing a caller does: the host may delete the scope while it is open.
void TarnPlugin_ScopePrivate::showOverLimit(const QString &text)
{
    askGuarded(q, QMessageBox::Critical, TarnPlugin_Scope::tr("当前设置通道超出最大通道数"), text);
}

bool TarnPlugin_ScopePrivate::setChannels(const QStringList &titles, QString *errorText)
{
    ChannelRows rows;
    QString error;
    if (!rowsForChannels(titles, rows, error)) {
        return fail(TarnPlugin_Scope::tr("ERROR:Channels refused: %1").arg(error), errorText);
    }
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Components, rows.components);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Links, rows.links);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::EndEffectors, rows.endEffectors);
    QString refusal;
    if (!m_pRecorder->channelsFit(indexesOf(selection()), &refusal)) {
        restoreDialogChannels();
        return fail(TarnPlugin_Scope::tr("ERROR:Channels refused: %1").arg(refusal), errorText);
    }
    emit m_pScopeSetting->userSetAxisInfo(); // as the dialog's OK: set-up, remembered set-up
    return true;
}

// The buffers are cleared and rebound in one locked step before the curves follow, so no
// record lands in a slot under its old channel.
bool TarnPlugin_ScopePrivate::setupChannels()
{
    if (!selectionFits())
        return false;
    const std::vector<ScopeChannel> channels = selection();
    const std::vector<int> indexes = indexesOf(channels);
    QString refusal;
    if (!m_pRecorder->channelsFit(indexes, &refusal)) {
        restoreDialogChannels();
        noteController(refusal);
        return fail(TarnPlugin_Scope::tr("ERROR:Channels refused: %1").arg(refusal));
    }
    QStringList titles;
    for (const ScopeChannel &ch : channels)
        titles.append(ch.title);
    if (m_pRecorder->isSampling() && titles != m_channelTitles)
        m_previousTitles = m_channelTitles;
    m_channelTitles = titles;
    std::vector<ScopeChannel> recorded = channels;
    m_pRecorder->bindSlots(indexes, compileDerivedChannels(recorded));
    m_fileColumns.clear();
    for (const ScopeChannel &ch : recorded)
        m_fileColumns.append(ScopeFileCurve{ch.title, ch.binding, {}, {}});
    m_pRecorder->setFileColumns(m_fileColumns);
    m_pScope->clearCurves();
    m_pStateLine->forgetRecording();
    m_pTriggerMark->remove();
    m_pTimeStepMarks->clear();
    m_pTools->cursors()->setTriggerTime(std::nullopt);
    m_recording = ScopeRecording::sampled(m_fileColumns, {}, {}, {});
    m_pScope->attachCurvesOf(m_recording);
    m_pTriggerControls->listChannels(recorded);
    m_pScope->showCommonUnit();
    m_pScope->replot();
    m_pScope->refreshZoom();
    announce(&TarnPlugin_Scope::channelsChanged);
    return true;
}

// The derived channels that read the chosen ones, as channels after them; each left out
// is said.
std::vector<DerivedExpression>
TarnPlugin_ScopePrivate::compileDerivedChannels(std::vector<ScopeChannel> &channels)
{
    m_derivedLeftOut.clear();
    std::vector<DerivedExpression> expressions =
        m_derivedChannels.compileAfter(channels, &m_derivedLeftOut);
    for (const QString &line : m_derivedLeftOut)
        announce(&TarnPlugin_Scope::errorOccurred,
                 TarnPlugin_Scope::tr("ERROR:Derived channel left out: %1").arg(line));
    return expressions;
}

bool TarnPlugin_ScopePrivate::addDerivedChannel(const DerivedChannel &channel, QString *errorText)
{
    QString error;
    if (!m_derivedChannels.add(channel, m_channelTitles, &error))
        return fail(TarnPlugin_Scope::tr("ERROR:Derived channel refused: %1").arg(error),
                    errorText);
    setAxisInfo();
    m_pSetupActions->rememberSetup();
    return true;
}

bool TarnPlugin_ScopePrivate::removeDerivedChannel(const QString &title)
{
    if (!m_derivedChannels.remove(title))
        return false;
    setAxisInfo();
    m_pSetupActions->rememberSetup();
    return true;
}

// All lanes or none.
bool TarnPlugin_ScopePrivate::addBitLanes(const QString &channel, const QList<int> &bits,
                                          const QStringList &names, QString *errorText)
{
    DerivedChannelSet lanes = m_derivedChannels;
    for (int k = 0; k < bits.size(); ++k) {
        QString error;
        if (bits[k] < 0 || bits[k] >= StatusBits::kBitCount)
            error = TarnPlugin_Scope::tr("a status word has bits 0 to %1; there is no bit %2")
                        .arg(StatusBits::kBitCount - 1)
                        .arg(bits[k]);
        else
            lanes.add(StatusBits::lane(channel, bits[k], names.value(k)), m_channelTitles, &error);
        if (!error.isEmpty())
            return fail(TarnPlugin_Scope::tr("ERROR:Derived channel refused: %1").arg(error),
                        errorText);
    }
    m_derivedChannels = lanes;
    setAxisInfo();
    m_pSetupActions->rememberSetup();
    return true;
}

// The channels a preset reads join the chosen ones; its derived channels replace any of
// their titles.
bool TarnPlugin_ScopePrivate::addRobotPreset(RobotPreset preset, QString *errorText)
{
    const QStringList wanted =
        channelsChoosing(m_channelTitles + RobotPresets::requiredChannels(preset));
    const DerivedChannelSet before = m_derivedChannels;
    if (wanted != m_channelTitles && !setChannels(wanted, errorText))
        return false;
    for (const DerivedChannel &channel : RobotPresets::channels(preset)) {
        QString error;
        if (!m_derivedChannels.add(channel, m_channelTitles, &error)) {
            m_derivedChannels = before;
            setAxisInfo();
            return fail(TarnPlugin_Scope::tr("ERROR:Derived channel refused: %1").arg(error),
                        errorText);
        }
    }
    setAxisInfo();
    m_pSetupActions->rememberSetup();
    return true;
}

void TarnPlugin_ScopePrivate::clearScopeData()
{
    m_pRecorder->clear();
    m_recording = ScopeRecording();
    m_pScope->clearCurves();
    m_pStateLine->forgetRecording();
    m_pTriggerMark->remove();
    m_pTimeStepMarks->clear();
    m_pTools->cursors()->setTriggerTime(std::nullopt);
}

// ---- trigger -----------------------------------------------------------------------

void TarnPlugin_ScopePrivate::checkTriggerStatus()
{
    m_pRecorder->armTrigger(m_pTriggerControls->isEnabled(), m_pTriggerControls->settings().mode);
}

// While sampling the trigger arms again with the controls as they are now; at Start the
// radio button decides, as it always did.
void TarnPlugin_ScopePrivate::armTrigger()
{
    if (!m_pRecorder->isSampling())
        return;
    m_pRecorder->armTrigger(true, m_pTriggerControls->settings().mode);
    m_bRecordingEnded = false;
    showSamplingState();
}

// ---- refresh timer -----------------------------------------------------------------

void TarnPlugin_ScopePrivate::tick()
{
    m_pRecordActions->poll();
    refreshXyView();
    if (!m_pRecorder->isSampling())
        return;
    const bool shown = q->isVisible();
    if (shown)
        refreshStatus();
    watchController();
    if (!m_pRecorder->isSampling())
        return;
    announceTriggerFirings();
    showSamplingState();
    if (m_nRefreshSkip < kRefreshSkipTicks) {
        ++m_nRefreshSkip;
        return;
    }
    m_nRefreshSkip = 0;
    if (!m_bViewFrozen && shown)
        refreshCurves();
    watchRobotError();
}

void TarnPlugin_ScopePrivate::catchUpWhenShown()
{
    if (!m_pRecorder->isSampling())
        return;
    refreshStatus();
    if (!m_bViewFrozen)
        refreshCurves();
}

void TarnPlugin_ScopePrivate::refreshStatus()
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

// The recorder's buffers are snapshot under their lock (no values are copied) and shown
// outside it, so the acquisition thread never waits for a replot. The window slides, so
// its curves draw on whole pixels; the value axis is centred on what they show.
void TarnPlugin_ScopePrivate::refreshCurves()
{
    m_recording = m_pRecorder->recording();
    SampleExtremes shown =
        m_pScope->showSamplesOf(m_recording, ScopeSeriesData::TimeDrawing::OnWholePixels);
    if (!firstSlotShowsValues(m_recording))
        shown.add(0.0, 0);
    if (m_recording.hasSamples())
        m_pScope->setYScaleAround(shown.least, shown.greatest);
    // Until a sample is on the plot its times stand for nothing.
    const ClockOrigin &clock = m_recording.clock();
    m_pScope->setWallClock(clock.time, m_recording.hasSamples() ? clock.wallClock : QDateTime());
    m_pScope->replot();
}

ScopeRecording TarnPlugin_ScopePrivate::recordingNow() const
{
    return m_pRecorder->isSampling() ? m_pRecorder->recording() : m_recording;
}

void TarnPlugin_ScopePrivate::showSamplingState()
{
    const CaptureState state = m_pRecorder->captureState();
    m_pStateLine->showSampling(state.triggerArmed, state.capturing && !state.waitingToOpen,
                               m_pTriggerControls->channelText());
}

// An end grab ends the recording (at its firing, or at the delay after it) while the scope
// holds until it is stopped.
void TarnPlugin_ScopePrivate::announceTriggerFirings()
{
    const CaptureState state = m_pRecorder->captureState();
    if (state.firings != m_nSeenFirings) {
        m_nSeenFirings = state.firings;
        m_pTriggerMark->place(state.lastFiring);
        m_pTools->cursors()->setTriggerTime(state.lastFiring);
        m_pStateLine->noteTriggerFired();
        announce(&TarnPlugin_Scope::triggerFired, state.lastFiring);
    }
    collectCaptures();
    if (!state.capturing && !state.triggerArmed)
        announceEnd(TarnPlugin_Scope::TriggerEnd);
}

// The recorder cut each capture as its records arrived; here they are named, kept and
// saved. In repeat mode the recorder has armed the trigger again already.
void TarnPlugin_ScopePrivate::collectCaptures()
{
    const std::vector<CutCapture> cut = m_pRecorder->takeCaptures();
    for (const CutCapture &each : cut) {
        ScopeCapture capture =
            ScopeCaptures::fromCut(each, m_fileColumns, m_pRecorder->clockOrigin());
        QString error;
        if (!m_pCaptures->add(std::move(capture), &error))
            fail(error);
        const ScopeCapture &kept = m_pCaptures->kept().back();
        announce(&TarnPlugin_Scope::captureCompleted, kept.triggerTime, kept.fileName);
    }
    if (!cut.empty() && m_pCaptures->options().repeat) {
        m_bRecordingEnded = false;
        showCaptureCount();
    }
}

void TarnPlugin_ScopePrivate::showCaptureCount()
{
    m_pStateLine->showCaptures(int(m_pCaptures->kept().size()), m_pCaptures->options().keep,
                               m_pCaptures->dropped());
}

const ScopeCapture *TarnPlugin_ScopePrivate::keptCapture(int index, QString *errorText)
{
    const auto &kept = m_pCaptures->kept();
    if (index >= 0 && index < int(kept.size()))
        return &kept.at(std::size_t(index));
    const QString error =
        TarnPlugin_Scope::tr("ERROR:No capture %1: %2 kept").arg(index).arg(kept.size());
    fail(error, errorText);
    return nullptr;
}

QString TarnPlugin_ScopePrivate::captureLabel(const ScopeCapture &capture)
{
    return TarnPlugin_Scope::tr("capture at %1 ms").arg(capture.triggerTime, 0, 'f', 1);
}

// A loaded recording says what it is and when it was made, and where its trigger fired.
void TarnPlugin_ScopePrivate::showLoadedRecording(const QString &label)
{
    const ClockOrigin &clock = m_recording.clock();
    m_pScope->setWallClock(clock.time, clock.wallClock);
    QString text = label;
    const std::optional<ScopeFileTrigger> &trigger = m_recording.trigger();
    if (trigger && !trigger->channel.isEmpty())
        text += TarnPlugin_Scope::tr(", trigger on %1").arg(trigger->channel);
    if (clock.isKnown())
        text += TarnPlugin_Scope::tr(", recorded %1")
                    .arg(clock.wallClock.toLocalTime().toString("yyyy-MM-dd hh:mm:ss.zzz"));
    m_pStateLine->showLoaded(text);
    const std::optional<double> instant = m_recording.triggerTime();
    if (instant) {
        m_pTriggerMark->place(*instant);
        m_pTools->cursors()->setTriggerTime(*instant);
    }
}

// The loaded recording replaces the one on the plot, and the period shows it whole. The
// channel selection stays the operator's: the next Start records what is chosen there.
void TarnPlugin_ScopePrivate::showRecording(ScopeRecording recording, const QString &label)
{
    clearScopeData();
    m_bRecordingUnsaved = false; // a file's or a kept capture's curves
    m_recording = std::move(recording);
    deriveLoadedCurves();
    m_pScope->attachCurvesOf(m_recording);
    m_pScope->showSamplesOf(m_recording, ScopeSeriesData::TimeDrawing::Exact);
    // The time axis ends at the latest readable time.
    const std::optional<double> latest = m_recording.latestShownTime();
    if (latest)
        m_pScope->setXScale(0.0, *latest, *latest / 10.0);
    m_pScope->showCommonUnit();
    const double range = m_pScope->xRange();
    // The edit's handler runs only when the text changes.
    ui->ScopePlugin_edit_PeriodTime->setText(QString::number(periodForRange(range)));
    // A recording longer than the longest period is still shown whole.
    if (range > m_pScope->xRange())
        m_pScope->setXScale(0.0, range, range / 10.0);
    showLoadedRecording(label);
    m_pScope->replot();
    announce(&TarnPlugin_Scope::channelsChanged);
}

// A loaded recording gets the derived channels it lacks and can compute: record by record
// over the curves they read, which share one time column in a file.
void TarnPlugin_ScopePrivate::deriveLoadedCurves()
{
    for (const DerivedChannel &channel : m_derivedChannels.channels()) {
        const QStringList titles = m_recording.titles();
        if (titles.contains(channel.title) || titles.size() >= ScopeLimits::kCurveSlots)
            continue;
        const std::optional<DerivedExpression> expression =
            DerivedExpression::compile(channel.expression, titles);
        if (!expression)
            continue;
        const std::vector<RecordedCurve> &curves = m_recording.curves();
        const std::vector<int> &inputs = expression->inputs();
        const RecordedCurve &first = curves.at(std::size_t(inputs.empty() ? 0 : inputs.front()));
        const bool oneColumn = std::all_of(inputs.begin(), inputs.end(), [&](int k) {
            return curves.at(std::size_t(k)).times.isSameView(first.times) &&
                   !curves.at(std::size_t(k)).compared;
        });
        if (inputs.empty() || !oneColumn)
            continue;
        std::vector<double> record(std::size_t(titles.size()), 0.0);
        QVector<double> values(first.times.size());
        for (int row = 0; row < values.size(); ++row) {
            for (int k : inputs) {
                const ColumnSnapshot &column = curves.at(std::size_t(k)).values;
                record[std::size_t(k)] =
                    row < column.size() ? column.at(row) : std::numeric_limits<double>::quiet_NaN();
            }
            values[row] = expression->evaluate(record.data());
        }
        RecordedCurve derived{channel.title, CurveBinding(),
                              first.times,   ColumnSnapshot::fromVector(values),
                              false,         first.timeBreaks};
        derived.binding.slot = titles.size();
        derived.binding.axis = 0;
        derived.binding.unit = channel.unit;
        derived.binding.computed = true;
        m_recording.addComputed(std::move(derived));
    }
}

bool TarnPlugin_ScopePrivate::showCapture(int index, QString *errorText)
{
    const ScopeCapture *capture = keptCapture(index, errorText);
    return capture && m_pFileActions->showCurves(capture->curves, capture->meta,
                                                 captureLabel(*capture), errorText);
}

bool TarnPlugin_ScopePrivate::compareCapture(int index, QString *errorText)
{
    const ScopeCapture *capture = keptCapture(index, errorText);
    return capture && compareCurves(capture->curves, captureLabel(*capture), errorText);
}

// Curves kept earlier go beside those on the plot, dashed, their titles marked with `label`,
// aligned at their starts.
bool TarnPlugin_ScopePrivate::compareCurves(const QVector<ScopeFileCurve> &curves,
                                            const QString &label, QString *errorText)
{
    if (m_pRecorder->isSampling())
        return fail(TarnPlugin_Scope::tr("ERROR:Not while sampling: stop first"), errorText);
    const QList<int> free = m_pScope->freeSlots();
    if (free.size() < curves.size())
        return fail(TarnPlugin_Scope::tr("ERROR:No room to compare: %1 curves, %2 free curve slots")
                        .arg(curves.size())
                        .arg(free.size()),
                    errorText);
    m_recording.addCompared(curves, label, free);
    m_pScope->attachCurvesOf(m_recording);
    m_pScope->showSamplesOf(m_recording, ScopeSeriesData::TimeDrawing::Exact);
    m_pScope->showCommonUnit();
    m_pScope->replot();
    announce(&TarnPlugin_Scope::channelsChanged);
    return true;
}

void TarnPlugin_ScopePrivate::openCaptureList()
{
    GuardedDialog<CaptureListDialog> dialog(*m_pCaptures, !m_pRecorder->isSampling(), q);
    if (dialog.exec() != QDialog::Accepted || dialog->chosen() < 0)
        return; // cancelled, or the scope went with the dialog
    QString error;
    const bool done = dialog->compares() ? compareCapture(dialog->chosen(), &error)
                                         : showCapture(dialog->chosen(), &error);
    if (!done)
        askGuarded(q, QMessageBox::Warning, TarnPlugin_Scope::tr("Warning"), error);
}

// "Derived channels…", the robot's presets (one click for every joint), "Spectrum…" and
// "XY view…".
QList<QAction *> TarnPlugin_ScopePrivate::createAnalysisActions()
{
    auto *edit = new QAction(TarnPlugin_Scope::tr("Derived channels…"), q);
    edit->setObjectName(QStringLiteral("ScopeAction_DerivedChannels"));
    QObject::connect(edit, &QAction::triggered, q, [this] {
        const ScopeAnnouncer::Call call = enter("openDerivedChannels");
        openDerivedChannels();
    });
    auto *presets = new QAction(TarnPlugin_Scope::tr("Robot presets"), q);
    auto *menu = new QMenu(q);
    for (const RobotPreset preset : RobotPresets::all()) {
        QAction *action = menu->addAction(RobotPresets::name(preset));
        action->setObjectName(QStringLiteral("ScopeAction_Preset%1").arg(int(preset)));
        QObject::connect(action, &QAction::triggered, q, [this, preset] {
            const ScopeAnnouncer::Call call = enter("addRobotPreset");
            QString error;
            if (!addRobotPreset(preset, &error))
                askGuarded(q, QMessageBox::Warning, TarnPlugin_Scope::tr("Warning"), error);
        });
    }
    presets->setMenu(menu);
    auto *spectrum = new QAction(TarnPlugin_Scope::tr("Spectrum…"), q);
    spectrum->setObjectName(QStringLiteral("ScopeAction_Spectrum"));
    QObject::connect(spectrum, &QAction::triggered, q, [this] {
        const ScopeAnnouncer::Call call = enter("openSpectrum");
        openSpectrum();
    });
    auto *xy = new QAction(TarnPlugin_Scope::tr("XY view…"), q);
    xy->setObjectName(QStringLiteral("ScopeAction_XyView"));
    QObject::connect(xy, &QAction::triggered, q, [this] {
        const ScopeAnnouncer::Call call = enter("openXyView");
        openXyView();
    });
    return {edit, presets, spectrum, xy};
}

namespace {

const RecordedCurve *curveTitled(const ScopeRecording &recording, const QString &title)
{
    for (const RecordedCurve &curve : recording.curves())
        if (curve.title == title)
            return &curve;
    return nullptr;
}

// The first sample at or after `shownTime` (times rise, but for a stepped clock).
int firstIndexFrom(const ScopeRecording &recording, const RecordedCurve &curve, double shownTime)
{
    int low = 0;
    int high = std::min(curve.times.size(), curve.values.size());
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (recording.shownTimeOf(curve, middle) < shownTime)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

} // namespace

std::optional<AmplitudeSpectrum> TarnPlugin_ScopePrivate::spectrumOf(const QString &title,
                                                                     const SpectrumOptions &options,
                                                                     QString *error) const
{
    const ScopeRecording recording = recordingNow();
    const RecordedCurve *curve = curveTitled(recording, title);
    if (!curve) {
        *error = TarnPlugin_Scope::tr("ERROR:No curve is titled \"%1\"").arg(title);
        return std::nullopt;
    }
    const MeasurementCursors *cursors = m_pTools->cursors();
    double from = m_pScope->axisInterval(QwtPlot::xBottom).minValue();
    double to = m_pScope->axisInterval(QwtPlot::xBottom).maxValue();
    if (cursors->isPlaced(0) && cursors->isPlaced(1))
        std::tie(from, to) = std::minmax(cursors->shownTime(0), cursors->shownTime(1));
    const int first = firstIndexFrom(recording, *curve, from);
    const int last = firstIndexFrom(recording, *curve, std::nextafter(to, HUGE_VAL));
    return AmplitudeSpectrum::compute(curve->times, curve->values, first, last, options, error);
}

std::optional<XyPath> TarnPlugin_ScopePrivate::xyPathOf(const QString &xTitle,
                                                        const QString &yTitle) const
{
    const ScopeRecording recording = recordingNow();
    const RecordedCurve *x = curveTitled(recording, xTitle);
    const RecordedCurve *y = curveTitled(recording, yTitle);
    if (!x || !y)
        return std::nullopt;
    return XyPath::paired(*x, *y);
}

// Where the first cursor stands, or at the newest sample without one.
std::optional<QPointF> TarnPlugin_ScopePrivate::xyPointAtCursor(const QString &xTitle,
                                                                const QString &yTitle) const
{
    const ScopeRecording recording = recordingNow();
    const RecordedCurve *x = curveTitled(recording, xTitle);
    const RecordedCurve *y = curveTitled(recording, yTitle);
    if (!x || !y || x->times.size() != y->times.size())
        return std::nullopt;
    const int count = std::min({x->values.size(), y->values.size(), x->times.size()});
    if (count == 0)
        return std::nullopt;
    const MeasurementCursors *cursors = m_pTools->cursors();
    const int index =
        cursors->isPlaced(0)
            ? std::min(count - 1, firstIndexFrom(recording, *x, cursors->shownTime(0)))
            : count - 1;
    const QPointF point(x->values.at(index), y->values.at(index));
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return std::nullopt;
    return point;
}

// Windows of their own, hidden until opened; their choices go with the set-up.
void TarnPlugin_ScopePrivate::createAnalysisViews()
{
    m_pSpectrumView =
        new SpectrumView([this](const QString &title, const SpectrumOptions &options,
                                QString *error) { return spectrumOf(title, options, error); },
                         q);
    m_pSpectrumView->setWindowFlag(Qt::Window);
    m_pXyView =
        new XyView([this](const QString &x, const QString &y) { return xyPathOf(x, y); },
                   [this](const QString &x, const QString &y) { return xyPointAtCursor(x, y); }, q);
    m_pXyView->setWindowFlag(Qt::Window);
}

void TarnPlugin_ScopePrivate::openSpectrum()
{
    m_pSpectrumView->setChannels(recordingNow().titles());
    m_pSpectrumView->show();
    m_pSpectrumView->raise();
    m_pSpectrumView->refresh();
}

void TarnPlugin_ScopePrivate::openXyView()
{
    m_pXyView->setChannels(recordingNow().titles());
    m_pXyView->show();
    m_pXyView->raise();
    refreshXyView();
}

// The path follows the recording while the view is shown, a few times a second.
void TarnPlugin_ScopePrivate::refreshXyView()
{
    if (!m_pXyView->isVisible())
        return;
    if (m_xyRefreshed.isValid() && m_xyRefreshed.elapsed() < kXyRefreshMs)
        return;
    m_xyRefreshed.start();
    const ScopeRecording recording = recordingNow();
    const std::optional<double> newest = recording.lastTime();
    int samples = 0;
    for (const RecordedCurve &curve : recording.curves())
        samples = std::max(samples, curve.times.size());
    m_pXyView->refresh(QStringLiteral("%1 %2 %3")
                           .arg(samples)
                           .arg(newest.value_or(0.0), 0, 'g', 17)
                           .arg(recording.titles().join('|')));
}

void TarnPlugin_ScopePrivate::openDerivedChannels()
{
    GuardedDialog<DerivedChannelsDialog> dialog(m_derivedChannels, m_channelTitles, q);
    if (dialog.exec() != QDialog::Accepted)
        return; // cancelled, or the scope went with the dialog
    m_derivedChannels = dialog->channels();
    setAxisInfo();
    m_pSetupActions->rememberSetup();
}

void TarnPlugin_ScopePrivate::openTriggerOptions()
{
    GuardedDialog<TriggerOptionsDialog> dialog(m_pCaptures->options(), q);
    if (dialog.exec() != QDialog::Accepted)
        return; // cancelled, or the scope went with the dialog
    m_pCaptures->setOptions(dialog->options());
    announce(&TarnPlugin_Scope::triggerSettingsChanged);
}

// The error is shown while it is raised; with "Stop when Error" the second observation of
// a run stops it. The controller link reads the flags on its own thread; each of its
// readings is one observation.
void TarnPlugin_ScopePrivate::watchRobotError()
{
    const RobotFlagsReading flags = m_pRecorder->robotFlags();
    if (flags.reading == m_nSeenFlagsReading)
        return; // no new reading: nothing newly observed
    m_nSeenFlagsReading = flags.reading;
    const bool raised = flags.error;
    m_pStateLine->showRobotError(raised);
    if (!raised || !m_bStopWhenError || ++m_nErrorCount < 2)
        return;
    stop(TarnPlugin_Scope::RobotError);
    announce(&TarnPlugin_Scope::errorOccurred,
             TarnPlugin_Scope::tr("ERROR:Sampling stopped: the robot reports an error"));
}

// ---- the controller ------------------------------------------------------------------

// What the controller link reported since the last tick: a refused list, a dropped stretch,
// a clock step, silence. The recording ends once the controller has said nothing for the
// timeout; everything recorded stays.
void TarnPlugin_ScopePrivate::watchController()
{
    LinkNews news = m_pRecorder->takeLinkNews();
    if (news.refusedCode) {
        controllerRefused(*news.refusedCode);
        if (!m_pRecorder->isSampling())
            return;
    }
    for (const TimeStep &step : news.steps) {
        m_pTimeStepMarks->add(step.at, step.backMs);
        noteController(TarnPlugin_Scope::tr("controller time stepped back by %1 ms at %2")
                           .arg(step.backMs, 0, 'f', 3)
                           .arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
    }
    if (news.gaps > 0)
        noteController(TarnPlugin_Scope::tr("gap at %1: another scope's channels made the "
                                            "controller's list be rebuilt")
                           .arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
    const LinkHealth health = m_pRecorder->controllerHealth();
    const auto silentMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(health.silence).count();
    if (silentMs < kSilenceMs) {
        if (m_controllerStatus == TarnPlugin_Scope::NotAnswering) {
            m_pStateLine->showControllerNote(QString(), false);
            setControllerStatus(ControllerLibrary::isSimulator() ? TarnPlugin_Scope::Simulated
                                                                 : TarnPlugin_Scope::Connected);
        }
        return;
    }
    const QString since =
        QTime::currentTime().addMSecs(-int(silentMs)).toString(QStringLiteral("hh:mm:ss"));
    QString text = TarnPlugin_Scope::tr("No data from the controller since %1").arg(since);
    if (health.failureCode != 0)
        text += TarnPlugin_Scope::tr(" (code %1)").arg(health.failureCode);
    m_pStateLine->showControllerNote(text, true);
    setControllerStatus(TarnPlugin_Scope::NotAnswering);
    if (silentMs < m_nControllerTimeoutMs)
        return;
    stop(TarnPlugin_Scope::ControllerLost);
    fail(TarnPlugin_Scope::tr("ERROR:%1; the recording ended and is kept.").arg(text));
}

// A refused list at Start leaves nothing to sample; one refused for a set-up made while
// sampling brings the channels before it back.
void TarnPlugin_ScopePrivate::controllerRefused(int code)
{
    const QString text =
        TarnPlugin_Scope::tr("The controller refused the channel list (code %1)").arg(code);
    if (m_previousTitles.isEmpty()) {
        stop(TarnPlugin_Scope::SetupRefused);
        m_pStateLine->showControllerNote(text, true);
        fail(TarnPlugin_Scope::tr("ERROR:%1; nothing was started.").arg(text));
        return;
    }
    const QStringList previous = std::exchange(m_previousTitles, QStringList());
    noteController(TarnPlugin_Scope::tr("%1; the channels before are kept").arg(text));
    fail(TarnPlugin_Scope::tr("ERROR:%1; the channels before are kept.").arg(text));
    setChannels(previous, nullptr);
    m_previousTitles.clear();
}

void TarnPlugin_ScopePrivate::noteController(const QString &text)
{
    m_pStateLine->showControllerNote(text, true);
}

void TarnPlugin_ScopePrivate::setControllerStatus(TarnPlugin_Scope::ControllerStatus status)
{
    if (m_controllerStatus == status)
        return;
    m_controllerStatus = status;
    // Told after the refresh that noticed it, so a host may delete the scope in its slot.
    TarnPlugin_Scope *scope = q;
    QMetaObject::invokeMethod(
        scope, [scope, status] { emit scope->controllerStatusChanged(status); },
        Qt::QueuedConnection);
}

// The dialog shows the channels recorded, after a choice that could not be taken.
void TarnPlugin_ScopePrivate::restoreDialogChannels()
{
    ChannelRows rows;
    QString error;
    if (!rowsForChannels(m_channelTitles, rows, error))
        return;
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Components, rows.components);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::Links, rows.links);
    m_pScopeSetting->setCheckedIds(QScopeSetting::Tree::EndEffectors, rows.endEffectors);
}

// ---- the rest of the form ------------------------------------------------------------

void TarnPlugin_ScopePrivate::hideItem(const QVariant &itemInfo, bool on)
{
    if (QwtPlotItem *item = m_pScope->infoToItem(itemInfo))
        item->setVisible(!on);
    m_pScope->replot();
}

void TarnPlugin_ScopePrivate::fitLabelsToText(bool valuesOnly)
{
    if (valuesOnly) {
        for (QLabel *label : {ui->Kvel_Scope_lb_MoxCPU, ui->Kvel_Scope_lb_MoxMem,
                              ui->Kvel_Scope_lb_ReadScopeMaxCyc, ui->Kvel_Scope_lb_ReadScopeCyc})
            fitToText(label, true);
        return;
    }
    for (QFrame *frame :
         {ui->ScopePageFrame_Setting, ui->ScopePageFrame_CtlPanel, ui->ScopePageFrame_Trigger}) {
        for (QLabel *label : frame->findChildren<QLabel *>())
            fitToText(label, false);
    }
}

void TarnPlugin_ScopePrivate::fitEditsToText()
{
    fitEditToText(ui->ScopePlugin_edit_PeriodTime, kLongestPeriod);
    fitEditToText(ui->Kvel_Scope_edit_TriggerThreshold, kLongestSignedValue);
    fitEditToText(ui->Kvel_Scope_edit_TriggerDelay, kLongestSignedValue);
}

// Message boxes stay with the buttons; a call from code hears of a failure only here and
// through `errorText`. Always false, for the caller to return.
void TarnPlugin_ScopePrivate::setStopWhenError(bool on)
{
    if (on == m_bStopWhenError)
        return;
    ui->cb_StopWhenError->setChecked(on);
    takeStopWhenErrorBox();
}

void TarnPlugin_ScopePrivate::takeStopWhenErrorBox()
{
    const bool on = ui->cb_StopWhenError->isChecked();
    if (on == m_bStopWhenError)
        return;
    m_bStopWhenError = on;
    announce(&TarnPlugin_Scope::stopWhenErrorChanged, on);
}

void TarnPlugin_ScopePrivate::setControllerTimeoutMs(int milliseconds)
{
    m_nControllerTimeoutMs = std::max(milliseconds, kSilenceMs);
}

bool TarnPlugin_ScopePrivate::refuseOtherThread(QString *errorText)
{
    if (errorText)
        *errorText = TarnPlugin_Scope::tr("ERROR:Refused: called from a thread other than the "
                                          "widget's");
    return false;
}

bool TarnPlugin_ScopePrivate::fail(const QString &text, QString *errorText)
{
    if (errorText)
        *errorText = text;
    announce(&TarnPlugin_Scope::errorOccurred, text);
    return false;
}
