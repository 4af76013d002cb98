#include "ColumnRangeCache.h"

#include "ScopeSeriesData.h"

#include <algorithm>
#include <iterator>

namespace {

// Time columns kept at once: the live window's, the compared recording's, and room for a
// curve drawn in pieces.
constexpr std::size_t kKeptColumns = 4;

} // namespace

const ColumnRanges *ColumnRangeCache::rangesFor(const ScopeSeriesData &series,
                                                const QwtScaleMap &xMap, const QRectF &clipRect,
                                                int from, int to)
{
    const double drawOrigin = series.drawingOrigin(xMap);
    Key key{series.xColumn(), drawOrigin,      xMap.s1(),        xMap.s2(), xMap.p1(),
            xMap.p2(),        clipRect.left(), clipRect.right(), from,      to};
    const auto same = std::find_if(m_entries.begin(), m_entries.end(),
                                   [&](const Entry &entry) { return entry.key == key; });
    if (same != m_entries.end())
        return keepFirst(same);
    std::optional<EarlierRanges> earlier;
    auto replaced = m_entries.begin();
    for (; replaced != m_entries.end(); ++replaced) {
        if (const std::optional<EarlierRanges> found = earlierFor(key, *replaced)) {
            earlier.emplace(*found);
            break;
        }
    }
    // Times are relative to the series' origin; drawn from its drawing origin, they map
    // as if the scale began that much earlier.
    const double lead = series.xOrigin() - drawOrigin;
    QwtScaleMap drawMap = xMap;
    drawMap.setScaleInterval(xMap.s1() - lead, xMap.s2() - lead);
    ColumnRanges ranges;
    if (!columnRangesOf(series, drawMap, clipRect, from, to, ranges, earlier ? &*earlier : nullptr))
        return nullptr;
    Entry told{std::move(key), ranges};
    // The ranges taken over give way to those that followed them.
    if (earlier) {
        *replaced = std::move(told);
        return keepFirst(replaced);
    }
    m_entries.push_back(std::move(told));
    const ColumnRanges *kept = keepFirst(std::prev(m_entries.end()));
    if (m_entries.size() > kKeptColumns)
        m_entries.pop_back();
    return kept;
}

const ColumnRanges *ColumnRangeCache::keepFirst(std::vector<Entry>::iterator entry)
{
    entry->asked = true;
    std::rotate(m_entries.begin(), entry, std::next(entry));
    return &m_entries.front().ranges;
}

void ColumnRangeCache::keepOnlyFor(const ScopeSeriesData *series)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [series](const Entry &entry) {
                                       return !series || !series->xColumn().shiftSince(
                                                             entry.key.x, kDroppedChunks);
                                   }),
                    m_entries.end());
}

void ColumnRangeCache::forgetUnasked()
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [](const Entry &entry) { return !entry.asked; }),
                    m_entries.end());
    for (Entry &entry : m_entries)
        entry.asked = false;
}

std::optional<EarlierRanges> ColumnRangeCache::earlierFor(const Key &key, const Entry &entry)
{
    const Key &kept = entry.key;
    if (!key.sameScale(kept))
        return std::nullopt;
    const std::optional<int> shift = key.x.shiftSince(kept.x, kDroppedChunks);
    if (!shift)
        return std::nullopt;
    QwtScaleMap timeMap;
    timeMap.setScaleInterval(key.s1, key.s2);
    timeMap.setPaintInterval(key.p1, key.p2);
    const std::optional<int> pixels =
        ScopeSeriesData::wholePixelShift(kept.drawOrigin, key.drawOrigin, timeMap);
    if (!pixels)
        return std::nullopt;
    return EarlierRanges{entry.ranges, *shift, *pixels};
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
