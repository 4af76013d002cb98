#include "MeasurementCursors.h"

#include "CursorReadout.h"
#include "QwtScope.h"

#include <QBrush>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_map.h>
#include <qwt_text.h>

#include <algorithm>
#include <cmath>

namespace {

const QColor kCursorColours[] = {QColor(176, 0, 112), QColor(0, 84, 166)};
constexpr double kOverlayZ = 1000.0;     // above grid and curves
constexpr double kMaxReadoutShare = 0.4; // of the canvas height
constexpr double kCellPadding = 1.0;

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString valueCell(bool has, double value)
{
    return has ? number(value) : QStringLiteral("–");
}

QString withUnit(const QString &value, const QString &unit)
{
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit.toHtmlEscaped();
}

std::optional<Qt::Edge> edgeBeyond(double pixel, const QRectF &canvasRect)
{
    if (pixel < canvasRect.left())
        return Qt::LeftEdge;
    if (pixel > canvasRect.right())
        return Qt::RightEdge;
    return std::nullopt;
}

// Smaller than the plot's own text: the read-out must not hide what it measures.
QFont smallFont(QFont font)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(7.0, font.pointSizeF() * 0.85));
    else
        font.setPixelSize(std::max(9, font.pixelSize() * 85 / 100));
    return font;
}

// First index whose time is not before `time`; the samples' times ascend.
size_t lowerBound(const QwtSeriesData<QPointF> &samples, double time)
{
    size_t lo = 0;
    size_t hi = samples.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (samples.sample(mid).x() < time)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

} // namespace

// A small arrow at the canvas edge beyond which a cursor's time lies, with the cursor's name.
// Decided at drawing time, so a saved image of another size shows it where it belongs. Holds
// the cursor's time itself: it may outlive the cursors in the plot's item list.
class CursorEdgeMark : public QwtPlotItem
{
public:
    CursorEdgeMark(int cursor, QString name)
        : QwtPlotItem(QwtText(name)), m_cursor(cursor), m_name(std::move(name))
    {
        setZ(kOverlayZ + 1.0);
        setVisible(false);
    }

    void setShownTime(double time) { m_shownTime = time; }

    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &,
              const QRectF &canvasRect) const override
    {
        const auto edge = edgeBeyond(xMap.transform(m_shownTime), canvasRect);
        if (!edge)
            return;
        const bool left = *edge == Qt::LeftEdge;
        const double tip = left ? canvasRect.left() + 2.0 : canvasRect.right() - 2.0;
        const double base = left ? tip + 9.0 : tip - 9.0;
        const double y = canvasRect.center().y() + (m_cursor == 0 ? -12.0 : 12.0);
        const QColor colour = kCursorColours[m_cursor];
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        const QPointF arrow[] = {{tip, y}, {base, y - 6.0}, {base, y + 6.0}};
        painter->drawPolygon(arrow, 3);
        painter->setFont(smallFont(painter->font()));
        const QFontMetricsF metrics(painter->font());
        const QSizeF size(metrics.horizontalAdvance(m_name) + 4.0, metrics.height());
        const QRectF label(
            QPointF(left ? base + 2.0 : base - 2.0 - size.width(), y - size.height() / 2.0), size);
        painter->fillRect(label, QColor(255, 255, 255, 225));
        painter->setPen(colour);
        painter->drawText(label, Qt::AlignCenter, m_name);
        painter->restore();
    }

private:
    int m_cursor;
    double m_shownTime = 0.0;
    QString m_name;
};

bool valueAtTime(const QwtSeriesData<QPointF> &samples, double time, double &value)
{
    const size_t n = samples.size();
    if (n == 0 || !std::isfinite(time))
        return false;
    const size_t upper = lowerBound(samples, time);
    if (upper >= n)
        return false;
    const QPointF after = samples.sample(upper);
    if (after.x() == time) {
        value = after.y();
        return std::isfinite(value);
    }
    if (upper == 0)
        return false;
    const QPointF before = samples.sample(upper - 1);
    if (!std::isfinite(before.y()) || !std::isfinite(after.y()) || !(after.x() > before.x()))
        return false;
    const double share = (time - before.x()) / (after.x() - before.x());
    value = before.y() + share * (after.y() - before.y());
    return true;
}

MeasurementCursors::MeasurementCursors(QwtScope *plot)
    : QObject(plot), m_plot(plot), m_canvas(plot->canvas())
{
    for (int cursor = 0; cursor < 2; ++cursor) {
        auto *marker = new QwtPlotMarker(tr("Cursor %1").arg(cursor + 1));
        marker->setLineStyle(QwtPlotMarker::VLine);
        marker->setLinePen(kCursorColours[cursor], 1.5, Qt::DashLine);
        QwtText label(QString::number(cursor + 1));
        label.setColor(kCursorColours[cursor]);
        marker->setLabel(label);
        marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
        marker->setZ(kOverlayZ);
        marker->setVisible(false);
        marker->attach(plot);
        m_markers[cursor] = marker;
        m_edgeMarks[cursor] = new CursorEdgeMark(cursor, tr("t%1").arg(cursor + 1));
        m_edgeMarks[cursor]->attach(plot);
    }
    m_readout = new CursorReadout;
    m_readout->setZ(kOverlayZ);
    m_readout->setVisible(false);
    m_readout->attach(plot);
    connect(plot, &QwtScope::aboutToReplot, this, &MeasurementCursors::follow);
    m_canvas->installEventFilter(this);
}

void MeasurementCursors::place(int cursor, double shownTime)
{
    if (cursor < 0 || cursor > 1 || !std::isfinite(shownTime))
        return;
    m_placed[cursor] = true;
    m_recordedTime[cursor] = m_plot->timeOrigin() + shownTime;
    m_plot->replot();
}

void MeasurementCursors::remove()
{
    m_placed = {};
    m_plot->replot();
}

bool MeasurementCursors::isPlaced(int cursor) const
{
    return cursor >= 0 && cursor <= 1 && m_placed[cursor];
}

double MeasurementCursors::shownTime(int cursor) const
{
    return isPlaced(cursor) ? m_recordedTime[cursor] - m_plot->timeOrigin() : 0.0;
}

CursorReading MeasurementCursors::reading() const
{
    CursorReading reading;
    reading.placed1 = isPlaced(0);
    reading.placed2 = isPlaced(1);
    reading.time1 = shownTime(0);
    reading.time2 = shownTime(1);
    for (const QwtPlotItem *item : m_plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        const auto *curve = static_cast<const QwtPlotCurve *>(item);
        if (!curve->isVisible())
            continue;
        CursorReading::Curve row;
        row.title = curve->title().text();
        row.unit = m_plot->curveBinding(m_plot->slotOf(item)).unit;
        if (const QwtSeriesData<QPointF> *data = curve->data()) {
            row.has1 = reading.placed1 && valueAtTime(*data, reading.time1, row.value1);
            row.has2 = reading.placed2 && valueAtTime(*data, reading.time2, row.value2);
        }
        reading.curves << row;
    }
    return reading;
}

void MeasurementCursors::setTriggerTime(std::optional<double> recordedTime)
{
    m_triggerTime = recordedTime;
    if (anyPlaced())
        m_plot->replot();
}

QRectF MeasurementCursors::canvasRect() const
{
    return QRectF(m_canvas->contentsRect());
}

QRect MeasurementCursors::readoutRect() const
{
    if (!anyPlaced())
        return QRect();
    return m_readout->rectIn(canvasRect()).toAlignedRect();
}

// Lines joined by <br>: a <p> would add its margins to the box.
QString MeasurementCursors::readoutHead(const CursorReading &r) const
{
    const auto time = [](bool placed, double value) {
        return placed ? withUnit(number(value), QStringLiteral("ms")) : QStringLiteral("–");
    };
    QStringList lines{
        tr("t1 = %1&nbsp;&nbsp; t2 = %2").arg(time(r.placed1, r.time1), time(r.placed2, r.time2))};
    if (r.hasSpan()) {
        const double dt = r.deltaTime();
        lines << tr("Δt = %1&nbsp;&nbsp; 1/Δt = %2")
                     .arg(withUnit(number(dt), QStringLiteral("ms")),
                          dt != 0.0 ? withUnit(number(1000.0 / dt), QStringLiteral("Hz"))
                                    : QStringLiteral("–"));
    }
    if (m_triggerTime) {
        const double trigger = *m_triggerTime - m_plot->timeOrigin();
        lines << tr("from trigger: %1 / %2")
                     .arg(time(r.placed1, r.time1 - trigger), time(r.placed2, r.time2 - trigger));
    }
    return lines.join(QStringLiteral("<br>"));
}

// Rows that fit the read-out's share of the canvas height below the head and the table's
// header row; at least one.
int MeasurementCursors::readoutRowBudget(int headLines) const
{
    const double line = QFontMetricsF(smallFont(m_canvas->font())).lineSpacing();
    const double row = std::ceil(line + 2 * kCellPadding) + 1.0; // rounding in the layout
    const double room = kMaxReadoutShare * canvasRect().height() - headLines * line - row;
    return std::max(1, int(room / row));
}

QString MeasurementCursors::readoutText() const
{
    const CursorReading r = reading();
    const QString head = readoutHead(r);
    const int budget = readoutRowBudget(head.count(QStringLiteral("<br>")) + 1);
    // The last row says how many are left out rather than showing one more.
    const int shown = r.curves.size() > budget ? budget - 1 : r.curves.size();
    QString rows;
    for (int i = 0; i < shown; ++i) {
        const CursorReading::Curve &c = r.curves.at(i);
        const bool hasDelta = c.has1 && c.has2;
        rows += QStringLiteral("<tr><td>%1&nbsp;</td><td>%2&nbsp;</td><td align=\"right\">%3</td>"
                               "<td align=\"right\">%4</td><td align=\"right\">%5</td></tr>")
                    .arg(c.title.trimmed().toHtmlEscaped(), c.unit.toHtmlEscaped(),
                         valueCell(c.has1, c.value1), valueCell(c.has2, c.value2),
                         valueCell(hasDelta, c.value2 - c.value1));
    }
    if (shown < r.curves.size())
        rows += QStringLiteral("<tr><td colspan=\"5\">%1</td></tr>")
                    .arg(tr("… %n more (hide curves in the legend to read them)", nullptr,
                            r.curves.size() - shown));
    return QStringLiteral("<div>%1</div><table cellspacing=\"0\" cellpadding=\"%2\">"
                          "<tr><th></th><th>%3&nbsp;</th><th>@1&nbsp;</th><th>@2&nbsp;</th>"
                          "<th>Δ</th></tr>%4"
                          "</table>")
        .arg(head)
        .arg(kCellPadding)
        .arg(tr("unit"), rows);
}

// Runs before every replot: markers move to where their recorded moments are shown now,
// and the read-out shows the values the coming frame draws.
void MeasurementCursors::follow()
{
    for (int cursor = 0; cursor < 2; ++cursor) {
        m_markers[cursor]->setVisible(m_placed[cursor]);
        m_edgeMarks[cursor]->setVisible(m_placed[cursor]);
        m_markers[cursor]->setXValue(shownTime(cursor));
        m_edgeMarks[cursor]->setShownTime(shownTime(cursor));
    }
    m_readout->setVisible(anyPlaced());
    if (!anyPlaced())
        return;
    QwtText text(readoutText(), QwtText::RichText);
    text.setFont(smallFont(m_canvas->font()));
    text.setRenderFlags(Qt::AlignLeft | Qt::AlignTop);
    text.setBackgroundBrush(QBrush(QColor(255, 255, 255, 225)));
    text.setBorderPen(QPen(QColor(120, 120, 120), 1));
    text.setBorderRadius(3.0);
    m_readout->setText(text);
}

bool MeasurementCursors::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_canvas)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return dragReadout(event);
    default:
        return false;
    }
}

bool MeasurementCursors::dragReadout(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPointF pos = mouse->localPos();
    const bool overReadout = readoutRect().contains(mouse->pos());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse->button() != Qt::LeftButton || !overReadout)
            return false;
        m_dragGrip = pos - QPointF(readoutRect().topLeft());
        m_canvas->setCursor(Qt::ClosedHandCursor);
        return true;
    case QEvent::MouseMove:
        if (!m_dragGrip) {
            if (overReadout)
                m_canvas->setCursor(Qt::OpenHandCursor);
            else
                m_canvas->unsetCursor();
            return false;
        }
        m_readout->moveTo(pos - *m_dragGrip, canvasRect());
        m_plot->replot();
        return true;
    default: // release
        if (!m_dragGrip || mouse->button() != Qt::LeftButton)
            return false;
        m_dragGrip.reset();
        m_canvas->setCursor(Qt::OpenHandCursor);
        return true;
    }
}
