#include "ScopeFileActions.h"

#include "GuardedDialog.h"
#include "SaveDialog.h"
#include "ScopeChannel.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeRecorder.h"
#include "ScopeStateLine.h"
#include "TarnPlugin_Scope.h"

#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

const char *const kFileFilter = QT_TRANSLATE_NOOP("ScopeFileActions", "csv(*.csv)");
constexpr int kProgressShowMs = 500;
constexpr int kProgressSteps = 1000;

void warn(QWidget *parent, const QString &text)
{
    askGuarded(parent, QMessageBox::Warning, ScopeFileActions::tr("Warning"), text);
}

// A progress dialog that shows only when the work runs longer than half a second; while
// it shows, the window keeps handling events and Cancel stops the work.
class FileProgress
{
public:
    FileProgress(QWidget *parent, const QString &label)
        : m_dialog(
              new QProgressDialog(label, ScopeFileActions::tr("Cancel"), 0, kProgressSteps, parent))
    {
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(kProgressShowMs);
        m_dialog->setValue(0);
    }
    ~FileProgress() { delete m_dialog.data(); }
    FileProgress(const FileProgress &) = delete;
    FileProgress &operator=(const FileProgress &) = delete;

    // A scope deleted while the dialog ran events took the dialog with it: the work is
    // cancelled and the caller returns at once.
    ScopeFile::Progress callback()
    {
        return [this](qint64 done, qint64 total) {
            if (scopeGone())
                return false;
            const qint64 step = total > 0 ? done * kProgressSteps / total : kProgressSteps;
            m_dialog->setValue(static_cast<int>(std::min<qint64>(step, kProgressSteps - 1)));
            return m_dialog && !m_dialog->wasCanceled();
        };
    }
    bool scopeGone() const { return !m_dialog; }

private:
    QPointer<QProgressDialog> m_dialog;
};

// Files of earlier versions carry some channels' units as they were then; their curves get
// the units of today, as if recorded now.
void takeCurrentUnits(ScopeFileContent &content)
{
    for (ScopeFileCurve &curve : content.curves)
        curve.binding.unit = currentUnit(curve.title, curve.binding.unit);
}

// Reads the whole file before anything on screen changes. Nothing comes back with an empty
// `error` when the user cancelled.
std::optional<ScopeFileContent> readScopeFile(const QString &fileName,
                                              const ScopeFile::Progress &progress, QString &error)
{
    ScopeFileContent content;
    const ScopeFile::Outcome outcome = ScopeFile::load(fileName, &content, progress, &error);
    if (outcome == ScopeFile::Outcome::Cancelled)
        return std::nullopt;
    if (outcome == ScopeFile::Outcome::Failed) {
        error = ScopeFileActions::tr("ERROR:Cannot read %1: %2").arg(fileName, error);
    } else if (content.curveCount == 0) {
        error = ScopeFileActions::tr("ERROR:No curve in %1 !").arg(fileName);
    } else if (!content.hasTime) {
        error = ScopeFileActions::tr("ERROR:No time column in %1 !").arg(fileName);
    } else {
        takeCurrentUnits(content);
        return content;
    }
    return std::nullopt;
}

// A file's metadata, or none: a file without it reads as it always did.
ScopeFileMeta metaBeside(const QString &fileName)
{
    return ScopeFileMeta::loadBeside(fileName).value_or(ScopeFileMeta());
}

} // namespace

ScopeFileActions::ScopeFileActions(TarnPlugin_Scope *scope, const ScopeRecorder &recorder,
                                   ScopeStateLine &stateLine, Host &host)
    : QObject(scope), m_scope(scope), m_recorder(recorder), m_stateLine(stateLine), m_host(host)
{}

// Export and import leave a running recording alone.
QString ScopeFileActions::refusal() const
{
    return m_recorder.isSampling() ? TarnPlugin_Scope::tr("ERROR:Not while sampling: stop first")
                                   : QString();
}

void ScopeFileActions::exportWithDialog()
{
    if (m_recorder.isSampling())
        return;
    if (!m_host.recording().hasSamples()) {
        warn(m_scope, tr("ERROR:Empty ScopeData!"));
        return;
    }
    const std::optional<QString> fileName = SaveDialog::askFileName(
        m_scope, tr("Save File"), SaveDialog::timestampedName(), tr(kFileFilter), "csv");
    if (!fileName || fileName->isEmpty())
        return; // cancelled, or the scope went with the dialog
    QString error;
    ScopeFile::Outcome outcome;
    {
        FileProgress progress(m_scope, tr("Exporting scope file..."));
        outcome = save(*fileName, progress.callback(), &error,
                       SafeFileWriter::Mode::Replace); // the dialog asked
        if (progress.scopeGone())
            return;
    }
    if (outcome == ScopeFile::Outcome::Failed)
        SaveDialog::warnCannotWrite(m_scope, *fileName, error);
    if (outcome != ScopeFile::Outcome::Done)
        return;
    m_host.noteRecordingSaved();
    m_stateLine.showSavedTo(tr("Exported to %1").arg(SaveDialog::wholePath(*fileName)));
}

bool ScopeFileActions::exportTo(const QString &fileName, QString *errorText, bool replace) const
{
    QString error = refusal();
    if (error.isEmpty() && !m_host.recording().hasSamples())
        error = tr("ERROR:Empty ScopeData!");
    if (error.isEmpty()) {
        const SafeFileWriter::Mode mode =
            replace ? SafeFileWriter::Mode::Replace : SafeFileWriter::Mode::CreateNew;
        if (save(fileName, ScopeFile::Progress(), &error, mode) == ScopeFile::Outcome::Done) {
            m_host.noteRecordingSaved();
            return true;
        }
        error = SaveDialog::cannotWrite(fileName, error);
    }
    return m_host.fail(error, errorText);
}

// The recording in the scope's number format, with its metadata beside it.
ScopeFile::Outcome ScopeFileActions::save(const QString &fileName,
                                          const ScopeFile::Progress &progress, QString *error,
                                          SafeFileWriter::Mode mode) const
{
    const ScopeRecording &recording = m_host.recording();
    // Written a stretch of rows at a time: the recording is never copied whole.
    const ScopeFile::Outcome outcome = ScopeFile::save(
        fileName, recording.fileRowCount(),
        [&recording](int first, int last) { return recording.fileCurves(first, last); }, progress,
        error,
        m_scope->exactValues() ? ScopeFile::NumberFormat::Exact
                               : ScopeFile::NumberFormat::ThreeDecimals,
        mode);
    if (outcome != ScopeFile::Outcome::Done)
        return outcome;
    QString reason;
    if (recording.fileMeta(m_scope->exactValues()).saveBeside(fileName, &reason))
        return outcome;
    *error = QString("%1: %2").arg(ScopeFileMeta::fileNameFor(fileName), reason);
    return ScopeFile::Outcome::Failed;
}

void ScopeFileActions::importWithDialog()
{
    if (m_recorder.isSampling())
        return;
    const std::optional<QString> chosen =
        SaveDialog::askOpenFileName(m_scope, tr("Open File"), tr(kFileFilter));
    if (!chosen || chosen->isEmpty())
        return; // cancelled, or the scope went with the dialog
    const QString fileName = *chosen;
    if (QFileInfo(fileName).suffix() != "csv") {
        warn(m_scope, tr("ERROR:Unsupported file formats !"));
        return;
    }
    if (!m_host.mayLoseRecording(
            tr("The recording on the plot is not saved. The import replaces it; export the "
               "recording first to keep it.\n\nImport anyway?")))
        return; // kept, or the scope went with the question
    QString error;
    std::optional<ScopeFileContent> content;
    {
        FileProgress progress(m_scope, tr("Importing scope file..."));
        content = readScopeFile(fileName, progress.callback(), error);
        if (progress.scopeGone())
            return;
    }
    if (!content) {
        if (!error.isEmpty())
            warn(m_scope, error);
        return;
    }
    const QString notes = content->notes(fileName);
    show(std::move(*content), metaBeside(fileName), QFileInfo(fileName).fileName());
    if (!notes.isEmpty())
        warn(m_scope, notes);
}

bool ScopeFileActions::importFrom(const QString &fileName, QString *errorText, QString *notes)
{
    QString error = refusal();
    std::optional<ScopeFileContent> content;
    if (error.isEmpty())
        content = readScopeFile(fileName, ScopeFile::Progress(), error);
    if (!content) {
        return m_host.fail(error, errorText);
    }
    if (notes)
        *notes = content->notes(fileName);
    show(std::move(*content), metaBeside(fileName), QFileInfo(fileName).fileName());
    return true;
}

bool ScopeFileActions::showCurves(const QVector<ScopeFileCurve> &curves, const ScopeFileMeta &meta,
                                  const QString &label, QString *errorText)
{
    QString error = refusal();
    if (error.isEmpty() && curves.isEmpty())
        error = tr("ERROR:Empty ScopeData!");
    if (!error.isEmpty()) {
        return m_host.fail(error, errorText);
    }
    ScopeFileContent content;
    content.curves = curves;
    content.curveCount = curves.size();
    content.hasTime = true;
    content.times = curves.first().x;
    show(std::move(content), meta, label);
    return true;
}

// The loaded recording replaces the one on the plot.
void ScopeFileActions::show(ScopeFileContent content, const ScopeFileMeta &meta,
                            const QString &label)
{
    m_host.showRecording(ScopeRecording::loaded(std::move(content), meta), label);
}
