#include "CurveStatistics.h"

#include "ScopeSeriesData.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Sums are accumulated relative to the first value, so a large offset (a position near
// 1e6 with small ripple) keeps its precision in the mean and RMS.
class Accumulator
{
public:
    void add(double y)
    {
        if (!std::isfinite(y))
            return;
        if (m_stats.count == 0) {
            m_reference = y;
            m_stats.min = m_stats.max = y;
        }
        m_stats.min = std::min(m_stats.min, y);
        m_stats.max = std::max(m_stats.max, y);
        const double d = y - m_reference;
        m_sum += d;
        m_sumSquares += d * d;
        ++m_stats.count;
    }

    CurveStatistics result() const
    {
        CurveStatistics stats = m_stats;
        if (stats.count == 0)
            return stats;
        const double count = stats.count;
        const double meanOffset = m_sum / count;
        stats.mean = m_reference + meanOffset;
        // E[y^2] = ref^2 + 2 ref E[d] + E[d^2]
        const double meanSquare =
            m_reference * m_reference + 2.0 * m_reference * meanOffset + m_sumSquares / count;
        stats.rms = std::sqrt(std::max(0.0, meanSquare));
        stats.peakToPeak = stats.max - stats.min;
        return stats;
    }

private:
    CurveStatistics m_stats;
    double m_reference = 0.0;
    double m_sum = 0.0;
    double m_sumSquares = 0.0;
};

// With ascending times the range is one stretch, found by search, and only values are read.
void addAscending(const ScopeSeriesData &series, double from, double to, Accumulator &sums)
{
    const int count = series.count();
    const int first = series.lowerBoundX(from, 0, count);
    const double above = std::nextafter(to, std::numeric_limits<double>::infinity());
    const int end = std::isinf(to) && to > 0 ? count : series.lowerBoundX(above, first, count);
    for (int i = first; i < end; ++i)
        sums.add(series.yAt(i));
}

} // namespace

CurveStatistics CurveStatistics::over(const QwtSeriesData<QPointF> &samples, double from, double to)
{
    Accumulator sums;
    const auto *series = dynamic_cast<const ScopeSeriesData *>(&samples);
    if (series && series->isXAscending()) {
        addAscending(*series, from, to, sums);
        return sums.result();
    }
    const auto n = samples.size();
    for (size_t i = 0; i < n; ++i) {
        const QPointF p = samples.sample(i);
        if (p.x() >= from && p.x() <= to)
            sums.add(p.y());
    }
    return sums.result();
}
