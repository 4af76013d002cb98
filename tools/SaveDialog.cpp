#include "SaveDialog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

QString SaveDialog::timestampedName()
{
    return "Tarn_Scope_" + QDateTime::currentDateTime().toString("yyyy_MM_dd_hh_mm_ss");
}

// The dialog adds its default suffix only when the whole path has no dot ("my.data/rec"),
// so every name without a suffix gets it here.
QString SaveDialog::askFileName(QWidget *parent, const QString &title, const QString &proposed,
                                const QString &filters, const QString &suffix)
{
    QFileDialog dialog(parent, title, proposed, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog.selectedFiles().first();
    if (!QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    const QString fileName = chosen + '.' + suffix;
    if (QFileInfo::exists(fileName) &&
        QMessageBox::question(parent, title,
                              QCoreApplication::translate(
                                  "SaveDialog", "%1 already exists.\nDo you want to replace it?")
                                  .arg(QFileInfo(fileName).fileName())) != QMessageBox::Yes)
        return QString();
    return fileName;
}

QString SaveDialog::wholePath(const QString &fileName)
{
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

QString SaveDialog::cannotWrite(const QString &fileName, const QString &reason)
{
    return QCoreApplication::translate("SaveDialog", "ERROR:Cannot write %1: %2")
        .arg(fileName, reason);
}

void SaveDialog::warnCannotWrite(QWidget *parent, const QString &fileName, const QString &reason)
{
    QMessageBox::warning(parent, QCoreApplication::translate("SaveDialog", "Warning"),
                         cannotWrite(fileName, reason), QMessageBox::Ok);
}
