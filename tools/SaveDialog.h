#pragma once

#include <QString>

#include <optional>

class QWidget;

// Asking which file to write or read, and saying why it could not be written, alike for every
// file the scope handles: scope files, images, set-ups, captures. Each question is nothing
// when the scope was deleted while it was open: the caller then returns at once.
// GUI thread only.
namespace SaveDialog {

// "Tarn_Scope_" and the local time, the name proposed for recordings and their images.
QString timestampedName();

// The file the user chose, empty when cancelled. A name typed without a suffix gets
// `suffix`, and then the user is asked before a file of that name is replaced: the dialog
// asked about the name as typed, not the one it becomes.
std::optional<QString> askFileName(QWidget *parent, const QString &title, const QString &proposed,
                                   const QString &filters, const QString &suffix);
// An existing file to read, empty when cancelled.
std::optional<QString> askOpenFileName(QWidget *parent, const QString &title,
                                       const QString &filters);
// A folder, empty when cancelled.
std::optional<QString> askFolder(QWidget *parent, const QString &title, const QString &proposed);

// The whole path of a file written, in the platform's form: what the operator is told.
QString wholePath(const QString &fileName);

// "ERROR:Cannot write <file>: <reason>", the text of the warning.
QString cannotWrite(const QString &fileName, const QString &reason);
void warnCannotWrite(QWidget *parent, const QString &fileName, const QString &reason);

} // namespace SaveDialog
