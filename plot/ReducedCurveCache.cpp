#include "ReducedCurveCache.h"

#include "ColumnRangeCache.h"
#include "ScopeSeriesData.h"

const ReducedSamples *ReducedCurveCache::reduce(const ScopeSeriesData &series,
                                                const ColumnRanges &ranges)
{
    if (keeps(series, ranges))
        return &m_columns;
    const std::optional<EarlierColumns> earlier = earlierFor(series);
    ReducedSamples columns;
    const bool reduced = reduceColumns(series, ranges, columns, earlier ? &*earlier : nullptr);
    m_kept.reset();
    setColumns(columns);
    if (!reduced)
        return nullptr;
    m_kept = Kept{series.y(), ranges};
    return &m_columns;
}

// The same values in the same columns reduce alike, whatever the times.
bool ReducedCurveCache::keeps(const ScopeSeriesData &series, const ColumnRanges &ranges) const
{
    return m_kept && m_kept->y.isSameView(series.y()) && m_kept->ranges == ranges;
}

qint64 ReducedCurveCache::samplesToRead(const ScopeSeriesData &series,
                                        const ColumnRanges &ranges) const
{
    if (keeps(series, ranges))
        return 0;
    const std::optional<EarlierColumns> earlier = earlierFor(series);
    return ::samplesToRead(ranges, earlier ? &*earlier : nullptr);
}

void ReducedCurveCache::keepOnlyFor(const ScopeSeriesData *series)
{
    if (m_kept && series && series->y().shiftSince(m_kept->y, ColumnRangeCache::kDroppedChunks))
        return;
    m_kept.reset();
    setColumns(ReducedSamples());
}

void ReducedCurveCache::setColumns(const ReducedSamples &columns)
{
    m_columns = columns;
    m_rowScale.reset();
    m_rows.reset();
}

const PixelColumns *ReducedCurveCache::rowsUnder(const QwtScaleMap &yMap)
{
    const std::array<double, 4> scale{yMap.s1(), yMap.s2(), yMap.p1(), yMap.p2()};
    if (m_rowScale != scale || yMap.transformation()) {
        PixelColumns rows;
        m_rows.reset();
        if (mapToRows(m_columns, yMap, rows))
            m_rows = rows;
        m_rowScale = scale;
    }
    return m_rows ? &*m_rows : nullptr;
}

// A kept column is taken over where a column now spans the same values, wherever the
// times put it.
std::optional<EarlierColumns> ReducedCurveCache::earlierFor(const ScopeSeriesData &series) const
{
    if (!m_kept)
        return std::nullopt;
    const std::optional<int> shift =
        series.y().shiftSince(m_kept->y, ColumnRangeCache::kDroppedChunks);
    if (!shift)
        return std::nullopt;
    return EarlierColumns{m_columns, *shift};
}
