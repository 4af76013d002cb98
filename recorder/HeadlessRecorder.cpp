#include "HeadlessRecorder.h"

#include "ControllerLibrary.h"

#include <QDateTime>

#include <chrono>

namespace {

constexpr int kPollMs = 50;
constexpr int kFinishPollMs = 20;
// Silence said as "not answering", before the timeout ends the run.
constexpr int kSilenceMs = 1000;

QString timeOfDay(const QDateTime &when)
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("hh:mm:ss.zzz"))
                          : QStringLiteral("an unknown time");
}

} // namespace

HeadlessRecorder::HeadlessRecorder(RecorderOptions options, StatusReport &report, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_report(report), m_captures(this)
{
    for (const ScopeChannel &ch : m_options.channels)
        m_columns.append(ScopeFileCurve{ch.title, ch.binding, {}, {}});
    m_recorder.setWindow(m_options.periodMs);
    m_recorder.setCapturesOnly(true);
    m_recorder.setCaptureRepeat(m_options.captures.repeat);
    if (m_options.trigger)
        m_recorder.setTriggerSettings(*m_options.trigger);
    m_captures.setOptions(m_options.captures);
    m_captures.setNumberFormat(m_options.exactValues ? ScopeFile::NumberFormat::Exact
                                                     : ScopeFile::NumberFormat::ThreeDecimals);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &HeadlessRecorder::poll);
    m_status.setInterval(m_options.statusSeconds * 1000);
    connect(&m_status, &QTimer::timeout, this, &HeadlessRecorder::reportStatus);
    m_retry.setSingleShot(true);
    m_retry.setInterval(m_options.retrySeconds * 1000);
    connect(&m_retry, &QTimer::timeout, this, &HeadlessRecorder::retry);
}

HeadlessRecorder::~HeadlessRecorder()
{
    m_recorder.stopSampling();
    m_recorder.stopRecordingToFile();
}

void HeadlessRecorder::start()
{
    for (const QString &note : m_options.notes)
        m_report.event(QStringLiteral("note"), note);
    m_poll.start();
    if (m_options.statusSeconds > 0)
        m_status.start();
    if (m_options.durationSeconds > 0.0)
        QTimer::singleShot(
            std::chrono::milliseconds(qint64(m_options.durationSeconds * 1000.0)), this,
            [this] { finish(RecorderExit::Finished, QStringLiteral("the duration is over")); });
    if (startSampling() && m_options.recordTo)
        startRecordingToFile();
}

bool HeadlessRecorder::startSampling()
{
    if (!ControllerLibrary::isLoaded()) {
        finish(RecorderExit::NoController,
               QStringLiteral("no controller library: %1").arg(ControllerLibrary::loadError()));
        return false;
    }
    QString error;
    if (!m_recorder.startSampling(m_options.indexes, &error)) {
        if (m_options.retrySeconds > 0) {
            m_report.event(QStringLiteral("controller"),
                           QStringLiteral("cannot sample: %1; trying again in %2 s")
                               .arg(error)
                               .arg(m_options.retrySeconds));
            retryLater();
        } else {
            finish(RecorderExit::NoController, QStringLiteral("cannot sample: %1").arg(error));
        }
        return false;
    }
    m_recordsBefore += m_recorder.recordCount(); // what the run before this one appended
    m_recorder.bindSlots(m_options.indexes, m_options.derived);
    m_recorder.setFileColumns(m_columns);
    m_recorder.armTrigger(m_options.trigger.has_value(),
                          m_options.trigger ? m_options.trigger->mode : TriggerSettings::OpenGrab);
    m_seenFlagsReading = m_recorder.robotFlags().reading;
    m_notAnswering = false;
    m_report.event(QStringLiteral("started"),
                   QStringLiteral("sampling %1 channels (%2 derived) from %3; window %4 ms")
                       .arg(m_options.indexes.size())
                       .arg(m_options.derived.size())
                       .arg(ControllerLibrary::path())
                       .arg(m_options.periodMs));
    return true;
}

bool HeadlessRecorder::startRecordingToFile()
{
    FileRecordingOptions file = *m_options.recordTo;
    if (m_fileStarted)
        file.fileName = ScopeFileRecorder::nextFreeName(file.fileName);
    m_fileStarted = true;
    QString error;
    if (!m_recorder.startRecordingToFile(file, &error)) {
        failDisk(QStringLiteral("cannot record to %1: %2").arg(file.fileName, error));
        return false;
    }
    m_filesBefore += m_file.files;
    m_file = FileRecordingStatus();
    watchFile();
    return true;
}

void HeadlessRecorder::poll()
{
    if (m_ending)
        return;
    watchController();
    if (m_ending)
        return;
    collectCaptures();
    if (m_ending)
        return;
    watchFile();
    if (m_ending)
        return;
    watchRobot();
    for (const FileRecordingStatus &failed : m_recorder.reapFinishedFiles())
        m_report.event(QStringLiteral("error"),
                       QStringLiteral("%1: %2").arg(failed.fileName, failed.failure));
}

// As the widget watches it: a refused list ends the run, silence is said and, past the
// timeout, ends sampling with everything recorded kept.
void HeadlessRecorder::watchController()
{
    if (!m_recorder.isSampling())
        return;
    const LinkNews news = m_recorder.takeLinkNews();
    if (news.refusedCode) {
        finish(RecorderExit::ListRefused,
               QStringLiteral("the controller refused the channel list (code %1)")
                   .arg(*news.refusedCode));
        return;
    }
    for (const TimeStep &step : news.steps)
        m_report.event(QStringLiteral("controller"),
                       QStringLiteral("controller time stepped back by %1 ms").arg(step.backMs));
    const LinkHealth health = m_recorder.controllerHealth();
    const auto silentMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(health.silence).count();
    if (silentMs < kSilenceMs) {
        if (m_notAnswering)
            m_report.event(QStringLiteral("controller"), QStringLiteral("answering again"));
        m_notAnswering = false;
        return;
    }
    QString text = QStringLiteral("no data from the controller for %1 s").arg(silentMs / 1000);
    if (health.failureCode != 0)
        text += QStringLiteral(" (code %1)").arg(health.failureCode);
    if (!m_notAnswering)
        m_report.event(QStringLiteral("controller"), text);
    m_notAnswering = true;
    if (silentMs >= m_options.controllerTimeoutMs)
        loseController(text);
}

void HeadlessRecorder::loseController(const QString &why)
{
    m_recorder.stopSampling();
    collectCaptures();
    if (m_recorder.isRecordingToFile())
        m_recorder.stopRecordingToFile();
    if (m_options.retrySeconds <= 0) {
        finish(RecorderExit::ControllerLost,
               QStringLiteral("%1; the recording ended and is kept").arg(why));
        return;
    }
    m_report.event(QStringLiteral("controller"),
                   QStringLiteral("%1; the recording is kept; trying again in %2 s")
                       .arg(why)
                       .arg(m_options.retrySeconds));
    retryLater();
}

void HeadlessRecorder::watchRobot()
{
    const RobotFlagsReading flags = m_recorder.robotFlags();
    if (flags.reading == m_seenFlagsReading)
        return;
    m_seenFlagsReading = flags.reading;
    if (flags.error == m_robotError)
        return;
    m_robotError = flags.error;
    m_report.event(QStringLiteral("robot"), m_robotError
                                                ? QStringLiteral("the robot reports an error")
                                                : QStringLiteral("the robot's error is cleared"));
    if (m_robotError && m_options.stopWhenError)
        finish(RecorderExit::Finished,
               QStringLiteral("the robot reports an error; stopped as asked"));
}

void HeadlessRecorder::watchFile()
{
    if (!m_recorder.isRecordingToFile())
        return;
    const FileRecordingStatus status = m_recorder.fileRecordingStatus();
    if (status.files != m_file.files)
        m_report.event(QStringLiteral("file"),
                       QStringLiteral("recording to %1").arg(status.fileName));
    m_file = status;
    if (!status.failure.isEmpty())
        failDisk(QStringLiteral("recording to %1 failed: %2").arg(status.fileName, status.failure));
}

void HeadlessRecorder::failDisk(const QString &why)
{
    m_recorder.stopRecordingToFile();
    if (m_options.retrySeconds <= 0) {
        finish(RecorderExit::DiskFailed, why);
        return;
    }
    m_report.event(QStringLiteral("error"),
                   QStringLiteral("%1; trying again in %2 s").arg(why).arg(m_options.retrySeconds));
    retryLater();
}

// The recorder cut each capture as its records arrived; here they are named, kept and saved.
void HeadlessRecorder::collectCaptures()
{
    const std::vector<CutCapture> cut = m_recorder.takeCaptures();
    for (const CutCapture &each : cut) {
        QString error;
        const bool saved = m_captures.add(
            ScopeCaptures::fromCut(each, m_columns, m_recorder.clockOrigin()), &error);
        ++m_capturesTaken;
        const ScopeCapture &kept = m_captures.kept().back();
        QString text = QStringLiteral("%1 at %2, value %3")
                           .arg(kept.channel,
                                timeOfDay(m_recorder.clockOrigin().wallClockAt(kept.triggerTime)))
                           .arg(kept.value);
        if (!kept.fileName.isEmpty())
            text += QStringLiteral(", saved to %1").arg(kept.fileName);
        if (!each.whole)
            text += QStringLiteral(" (cut short by the end of sampling)");
        m_report.event(QStringLiteral("capture"), text);
        if (!saved)
            failCapture(error);
    }
    if (!cut.empty() && !m_options.captures.repeat && !m_options.recordTo)
        finish(RecorderExit::Finished, QStringLiteral("the capture is complete"));
}

void HeadlessRecorder::failCapture(const QString &why)
{
    m_report.event(QStringLiteral("error"), why);
    if (m_ending) {
        if (m_exit == RecorderExit::Finished)
            m_exit = RecorderExit::DiskFailed;
        return;
    }
    if (m_options.retrySeconds <= 0)
        finish(RecorderExit::DiskFailed, why);
}

void HeadlessRecorder::retryLater()
{
    if (!m_ending && !m_retry.isActive())
        m_retry.start();
}

void HeadlessRecorder::retry()
{
    if (m_ending)
        return;
    if (!m_recorder.isSampling() && !startSampling())
        return;
    if (m_options.recordTo && !m_recorder.isRecordingToFile())
        startRecordingToFile();
}

void HeadlessRecorder::finish(RecorderExit code, const QString &reason)
{
    if (m_ending)
        return;
    m_ending = true;
    m_exit = code;
    m_poll.stop();
    m_status.stop();
    m_retry.stop();
    m_report.event(code == RecorderExit::Finished ? QStringLiteral("stopped")
                                                  : QStringLiteral("error"),
                   reason);
    if (m_recorder.isSampling()) {
        m_recorder.stopSampling();
        collectCaptures();
    }
    if (m_recorder.isRecordingToFile()) {
        m_file = m_recorder.fileRecordingStatus();
        if (!m_file.failure.isEmpty() && m_exit == RecorderExit::Finished)
            m_exit = RecorderExit::DiskFailed;
        m_recorder.stopRecordingToFile();
    }
    waitForFiles();
}

// The writer threads finish the files on their own; the loop goes on meanwhile, so a
// further signal is taken (and dropped) rather than killing the process mid-write.
void HeadlessRecorder::waitForFiles()
{
    for (const FileRecordingStatus &failed : m_recorder.reapFinishedFiles()) {
        m_report.event(QStringLiteral("error"),
                       QStringLiteral("%1: %2").arg(failed.fileName, failed.failure));
        if (m_exit == RecorderExit::Finished)
            m_exit = RecorderExit::DiskFailed;
    }
    if (m_recorder.isFinishingFiles()) {
        QTimer::singleShot(kFinishPollMs, this, &HeadlessRecorder::waitForFiles);
        return;
    }
    reportStatus();
    emit finished(int(m_exit));
}

void HeadlessRecorder::reportStatus()
{
    m_report.status(figures());
}

RecorderFigures HeadlessRecorder::figures() const
{
    RecorderFigures f;
    f.records = m_recordsBefore + m_recorder.recordCount();
    f.captures = m_capturesTaken;
    const FileRecordingStatus file =
        m_recorder.isRecordingToFile() ? m_recorder.fileRecordingStatus() : m_file;
    f.lost = file.dropped;
    f.files = m_filesBefore + file.files;
    f.file = file.fileName;
    f.fileBytes = file.bytes;
    f.controller = m_ending                   ? QStringLiteral("stopped")
                   : !m_recorder.isSampling() ? QStringLiteral("lost")
                   : m_notAnswering           ? QStringLiteral("not answering")
                                              : QStringLiteral("sampling");
    return f;
}
