#include "ScopeDataTracker.h"

#include "ClosestSampleSearch.h"
#include "CurveColours.h"
#include "ScopeCurve.h"

#include <QBrush>
#include <QColor>
#include <QLoggingCategory>
#include <QPainter>
#include <QPen>
#include <QThread>

#include <qwt_painter.h>
#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_text.h>

#include <algorithm>

// Every mouse move logs here: off unless QT_LOGGING_RULES="tarn.scope.tracker.debug=true".
Q_LOGGING_CATEGORY(lcTracker, "tarn.scope.tracker", QtInfoMsg)

namespace {

constexpr int kMarkerSize = 10;

QString hex16(quintptr value)
{
    return QStringLiteral("%1").arg(static_cast<qulonglong>(value), 16, 16, QLatin1Char('0'));
}

QString currentThreadHex()
{
    return hex16(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

QString labelLine(const QString &format, const QColor &colour, const QString &value)
{
    return format.arg(colour.name()).arg(QStringLiteral("6")).arg(value);
}

// A curve in a strip maps its values through the strip, not the value axis.
QwtScaleMap valueMapOf(const QwtPlotCurve *curve, const QwtScaleMap &axisMap)
{
    const auto *scopeCurve = dynamic_cast<const ScopeCurve *>(curve);
    return scopeCurve ? scopeCurve->valueMap(axisMap) : axisMap;
}

// Up and to the right of the cursor, clear of its line; to the left where the canvas ends on
// the right, below where it ends above, and moved fully inside if it still does not fit.
QRect besideCursor(const QSize &size, const QPoint &cursor, const QRect &canvas)
{
    constexpr int kGapX = 20;
    constexpr int kGapY = 11;
    QRect box(QPoint(cursor.x() + kGapX, cursor.y() - kGapY - size.height() + 1), size);
    if (box.right() > canvas.right())
        box.moveRight(cursor.x() - kGapX);
    if (box.top() < canvas.top())
        box.moveTop(cursor.y() + kGapY);
    box.moveLeft(std::max(canvas.left(), std::min(box.left(), canvas.right() - box.width() + 1)));
    box.moveTop(std::max(canvas.top(), std::min(box.top(), canvas.bottom() - box.height() + 1)));
    return box;
}

} // namespace

ScopeDataTracker::ScopeDataTracker(QWidget *canvas) : QwtPlotPicker(canvas)
{
    setTrackerMode(QwtPicker::ActiveOnly);
    setRubberBand(QwtPicker::UserRubberBand);
    setStateMachine(new QwtPickerTrackerMachine); // the picker owns its machine

    connect(this, &QwtPicker::moved, this, &ScopeDataTracker::onMoved);
    connect(this, &QwtPicker::activated, this, &ScopeDataTracker::onActivated);
    if (QwtPlotPicker::plot())
        connect(QwtPlotPicker::plot(), &QwtPlot::itemAttached, this,
                &ScopeDataTracker::onItemAttached);
}

void ScopeDataTracker::refresh()
{
    if (!isActive() || trackerPosition().x() < 0)
        return;
    calcClosestPoint(trackerPosition());
    updateDisplay();
}

void ScopeDataTracker::onMoved(const QPoint &pos)
{
    calcClosestPoint(pos);
}

void ScopeDataTracker::calcClosestPoint(const QPoint &pos)
{
    const QwtPlot *plotWidget = plot();
    if (!plotWidget)
        return;
    const QwtPlotItemList items = plotWidget->itemList(QwtPlotItem::Rtti_PlotCurve);
    if (items.isEmpty())
        return;

    const QwtPlotCurve *previous = m_closest.curve;
    QVector<SearchCurve> curves;
    curves.reserve(items.size());
    const QwtScaleMap axisMap = plotWidget->canvasMap(yAxis());
    for (QwtPlotItem *item : items) {
        const auto *curve = static_cast<const QwtPlotCurve *>(item);
        curves.append({curve->data(), curve->isVisible(), valueMapOf(curve, axisMap)});
    }
    const ClosestSample found = findClosestSample(curves, plotWidget->canvasMap(xAxis()),
                                                  plotWidget->canvasMap(yAxis()), pos);
    if (found.found())
        m_closest = {static_cast<QwtPlotCurve *>(items.at(found.position)), found.index,
                     found.distance};
    else
        m_closest.reset();

    qCDebug(lcTracker).noquote() << QStringLiteral("mouseMove 0x%1 cur 0x%2 index:%3")
                                        .arg(currentThreadHex(),
                                             hex16(reinterpret_cast<quintptr>(m_closest.curve)))
                                        .arg(m_closest.index);

    const QwtPlotCurve *current = m_closest.isValid() ? m_closest.curve : nullptr;
    if (current == previous)
        return;
    if (current) {
        QPen pen = current->pen();
        pen.setWidth(1);
        setRubberBandPen(pen);
    }
    emit closestCurveChanged(current);
}

void ScopeDataTracker::onItemAttached(QwtPlotItem *item, bool on)
{
    if (!on && item && item->rtti() == QwtPlotItem::Rtti_PlotCurve && item == m_closest.curve)
        forgetClosest();
}

// The mouse left the canvas: no curve is under it any more.
void ScopeDataTracker::onActivated(bool on)
{
    if (!on)
        forgetClosest();
}

void ScopeDataTracker::forgetClosest()
{
    const bool hadCurve = m_closest.curve != nullptr;
    m_closest.reset();
    if (hadCurve)
        emit closestCurveChanged(nullptr);
}

void ScopeDataTracker::drawRubberBand(QPainter *painter) const
{
    if (!isActive() || rubberBand() == QwtPicker::NoRubberBand ||
        rubberBandPen().style() == Qt::NoPen)
        return;
    const QPolygon &points = pickedPoints();
    const QwtPlot *plotWidget = plot();
    if (!m_closest.isValid() || points.isEmpty() || !plotWidget)
        return;

    QPoint sample;
    if (!canvasPixel(plotWidget->canvasMap(xAxis()),
                     valueMapOf(m_closest.curve, plotWidget->canvasMap(yAxis())),
                     m_closest.samplePoint(), sample))
        return;
    const int cursorX = points.first().x();

    // The box rides on the cursor line at the sample's height.
    QwtPainter::drawRect(painter, cursorX - kMarkerSize / 2, sample.y() - kMarkerSize / 2,
                         kMarkerSize, kMarkerSize);

    const QPen savedPen = painter->pen();
    painter->setPen(QPen(QColor(0, 0, 0, 255), 3, Qt::DotLine));
    QwtPainter::drawLine(painter, cursorX, 0, cursorX, plotWidget->height());
    painter->setPen(savedPen);
}

QRect ScopeDataTracker::trackerRect(const QFont &font) const
{
    qCDebug(lcTracker).noquote() << QStringLiteral("trackerF  0x%1").arg(currentThreadHex());
    const QRect rect = QwtPlotPicker::trackerRect(font);
    if (rect.isEmpty())
        return rect;
    // The library's box grown by 5 pixels on each side; placed by us, not by the library.
    const QSize size = rect.adjusted(-5, -5, 5, 5).size();
    return besideCursor(size, trackerPosition(), parentWidget() ? parentWidget()->rect() : rect);
}

void ScopeDataTracker::widgetMousePressEvent(QMouseEvent *) {}

void ScopeDataTracker::widgetMouseReleaseEvent(QMouseEvent *) {}

QwtText ScopeDataTracker::trackerTextF(const QPointF &) const
{
    if (!m_closest.isValid())
        return QwtText();

    // On the curve's own colour, opaque, in black or white, whichever reads better on it.
    QColor background = m_closest.curve->pen().color();
    background.setAlpha(255);
    const QColor textColour = readableTextColour(background);
    const QPointF sample = m_closest.samplePoint();
    const QString text =
        labelLine(QStringLiteral("<p align=\"left\"><font color=\"%1\" size=\"%2\">&nbsp;%3"
                                 "</font><br>"),
                  textColour, m_closest.curve->title().text()) +
        labelLine(QStringLiteral("<font color=\"%1\" size=\"%2\">&nbsp;&nbsp;x:%3</font><br>"),
                  textColour, QStringLiteral("%1").arg(sample.x(), 0, 'g')) +
        labelLine(QStringLiteral("<font color=\"%1\" size=\"%2\">&nbsp;&nbsp;y:%3</font></p>"),
                  textColour, QStringLiteral("%1").arg(sample.y(), 0, 'f', 3));

    QwtText label(text, QwtText::AutoText);
    label.setColor(textColour);
    label.setBorderPen(QPen(textColour, 1));
    label.setBackgroundBrush(QBrush(background));
    label.setBorderRadius(5.0);
    return label;
}
