// The widget's public face: every call forwards to its inside, TarnPlugin_ScopePrivate, and
// the actions it owns. The form's slots keep their names; each forwards in one line.
#include "TarnPlugin_Scope.h"

#include "ControllerLibrary.h"
#include "PlotImage.h"
#include "QwtScope.h"
#include "SaveDialog.h"
#include "ScopeCaptures.h"
#include "ScopeFile.h"
#include "ScopeFileActions.h"
#include "ScopeRecordActions.h"
#include "ScopeRecorder.h"
#include "ScopeSetupActions.h"
#include "TarnPlugin_Scope_p.h"
#include "TriggerControls.h"
#include "ui_TarnPlugin_Scope.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimerEvent>
#include <QTranslator>

#include <algorithm>

namespace {

constexpr int kRefreshIntervalMs = 64;

// The translations the library carries (translations/): tarnscope_<language>.qm.
const char *const kTranslationFolder = ":/tarnscope/translations";

template <typename Change> void changeTriggerOptions(ScopeCaptures *captures, Change change)
{
    TriggerOptions options = captures->options();
    change(options);
    captures->setOptions(options);
}

} // namespace

TarnPlugin_Scope::TarnPlugin_Scope(QWidget *parent)
    : QWidget(parent), d(std::make_unique<TarnPlugin_ScopePrivate>(this))
{
    d->build();
    d->m_nTimerId = startTimer(kRefreshIntervalMs, Qt::CoarseTimer);
}

TarnPlugin_Scope::~TarnPlugin_Scope()
{
    d->m_pSetupActions->rememberSetup();
    d.reset();
}

bool TarnPlugin_Scope::installTranslation(const QLocale &locale)
{
    // The resource sits in the static core too, where nothing else would pull it in.
    Q_INIT_RESOURCE(tarnscope_translations);
    static QPointer<QTranslator> installed;
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("tarnscope"), QStringLiteral("_"),
                          QLatin1String(kTranslationFolder)))
        return false;
    delete installed; // a translator takes itself out of the application as it goes
    translator->setParent(app);
    installed = translator.get();
    QCoreApplication::installTranslator(translator.release());
    return true;
}

// ---- channels, period, trigger -------------------------------------------------------

QList<TarnScopeChannelInfo> TarnPlugin_Scope::availableChannels() const
{
    QList<TarnScopeChannelInfo> channels;
    for (const OfferedChannel &offered : offeredChannels())
        channels << TarnScopeChannelInfo{offered.channel.title, offered.channel.binding.unit,
                                         offered.family};
    return channels;
}

QStringList TarnPlugin_Scope::channels() const
{
    return d->m_recording.titles();
}

bool TarnPlugin_Scope::setChannels(const QStringList &titles, QString *errorText)
{
    return d->setChannels(titles, errorText);
}

int TarnPlugin_Scope::period() const
{
    return d->m_nPeriodTime;
}

void TarnPlugin_Scope::setPeriod(int milliseconds)
{
    d->setPeriod(milliseconds);
}

bool TarnPlugin_Scope::stopWhenError() const
{
    return d->m_bStopWhenError;
}

void TarnPlugin_Scope::setStopWhenError(bool on)
{
    if (on == d->m_bStopWhenError)
        return;
    d->ui->cb_StopWhenError->setChecked(on);
    slot_cb_StopWhenErrorClicked();
}

bool TarnPlugin_Scope::triggerEnabled() const
{
    return d->m_pTriggerControls->isEnabled();
}

void TarnPlugin_Scope::setTriggerEnabled(bool on)
{
    d->m_pTriggerControls->setEnabled(on);
}

QString TarnPlugin_Scope::triggerChannel() const
{
    return d->m_pTriggerControls->channelText();
}

void TarnPlugin_Scope::setTriggerChannel(const QString &title)
{
    if (!d->m_pTriggerControls->selectChannel(title))
        qWarning("TarnPlugin_Scope: \"%s\" is not a recorded channel; the trigger channel stays",
                 qUtf8Printable(title));
}

TarnPlugin_Scope::TriggerCondition TarnPlugin_Scope::triggerCondition() const
{
    return static_cast<TriggerCondition>(d->m_pTriggerControls->settings().condition);
}

void TarnPlugin_Scope::setTriggerCondition(TriggerCondition condition)
{
    d->m_pTriggerControls->setCondition(condition);
}

TarnPlugin_Scope::TriggerMode TarnPlugin_Scope::triggerMode() const
{
    return static_cast<TriggerMode>(d->m_pTriggerControls->settings().mode);
}

void TarnPlugin_Scope::setTriggerMode(TriggerMode mode)
{
    d->m_pTriggerControls->setMode(mode);
}

double TarnPlugin_Scope::triggerThreshold() const
{
    return d->m_pTriggerControls->settings().threshold;
}

void TarnPlugin_Scope::setTriggerThreshold(double threshold)
{
    if (!d->m_pTriggerControls->setThreshold(threshold))
        qWarning("TarnPlugin_Scope: trigger threshold %g refused; the threshold stays", threshold);
}

QString TarnPlugin_Scope::triggerDelay() const
{
    const std::optional<double> delay = d->m_pTriggerControls->settings().delay;
    return delay ? TriggerControls::writeNumber(*delay, QLocale::c()) : QString();
}

void TarnPlugin_Scope::setTriggerDelay(const QString &milliseconds)
{
    const std::optional<double> delay =
        milliseconds.isEmpty() ? std::nullopt
                               : TriggerControls::readNumber(milliseconds, QLocale::c());
    if (!milliseconds.isEmpty() && !delay) {
        qWarning("TarnPlugin_Scope: trigger delay \"%s\" is no number; the delay stays",
                 qUtf8Printable(milliseconds));
        return;
    }
    d->m_pTriggerControls->setDelay(delay);
}

bool TarnPlugin_Scope::triggerAbsoluteValue() const
{
    return d->m_pTriggerControls->settings().absoluteValue;
}

void TarnPlugin_Scope::setTriggerAbsoluteValue(bool on)
{
    d->m_pTriggerControls->setAbsoluteValue(on);
}

bool TarnPlugin_Scope::triggerRepeat() const
{
    return d->m_pCaptures->options().repeat;
}

void TarnPlugin_Scope::setTriggerRepeat(bool on)
{
    changeTriggerOptions(d->m_pCaptures, [on](TriggerOptions &options) { options.repeat = on; });
    emit triggerSettingsChanged();
}

int TarnPlugin_Scope::triggerKeep() const
{
    return d->m_pCaptures->options().keep;
}

void TarnPlugin_Scope::setTriggerKeep(int count)
{
    changeTriggerOptions(d->m_pCaptures,
                         [count](TriggerOptions &options) { options.keep = count; });
    emit triggerSettingsChanged();
}

QString TarnPlugin_Scope::triggerFolder() const
{
    return d->m_pCaptures->options().folder;
}

void TarnPlugin_Scope::setTriggerFolder(const QString &folder)
{
    changeTriggerOptions(d->m_pCaptures,
                         [&folder](TriggerOptions &options) { options.folder = folder; });
    emit triggerSettingsChanged();
}

QList<TarnScopeCapture> TarnPlugin_Scope::captures() const
{
    QList<TarnScopeCapture> captures;
    for (const ScopeCapture &kept : d->m_pCaptures->kept()) {
        TarnScopeCapture capture{kept.triggerTime, kept.channel, kept.value, kept.fileName, {}};
        for (const ScopeFileCurve &line : kept.curves)
            capture.curves << TarnScopeCurveData{line.title, line.binding.unit, line.x, line.y};
        captures << capture;
    }
    return captures;
}

bool TarnPlugin_Scope::showCapture(int index, QString *errorText)
{
    const ScopeCapture *capture = d->keptCapture(index, errorText);
    return capture && d->m_pFileActions->showCurves(capture->curves, capture->meta,
                                                    d->captureLabel(*capture), errorText);
}

bool TarnPlugin_Scope::compareCapture(int index, QString *errorText)
{
    const ScopeCapture *capture = d->keptCapture(index, errorText);
    return capture &&
           d->m_pFileActions->compareCurves(
               capture->curves, TarnPlugin_ScopePrivate::captureLabel(*capture), errorText);
}

// ---- states --------------------------------------------------------------------------

bool TarnPlugin_Scope::isSampling() const
{
    return d->m_pRecorder->isSampling();
}

bool TarnPlugin_Scope::isCapturing() const
{
    return d->m_pRecorder->isCapturing();
}

bool TarnPlugin_Scope::isTriggerArmed() const
{
    return d->m_pRecorder->isTriggerArmed();
}

bool TarnPlugin_Scope::isViewFrozen() const
{
    return d->m_bViewFrozen;
}

bool TarnPlugin_Scope::exactValues() const
{
    return d->m_bExactValues;
}

void TarnPlugin_Scope::setExactValues(bool on)
{
    d->setExactValues(on);
}

bool TarnPlugin_Scope::isStripView() const
{
    return d->m_pScope->isStripView();
}

void TarnPlugin_Scope::setStripView(bool on)
{
    d->setStripView(on);
}

bool TarnPlugin_Scope::scalesToVisibleCurves() const
{
    return d->m_pScope->scalesToVisible();
}

void TarnPlugin_Scope::setScaleToVisibleCurves(bool on)
{
    d->setScaleToVisible(on);
}

bool TarnPlugin_Scope::wallClockTime() const
{
    return d->m_pScope->wallClockTime();
}

void TarnPlugin_Scope::setWallClockTime(bool on)
{
    d->setWallClockTime(on);
}

bool TarnPlugin_Scope::persistSetup() const
{
    return d->m_pSetupActions->persistSetup();
}

void TarnPlugin_Scope::setPersistSetup(bool on)
{
    d->m_pSetupActions->setPersistSetup(on);
}

TarnPlugin_Scope::ControllerStatus TarnPlugin_Scope::controllerStatus() const
{
    return d->m_controllerStatus;
}

QString TarnPlugin_Scope::controllerLibrary() const
{
    return ControllerLibrary::isLoaded() ? ControllerLibrary::path()
                                         : ControllerLibrary::loadError();
}

int TarnPlugin_Scope::controllerTimeout() const
{
    return d->m_nControllerTimeoutMs;
}

void TarnPlugin_Scope::setControllerTimeout(int milliseconds)
{
    d->m_nControllerTimeoutMs = std::max(milliseconds, TarnPlugin_ScopePrivate::kSilenceMs);
}

void TarnPlugin_Scope::start()
{
    d->start(false);
}

void TarnPlugin_Scope::stop()
{
    d->stop(StoppedByOperator);
}

void TarnPlugin_Scope::resetView()
{
    d->m_pScope->resetZoom();
}

void TarnPlugin_Scope::setViewFrozen(bool frozen)
{
    d->setViewFrozen(frozen);
}

void TarnPlugin_Scope::armTrigger()
{
    d->armTrigger();
}

// ---- the recording -------------------------------------------------------------------

QList<TarnScopeCurveData> TarnPlugin_Scope::recordedCurves() const
{
    QList<TarnScopeCurveData> curves;
    for (const ScopeFileCurve &line : d->recordingNow().fileCurves())
        curves << TarnScopeCurveData{line.title, line.binding.unit, line.x, line.y};
    return curves;
}

bool TarnPlugin_Scope::exportToFile(const QString &path, QString *errorText) const
{
    return d->m_pFileActions->exportTo(path, errorText);
}

bool TarnPlugin_Scope::importFromFile(const QString &path, QString *errorText)
{
    return d->m_pFileActions->importFrom(path, errorText);
}

bool TarnPlugin_Scope::startRecordingToFile(const QString &path, QString *errorText)
{
    FileRecordingOptions options;
    options.fileName = path;
    return d->m_pRecordActions->start(options, errorText);
}

void TarnPlugin_Scope::stopRecordingToFile()
{
    d->m_pRecordActions->stop();
}

bool TarnPlugin_Scope::isRecordingToFile() const
{
    return d->m_pRecordActions->isRecording();
}

QString TarnPlugin_Scope::recordingFileName() const
{
    return d->m_pRecordActions->fileName();
}

qint64 TarnPlugin_Scope::recordingLostRecords() const
{
    return d->m_pRecordActions->lostRecords();
}

void TarnPlugin_Scope::setRecordingRotation(int minutes, int megabytes)
{
    d->m_pRecordActions->setRotation(minutes, megabytes);
}

bool TarnPlugin_Scope::saveImage(const QString &path, QString *errorText) const
{
    QString error;
    if (PlotImage::save(d->m_pScope, path, &error))
        return true;
    error = SaveDialog::cannotWrite(path, error);
    return d->fail(error, errorText);
}

// ---- the form's slots ----------------------------------------------------------------

void TarnPlugin_Scope::setAxisInfo()
{
    d->setAxisInfo();
}

void TarnPlugin_Scope::setScopeSetting()
{
    d->setScopeSetting();
}

void TarnPlugin_Scope::onSamplingScopTextChanged(QString text)
{
    d->onPeriodTextChanged(text);
}

void TarnPlugin_Scope::hideItem(QVariant itemInfo, bool on)
{
    d->hideItem(itemInfo, on);
}

void TarnPlugin_Scope::OnScopeSetting()
{
    d->openSettingDialog();
}

void TarnPlugin_Scope::OnStartScope()
{
    d->start(true);
}

void TarnPlugin_Scope::OnStopScope()
{
    d->stop(StoppedByOperator);
}

void TarnPlugin_Scope::OnResetView()
{
    resetView();
}

void TarnPlugin_Scope::slotImportScopeFile()
{
    d->m_pFileActions->importWithDialog();
}

void TarnPlugin_Scope::slotExportScopeFile()
{
    d->m_pFileActions->exportWithDialog();
}

void TarnPlugin_Scope::slot_Disconnected2Mox()
{
    d->stop(ControllerLost);
}

void TarnPlugin_Scope::slot_cb_StopWhenErrorClicked()
{
    const bool on = d->ui->cb_StopWhenError->isChecked();
    if (on == d->m_bStopWhenError)
        return;
    d->m_bStopWhenError = on;
    emit stopWhenErrorChanged(on);
}

void TarnPlugin_Scope::CheckTriggerStatus()
{
    d->checkTriggerStatus();
}

void TarnPlugin_Scope::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == d->m_nTimerId)
        d->tick();
}

// A scope on a hidden tab draws nothing while it samples: it catches up when shown.
void TarnPlugin_Scope::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    d->catchUpWhenShown();
}

void TarnPlugin_Scope::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        d->fitLabelsToText(false);
        d->fitEditsToText();
    }
}
