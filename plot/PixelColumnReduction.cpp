#include "PixelColumnReduction.h"

#include "ScopeSeriesData.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// Well inside int range, where rounding is defined.
constexpr double kPixelLimit = 1e9;
// How far ahead of the column being read its values are asked for: far enough for the
// memory to answer in time, yet within what the caches hold.
constexpr int kPrefetchColumns = 4;
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

// The values of the column's samples, in sample order.
bool reduceColumn(const ScopeSeriesData &series, const ColumnRange &range, ColumnValues &column)
{
    const int first = range.first;
    const int end = range.end;
    const SampleExtremes extremes = series.y().extremes(first, end);
    if (extremes.nonFinite)
        return false;
    // The summaries hold the extreme values: reading them again would only miss the cache.
    std::array<std::pair<int, double>, 4> picks{{{first, series.yAt(first)},
                                                 {extremes.leastIndex, extremes.least},
                                                 {extremes.greatestIndex, extremes.greatest},
                                                 {end - 1, series.yAt(end - 1)}}};
    std::sort(picks.begin(), picks.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    column.range = range;
    column.count = 0;
    for (int k = 0; k < 4; ++k) {
        if (k == 0 || picks[k].first != picks[k - 1].first)
            column.values[static_cast<std::size_t>(column.count++)] = picks[k].second;
    }
    return true;
}

// Hands out the earlier ranges in order. The last one may have been cut short by the end
// of the samples then; any other ended where its pixel column did.
class EarlierRangeCursor
{
public:
    explicit EarlierRangeCursor(const EarlierRanges *earlier) : m_earlier(earlier) {}

    // The earlier range that holds exactly the column beginning at sample `first` now, if
    // it lies within `last`; moved to this one's index and pixel.
    std::optional<ColumnRange> rangeAt(int first, int last)
    {
        if (!m_earlier)
            return std::nullopt;
        const ColumnRanges &ranges = m_earlier->ranges;
        const int shift = m_earlier->indexShift;
        while (m_next + 1 < ranges.size() && ranges.at(m_next).first + shift < first)
            ++m_next;
        if (m_next + 1 >= ranges.size() || ranges.at(m_next).first + shift != first ||
            ranges.at(m_next).end + shift - 1 > last)
            return std::nullopt;
        ColumnRange range = ranges.at(m_next);
        range.first += shift;
        range.end += shift;
        range.x -= m_earlier->pixelShift;
        return range;
    }

private:
    const EarlierRanges *m_earlier;
    int m_next = 0;
};

// Hands out the earlier columns over exactly the samples of a range now, in order.
class EarlierColumnCursor
{
public:
    explicit EarlierColumnCursor(const EarlierColumns *earlier) : m_earlier(earlier) {}

    std::optional<ColumnValues> columnOver(const ColumnRange &range)
    {
        if (!m_earlier)
            return std::nullopt;
        const ReducedSamples &columns = m_earlier->columns;
        const int shift = m_earlier->indexShift;
        while (m_next < columns.size() && columns.at(m_next).range.first + shift < range.first)
            ++m_next;
        if (m_next >= columns.size() || columns.at(m_next).range.first + shift != range.first ||
            columns.at(m_next).range.end + shift != range.end)
            return std::nullopt;
        ColumnValues column = columns.at(m_next);
        column.range = range;
        return column;
    }

private:
    const EarlierColumns *m_earlier;
    int m_next = 0;
};

} // namespace

bool columnRangesOf(const ScopeSeriesData &series, const QwtScaleMap &xMap, const QRectF &clipRect,
                    int from, int to, ColumnRanges &ranges, const EarlierRanges *earlier)
{
    if (!series.isXAscending() || xMap.transformation())
        return false;
    const double edgeA = xMap.invTransform(clipRect.left() - kCutMargin);
    const double edgeB = xMap.invTransform(clipRect.right() + kCutMargin);
    // The last sample before the cut and the first one after it still draw the lines
    // that cross its edges.
    const int first = std::max(series.lowerBoundX(std::min(edgeA, edgeB), from, to + 1) - 1, from);
    const int last = std::min(series.lowerBoundX(std::max(edgeA, edgeB), first, to + 1), to);

    ColumnRanges found;
    found.reserve(qRound(std::abs(clipRect.width())) + 8);
    int width = 1;
    EarlierRangeCursor taken(earlier);
    for (int i = first; i <= last;) {
        if (const std::optional<ColumnRange> known = taken.rangeAt(i, last)) {
            found.append(*known);
            width = known->end - known->first;
            i = known->end;
            continue;
        }
        const double mapped = xMap.transform(series.xAt(i));
        if (!roundable(mapped))
            return false;
        const int end = columnEnd(series, xMap, i, last, width);
        found.append(ColumnRange{qRound(mapped), i, end});
        width = end - i;
        i = end;
    }
    ranges = found;
    return true;
}

bool reduceColumns(const ScopeSeriesData &series, const ColumnRanges &ranges,
                   ReducedSamples &columns, const EarlierColumns *earlier)
{
    // The columns taken over first, so that reading the others can ask ahead for the next
    // one to be read.
    ReducedSamples reduced(ranges.size());
    ColumnValues *column = reduced.data();
    QVector<int> toRead;
    EarlierColumnCursor taken(earlier);
    for (int k = 0; k < ranges.size(); ++k) {
        if (const std::optional<ColumnValues> known = taken.columnOver(ranges.at(k)))
            column[k] = *known;
        else
            toRead.append(k);
    }
    for (int n = 0; n < toRead.size(); ++n) {
        if (n + kPrefetchColumns < toRead.size()) {
            const ColumnRange &ahead = ranges.at(toRead.at(n + kPrefetchColumns));
            series.y().prefetchExtremes(ahead.first, ahead.end);
        }
        const int k = toRead.at(n);
        if (!reduceColumn(series, ranges.at(k), column[k]))
            return false;
    }
    columns = reduced;
    return true;
}

qint64 samplesToRead(const ColumnRanges &ranges, const EarlierColumns *earlier)
{
    EarlierColumnCursor taken(earlier);
    qint64 samples = 0;
    for (const ColumnRange &range : ranges) {
        if (!taken.columnOver(range))
            samples += range.end - range.first;
    }
    return samples;
}

bool mapToRows(const ReducedSamples &reduced, const QwtScaleMap &yMap, PixelColumns &columns)
{
    if (yMap.transformation())
        return false;
    // Filled in place: an append per column, for every curve at every refresh, showed.
    PixelColumns mapped(reduced.size());
    PixelColumn *column = mapped.data();
    for (const ColumnValues &values : reduced) {
        column->x = values.range.x;
        for (int k = 0; k < values.count; ++k) {
            const double row = yMap.transform(values.values[static_cast<std::size_t>(k)]);
            if (!roundable(row))
                return false;
            const int rounded = qRound(row);
            if (column->count == 0 || column->lastRow() != rounded)
                column->rows[static_cast<std::size_t>(column->count++)] = rounded;
        }
        ++column;
    }
    columns = mapped;
    return true;
}

QPolygonF polylineThrough(const PixelColumns &columns)
{
    QPolygonF polyline;
    polyline.reserve(4 * columns.size());
    for (const PixelColumn &column : columns) {
        for (int k = 0; k < column.count; ++k)
            polyline.append(QPointF(column.x, column.rows[static_cast<std::size_t>(k)]));
    }
    return polyline;
}

int PixelColumn::top() const
{
    return *std::min_element(rows.begin(), rows.begin() + count);
}

int PixelColumn::bottom() const
{
    return *std::max_element(rows.begin(), rows.begin() + count);
}
