#include "MeasurementCursors.h"

#include "QwtScope.h"

#include <QBrush>
#include <QPen>

#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_text.h>

#include <cmath>

namespace {

const QColor kCursorColours[] = {QColor(176, 0, 112), QColor(0, 84, 166)};
constexpr double kOverlayZ = 1000.0; // above grid and curves

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

MeasurementCursors::MeasurementCursors(QwtScope *plot) : QObject(plot), m_plot(plot)
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
    }
    m_readout = new QwtPlotTextLabel;
    m_readout->setZ(kOverlayZ);
    m_readout->setMargin(8);
    m_readout->setVisible(false);
    m_readout->attach(plot);
    connect(plot, &QwtScope::aboutToReplot, this, &MeasurementCursors::follow);
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

QString MeasurementCursors::readoutText() const
{
    const CursorReading r = reading();
    QString head =
        QStringLiteral("t1 = %1&nbsp;&nbsp; t2 = %2")
            .arg(r.placed1 ? withUnit(number(r.time1), QStringLiteral("ms")) : QStringLiteral("–"),
                 r.placed2 ? withUnit(number(r.time2), QStringLiteral("ms")) : QStringLiteral("–"));
    if (m_triggerTime) {
        const double trigger = *m_triggerTime - m_plot->timeOrigin();
        head += QStringLiteral("&nbsp;&nbsp; ") +
                tr("from trigger: %1 / %2")
                    .arg(r.placed1 ? withUnit(number(r.time1 - trigger), QStringLiteral("ms"))
                                   : QStringLiteral("–"),
                         r.placed2 ? withUnit(number(r.time2 - trigger), QStringLiteral("ms"))
                                   : QStringLiteral("–"));
    }
    if (r.hasSpan()) {
        const double dt = r.deltaTime();
        head += QStringLiteral("&nbsp;&nbsp; Δt = %1&nbsp;&nbsp; 1/Δt = %2")
                    .arg(withUnit(number(dt), QStringLiteral("ms")),
                         dt != 0.0 ? withUnit(number(1000.0 / dt), QStringLiteral("Hz"))
                                   : QStringLiteral("–"));
    }
    QString rows;
    for (const CursorReading::Curve &c : r.curves) {
        const bool hasDelta = c.has1 && c.has2;
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td align=\"right\">%3</td>"
                               "<td align=\"right\">%4</td><td align=\"right\">%5</td></tr>")
                    .arg(c.title.trimmed().toHtmlEscaped(), c.unit.toHtmlEscaped(),
                         valueCell(c.has1, c.value1), valueCell(c.has2, c.value2),
                         valueCell(hasDelta, c.value2 - c.value1));
    }
    return QStringLiteral("<p>%1</p><table cellspacing=\"0\" cellpadding=\"2\">"
                          "<tr><th></th><th>%3</th><th>@1</th><th>@2</th><th>Δ</th></tr>%2</table>")
        .arg(head, rows, tr("unit"));
}

// Runs before every replot: markers move to where their recorded moments are shown now,
// and the read-out shows the values the coming frame draws.
void MeasurementCursors::follow()
{
    for (int cursor = 0; cursor < 2; ++cursor) {
        m_markers[cursor]->setVisible(m_placed[cursor]);
        if (m_placed[cursor])
            m_markers[cursor]->setXValue(shownTime(cursor));
    }
    m_readout->setVisible(anyPlaced());
    if (!anyPlaced())
        return;
    QwtText text(readoutText(), QwtText::RichText);
    text.setRenderFlags(Qt::AlignLeft | Qt::AlignTop);
    text.setBackgroundBrush(QBrush(QColor(255, 255, 255, 225)));
    text.setBorderPen(QPen(QColor(120, 120, 120), 1));
    text.setBorderRadius(3.0);
    m_readout->setText(text);
}
