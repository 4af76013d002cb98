#include "GuardedDialog.h"

std::optional<QMessageBox::StandardButton> askGuarded(QWidget *parent, QMessageBox::Icon icon,
                                                      const QString &title, const QString &text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton)
{
    GuardedDialog<QMessageBox> box(icon, title, text, buttons, parent);
    box->setDefaultButton(defaultButton);
    const std::optional<int> pressed = box.exec();
    if (!pressed)
        return std::nullopt;
    return static_cast<QMessageBox::StandardButton>(*pressed);
}
