#pragma once

#include <QString>

class QWidget;

// Asking where to write a file, and saying why it could not be written, alike for every save
// of the scope: scope files, images and set-ups. GUI thread only.
namespace SaveDialog {

// "Tarn_Scope_" and the local time, the name proposed for recordings and their images.
QString timestampedName();

// The file the user chose, empty when cancelled. A name typed without a suffix gets
// `suffix`, and then the user is asked before a file of that name is replaced: the dialog
// asked about the name as typed, not the one it becomes.
QString askFileName(QWidget *parent, const QString &title, const QString &proposed,
                    const QString &filters, const QString &suffix);

// The whole path of a file written, in the platform's form: what the operator is told.
QString wholePath(const QString &fileName);

// "ERROR:Cannot write <file>: <reason>", the text of the warning.
QString cannotWrite(const QString &fileName, const QString &reason);
void warnCannotWrite(QWidget *parent, const QString &fileName, const QString &reason);

} // namespace SaveDialog
