#include "UnitStrips.h"

#include <qwt_scale_engine.h>

#include <cmath>
#include <vector>

namespace {

// Part of each strip's unit of axis left free above and below its values.
constexpr double kStripMargin = 0.1;
constexpr int kMaxTicksPerStrip = 3;
// Part of a strip's value span added above and below, so no curve runs along its edge.
constexpr double kValuePad = 0.05;

// A range the scale engine can divide: a flat or empty one gets some room either side.
void roomyRange(const SampleExtremes &values, double &low, double &high)
{
    if (!values.hasFinite()) {
        low = -1.0;
        high = 1.0;
        return;
    }
    low = values.least;
    high = values.greatest;
    if (high - low <= std::abs(high) * 1e-9) {
        const double room = std::max(std::abs(high) * 0.1, 1.0);
        low -= room;
        high += room;
    }
}

// The band fits its values closely; the ticks are round values within it.
void divide(UnitStrips::Strip &strip, const SampleExtremes &values)
{
    double low = 0.0;
    double high = 0.0;
    roomyRange(values, low, high);
    const double pad = (high - low) * kValuePad;
    strip.band.low = low - pad;
    strip.band.high = high + pad;
    strip.ticks.clear();
    QwtLinearScaleEngine engine;
    const QwtScaleDiv div =
        engine.divideScale(strip.band.low, strip.band.high, kMaxTicksPerStrip, 0);
    for (double tick : div.ticks(QwtScaleDiv::MajorTick)) {
        if (tick >= strip.band.low && tick <= strip.band.high)
            strip.ticks << tick;
    }
}

} // namespace

UnitStrips UnitStrips::arrange(const QVector<Curve> &curves)
{
    UnitStrips strips;
    std::vector<SampleExtremes> ranges; // one per strip
    for (const Curve &curve : curves) {
        if (!curve.visible)
            continue;
        const QString unit = curve.unit.trimmed(); // a file may pad a unit
        int index = 0;
        while (index < strips.m_strips.size() && strips.m_strips.at(index).unit != unit)
            ++index;
        if (index == strips.m_strips.size()) {
            strips.m_strips.append(Strip{unit, StripBand(), {}, {}});
            ranges.emplace_back();
        }
        strips.m_strips[index].curveSlots << curve.slot;
        ranges[std::size_t(index)].merge(curve.values, 0);
    }
    const int n = strips.m_strips.size();
    for (int index = 0; index < n; ++index) {
        Strip &strip = strips.m_strips[index];
        divide(strip, ranges[std::size_t(index)]);
        strip.band.axisLow = n - 1 - index + kStripMargin;
        strip.band.axisHigh = n - index - kStripMargin;
    }
    return strips;
}

std::optional<StripBand> UnitStrips::bandOf(int slot) const
{
    for (const Strip &strip : m_strips) {
        if (strip.curveSlots.contains(slot))
            return strip.band;
    }
    return std::nullopt;
}

int UnitStrips::stripAt(double axisValue) const
{
    // Ticks are placed by arithmetic: allow for rounding at the band's ends.
    constexpr double kSlack = 1e-9;
    for (int index = 0; index < m_strips.size(); ++index) {
        const StripBand &band = m_strips.at(index).band;
        if (axisValue >= band.axisLow - kSlack && axisValue <= band.axisHigh + kSlack)
            return index;
    }
    return -1;
}

QwtScaleDiv UnitStrips::scaleDiv() const
{
    QList<double> ticks;
    for (int index = m_strips.size() - 1; index >= 0; --index) {
        const Strip &strip = m_strips.at(index);
        for (double value : strip.ticks)
            ticks << strip.band.axisAt(value);
    }
    QList<double> none;
    return QwtScaleDiv(0.0, std::max(1, count()), none, none, ticks);
}
