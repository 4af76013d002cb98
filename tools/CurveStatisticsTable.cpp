#include "CurveStatisticsTable.h"

#include "QwtScope.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include <qwt_plot_curve.h>

namespace {

const char *const kColumns[] = {QT_TRANSLATE_NOOP("CurveStatisticsTable", "Channel"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Unit"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Samples"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Min"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Max"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Mean"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "RMS"),
                                QT_TRANSLATE_NOOP("CurveStatisticsTable", "Peak-to-peak")};
constexpr int kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);
constexpr int kMostRowsShown = 16; // beyond these the table scrolls

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QStringList cells(const CurveStatisticsRow &row)
{
    const CurveStatistics &s = row.figures;
    QStringList out{row.title.trimmed(), row.unit, QString::number(s.count)};
    if (s.isEmpty())
        return out << QString() << QString() << QString() << QString() << QString();
    return out << number(s.min) << number(s.max) << number(s.mean) << number(s.rms)
               << number(s.peakToPeak);
}

QString rangeText(double from, double to)
{
    return CurveStatisticsTable::tr("Visible range: %1 to %2 ms").arg(number(from), number(to));
}

} // namespace

CurveStatisticsTable::CurveStatisticsTable(QWidget *parent)
    : QDialog(parent), m_range(new QLabel(this)), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("ScopeStatisticsDialog"));
    setWindowTitle(tr("Statistics of the visible range"));
    m_table->setObjectName(QStringLiteral("ScopeStatisticsTable"));
    m_table->setColumnCount(kColumnCount);
    QStringList headers;
    for (const char *column : kColumns)
        headers << tr(column);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *copy = buttons->addButton(tr("Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("ScopeStatisticsCopy"));
    connect(copy, &QPushButton::clicked, this, &CurveStatisticsTable::copyText);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_range);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
}

QVector<CurveStatisticsRow> CurveStatisticsTable::visibleRows(QwtScope *plot, double &from,
                                                              double &to)
{
    const QwtInterval shown = plot->axisInterval(QwtPlot::xBottom);
    from = shown.minValue();
    to = shown.maxValue();
    QVector<CurveStatisticsRow> rows;
    for (const QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        const auto *curve = static_cast<const QwtPlotCurve *>(item);
        if (!curve->isVisible() || !curve->data())
            continue;
        rows << CurveStatisticsRow{curve->title().text(),
                                   plot->curveBinding(plot->slotOf(item)).unit,
                                   CurveStatistics::over(*curve->data(), from, to)};
    }
    return rows;
}

void CurveStatisticsTable::showFor(QwtScope *plot)
{
    m_rows = visibleRows(plot, m_from, m_to);
    m_range->setText(rangeText(m_from, m_to));
    m_table->setRowCount(m_rows.size());
    for (int row = 0; row < m_rows.size(); ++row) {
        const QStringList texts = cells(m_rows.at(row));
        for (int column = 0; column < texts.size(); ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            if (column >= 2)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    if (!m_sized) {
        fitToTable();
        m_sized = true;
    }
    show();
    raise();
}

// Wide enough for every column and tall enough for the rows, within the screen. Only at the
// first showing: afterwards the size the operator gave it stays.
void CurveStatisticsTable::fitToTable()
{
    const int frame = 2 * m_table->frameWidth();
    const int scrollBar = m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int rows = std::min(m_table->verticalHeader()->length(),
                              kMostRowsShown * m_table->verticalHeader()->defaultSectionSize());
    const QSize table(m_table->horizontalHeader()->length() + frame + scrollBar,
                      m_table->horizontalHeader()->sizeHint().height() + rows + frame);
    // The layout adds the label, the buttons and the margins around a table of that size.
    const QSize tableMinimum = m_table->minimumSize();
    m_table->setMinimumSize(table);
    QSize wanted = layout()->sizeHint();
    m_table->setMinimumSize(tableMinimum);
    if (const QScreen *screen = this->screen())
        wanted = wanted.boundedTo(screen->availableSize() * 9 / 10);
    resize(wanted);
}

QString CurveStatisticsTable::text() const
{
    QStringList lines{rangeText(m_from, m_to)};
    QStringList header;
    for (const char *column : kColumns)
        header << tr(column);
    lines << header.join(QLatin1Char('\t'));
    for (const CurveStatisticsRow &row : m_rows)
        lines << cells(row).join(QLatin1Char('\t'));
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CurveStatisticsTable::copyText()
{
    QApplication::clipboard()->setText(text());
}
