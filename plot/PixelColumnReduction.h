#pragma once

#include <QPolygonF>
#include <QRectF>
#include <QVector>

#include <qwt_scale_map.h>

#include <array>

class ScopeSeriesData;

// The samples of a curve that fall in one pixel column, as the values of its first,
// lowest, highest and last sample in the order they occur, repeated samples dropped.
struct ColumnValues
{
    int x = 0;
    std::array<double, 4> values{};
    int count = 0;
    int first = 0; // the samples [first, end)
    int end = 0;
};
using ReducedSamples = QVector<ColumnValues>;

// Columns reduced before, to be taken over where they still hold: after the window slid
// by whole pixels, sample i then is sample i + indexShift now and drawn pixelShift
// columns further left.
struct EarlierColumns
{
    const ReducedSamples &columns;
    int indexShift = 0;
    int pixelShift = 0;
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
// drawn through all samples. Returns false, leaving `columns` alone, when that cannot be
// promised: x not ascending, a time scale that is not linear, or a sample that has no
// column (NaN, infinite, or too far off to round).
// Columns of `earlier` that the samples still fill whole are taken over without reading
// the samples again.
bool reduceToPixelColumns(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                          const QRectF &clipRect, int from, int to, ReducedSamples &columns,
                          const EarlierColumns *earlier = nullptr);

// The reduced samples' values as pixel rows. Returns false, leaving `columns` alone, for a
// value scale that is not linear or a value too far off to round.
bool mapToRows(const ReducedSamples &reduced, const QwtScaleMap &yMap, PixelColumns &columns);

// The columns' points joined in order.
QPolygonF polylineThrough(const PixelColumns &columns);
