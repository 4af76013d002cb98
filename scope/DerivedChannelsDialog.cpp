#include "DerivedChannelsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

enum Column
{
    TitleColumn,
    UnitColumn,
    ExpressionColumn,
    ColumnCount
};

} // namespace

DerivedChannelsDialog::DerivedChannelsDialog(const DerivedChannelSet &channels,
                                             const QStringList &recorded, QWidget *parent)
    : QDialog(parent), m_channels(channels), m_recorded(recorded),
      m_table(new QTableWidget(0, ColumnCount, this)), m_title(new QLineEdit(this)),
      m_unit(new QLineEdit(this)), m_expression(new QLineEdit(this)), m_check(new QLabel(this)),
      m_add(new QPushButton(tr("Add"), this))
{
    setObjectName(QStringLiteral("DerivedChannelsDialog"));
    setWindowTitle(tr("Derived channels"));
    m_table->setHorizontalHeaderLabels({tr("Title"), tr("Unit"), tr("Expression")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_title->setObjectName(QStringLiteral("Derived_edit_Title"));
    m_unit->setObjectName(QStringLiteral("Derived_edit_Unit"));
    m_expression->setObjectName(QStringLiteral("Derived_edit_Expression"));
    m_expression->setPlaceholderText(QStringLiteral("\"J3 Target ACS\" - \"J3 Actual ACS\""));
    m_expression->setToolTip(
        tr("Channels in double quotes, + - * / ^, abs, sqrt, sin, cos, min, max, _pi …; "
           "derived channels listed above may be read too"));
    m_check->setObjectName(QStringLiteral("Derived_label_Check"));
    m_check->setWordWrap(true);
    m_add->setObjectName(QStringLiteral("Derived_btn_Add"));
    auto *remove = new QPushButton(tr("Remove"), this);
    remove->setObjectName(QStringLiteral("Derived_btn_Remove"));

    connect(m_table, &QTableWidget::cellClicked, this, [this](int row) { takeRow(row); });
    for (QLineEdit *edit : {m_title, m_unit, m_expression})
        connect(edit, &QLineEdit::textChanged, this, &DerivedChannelsDialog::check);
    connect(m_add, &QPushButton::clicked, this, &DerivedChannelsDialog::addTyped);
    connect(remove, &QPushButton::clicked, this, &DerivedChannelsDialog::removeChosen);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(m_add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();
    auto *form = new QFormLayout(this);
    form->addRow(m_table);
    form->addRow(tr("Title:"), m_title);
    form->addRow(tr("Unit:"), m_unit);
    form->addRow(tr("Expression:"), m_expression);
    form->addRow(m_check);
    form->addRow(rowButtons);
    form->addRow(buttons);
    resize(640, 420);
    fillTable();
    check();
}

void DerivedChannelsDialog::fillTable()
{
    const std::vector<DerivedChannel> &channels = m_channels.channels();
    m_table->setRowCount(int(channels.size()));
    for (int row = 0; row < int(channels.size()); ++row) {
        const DerivedChannel &channel = channels[std::size_t(row)];
        m_table->setItem(row, TitleColumn, new QTableWidgetItem(channel.title));
        m_table->setItem(row, UnitColumn, new QTableWidgetItem(channel.unit));
        m_table->setItem(row, ExpressionColumn, new QTableWidgetItem(channel.expression));
    }
}

// A channel clicked in the list comes into the row below, to be changed and replaced.
void DerivedChannelsDialog::takeRow(int row)
{
    const DerivedChannel &channel = m_channels.channels().at(std::size_t(row));
    m_title->setText(channel.title);
    m_unit->setText(channel.unit);
    m_expression->setText(channel.expression);
}

DerivedChannel DerivedChannelsDialog::typed() const
{
    return DerivedChannel{m_title->text().trimmed(), m_unit->text().trimmed(),
                          m_expression->text()};
}

// Checked on a copy, so that what the label says is what Add would do.
void DerivedChannelsDialog::check()
{
    const DerivedChannel channel = typed();
    const bool replaces = m_channels.find(channel.title) != nullptr;
    m_add->setText(replaces ? tr("Replace") : tr("Add"));
    DerivedChannelSet trial = m_channels;
    QString error;
    const bool reads = trial.add(channel, m_recorded, &error);
    m_add->setEnabled(reads);
    if (channel.title.isEmpty() && channel.expression.trimmed().isEmpty())
        m_check->setText(tr("Type a title and an expression over the recorded channels."));
    else
        m_check->setText(reads ? tr("The expression reads.") : error);
    m_check->setStyleSheet(reads ? QString() : QStringLiteral("color: #b00000"));
}

void DerivedChannelsDialog::addTyped()
{
    QString error;
    if (!m_channels.add(typed(), m_recorded, &error))
        return;
    fillTable();
    m_title->clear();
    m_unit->clear();
    m_expression->clear();
}

void DerivedChannelsDialog::removeChosen()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= int(m_channels.channels().size()))
        return;
    m_channels.remove(m_channels.channels().at(std::size_t(row)).title);
    fillTable();
    check();
}
