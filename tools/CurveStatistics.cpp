#include "CurveStatistics.h"

#include <algorithm>
#include <cmath>

// Sums are accumulated relative to the first value, so a large offset (a position near
// 1e6 with small ripple) keeps its precision in the mean and RMS.
CurveStatistics CurveStatistics::over(const QwtSeriesData<QPointF> &samples, double from, double to)
{
    CurveStatistics stats;
    double reference = 0.0;
    double sum = 0.0;
    double sumSquares = 0.0;
    const auto n = samples.size();
    for (size_t i = 0; i < n; ++i) {
        const QPointF p = samples.sample(i);
        if (!(p.x() >= from && p.x() <= to) || !std::isfinite(p.y()))
            continue;
        if (stats.count == 0) {
            reference = p.y();
            stats.min = stats.max = p.y();
        }
        stats.min = std::min(stats.min, p.y());
        stats.max = std::max(stats.max, p.y());
        const double d = p.y() - reference;
        sum += d;
        sumSquares += d * d;
        ++stats.count;
    }
    if (stats.count == 0)
        return stats;
    const double count = stats.count;
    const double meanOffset = sum / count;
    stats.mean = reference + meanOffset;
    // E[y^2] = ref^2 + 2 ref E[d] + E[d^2]
    const double meanSquare =
        reference * reference + 2.0 * reference * meanOffset + sumSquares / count;
    stats.rms = std::sqrt(std::max(0.0, meanSquare));
    stats.peakToPeak = stats.max - stats.min;
    return stats;
}
