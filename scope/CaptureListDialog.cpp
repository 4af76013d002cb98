#include "CaptureListDialog.h"

#include "ScopeCaptures.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 360;

} // namespace

CaptureListDialog::CaptureListDialog(const ScopeCaptures &captures, bool canShow, QWidget *parent)
    : QDialog(parent), m_table(new QTableWidget(int(captures.kept().size()), 4, this))
{
    setObjectName(QStringLiteral("CaptureListDialog"));
    setWindowTitle(tr("Captures"));
    m_table->setObjectName(QStringLiteral("CaptureList_table"));
    m_table->setHorizontalHeaderLabels(
        {tr("Trigger time (ms)"), tr("Channel"), tr("Value"), tr("File")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    int row = 0;
    for (const ScopeCapture &capture : captures.kept()) {
        m_table->setItem(row, 0,
                         new QTableWidgetItem(QString::number(capture.triggerTime, 'f', 3)));
        m_table->setItem(row, 1, new QTableWidgetItem(capture.channel));
        m_table->setItem(row, 2, new QTableWidgetItem(QString::number(capture.value, 'g', 10)));
        m_table->setItem(row, 3, new QTableWidgetItem(capture.fileName));
        ++row;
    }
    // Every column as wide as its texts: a stretched last column would cut the file names
    // short, and they are what the operator looks for. Too wide a table scrolls instead.
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->resizeColumnsToContents();
    if (row > 0)
        m_table->selectRow(row - 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *show = buttons->addButton(tr("Show"), QDialogButtonBox::AcceptRole);
    show->setObjectName(QStringLiteral("CaptureList_show"));
    show->setEnabled(canShow && row > 0);
    if (!canShow)
        show->setToolTip(tr("Stop sampling to show a capture"));
    QPushButton *compare = buttons->addButton(tr("Compare"), QDialogButtonBox::ActionRole);
    compare->setObjectName(QStringLiteral("CaptureList_compare"));
    compare->setEnabled(canShow && row > 0);
    compare->setToolTip(tr("Add the capture to the plot, dashed, beside what it shows"));
    connect(compare, &QPushButton::clicked, this, [this] {
        m_compares = true;
        m_chosen = m_table->currentRow();
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_chosen = m_table->currentRow();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    if (captures.dropped() > 0)
        layout->addWidget(new QLabel(tr("%1 older captures were dropped to keep the last %2.")
                                         .arg(captures.dropped())
                                         .arg(captures.options().keep),
                                     this));
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(std::max(kWidth, fittingWidth()), kHeight);
}

// Wide enough for the table's columns, as far as the screen allows.
int CaptureListDialog::fittingWidth() const
{
    const QMargins margins = layout()->contentsMargins();
    const int table = m_table->verticalHeader()->sizeHint().width() +
                      m_table->horizontalHeader()->length() + 2 * m_table->frameWidth() +
                      m_table->verticalScrollBar()->sizeHint().width();
    return std::min(table + margins.left() + margins.right(),
                    screen()->availableGeometry().width());
}
