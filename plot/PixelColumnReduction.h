#pragma once

#include <QPolygonF>
#include <QRectF>
#include <QVector>

#include <qwt_scale_map.h>

#include <array>

class ScopeSeriesData;

// The samples [first, end) of a curve that fall in pixel column x.
struct ColumnRange
{
    int x = 0;
    int first = 0;
    int end = 0;

    bool operator==(const ColumnRange &other) const
    {
        return x == other.x && first == other.first && end == other.end;
    }
};
using ColumnRanges = QVector<ColumnRange>;

// The values of the samples in one column, as those of its first, lowest, highest and last
// sample in the order they occur, repeated samples dropped.
struct ColumnValues
{
    ColumnRange range;
    std::array<double, 4> values{};
    int count = 0;
};
using ReducedSamples = QVector<ColumnValues>;

// Column ranges told before, to be taken over where they still hold: after the window slid
// by whole pixels, sample i then is sample i + indexShift now and drawn pixelShift columns
// further left.
struct EarlierRanges
{
    const ColumnRanges &ranges;
    int indexShift = 0;
    int pixelShift = 0;
};

// Columns reduced before: their sample i is sample i + indexShift now.
struct EarlierColumns
{
    const ReducedSamples &columns;
    int indexShift = 0;
};

// The same as pixel rows, repeated rows dropped.
struct PixelColumn
{
    int x = 0;
    std::array<int, 4> rows{};
    int count = 0;

    int firstRow() const { return rows[0]; }
    int lastRow() const { return rows[static_cast<std::size_t>(count - 1)]; }
    int top() const;
    int bottom() const;
};
using PixelColumns = QVector<PixelColumn>;

// The polyline of samples [from, to] as Qwt would map it (whole pixels, repeated points
// dropped), cut to the samples whose x lies within `clipRect` (plus one on either side)
// and reduced per pixel column to its first, lowest, highest and last sample (M4, Jugel
// et al., VLDB 2014). A line of one pixel drawn through it covers the same pixels as one
// drawn through all samples. In two steps: which samples fall in which column, which
// depends on the times only and so holds for every curve over the same time column, and
// each curve's values over those samples.

// The pixel columns of the samples [from, to]. Returns false, leaving `ranges` alone, when
// the promise above cannot be kept: x not ascending, a time scale that is not linear, or a
// sample that has no column (NaN, infinite, or too far off to round). Ranges of `earlier`
// that the samples still fill whole are taken over without reading the times again.
bool columnRangesOf(const ScopeSeriesData &series, const QwtScaleMap &xMap, const QRectF &clipRect,
                    int from, int to, ColumnRanges &ranges, const EarlierRanges *earlier = nullptr);

// The values of the samples in each range. Returns false, leaving `columns` alone, for a
// value that is not finite. Columns of `earlier` over the same samples are taken over
// without reading the values again.
bool reduceColumns(const ScopeSeriesData &series, const ColumnRanges &ranges,
                   ReducedSamples &columns, const EarlierColumns *earlier = nullptr);

// How many samples reduceColumns() would read anew, in the ranges it does not take over
// from `earlier`.
qint64 samplesToRead(const ColumnRanges &ranges, const EarlierColumns *earlier);

// The reduced samples' values as pixel rows. Returns false, leaving `columns` alone, for a
// value scale that is not linear or a value too far off to round.
bool mapToRows(const ReducedSamples &reduced, const QwtScaleMap &yMap, PixelColumns &columns);

// The columns' points joined in order.
QPolygonF polylineThrough(const PixelColumns &columns);
