#include "ScopeCurve.h"

#include "ColumnSpans.h"
#include "PixelColumnReduction.h"
#include "ScopeSeriesData.h"

#include <QPainter>

#include <algorithm>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_symbol.h>

void ScopeCurve::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                      const QRectF &canvasRect) const
{
    GapCurve::draw(painter, xMap, valueMap(yMap), canvasRect);
}

void ScopeCurve::dataChanged()
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(data());
    m_reduced.keepOnlyFor(series);
    // A shared cache also serves the other curves: the plot lets go of it after drawing.
    if (!m_sharedRanges)
        m_ownRanges.keepOnlyFor(series);
    GapCurve::dataChanged();
}

ColumnRangeCache &ScopeCurve::columnRanges() const
{
    return m_sharedRanges ? *m_sharedRanges : m_ownRanges;
}

// Each stretch between jumps in time is drawn on its own. Finding the gaps at samples that
// are not finite walks every sample; a curve whose summaries show none skips that walk.
void ScopeCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                            const QRectF &canvasRect, int from, int to) const
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(data());
    if (to < 0)
        to = static_cast<int>(dataSize()) - 1;
    const QVector<int> breaks = series ? series->timeBreaks() : QVector<int>();
    auto next = std::upper_bound(breaks.begin(), breaks.end(), from);
    for (int start = from; start <= to;) {
        const int end = next != breaks.end() ? std::min(*next++ - 1, to) : to;
        if (series && !series->hasNonFinite())
            QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, start, end);
        else
            GapCurve::drawSeries(painter, xMap, yMap, canvasRect, start, end);
        start = end + 1;
    }
}

void ScopeCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                           const QRectF &canvasRect, int from, int to) const
{
    if (from > to)
        return;
    const QRectF clipRect = clipRectFor(canvasRect, painter->pen());
    PixelColumns columns;
    if (!drawsReduced(painter) || !reducedColumns(xMap, yMap, clipRect, from, to, columns)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    if (drawsAsSpans(*painter, columns)) {
        drawColumnSpans(painter, columns, clipRect);
        return;
    }
    QPolygonF polyline = polylineThrough(columns);
    if (testPaintAttribute(ClipPolygons))
        polyline = QwtClipper::clipPolygonF(clipRect, polyline, false);
    QwtPainter::drawPolyline(painter, polyline);
}

bool ScopeCurve::reducedColumns(const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                const QRectF &clipRect, int from, int to,
                                PixelColumns &columns) const
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(data());
    const ColumnRanges *ranges =
        series ? columnRanges().rangesFor(*series, xMap, clipRect, from, to) : nullptr;
    const ReducedSamples *reduced = ranges ? m_reduced.reduce(*series, *ranges) : nullptr;
    const PixelColumns *rows = reduced ? m_reduced.rowsUnder(yMap) : nullptr;
    if (rows)
        columns = *rows;
    return rows != nullptr;
}

// The reduction stands in for Qwt's own mapping only where that maps to whole pixels and
// drops repeated points; a brush or a fitter needs every point.
bool ScopeCurve::drawsReduced(QPainter *painter) const
{
    return QwtPainter::roundingAlignment(painter) && reducible();
}

bool ScopeCurve::reducible() const
{
    const bool filled = brush().style() != Qt::NoBrush && brush().color().alpha() > 0;
    const bool fitted = testCurveAttribute(Fitted) && curveFitter();
    return style() == Lines && testPaintAttribute(FilterPoints) && !filled && !fitted;
}

// The margin Qwt clips to, so that wide pens end outside the canvas.
QRectF ScopeCurve::clipRectFor(const QRectF &canvasRect, const QPen &pen) const
{
    const qreal pw = qMax(qreal(1.0), pen.widthF());
    return canvasRect.adjusted(-pw, -pw, pw, pw);
}

// A curve without gaps is drawn in one piece, all its samples.
const ScopeSeriesData *ScopeCurve::reducedWhole() const
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(data());
    if (!series || series->hasNonFinite() || !series->timeBreaks().isEmpty() ||
        series->count() == 0 || !reducible())
        return nullptr;
    return series;
}

std::optional<ScopeCurve::Reading> ScopeCurve::readingFor(const QwtScaleMap &xMap,
                                                          const QRectF &canvasRect) const
{
    const ScopeSeriesData *series = reducedWhole();
    if (!series)
        return std::nullopt;
    const ColumnRanges *ranges = columnRanges().rangesFor(
        *series, xMap, clipRectFor(canvasRect, pen()), 0, series->count() - 1);
    if (!ranges)
        return std::nullopt;
    return Reading{*ranges, m_reduced.samplesToRead(*series, *ranges)};
}

void ScopeCurve::read(const ColumnRanges &ranges) const
{
    if (const auto *series = dynamic_cast<const ScopeSeriesData *>(data()))
        m_reduced.reduce(*series, ranges);
}

std::optional<PixelColumns> ScopeCurve::drawnColumns(const QwtScaleMap &xMap,
                                                     const QwtScaleMap &yMap,
                                                     const QRectF &canvasRect) const
{
    if (dataSize() == 0)
        return PixelColumns();
    const ScopeSeriesData *series = reducedWhole();
    if (!series || (symbol() && symbol()->style() != QwtSymbol::NoSymbol))
        return std::nullopt;
    PixelColumns columns;
    if (!reducedColumns(xMap, valueMap(yMap), clipRectFor(canvasRect, pen()), 0,
                        series->count() - 1, columns))
        return std::nullopt;
    return columns;
}

std::optional<double> ScopeCurve::drawingOrigin(const QwtScaleMap &xMap) const
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(data());
    if (!series || series->timeDrawing() != ScopeSeriesData::TimeDrawing::OnWholePixels)
        return std::nullopt;
    return series->drawingOrigin(xMap);
}
