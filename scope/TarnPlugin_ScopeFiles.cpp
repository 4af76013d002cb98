// The widget's scope file actions: export of the recording on screen, import for viewing.
#include "TarnPlugin_Scope.h"

#include "QScopeSetting.h"
#include "QwtScope.h"
#include "ScopeFile.h"
#include "ScopeLimits.h"
#include "ScopeRecorder.h"
#include "ui_TarnPlugin_Scope.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const char *const kFileFilter = "csv(*.csv)";
constexpr int kProgressShowMs = 500;
constexpr int kProgressSteps = 1000;

void warn(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, "Warning", text, QMessageBox::Ok);
}

// A progress dialog that shows only when the work runs longer than half a second; while
// it shows, the window keeps handling events and Cancel stops the work.
class FileProgress
{
public:
    FileProgress(QWidget *parent, const QString &label)
        : m_dialog(label, "Cancel", 0, kProgressSteps, parent)
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(kProgressShowMs);
        m_dialog.setValue(0);
    }

    ScopeFile::Progress callback()
    {
        return [this](qint64 done, qint64 total) {
            const qint64 step = total > 0 ? done * kProgressSteps / total : kProgressSteps;
            m_dialog.setValue(static_cast<int>(std::min<qint64>(step, kProgressSteps - 1)));
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

// The name to export to, empty when the user cancels. Every name gets ".csv" unless it
// has a suffix: the dialog adds its default suffix only when the whole path has no dot
// ("my.data/rec"), and then it has not asked about replacing the file that name becomes.
QString askExportName(QWidget *parent)
{
    const QString proposed =
        "Tarn_Scope_" + QDateTime::currentDateTime().toString("yyyy_MM_dd_hh_mm_ss");
    QFileDialog dialog(parent, "Save File", proposed, kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().first();
    if (!QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    const QString fileName = chosen + ".csv";
    if (QFileInfo::exists(fileName) &&
        QMessageBox::question(parent, "Save File",
                              QString("%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(fileName).fileName())) != QMessageBox::Yes)
        return QString();
    return fileName;
}

// Reads the whole file before anything on screen changes; says why when there is
// nothing to show, and stays silent when the user cancelled.
std::optional<ScopeFileContent> readScopeFile(QWidget *parent, const QString &fileName)
{
    ScopeFileContent content;
    QString error;
    ScopeFile::Outcome outcome;
    {
        FileProgress progress(parent, "Importing scope file...");
        outcome = ScopeFile::load(fileName, &content, progress.callback(), &error);
    }
    if (outcome == ScopeFile::Outcome::Cancelled)
        return std::nullopt;
    if (outcome == ScopeFile::Outcome::Failed) {
        warn(parent, QString("ERROR:Cannot read %1: %2").arg(fileName, error));
        return std::nullopt;
    }
    if (content.curveCount == 0) {
        warn(parent, QString("ERROR:No curve in %1 !").arg(fileName));
        return std::nullopt;
    }
    if (!content.hasTime) {
        warn(parent, QString("ERROR:No time column in %1 !").arg(fileName));
        return std::nullopt;
    }
    return content;
}

// What of a loaded file could not be shown as it stands, one line per kind.
QString loadNotes(const ScopeFileContent &content, const QString &fileName)
{
    QStringList notes;
    if (content.curveCount > ScopeLimits::kCurveSlots)
        notes << QString("ERROR:%1 holds %2 curves; only the first %3 are shown.")
                     .arg(fileName)
                     .arg(content.curveCount)
                     .arg(ScopeLimits::kCurveSlots);
    if (content.raggedRows > 0)
        notes << QString("ERROR:%1 rows of %2 have a number of fields other than the "
                         "header's (first at line %3); missing values are left as gaps.")
                     .arg(content.raggedRows)
                     .arg(fileName)
                     .arg(content.firstRaggedLine);
    if (content.unreadableFields > 0)
        notes << QString("ERROR:%1 fields of %2 are not numbers (first at line %3); they are "
                         "left as gaps.")
                     .arg(content.unreadableFields)
                     .arg(fileName)
                     .arg(content.firstUnreadableLine);
    return notes.join('\n');
}

// The period that shows a loaded recording whole, within what the period edit accepts.
int periodForRange(double range)
{
    const double period = std::trunc(range + 1.0);
    if (!(period > ScopeLimits::kMinPeriodMs))
        return ScopeLimits::kMinPeriodMs;
    return static_cast<int>(std::min(period, double(ScopeLimits::kMaxPeriodMs)));
}

} // namespace

void TarnPlugin_Scope::slotExportScopeFile()
{
    if (m_pRecorder->isSampling())
        return;
    if (m_pScope->hasNoData()) {
        warn(this, "ERROR:Empty ScopeData!");
        return;
    }
    const QString fileName = askExportName(this);
    if (fileName.isEmpty())
        return;

    QVector<ScopeFileCurve> curves;
    m_pScope->exportLines(curves);
    QString error;
    ScopeFile::Outcome outcome;
    {
        FileProgress progress(this, "Exporting scope file...");
        outcome = ScopeFile::save(fileName, curves, progress.callback(), &error);
    }
    if (outcome == ScopeFile::Outcome::Failed)
        warn(this, QString("ERROR:Cannot write %1: %2").arg(fileName, error));
}

void TarnPlugin_Scope::slotImportScopeFile()
{
    if (m_pRecorder->isSampling())
        return;
    const QString fileName = QFileDialog::getOpenFileName(this, "Open File", ".", kFileFilter);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix() != "csv") {
        warn(this, "ERROR:Unsupported file formats !");
        m_pScopeSetting->UnSelectAll();
        m_pScope->replot();
        return;
    }
    const std::optional<ScopeFileContent> content = readScopeFile(this, fileName);
    if (!content)
        return;

    clearScopeData();
    m_pScope->importLines(*content);
    m_pScope->showCommonUnit();
    m_nPeriodTime = periodForRange(m_pScope->xRange());
    // The edit's handler runs only when the text changes.
    ui->ScopePlugin_edit_PeriodTime->setText(QString::number(m_nPeriodTime));
    m_pScopeSetting->UnSelectAll();
    m_pScope->replot();
    const QString notes = loadNotes(*content, fileName);
    if (!notes.isEmpty())
        warn(this, notes);
}
