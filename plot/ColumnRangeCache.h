#pragma once

#include "ColumnSnapshot.h"
#include "PixelColumnReduction.h"

#include <QRectF>

#include <qwt_scale_map.h>

#include <optional>
#include <vector>

class ScopeSeriesData;

// Which samples fall in which pixel column, kept per time column while its times, the time
// scale and the cut stay. It depends on the times only, so the curves over one time column
// ask it once per replot between them instead of once each; when the live window has slid
// by whole pixels over the same column, the ranges still whole are taken over and only the
// new ones told. A few time columns are kept at once, since live curves and the compared
// ones each have their own. Owned by the plot and shared by its curves, or by a curve that
// stands alone; GUI thread.
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
    // Lets go of all kept ranges but those of the time column `series` (none: no samples)
    // shows or continues, since they hold their time column in memory. For a curve's own.
    void keepOnlyFor(const ScopeSeriesData *series);
    // Lets go of the ranges nobody asked for since the last call. For a plot's, after it drew.
    void forgetUnasked();

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

    struct Entry
    {
        Key key;
        ColumnRanges ranges;
        bool asked = true;
    };

    // How `key`'s samples moved since those of `entry`, when they slid by whole pixels.
    static std::optional<EarlierRanges> earlierFor(const Key &key, const Entry &entry);
    // Puts `entry` first, where the next lookup starts, and returns its ranges.
    const ColumnRanges *keepFirst(std::vector<Entry>::iterator entry);

    std::vector<Entry> m_entries; // the one asked for last first
};
