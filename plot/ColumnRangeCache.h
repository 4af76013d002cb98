#pragma once

#include "ColumnSnapshot.h"
#include "PixelColumnReduction.h"

#include <QRectF>

#include <qwt_scale_map.h>

#include <optional>

class ScopeSeriesData;

// Which samples fall in which pixel column, kept while the time column, the time scale and
// the cut stay. It depends on the times only, so the curves over one time column ask it once
// per replot between them instead of once each; when the live window has slid by whole
// pixels over the same column, the ranges still whole are taken over and only the new ones
// told. Owned by the plot and shared by its curves, or by a curve that stands alone; GUI
// thread.
class ColumnRangeCache
{
public:
    // Chunks that may drop out of a live window between two replots while what was kept of
    // it holds on to them: more and it would keep samples in memory that no curve shows.
    static constexpr int kDroppedChunks = 1;

    // The pixel columns of `series`' samples [from, to] under `xMap`, cut to `clipRect`; null
    // when they cannot be told. Valid until the next call.
    const ColumnRanges *rangesFor(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                                  const QRectF &clipRect, int from, int to);
    // Lets go of the kept ranges unless `series` (none: no samples) shows the same times or
    // continues them, since they hold the time column in memory.
    void keepOnlyFor(const ScopeSeriesData *series);

private:
    struct Key
    {
        // A copy, which also keeps the chunks from being reused while they are compared.
        ColumnSnapshot x;
        double drawOrigin = 0.0;
        double s1 = 0.0;
        double s2 = 0.0;
        double p1 = 0.0;
        double p2 = 0.0;
        double clipLeft = 0.0;
        double clipRight = 0.0;
        int from = 0;
        int to = 0;

        bool operator==(const Key &other) const;
        bool sameScale(const Key &other) const;
    };

    // How `key`'s samples moved since the kept ones, when they slid by whole pixels.
    std::optional<EarlierRanges> earlierFor(const Key &key) const;

    std::optional<Key> m_key;
    ColumnRanges m_ranges;
};
