#pragma once

#include "ColumnSnapshot.h"
#include "PixelColumnReduction.h"

#include <array>
#include <optional>

// The last reduction of a curve's samples to pixel columns, kept while its values and the
// pixel columns they fall in stay the same. A replot that changes neither (a cursor
// dragged, a curve hidden, the value axis rescaled) then only maps the kept columns to
// rows instead of reading the samples again, which at an hour per window is most of the
// work. When the live window has slid over the same column, the columns over the same
// samples as before are taken over and only the new ones read. Owned by its curve; the GUI
// thread, or one thread at a time that the GUI thread waits for.
class ReducedCurveCache
{
public:
    // The values of `series` in the pixel columns `ranges`; null when they cannot be
    // reduced.
    const ReducedSamples *reduce(const ScopeSeriesData &series, const ColumnRanges &ranges);
    // The last reduction's values as pixel rows under `yMap`; null when they cannot be told
    // (see mapToRows). Kept while the reduction and the value scale stay: the curves of a
    // plot are asked for them more than once a replot.
    const PixelColumns *rowsUnder(const QwtScaleMap &yMap);
    // How many samples reduce() would read anew.
    qint64 samplesToRead(const ScopeSeriesData &series, const ColumnRanges &ranges) const;
    // Lets go of the kept reduction unless `series` (none: no samples) shows the same
    // values or continues them, since it holds its values in memory.
    void keepOnlyFor(const ScopeSeriesData *series);

private:
    bool keeps(const ScopeSeriesData &series, const ColumnRanges &ranges) const;

    struct Kept
    {
        // A copy, which also keeps the chunks from being reused while they are compared.
        ColumnSnapshot y;
        ColumnRanges ranges;
    };

    // How the values moved since the kept ones, when the times moved alike.
    std::optional<EarlierColumns> earlierFor(const ScopeSeriesData &series) const;

    void setColumns(const ReducedSamples &columns);

    std::optional<Kept> m_kept;
    ReducedSamples m_columns;
    // m_columns under the value scale (s1, s2, p1, p2), if mapped since they changed.
    std::optional<std::array<double, 4>> m_rowScale;
    std::optional<PixelColumns> m_rows;
};
