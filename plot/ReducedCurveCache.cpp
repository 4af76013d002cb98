#include "ReducedCurveCache.h"

#include "ScopeSeriesData.h"

#include <cmath>

namespace {

// Chunks that may drop out of the window between two replots while the kept reduction
// holds on to them: more and it would keep samples in memory that no curve shows.
constexpr int kDroppedChunks = 1;
// How close to a whole number of pixels the window must have slid.
constexpr double kWholePixel = 1e-6;

// See ScopeSeriesData::TimeDrawing.
double drawingOrigin(const ScopeSeriesData &series, const QwtScaleMap &timeMap)
{
    const double origin = series.xOrigin();
    if (series.timeDrawing() == ScopeSeriesData::TimeDrawing::Exact)
        return origin;
    const double perPixel = std::abs((timeMap.s2() - timeMap.s1()) / (timeMap.p2() - timeMap.p1()));
    if (!std::isfinite(perPixel) || perPixel <= 0.0)
        return origin;
    const double aligned = std::floor(origin / perPixel) * perPixel;
    return std::isfinite(aligned) && aligned <= origin ? aligned : origin;
}

} // namespace

const ReducedSamples *ReducedCurveCache::reduce(const ScopeSeriesData &series,
                                                const QwtScaleMap &xMap, const QRectF &clipRect,
                                                int from, int to)
{
    const double drawOrigin = drawingOrigin(series, xMap);
    Key key{series.xColumn(), series.y(),      drawOrigin,       xMap.s1(), xMap.s2(), xMap.p1(),
            xMap.p2(),        clipRect.left(), clipRect.right(), from,      to};
    if (m_key && *m_key == key)
        return &m_columns;
    const std::optional<EarlierColumns> earlier = earlierFor(key);
    // Times are relative to the series' origin; drawn from its drawing origin, they map
    // as if the scale began that much earlier.
    const double lead = series.xOrigin() - drawOrigin;
    QwtScaleMap drawMap = xMap;
    drawMap.setScaleInterval(xMap.s1() - lead, xMap.s2() - lead);
    ReducedSamples columns;
    const bool reduced = reduceToPixelColumns(series, drawMap, clipRect, from, to, columns,
                                              earlier ? &*earlier : nullptr);
    m_key.reset();
    m_columns = columns;
    if (!reduced)
        return nullptr;
    m_key = std::move(key);
    return &m_columns;
}

void ReducedCurveCache::keepOnlyFor(const ScopeSeriesData *series)
{
    if (m_key && series && series->xColumn().shiftSince(m_key->x, kDroppedChunks) &&
        series->y().shiftSince(m_key->y, kDroppedChunks))
        return;
    m_key.reset();
    m_columns.clear();
    m_columns.squeeze();
}

std::optional<EarlierColumns> ReducedCurveCache::earlierFor(const Key &key) const
{
    if (!m_key || !key.sameScale(*m_key))
        return std::nullopt;
    const std::optional<int> xShift = key.x.shiftSince(m_key->x, kDroppedChunks);
    const std::optional<int> yShift = key.y.shiftSince(m_key->y, kDroppedChunks);
    if (!xShift || xShift != yShift)
        return std::nullopt;
    const double pixels =
        (key.drawOrigin - m_key->drawOrigin) * (key.p2 - key.p1) / (key.s2 - key.s1);
    if (!std::isfinite(pixels) || std::abs(pixels - std::round(pixels)) > kWholePixel)
        return std::nullopt;
    return EarlierColumns{m_columns, *xShift, static_cast<int>(std::round(pixels))};
}

bool ReducedCurveCache::Key::sameScale(const Key &other) const
{
    return s1 == other.s1 && s2 == other.s2 && p1 == other.p1 && p2 == other.p2 &&
           clipLeft == other.clipLeft && clipRight == other.clipRight;
}

bool ReducedCurveCache::Key::operator==(const Key &other) const
{
    return x.isSameView(other.x) && y.isSameView(other.y) && drawOrigin == other.drawOrigin &&
           sameScale(other) && from == other.from && to == other.to;
}
