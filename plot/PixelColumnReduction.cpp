#include "PixelColumnReduction.h"

#include "ScopeSeriesData.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Well inside int range, where rounding is defined.
constexpr double kPixelLimit = 1e9;
// Samples this far outside the clip rectangle cannot reach into it.
constexpr double kCutMargin = 2.0;

bool roundable(double mapped)
{
    return std::abs(mapped) < kPixelLimit;
}

// Whole-pixel column of sample i, kept monotone in i for far-off samples.
int columnOf(const ScopeSeriesData &series, const QwtScaleMap &xMap, int i)
{
    return qRound(qBound(-kPixelLimit, xMap.transform(series.xAt(i)), kPixelLimit));
}

// One past the last sample of the column that begins at `first`, searching no further
// than `last`. Columns of evenly spaced samples are about as wide as the one before, so
// the search starts `width` samples on and gallops from there, then halves.
int columnEnd(const ScopeSeriesData &series, const QwtScaleMap &xMap, int first, int last,
              int width)
{
    const int column = columnOf(series, xMap, first);
    const auto inColumn = [&](int i) {
        return columnOf(series, xMap, i) == column;
    };
    int inside = first;
    int outside = std::clamp(first + width, first + 1, last + 1);
    if (outside <= last && inColumn(outside)) {
        inside = outside;
        outside = last + 1;
        for (int step = 1; inside + step <= last; step *= 2) {
            if (!inColumn(inside + step)) {
                outside = inside + step;
                break;
            }
            inside += step;
        }
    } else {
        for (int step = 1; outside - step > first; step *= 2) {
            if (inColumn(outside - step)) {
                inside = outside - step;
                break;
            }
            outside -= step;
        }
    }
    while (outside - inside > 1) {
        const int middle = inside + (outside - inside) / 2;
        if (inColumn(middle))
            inside = middle;
        else
            outside = middle;
    }
    return outside;
}

void appendPoint(QPolygonF &polyline, const QPointF &point)
{
    if (polyline.isEmpty() || polyline.last() != point)
        polyline.append(point);
}

// The column's samples [first, end) as at most four points, in sample order.
bool appendColumn(const ScopeSeriesData &series, const QwtScaleMap &yMap, int first, int end,
                  double x, QPolygonF &polyline)
{
    const SampleExtremes extremes = series.y().extremes(first, end);
    if (extremes.nonFinite || !roundable(yMap.transform(extremes.least)) ||
        !roundable(yMap.transform(extremes.greatest)))
        return false;
    std::array<int, 4> picks{first, extremes.leastIndex, extremes.greatestIndex, end - 1};
    std::sort(picks.begin(), picks.end());
    for (int k = 0; k < 4; ++k) {
        if (k > 0 && picks[k] == picks[k - 1])
            continue;
        appendPoint(polyline, QPointF(x, qRound(yMap.transform(series.yAt(picks[k])))));
    }
    return true;
}

} // namespace

bool reduceToPixelColumns(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                          const QwtScaleMap &yMap, const QRectF &clipRect, int from, int to,
                          QPolygonF &polyline)
{
    if (!series.isXAscending() || xMap.transformation() || yMap.transformation())
        return false;
    const double edgeA = xMap.invTransform(clipRect.left() - kCutMargin);
    const double edgeB = xMap.invTransform(clipRect.right() + kCutMargin);
    // The last sample before the cut and the first one after it still draw the lines
    // that cross its edges.
    const int first = std::max(series.lowerBoundX(std::min(edgeA, edgeB), from, to + 1) - 1, from);
    const int last = std::min(series.lowerBoundX(std::max(edgeA, edgeB), first, to + 1), to);

    QPolygonF reduced;
    reduced.reserve(4 * (qRound(std::abs(clipRect.width())) + 8));
    int width = 1;
    for (int i = first; i <= last;) {
        const double mapped = xMap.transform(series.xAt(i));
        if (!roundable(mapped))
            return false;
        const int end = columnEnd(series, xMap, i, last, width);
        if (!appendColumn(series, yMap, i, end, qRound(mapped), reduced))
            return false;
        width = end - i;
        i = end;
    }
    polyline = reduced;
    return true;
}
