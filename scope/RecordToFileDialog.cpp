#include "RecordToFileDialog.h"

#include "GuardedDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

enum Unit
{
    Minutes,
    Megabytes
};

} // namespace

RecordToFileDialog::RecordToFileDialog(const QString &proposedFile, bool exactValues,
                                       QWidget *parent)
    : QDialog(parent), m_file(new QLineEdit(proposedFile, this)),
      m_rotate(new QCheckBox(tr("New file every"), this)), m_every(new QSpinBox(this)),
      m_unit(new QComboBox(this)),
      m_exact(new QCheckBox(tr("Exact values (not rounded to three decimals)"), this))
{
    setWindowTitle(tr("Record to file"));
    m_file->setObjectName(QStringLiteral("RecordToFile_edit_File"));
    m_file->setMinimumWidth(360);
    auto *browse = new QPushButton(tr("Browse…"), this);
    browse->setObjectName(QStringLiteral("RecordToFile_btn_Browse"));
    connect(browse, &QPushButton::clicked, this, &RecordToFileDialog::browse);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(browse);

    m_rotate->setObjectName(QStringLiteral("RecordToFile_cb_Rotate"));
    m_every->setObjectName(QStringLiteral("RecordToFile_spin_Every"));
    m_every->setRange(1, 100000);
    m_every->setValue(60);
    m_unit->setObjectName(QStringLiteral("RecordToFile_cmb_Unit"));
    m_unit->addItems({tr("minutes"), tr("MB")});
    auto *rotateRow = new QHBoxLayout;
    rotateRow->addWidget(m_rotate);
    rotateRow->addWidget(m_every);
    rotateRow->addWidget(m_unit);
    rotateRow->addStretch(1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RecordToFileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RecordToFileDialog::reject);
    auto *form = new QFormLayout(this);
    form->addRow(tr("File:"), fileRow);
    form->addRow(rotateRow);
    m_exact->setObjectName(QStringLiteral("RecordToFile_cb_ExactValues"));
    m_exact->setChecked(exactValues);
    form->addRow(m_exact);
    form->addRow(buttons);
}

QString RecordToFileDialog::fileName() const
{
    return m_file->text().trimmed();
}

int RecordToFileDialog::rotateMinutes() const
{
    return m_rotate->isChecked() && m_unit->currentIndex() == Minutes ? m_every->value() : 0;
}

int RecordToFileDialog::rotateMegabytes() const
{
    return m_rotate->isChecked() && m_unit->currentIndex() == Megabytes ? m_every->value() : 0;
}

bool RecordToFileDialog::exactValues() const
{
    return m_exact->isChecked();
}

void RecordToFileDialog::browse()
{
    GuardedDialog<QFileDialog> dialog(this, tr("Record to file"), fileName(), "csv(*.csv)");
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    const std::optional<int> result = dialog.exec();
    if (!result || *result != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return; // cancelled, or this dialog went with the scope
    const QString chosen = dialog->selectedFiles().first();
    m_file->setText(chosen);
    m_confirmed = chosen; // the file dialog asked before an existing file is replaced
}

void RecordToFileDialog::accept()
{
    if (fileName().isEmpty())
        return;
    m_replace = QFileInfo::exists(fileName());
    if (m_replace && fileName() != m_confirmed) {
        const auto answer = askGuarded(this, QMessageBox::Question, tr("Record to file"),
                                       tr("%1 exists already. Replace it?").arg(fileName()),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return; // kept, or this dialog went with the scope
    }
    QDialog::accept();
}
