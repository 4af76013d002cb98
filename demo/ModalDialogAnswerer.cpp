#include "ModalDialogAnswerer.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace {

constexpr int kPollMs = 50;
constexpr int kGiveUpPolls = 200; // ten seconds

} // namespace

ModalDialogAnswerer::ModalDialogAnswerer(QString fileName, QObject *parent)
    : QObject(parent), m_fileName(std::move(fileName))
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ModalDialogAnswerer::answerActiveModal);
}

void ModalDialogAnswerer::start()
{
    m_polls = 0;
    m_poll.start();
}

void ModalDialogAnswerer::stop()
{
    m_poll.stop();
}

// Each answer is queued rather than given from this slot: a dialog that opens another one
// from its accept() (a "replace?" question) must find the event loop free to answer it.
void ModalDialogAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (++m_polls > kGiveUpPolls) {
        m_gaveUp = true;
        m_poll.stop();
        if (modal)
            cancelDialog(
                modal,
                QStringLiteral("gave up waiting for \"%1\" to close").arg(modal->windowTitle()));
        return;
    }
    if (!modal || modal == m_answered)
        return;
    m_answered = modal;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal))
        answerFileDialog(dialog);
    else if (auto *box = qobject_cast<QMessageBox *>(modal))
        answerMessageBox(box);
    else
        cancelDialog(
            modal,
            QStringLiteral("cancelled the unexpected dialog \"%1\"").arg(modal->windowTitle()));
}

// Qt's own file dialog ignores selectFile() while its name field has the focus; typing the
// name into that field is what works on every platform plug-in.
void ModalDialogAnswerer::answerFileDialog(QFileDialog *dialog)
{
    ++m_fileDialogs;
    QPointer<QFileDialog> guard(dialog);
    const QString fileName = m_fileName;
    QTimer::singleShot(0, dialog, [guard, fileName] {
        if (!guard)
            return;
        if (auto *edit = guard->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            edit->setText(fileName);
        else
            guard->selectFile(fileName);
        static_cast<QDialog *>(guard.data())->accept(); // QFileDialog's override is protected
    });
}

void ModalDialogAnswerer::answerMessageBox(QMessageBox *box)
{
    m_messages << QStringLiteral("%1: %2").arg(box->windowTitle(), box->text());
    QAbstractButton *answer = m_takeDefaults ? box->defaultButton() : nullptr;
    if (!answer)
        answer = box->button(QMessageBox::Ok);
    if (!answer)
        answer = box->button(QMessageBox::Yes);
    if (!answer) {
        cancelDialog(box, QString());
        return;
    }
    QPointer<QAbstractButton> guard(answer);
    QTimer::singleShot(0, answer, [guard] {
        if (guard)
            guard->click();
    });
}

void ModalDialogAnswerer::cancelDialog(QWidget *modal, const QString &note)
{
    if (!note.isEmpty())
        m_messages << note;
    QPointer<QDialog> guard(qobject_cast<QDialog *>(modal));
    if (!guard) {
        modal->close();
        return;
    }
    QTimer::singleShot(0, guard.data(), [guard] {
        if (guard)
            guard->reject();
    });
}
