#include "ReducedCurveCache.h"

#include "ScopeSeriesData.h"

const ReducedSamples *ReducedCurveCache::reduce(const ScopeSeriesData &series,
                                                const QwtScaleMap &xMap, const QRectF &clipRect,
                                                int from, int to)
{
    Key key{series.xColumn(), series.y(),      series.xOrigin(), xMap.s1(), xMap.s2(), xMap.p1(),
            xMap.p2(),        clipRect.left(), clipRect.right(), from,      to};
    if (m_key && *m_key == key)
        return &m_columns;
    m_key.reset();
    if (!reduceToPixelColumns(series, xMap, clipRect, from, to, m_columns))
        return nullptr;
    m_key = std::move(key);
    return &m_columns;
}

void ReducedCurveCache::keepOnlyFor(const ScopeSeriesData *series)
{
    if (m_key && series && m_key->x.isSameView(series->xColumn()) &&
        m_key->y.isSameView(series->y()) && m_key->xOrigin == series->xOrigin())
        return;
    m_key.reset();
    m_columns.clear();
    m_columns.squeeze();
}

bool ReducedCurveCache::Key::operator==(const Key &other) const
{
    return x.isSameView(other.x) && y.isSameView(other.y) && xOrigin == other.xOrigin &&
           s1 == other.s1 && s2 == other.s2 && p1 == other.p1 && p2 == other.p2 &&
           clipLeft == other.clipLeft && clipRight == other.clipRight && from == other.from &&
           to == other.to;
}
