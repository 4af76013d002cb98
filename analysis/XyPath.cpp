#include "XyPath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// For each of x's samples, y's sample at the same time, or -1.
std::vector<int> partnersByTime(const ColumnSnapshot &xTimes, const ColumnSnapshot &yTimes)
{
    std::vector<std::pair<double, int>> byTime;
    byTime.reserve(static_cast<std::size_t>(yTimes.size()));
    for (int j = 0; j < yTimes.size(); ++j) {
        if (std::isfinite(yTimes.at(j)))
            byTime.emplace_back(yTimes.at(j), j);
    }
    // Pairs order by time, then index: the first sample at a time comes first.
    std::sort(byTime.begin(), byTime.end());
    std::vector<int> partners(static_cast<std::size_t>(xTimes.size()), -1);
    for (int i = 0; i < xTimes.size(); ++i) {
        const double time = xTimes.at(i);
        const auto match = std::lower_bound(byTime.begin(), byTime.end(), std::make_pair(time, -1));
        if (match != byTime.end() && match->first == time)
            partners[static_cast<std::size_t>(i)] = match->second;
    }
    return partners;
}

} // namespace

XyPath XyPath::paired(const RecordedCurve &x, const RecordedCurve &y)
{
    const bool sameTimes = x.times.isSameView(y.times);
    const std::vector<int> partners =
        sameTimes ? std::vector<int>() : partnersByTime(x.times, y.times);
    const int count = std::min(x.times.size(), x.values.size());
    constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
    XyPath path;
    bool broken = false;
    for (int i = 0; i < count; ++i) {
        broken = broken || std::binary_search(x.timeBreaks.cbegin(), x.timeBreaks.cend(), i);
        const int j = sameTimes ? i : partners[static_cast<std::size_t>(i)];
        const double xValue = x.values.at(i);
        const double yValue = j >= 0 && j < y.values.size() ? y.values.at(j) : kNoValue;
        if (!std::isfinite(xValue) || !std::isfinite(yValue)) {
            broken = true;
            continue;
        }
        if (broken && !path.m_points.empty())
            path.m_breaks.push_back(static_cast<int>(path.m_points.size()));
        broken = false;
        path.m_points.emplace_back(xValue, yValue);
    }
    return path;
}

QRectF XyPath::equalScale(const QRectF &ranges, const QSize &pixels)
{
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return ranges;
    const double unitsPerPixel =
        std::max(ranges.width() / pixels.width(), ranges.height() / pixels.height());
    if (!(unitsPerPixel > 0.0))
        return ranges;
    QRectF widened(0.0, 0.0, unitsPerPixel * pixels.width(), unitsPerPixel * pixels.height());
    widened.moveCenter(ranges.center());
    return widened;
}
