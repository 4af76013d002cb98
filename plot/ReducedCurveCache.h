#pragma once

#include "ColumnSnapshot.h"
#include "PixelColumnReduction.h"

#include <optional>

class ColumnRangeCache;

// The last reduction of a curve's samples to pixel columns, kept while its values and the
// pixel columns they fall in stay the same. A replot that changes neither (a cursor
// dragged, a curve hidden, the value axis rescaled) then only maps the kept columns to
// rows instead of reading the samples again, which at an hour per window is most of the
// work. When the live window has slid over the same column, the columns over the same
// samples as before are taken over and only the new ones read. Owned by its curve; GUI
// thread.
class ReducedCurveCache
{
public:
    // The reduced samples [from, to] of `series` under `xMap`, cut to `clipRect`, in the
    // pixel columns that `ranges` tells; null when they cannot be reduced.
    const ReducedSamples *reduce(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                                 const QRectF &clipRect, int from, int to,
                                 ColumnRangeCache &ranges);
    // Lets go of the kept reduction unless `series` (none: no samples) shows the same
    // values or continues them, since it holds its values in memory.
    void keepOnlyFor(const ScopeSeriesData *series);

private:
    struct Kept
    {
        // A copy, which also keeps the chunks from being reused while they are compared.
        ColumnSnapshot y;
        ColumnRanges ranges;
    };

    // How the values moved since the kept ones, when the times moved alike.
    std::optional<EarlierColumns> earlierFor(const ScopeSeriesData &series) const;

    std::optional<Kept> m_kept;
    ReducedSamples m_columns;
};
