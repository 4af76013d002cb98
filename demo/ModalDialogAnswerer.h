#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QFileDialog;
class QMessageBox;

// Answers the modal dialogs a widget opens while the host runs one of its slots, the way a
// user would: a file dialog gets the file name and is accepted, a message box is read and
// confirmed, anything else is cancelled. Gives up after a while by cancelling whatever is
// open, so the host never hangs. Owned by the caller for one slot call; GUI thread only.
class ModalDialogAnswerer : public QObject
{
    Q_OBJECT

public:
    explicit ModalDialogAnswerer(QString fileName = QString(), QObject *parent = nullptr);

    void start();
    void stop();
    // A message box that asks (one with a default button) gets its default rather than Ok
    // or Yes, as an operator who presses Enter.
    void setTakingDefaults(bool on) { m_takeDefaults = on; }

    int fileDialogsAnswered() const { return m_fileDialogs; }
    // "title: text" of each message box seen, and notes on dialogs cancelled.
    QStringList messages() const { return m_messages; }
    bool gaveUp() const { return m_gaveUp; }

private:
    void answerActiveModal();
    void answerFileDialog(QFileDialog *dialog);
    void answerMessageBox(QMessageBox *box);
    void cancelDialog(QWidget *modal, const QString &note);

    QString m_fileName;
    QTimer m_poll;
    int m_polls = 0;
    QPointer<QWidget> m_answered; // answer queued; it may still be on screen for a moment
    int m_fileDialogs = 0;
    QStringList m_messages;
    bool m_gaveUp = false;
    bool m_takeDefaults = false;
};
