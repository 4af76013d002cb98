#pragma once

#include <QMessageBox>
#include <QPointer>

#include <optional>
#include <utility>

// A modal dialog of the scope's, kept on the heap. A host may delete the scope while one of its
// dialogs is open (a tab closed by a timer, a controller event): the dialog, its child, goes
// with it. Qt's static helpers keep their dialog on their own stack and would delete it twice;
// here exec() says so instead, and the caller returns at once, touching nothing of the scope.
// Owned by the function that runs it; GUI thread.
template <class Dialog> class GuardedDialog
{
public:
    template <class... Args>
    explicit GuardedDialog(Args &&...args) : m_dialog(new Dialog(std::forward<Args>(args)...))
    {}
    ~GuardedDialog() { delete m_dialog.data(); }
    GuardedDialog(const GuardedDialog &) = delete;
    GuardedDialog &operator=(const GuardedDialog &) = delete;

    Dialog *operator->() const { return m_dialog.data(); }

    // What QDialog::exec gives, or nothing when the dialog went (with the scope) meanwhile.
    std::optional<int> exec()
    {
        // Through the base: QFileDialog and QMessageBox hide their overrides.
        const int result = static_cast<QDialog *>(m_dialog.data())->exec();
        if (!m_dialog)
            return std::nullopt;
        return result;
    }

private:
    QPointer<Dialog> m_dialog;
};

// A message box run so: the button pressed, or nothing when the scope went meanwhile.
std::optional<QMessageBox::StandardButton>
askGuarded(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
