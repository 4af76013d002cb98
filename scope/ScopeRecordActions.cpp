#include "ScopeRecordActions.h"

#include "GuardedDialog.h"
#include "RecordToFileDialog.h"
#include "SaveDialog.h"
#include "ScopeAnnouncer.h"
#include "ScopeRecorder.h"
#include "ScopeStateLine.h"
#include "TarnPlugin_Scope.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTime>

namespace {

QString sizeText(qint64 bytes)
{
    return bytes < (qint64(1) << 20)
               ? TarnPlugin_Scope::tr("%1 kB").arg(bytes / 1024.0, 0, 'f', 1)
               : TarnPlugin_Scope::tr("%1 MB").arg(bytes / 1048576.0, 0, 'f', 1);
}

QString durationText(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QString("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ScopeRecordActions::ScopeRecordActions(TarnPlugin_Scope *scope, ScopeRecorder &recorder,
                                       ScopeStateLine &stateLine, ScopeAnnouncer &announcer,
                                       Host &host)
    : QObject(scope), m_scope(scope), m_recorder(recorder), m_stateLine(stateLine),
      m_announcer(announcer), m_host(host),
      m_action(new QAction(TarnPlugin_Scope::tr("Record to file…"), scope))
{
    m_action->setObjectName(QStringLiteral("ScopeAction_RecordToFile"));
    connect(m_action, &QAction::triggered, this, &ScopeRecordActions::toggleFromMenu);
}

bool ScopeRecordActions::isRecording() const
{
    return m_recorder.isRecordingToFile();
}

void ScopeRecordActions::setRotation(int minutes, int megabytes)
{
    m_rotateMinutes = std::max(0, minutes);
    m_rotateMegabytes = std::max(0, megabytes);
}

bool ScopeRecordActions::start(FileRecordingOptions options, QString *errorText)
{
    if (options.fileName.isEmpty())
        return m_host.fail(TarnPlugin_Scope::tr("ERROR:No file to record to"), errorText);
    if (!options.replace && QFileInfo::exists(options.fileName))
        return m_host.fail(TarnPlugin_Scope::tr("ERROR:Cannot record to %1: the file exists "
                                                "already and is not replaced")
                               .arg(options.fileName),
                           errorText);
    options.rotateMinutes = m_rotateMinutes;
    options.rotateMegabytes = m_rotateMegabytes;
    options.exactValues = m_scope->exactValues();
    QString error;
    if (!m_recorder.startRecordingToFile(options, &error))
        return m_host.fail(SaveDialog::cannotWrite(options.fileName, error), errorText);
    m_lastFolder = QFileInfo(options.fileName).absolutePath();
    m_firstFileName = options.fileName;
    m_fileName = options.fileName;
    m_lost = 0;
    m_since.start();
    m_action->setText(TarnPlugin_Scope::tr("Stop recording to file"));
    poll();
    announceFileChange();
    return true;
}

void ScopeRecordActions::stop()
{
    if (!isRecording())
        return;
    m_recorder.stopRecordingToFile();
    m_action->setText(TarnPlugin_Scope::tr("Record to file…"));
    markRunNotOnDisk();
    showOnStrip(QString(), false);
    m_stateLine.showSavedTo(recordedFilesText());
}

// "Recorded to <path>", with the last numbered file when the recording went on in more.
QString ScopeRecordActions::recordedFilesText() const
{
    const QString first = SaveDialog::wholePath(m_firstFileName);
    if (m_fileName == m_firstFileName)
        return TarnPlugin_Scope::tr("Recorded to %1").arg(first);
    return TarnPlugin_Scope::tr("Recorded to %1 … %2").arg(first, QFileInfo(m_fileName).fileName());
}

// A run sampled on after its recording to disk ended, or with records the disk lost, exists
// whole only on the plot.
void ScopeRecordActions::markRunNotOnDisk()
{
    if (m_recorder.isSampling())
        m_host.noteRecordingUnsaved();
}

void ScopeRecordActions::toggleFromMenu()
{
    const ScopeAnnouncer::Call call(m_announcer, __func__);
    if (isRecording())
        stop();
    else
        startWithDialog();
}

void ScopeRecordActions::startWithDialog()
{
    GuardedDialog<RecordToFileDialog> dialog(proposedFile(), m_scope->exactValues(), m_scope);
    if (dialog.exec() != QDialog::Accepted)
        return; // cancelled, or the scope went with the dialog
    m_scope->setExactValues(dialog->exactValues());
    setRotation(dialog->rotateMinutes(), dialog->rotateMegabytes());
    FileRecordingOptions options;
    options.fileName = dialog->fileName();
    options.replace = dialog->replaceExisting();
    QString error;
    if (!start(options, &error))
        askGuarded(m_scope, QMessageBox::Warning, tr("Warning"), error);
}

// A name with date and time, in the folder recorded to last.
QString ScopeRecordActions::proposedFile() const
{
    const QString folder = m_lastFolder.isEmpty() ? QDir::currentPath() : m_lastFolder;
    return QDir(folder).filePath(SaveDialog::timestampedName() + ".csv");
}

void ScopeRecordActions::poll()
{
    ScopeRecorder &recorder = m_recorder;
    const bool finishing = recorder.isFinishingFiles();
    const QVector<FileRecordingStatus> failures = recorder.reapFinishedFiles();
    for (const FileRecordingStatus &failed : failures)
        reportFailure(failed);
    if (finishing && !recorder.isFinishingFiles() && failures.isEmpty())
        announceFileChange(); // the file is complete
    if (!isRecording())
        return;
    const FileRecordingStatus status = m_recorder.fileRecordingStatus();
    if (!status.failure.isEmpty()) {
        m_recorder.stopRecordingToFile();
        m_action->setText(TarnPlugin_Scope::tr("Record to file…"));
        reportFailure(status);
        return;
    }
    QString text = TarnPlugin_Scope::tr("Recording to %1: %2, %3")
                       .arg(QFileInfo(status.fileName).fileName(), sizeText(status.bytes),
                            durationText(m_since.elapsed()));
    if (status.dropped > 0) {
        text += TarnPlugin_Scope::tr("; %n record(s) lost: the disk did not keep up", "",
                                     static_cast<int>(std::min<qint64>(status.dropped, INT_MAX)));
        markRunNotOnDisk();
    }
    showOnStrip(text, status.dropped > 0);
    if (status.fileName != m_fileName || status.dropped != m_lost) {
        m_fileName = status.fileName;
        m_lost = status.dropped;
        announceFileChange();
    }
}

void ScopeRecordActions::announceFileChange()
{
    m_announcer.announce([scope = m_scope] { emit scope->recordingToFileChanged(); });
}

void ScopeRecordActions::reportFailure(const FileRecordingStatus &status)
{
    markRunNotOnDisk();
    const QString text =
        TarnPlugin_Scope::tr("Recording to %1 stopped: %2; the file keeps what was written")
            .arg(QFileInfo(status.fileName).fileName(), status.failure);
    showOnStrip(text, true);
    m_announcer.announce([scope = m_scope, failure = status.failure] {
        emit scope->recordingToFileFailed(failure);
    });
    m_host.fail(TarnPlugin_Scope::tr("ERROR:%1").arg(text));
}

void ScopeRecordActions::showOnStrip(const QString &text, bool alarm)
{
    m_stateLine.showFileRecording(text, alarm);
}
