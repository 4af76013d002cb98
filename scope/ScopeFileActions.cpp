#include "ScopeFileActions.h"

#include "GuardedDialog.h"
#include "SaveDialog.h"
#include "ScopeChannel.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeRecorder.h"
#include "ScopeStateLine.h"
#include "TarnPlugin_Scope.h"

#include <QAbstractButton>
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

// Reads files joined before anything on screen changes. Nothing comes back with an empty
// `error` when the user cancelled.
std::optional<ScopeFileSeries::Joined> readJoined(const QVector<ScopeFileSeries> &list,
                                                  const ScopeFile::Progress &progress,
                                                  QString &error)
{
    ScopeFileSeries::Joined joined;
    const ScopeFile::Outcome outcome = ScopeFileSeries::load(list, &joined, progress, &error);
    if (outcome == ScopeFile::Outcome::Cancelled)
        return std::nullopt;
    if (outcome == ScopeFile::Outcome::Failed) {
        error = ScopeFileActions::tr("ERROR:Cannot read %1: %2")
                    .arg(list.constFirst().firstFileName(), error);
        return std::nullopt;
    }
    takeCurrentUnits(joined.content);
    return joined;
}

// "run.csv (+3 files)": the first file and how many more were read with it.
QString joinedLabel(const QVector<ScopeFileSeries> &list, int filesRead)
{
    const QString first = QFileInfo(list.constFirst().firstFileName()).fileName();
    if (filesRead <= 1)
        return first;
    return filesRead == 2 ? ScopeFileActions::tr("%1 (+1 file)").arg(first)
                          : ScopeFileActions::tr("%1 (+%2 files)").arg(first).arg(filesRead - 1);
}

// Whether the path names a file that joins nothing: one file alone, as importFrom() reads it.
bool isSingleFile(const QVector<ScopeFileSeries> &list)
{
    return list.size() == 1 && !list.constFirst().isSplit();
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
    const ScopeFileSeries series = ScopeFileSeries::of(fileName);
    std::optional<bool> joined = false;
    if (series.isSplit() && QFileInfo(series.firstFileName()) == QFileInfo(fileName))
        joined = askToJoin(fileName, series);
    if (!joined)
        return; // cancelled, or the scope went with the question
    if (!m_host.mayLoseRecording(
            tr("The recording on the plot is not saved. The import replaces it; export the "
               "recording first to keep it.\n\nImport anyway?")))
        return; // kept, or the scope went with the question
    if (*joined)
        return importJoinedWithDialog(series);
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

// A recording split on rotation is one recording to the operator: the first file offers the
// whole (the default), or that file alone.
std::optional<bool> ScopeFileActions::askToJoin(const QString &fileName,
                                                const ScopeFileSeries &series)
{
    const QStringList files = series.fileNames();
    GuardedDialog<QMessageBox> box(
        QMessageBox::Question, tr("Recording in several files"),
        tr("%1 is the first of %2 files of one recording, split while it was recorded "
           "(%3 to %4).\n\nOpen the whole recording, joined? Where a file of it is missing or "
           "cannot be read, the curves break.")
            .arg(QFileInfo(fileName).fileName())
            .arg(files.size())
            .arg(QFileInfo(files.constFirst()).fileName(), QFileInfo(files.constLast()).fileName()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_scope);
    box->button(QMessageBox::Yes)->setText(tr("Open all %1 files").arg(files.size()));
    box->button(QMessageBox::No)->setText(tr("Only %1").arg(QFileInfo(fileName).fileName()));
    box->setDefaultButton(QMessageBox::Yes);
    if (!box.exec())
        return std::nullopt; // the scope went with the question
    const QAbstractButton *clicked = box->clickedButton();
    if (clicked == box->button(QMessageBox::Yes))
        return true;
    if (clicked == box->button(QMessageBox::No))
        return false;
    return std::nullopt;
}

void ScopeFileActions::importJoinedWithDialog(const ScopeFileSeries &series)
{
    const QVector<ScopeFileSeries> list{series};
    QString error;
    std::optional<ScopeFileSeries::Joined> joined;
    {
        FileProgress progress(m_scope, tr("Importing scope files..."));
        joined = readJoined(list, progress.callback(), error);
        if (progress.scopeGone())
            return;
    }
    if (!joined) {
        if (!error.isEmpty())
            warn(m_scope, error);
        return;
    }
    const QString notes = joined->notes;
    show(std::move(joined->content), joined->meta, joinedLabel(list, joined->filesRead));
    if (!notes.isEmpty())
        warn(m_scope, notes);
}

bool ScopeFileActions::importFromFiles(const QStringList &fileNames, QString *errorText,
                                       QString *notes)
{
    QString error = refusal();
    if (error.isEmpty() && fileNames.isEmpty())
        error = tr("ERROR:No file to import");
    if (!error.isEmpty())
        return m_host.fail(error, errorText);
    const QVector<ScopeFileSeries> list = ScopeFileSeries::group(fileNames);
    if (isSingleFile(list))
        return importFrom(fileNames.constFirst(), errorText, notes);
    std::optional<ScopeFileSeries::Joined> joined = readJoined(list, ScopeFile::Progress(), error);
    if (!joined)
        return m_host.fail(error, errorText);
    if (notes)
        *notes = joined->notes;
    show(std::move(joined->content), joined->meta, joinedLabel(list, joined->filesRead));
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
