#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// Asks where to record to disk and whether to start a new numbered file every so many
// minutes or megabytes. Browse asks before an existing file is replaced; OK asks too when the
// name was typed. Created on the stack by the record actions; GUI thread only.
class RecordToFileDialog : public QDialog
{
    Q_OBJECT

public:
    RecordToFileDialog(const QString &proposedFile, bool exactValues, QWidget *parent);

    QString fileName() const;
    // The operator agreed to replace the chosen file.
    bool replaceExisting() const { return m_replace; }
    int rotateMinutes() const;
    int rotateMegabytes() const;
    bool exactValues() const;

    void accept() override;

private:
    void browse();

    QLineEdit *m_file;
    QCheckBox *m_rotate;
    QSpinBox *m_every;
    QComboBox *m_unit;
    QCheckBox *m_exact;
    bool m_replace = false;
    QString m_confirmed; // the name the file dialog already asked about
};
