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
#include "ScopeFileSeries.h"
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
}

TarnPlugin_Scope::~TarnPlugin_Scope()
{
    d->setupActions().rememberSetup();
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
    return d->recording().titles();
}

bool TarnPlugin_Scope::setChannels(const QStringList &titles, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->setChannels(titles, errorText);
}

bool TarnPlugin_Scope::addDerivedChannel(const QString &title, const QString &expression,
                                         const QString &unit, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->addDerivedChannel(DerivedChannel{title, unit, expression}, errorText);
}

bool TarnPlugin_Scope::removeDerivedChannel(const QString &title)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    return call && d->removeDerivedChannel(title);
}

QStringList TarnPlugin_Scope::derivedChannels() const
{
    return d->derivedChannels().titles();
}

QString TarnPlugin_Scope::derivedChannelExpression(const QString &title) const
{
    const DerivedChannel *channel = d->derivedChannels().find(title);
    return channel ? channel->expression : QString();
}

QString TarnPlugin_Scope::derivedChannelUnit(const QString &title) const
{
    const DerivedChannel *channel = d->derivedChannels().find(title);
    return channel ? channel->unit : QString();
}

bool TarnPlugin_Scope::addBitLanes(const QString &channel, const QList<int> &bits,
                                   const QStringList &names, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->addBitLanes(channel, bits, names, errorText);
}

bool TarnPlugin_Scope::addRobotPreset(RobotPreset preset, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->addRobotPreset(static_cast<::RobotPreset>(preset), errorText);
}

int TarnPlugin_Scope::period() const
{
    return d->periodMs();
}

void TarnPlugin_Scope::setPeriod(int milliseconds)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setPeriod(milliseconds);
}

bool TarnPlugin_Scope::stopWhenError() const
{
    return d->stopsWhenError();
}

void TarnPlugin_Scope::setStopWhenError(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setStopWhenError(on);
}

bool TarnPlugin_Scope::triggerEnabled() const
{
    return d->triggerControls().isEnabled();
}

void TarnPlugin_Scope::setTriggerEnabled(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->triggerControls().setEnabled(on);
}

QString TarnPlugin_Scope::triggerChannel() const
{
    return d->triggerControls().channelText();
}

void TarnPlugin_Scope::setTriggerChannel(const QString &title)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    if (!d->triggerControls().selectChannel(title))
        d->fail(tr("ERROR:Trigger channel refused: %1 is not a recorded channel").arg(title));
}

TarnPlugin_Scope::TriggerCondition TarnPlugin_Scope::triggerCondition() const
{
    return static_cast<TriggerCondition>(d->triggerControls().settings().condition);
}

void TarnPlugin_Scope::setTriggerCondition(TriggerCondition condition)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->triggerControls().setCondition(condition);
}

TarnPlugin_Scope::TriggerMode TarnPlugin_Scope::triggerMode() const
{
    return static_cast<TriggerMode>(d->triggerControls().settings().mode);
}

void TarnPlugin_Scope::setTriggerMode(TriggerMode mode)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->triggerControls().setMode(mode);
}

double TarnPlugin_Scope::triggerThreshold() const
{
    return d->triggerControls().settings().threshold;
}

void TarnPlugin_Scope::setTriggerThreshold(double threshold)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    if (!d->triggerControls().setThreshold(threshold))
        d->fail(tr("ERROR:Trigger threshold refused: %1 is not a finite number").arg(threshold));
}

QString TarnPlugin_Scope::triggerDelay() const
{
    const std::optional<double> delay = d->triggerControls().settings().delay;
    return delay ? TriggerControls::writeNumber(*delay, QLocale::c()) : QString();
}

void TarnPlugin_Scope::setTriggerDelay(const QString &milliseconds)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    const std::optional<double> delay =
        milliseconds.isEmpty() ? std::nullopt
                               : TriggerControls::readNumber(milliseconds, QLocale::c());
    if (!milliseconds.isEmpty() && !delay) {
        d->fail(tr("ERROR:Trigger delay refused: \"%1\" is not a number of ms").arg(milliseconds));
        return;
    }
    d->triggerControls().setDelay(delay);
}

bool TarnPlugin_Scope::triggerAbsoluteValue() const
{
    return d->triggerControls().settings().absoluteValue;
}

void TarnPlugin_Scope::setTriggerAbsoluteValue(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->triggerControls().setAbsoluteValue(on);
}

bool TarnPlugin_Scope::triggerRepeat() const
{
    return d->captures().options().repeat;
}

void TarnPlugin_Scope::setTriggerRepeat(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    changeTriggerOptions(&d->captures(), [on](TriggerOptions &options) { options.repeat = on; });
    d->announce(&TarnPlugin_Scope::triggerSettingsChanged);
}

int TarnPlugin_Scope::triggerKeep() const
{
    return d->captures().options().keep;
}

void TarnPlugin_Scope::setTriggerKeep(int count)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    changeTriggerOptions(&d->captures(),
                         [count](TriggerOptions &options) { options.keep = count; });
    d->announce(&TarnPlugin_Scope::triggerSettingsChanged);
}

QString TarnPlugin_Scope::triggerFolder() const
{
    return d->captures().options().folder;
}

void TarnPlugin_Scope::setTriggerFolder(const QString &folder)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    changeTriggerOptions(&d->captures(),
                         [&folder](TriggerOptions &options) { options.folder = folder; });
    d->announce(&TarnPlugin_Scope::triggerSettingsChanged);
}

QList<TarnScopeCapture> TarnPlugin_Scope::captures() const
{
    QList<TarnScopeCapture> captures;
    for (const ScopeCapture &kept : d->captures().kept()) {
        TarnScopeCapture capture{kept.triggerTime, kept.channel, kept.value, kept.fileName, {}};
        for (const ScopeFileCurve &line : kept.curves)
            capture.curves << TarnScopeCurveData{line.title, line.binding.unit, line.x, line.y};
        captures << capture;
    }
    return captures;
}

bool TarnPlugin_Scope::showCapture(int index, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->showCapture(index, errorText);
}

bool TarnPlugin_Scope::compareCapture(int index, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->compareCapture(index, errorText);
}

// ---- states --------------------------------------------------------------------------

bool TarnPlugin_Scope::isSampling() const
{
    return d->recorder().isSampling();
}

bool TarnPlugin_Scope::isCapturing() const
{
    return d->recorder().isCapturing();
}

bool TarnPlugin_Scope::isTriggerArmed() const
{
    return d->recorder().isTriggerArmed();
}

bool TarnPlugin_Scope::isViewFrozen() const
{
    return d->isViewFrozen();
}

bool TarnPlugin_Scope::exactValues() const
{
    return d->exactValues();
}

void TarnPlugin_Scope::setExactValues(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setExactValues(on);
}

bool TarnPlugin_Scope::isStripView() const
{
    return d->plot()->isStripView();
}

void TarnPlugin_Scope::setStripView(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setStripView(on);
}

bool TarnPlugin_Scope::scalesToVisibleCurves() const
{
    return d->plot()->scalesToVisible();
}

void TarnPlugin_Scope::setScaleToVisibleCurves(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setScaleToVisible(on);
}

bool TarnPlugin_Scope::wallClockTime() const
{
    return d->plot()->wallClockTime();
}

void TarnPlugin_Scope::setWallClockTime(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setWallClockTime(on);
}

bool TarnPlugin_Scope::persistSetup() const
{
    return d->setupActions().persistSetup();
}

void TarnPlugin_Scope::setPersistSetup(bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setupActions().setPersistSetup(on);
}

TarnPlugin_Scope::ControllerStatus TarnPlugin_Scope::controllerStatus() const
{
    return d->controllerStatus();
}

QString TarnPlugin_Scope::controllerLibrary() const
{
    return ControllerLibrary::isLoaded() ? ControllerLibrary::path()
                                         : ControllerLibrary::loadError();
}

int TarnPlugin_Scope::controllerTimeout() const
{
    return d->controllerTimeoutMs();
}

void TarnPlugin_Scope::setControllerTimeout(int milliseconds)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setControllerTimeoutMs(milliseconds);
}

void TarnPlugin_Scope::start()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->start(false);
}

void TarnPlugin_Scope::stop()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->stop(StoppedByOperator);
}

void TarnPlugin_Scope::resetView()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->plot()->resetZoom();
}

void TarnPlugin_Scope::setViewFrozen(bool frozen)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setViewFrozen(frozen);
}

void TarnPlugin_Scope::armTrigger()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
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

bool TarnPlugin_Scope::spectrum(const QString &title, TarnScopeSpectrum *result,
                                SpectrumWindow window, bool decibel, QString *errorText) const
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    SpectrumOptions options;
    options.window = window == HannWindow ? ::SpectrumWindow::Hann
                     : window == NoWindow ? ::SpectrumWindow::None
                                          : ::SpectrumWindow::FlatTop;
    options.scale = decibel ? SpectrumScale::Decibel : SpectrumScale::Linear;
    QString error;
    const std::optional<AmplitudeSpectrum> computed = d->spectrumOf(title, options, &error);
    if (!computed)
        return d->fail(error, errorText);
    if (result) {
        const std::vector<double> &f = computed->frequencies();
        const std::vector<double> &a = computed->amplitudes();
        *result = TarnScopeSpectrum();
        result->frequencies = QVector<double>(f.begin(), f.end());
        result->amplitudes = QVector<double>(a.begin(), a.end());
        for (const SpectrumPeak &peak : computed->peaks())
            result->peaks << QPointF(peak.frequency, peak.amplitude);
        result->binWidth = computed->binWidth();
        result->sampleCount = computed->sampleCount();
    }
    return true;
}

QList<QPointF> TarnPlugin_Scope::xyPath(const QString &xTitle, const QString &yTitle) const
{
    const std::optional<XyPath> path = d->xyPathOf(xTitle, yTitle);
    if (!path)
        return {};
    return QList<QPointF>(path->points().begin(), path->points().end());
}

bool TarnPlugin_Scope::exportToFile(const QString &path, QString *errorText,
                                    ExistingFile existing) const
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->fileActions().exportTo(path, errorText, existing == ReplaceExisting);
}

bool TarnPlugin_Scope::importFromFile(const QString &path, QString *errorText, QString *notes)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->fileActions().importFrom(path, errorText, notes);
}

bool TarnPlugin_Scope::importFromFiles(const QStringList &paths, QString *errorText, QString *notes)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    return d->fileActions().importFromFiles(paths, errorText, notes);
}

QList<QStringList> TarnPlugin_Scope::recordingsOf(const QStringList &paths)
{
    QList<QStringList> recordings;
    for (const ScopeFileSeries &series : ScopeFileSeries::group(paths)) {
        QStringList files = series.fileNames();
        if (files.isEmpty())
            files << series.firstFileName(); // nothing stands there: its import says so
        recordings << files;
    }
    return recordings;
}

bool TarnPlugin_Scope::startRecordingToFile(const QString &path, QString *errorText)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    FileRecordingOptions options;
    options.fileName = path;
    return d->recordActions().start(options, errorText);
}

void TarnPlugin_Scope::stopRecordingToFile()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->recordActions().stop();
}

bool TarnPlugin_Scope::isRecordingToFile() const
{
    return d->recordActions().isRecording();
}

QString TarnPlugin_Scope::recordingFileName() const
{
    return d->recordActions().fileName();
}

qint64 TarnPlugin_Scope::recordingLostRecords() const
{
    return d->recordActions().lostRecords();
}

void TarnPlugin_Scope::setRecordingRotation(int minutes, int megabytes)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->recordActions().setRotation(minutes, megabytes);
}

bool TarnPlugin_Scope::saveImage(const QString &path, QString *errorText) const
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return TarnPlugin_ScopePrivate::refuseOtherThread(errorText);
    QString error;
    if (PlotImage::save(d->plot(), path, &error))
        return true;
    error = SaveDialog::cannotWrite(path, error);
    return d->fail(error, errorText);
}

// ---- the form's slots ----------------------------------------------------------------

void TarnPlugin_Scope::setAxisInfo()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setAxisInfo();
}

void TarnPlugin_Scope::setScopeSetting()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->setScopeSetting();
}

void TarnPlugin_Scope::onSamplingScopTextChanged(QString text)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->onPeriodTextChanged(text);
}

void TarnPlugin_Scope::hideItem(QVariant itemInfo, bool on)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->hideItem(itemInfo, on);
}

void TarnPlugin_Scope::OnScopeSetting()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->openSettingDialog();
}

void TarnPlugin_Scope::OnStartScope()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->start(true);
}

void TarnPlugin_Scope::OnStopScope()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->stop(StoppedByOperator);
}

void TarnPlugin_Scope::OnResetView()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    resetView();
}

void TarnPlugin_Scope::slotImportScopeFile()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->fileActions().importWithDialog();
}

void TarnPlugin_Scope::slotExportScopeFile()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->fileActions().exportWithDialog();
}

void TarnPlugin_Scope::slot_Disconnected2Mox()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->stop(ControllerLost);
}

void TarnPlugin_Scope::slot_cb_StopWhenErrorClicked()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->takeStopWhenErrorBox();
}

void TarnPlugin_Scope::CheckTriggerStatus()
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (!call)
        return;
    d->checkTriggerStatus();
}

void TarnPlugin_Scope::timerEvent(QTimerEvent *event)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    if (d->isRefreshTimer(event->timerId()))
        d->tick();
}

// A scope on a hidden tab draws nothing while it samples: it catches up when shown.
void TarnPlugin_Scope::showEvent(QShowEvent *event)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    QWidget::showEvent(event);
    d->catchUpWhenShown();
}

void TarnPlugin_Scope::changeEvent(QEvent *event)
{
    const ScopeAnnouncer::Call call = d->enter(__func__);
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        d->fitLabelsToText(false);
        d->fitEditsToText();
    }
}
