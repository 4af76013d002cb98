#pragma once

#include "ColumnSnapshot.h"
#include "PixelColumnReduction.h"

#include <optional>

// The last reduction of a curve's samples to pixel columns, kept while the samples, the
// time scale and the cut stay the same. A replot that changes none of them (a cursor
// dragged, a curve hidden, the value axis rescaled) then only maps the kept columns to
// rows instead of reading the samples again, which at an hour per window is most of the
// work. When the live window has slid by whole pixels over the same column, the columns
// still whole are taken over and only the new ones read. Owned by its curve; GUI thread.
class ReducedCurveCache
{
public:
    // The reduced samples [from, to] of `series` under `xMap`, cut to `clipRect`; null when
    // they cannot be reduced.
    const ReducedSamples *reduce(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                                 const QRectF &clipRect, int from, int to);
    // Lets go of the kept reduction unless `series` (none: no samples) shows the same
    // samples or continues them, since it holds its samples in memory.
    void keepOnlyFor(const ScopeSeriesData *series);

private:
    struct Key
    {
        // Copies, which also keep the chunks from being reused while they are compared.
        ColumnSnapshot x;
        ColumnSnapshot y;
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
    std::optional<EarlierColumns> earlierFor(const Key &key) const;

    std::optional<Key> m_key;
    ReducedSamples m_columns;
};
