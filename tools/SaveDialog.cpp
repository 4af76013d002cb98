#include "SaveDialog.h"

#include "GuardedDialog.h"

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
std::optional<QString> SaveDialog::askFileName(QWidget *parent, const QString &title,
                                               const QString &proposed, const QString &filters,
                                               const QString &suffix)
{
    GuardedDialog<QFileDialog> dialog(parent, title, proposed, filters);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(suffix);
    const std::optional<int> result = dialog.exec();
    if (!result)
        return std::nullopt;
    if (*result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    const QString chosen = dialog->selectedFiles().first();
    if (!QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    const QString fileName = chosen + '.' + suffix;
    if (!QFileInfo::exists(fileName))
        return fileName;
    const auto answer = askGuarded(
        parent, QMessageBox::Question, title,
        QCoreApplication::translate("SaveDialog", "%1 already exists.\nDo you want to replace it?")
            .arg(QFileInfo(fileName).fileName()),
        QMessageBox::Yes | QMessageBox::No);
    if (!answer)
        return std::nullopt;
    return *answer == QMessageBox::Yes ? fileName : QString();
}

std::optional<QString> SaveDialog::askOpenFileName(QWidget *parent, const QString &title,
                                                   const QString &filters)
{
    GuardedDialog<QFileDialog> dialog(parent, title, QStringLiteral("."), filters);
    dialog->setFileMode(QFileDialog::ExistingFile);
    const std::optional<int> result = dialog.exec();
    if (!result)
        return std::nullopt;
    if (*result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().first();
}

std::optional<QString> SaveDialog::askFolder(QWidget *parent, const QString &title,
                                             const QString &proposed)
{
    GuardedDialog<QFileDialog> dialog(parent, title, proposed);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    const std::optional<int> result = dialog.exec();
    if (!result)
        return std::nullopt;
    if (*result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return QString();
    return dialog->selectedFiles().first();
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
    askGuarded(parent, QMessageBox::Warning, QCoreApplication::translate("SaveDialog", "Warning"),
               cannotWrite(fileName, reason));
}
