#include "TriggerOptionsDialog.h"

#include "SaveDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

TriggerOptionsDialog::TriggerOptionsDialog(const TriggerOptions &options, QWidget *parent)
    : QDialog(parent), m_mode(new QComboBox(this)), m_keep(new QSpinBox(this)),
      m_folder(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TriggerOptionsDialog"));
    setWindowTitle(tr("Trigger options"));
    m_mode->setObjectName(QStringLiteral("TriggerOptions_mode"));
    m_mode->addItems({tr("Single capture per Start"), tr("Repeat: arm again after each capture")});
    m_mode->setCurrentIndex(options.repeat ? 1 : 0);
    m_keep->setObjectName(QStringLiteral("TriggerOptions_keep"));
    m_keep->setRange(1, TriggerOptions::kMaxKept);
    m_keep->setValue(options.keep);
    m_folder->setObjectName(QStringLiteral("TriggerOptions_folder"));
    m_folder->setText(options.folder);
    m_folder->setPlaceholderText(tr("not saved"));
    m_folder->setToolTip(tr("Each capture is saved here as a scope file as it completes; "
                            "an existing file is never replaced."));

    auto *browse = new QPushButton(tr("Browse…"), this);
    browse->setObjectName(QStringLiteral("TriggerOptions_btn_Browse"));
    connect(browse, &QPushButton::clicked, this, &TriggerOptionsDialog::browse);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout(this);
    form->addRow(tr("Captures:"), m_mode);
    form->addRow(tr("Keep the last:"), m_keep);
    form->addRow(tr("Save each to:"), folderRow);
    form->addRow(buttons);
}

TriggerOptions TriggerOptionsDialog::options() const
{
    TriggerOptions options;
    options.repeat = m_mode->currentIndex() == 1;
    options.keep = m_keep->value();
    options.folder = m_folder->text().trimmed();
    return options;
}

void TriggerOptionsDialog::browse()
{
    const std::optional<QString> folder =
        SaveDialog::askFolder(this, tr("Save captures to"), m_folder->text());
    if (folder && !folder->isEmpty()) // nothing: this dialog went with the scope
        m_folder->setText(*folder);
}
