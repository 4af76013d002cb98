// The widget's scope file actions: export of the recording on screen, import for viewing.
#include "TarnPlugin_Scope.h"

#include "QScopeSetting.h"
#include "QwtScope.h"
#include "ScopeLimits.h"
#include "ScopeRecorder.h"
#include "ui_TarnPlugin_Scope.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include <algorithm>
#include <climits>

namespace {

const char *const kFileFilter = "csv(*.csv)";
// Far beyond any recording (a full window of 36 channels at 1 kHz over the largest period
// is under 400 MB of text); the whole file is read into memory.
constexpr qint64 kMaxImportBytes = qint64(1) << 30;

// Every step is checked: a failed write, flush or commit must never look like success,
// and the file already there is replaced only by a complete one.
bool writeLines(const QString &fileName, const QStringList &lines, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    for (const QString &line : lines) {
        const QByteArray bytes = line.toUtf8();
        if (file.write(bytes) != bytes.size()) {
            *error = file.errorString();
            file.cancelWriting();
            return false;
        }
    }
    if (!file.flush() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QStringList readLines(QFile &file)
{
    QStringList lines;
    while (!file.atEnd())
        lines << QString::fromUtf8(file.readLine()); // text ends at a NUL byte
    return lines;
}

// The period that shows a loaded recording whole; never an out-of-range conversion.
int periodForRange(double range)
{
    const double period = range + 1.0;
    if (!(period > 0.0))
        return 0;
    return period >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(period);
}

} // namespace

void TarnPlugin_Scope::slotExportScopeFile()
{
    if (m_pRecorder->isSampling())
        return;
    if (m_pScope->hasNoData()) {
        QMessageBox::warning(this, "Warning", "ERROR:Empty ScopeData!", QMessageBox::Ok);
        return;
    }
    const QString proposed =
        "Tarn_Scope_" + QDateTime::currentDateTime().toString("yyyy_MM_dd_hh_mm_ss");
    QFileDialog dialog(this, "Save File", proposed, kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("csv"); // the import accepts only .csv, so a bare name gets it
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().first();

    QStringList lines;
    m_pScope->exportLines(lines);
    QString error;
    if (!writeLines(fileName, lines, &error)) {
        QMessageBox::warning(this, "Warning",
                             QString("ERROR:Cannot write %1: %2").arg(fileName, error),
                             QMessageBox::Ok);
    }
}

void TarnPlugin_Scope::slotImportScopeFile()
{
    if (m_pRecorder->isSampling())
        return;
    const QString fileName = QFileDialog::getOpenFileName(this, "Open File", ".", kFileFilter);
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;

    if (QFileInfo(fileName).suffix() != "csv") {
        QMessageBox::warning(this, "Warning", "ERROR:Unsupported file formats !", QMessageBox::Ok);
    } else if (file.size() > kMaxImportBytes) {
        QMessageBox::warning(this, "Warning",
                             QString("ERROR:Scope file too large: %1").arg(fileName),
                             QMessageBox::Ok);
    } else {
        const QStringList lines = readLines(file);
        clearScopeData();
        m_pScope->importLines(lines);
        m_pScope->showCommonUnit();
        m_nPeriodTime = periodForRange(m_pScope->xRange());
        ui->ScopePlugin_edit_PeriodTime->setText(QString::number(m_nPeriodTime));
        // The edit's handler keeps the period at 10 ms or more, but runs only on a change.
        m_nPeriodTime = std::max(m_nPeriodTime, ScopeLimits::kMinPeriodMs);
    }
    file.close();
    m_pScopeSetting->UnSelectAll();
    m_pScope->replot();
}
