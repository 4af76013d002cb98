#include "ColumnRangeCache.h"

#include "ScopeSeriesData.h"

#include <cmath>

namespace {

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

const ColumnRanges *ColumnRangeCache::rangesFor(const ScopeSeriesData &series,
                                                const QwtScaleMap &xMap, const QRectF &clipRect,
                                                int from, int to)
{
    const double drawOrigin = drawingOrigin(series, xMap);
    Key key{series.xColumn(), drawOrigin,      xMap.s1(),        xMap.s2(), xMap.p1(),
            xMap.p2(),        clipRect.left(), clipRect.right(), from,      to};
    if (m_key && *m_key == key)
        return &m_ranges;
    const std::optional<EarlierRanges> earlier = earlierFor(key);
    // Times are relative to the series' origin; drawn from its drawing origin, they map
    // as if the scale began that much earlier.
    const double lead = series.xOrigin() - drawOrigin;
    QwtScaleMap drawMap = xMap;
    drawMap.setScaleInterval(xMap.s1() - lead, xMap.s2() - lead);
    ColumnRanges ranges;
    const bool told =
        columnRangesOf(series, drawMap, clipRect, from, to, ranges, earlier ? &*earlier : nullptr);
    m_key.reset();
    m_ranges = ranges;
    if (!told)
        return nullptr;
    m_key = std::move(key);
    return &m_ranges;
}

void ColumnRangeCache::keepOnlyFor(const ScopeSeriesData *series)
{
    if (m_key && series && series->xColumn().shiftSince(m_key->x, kDroppedChunks))
        return;
    m_key.reset();
    m_ranges.clear();
    m_ranges.squeeze();
}

std::optional<EarlierRanges> ColumnRangeCache::earlierFor(const Key &key) const
{
    if (!m_key || !key.sameScale(*m_key))
        return std::nullopt;
    const std::optional<int> shift = key.x.shiftSince(m_key->x, kDroppedChunks);
    if (!shift)
        return std::nullopt;
    const double pixels =
        (key.drawOrigin - m_key->drawOrigin) * (key.p2 - key.p1) / (key.s2 - key.s1);
    if (!std::isfinite(pixels) || std::abs(pixels - std::round(pixels)) > kWholePixel)
        return std::nullopt;
    return EarlierRanges{m_ranges, *shift, static_cast<int>(std::round(pixels))};
}

bool ColumnRangeCache::Key::sameScale(const Key &other) const
{
    return s1 == other.s1 && s2 == other.s2 && p1 == other.p1 && p2 == other.p2 &&
           clipLeft == other.clipLeft && clipRight == other.clipRight;
}

bool ColumnRangeCache::Key::operator==(const Key &other) const
{
    return x.isSameView(other.x) && drawOrigin == other.drawOrigin && sameScale(other) &&
           from == other.from && to == other.to;
}
