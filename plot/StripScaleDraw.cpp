#include "StripScaleDraw.h"

#include <cmath>

void StripScaleDraw::setStrips(const UnitStrips &strips)
{
    m_strips = strips;
    invalidateCache();
}

QwtText StripScaleDraw::label(double axisValue) const
{
    const int index = m_strips.stripAt(axisValue);
    if (index < 0)
        return QwtText();
    // The tick's own value, not one worked back through the band with rounding noise.
    const UnitStrips::Strip &strip = m_strips.strip(index);
    const double value = strip.band.valueAt(axisValue);
    double nearest = strip.ticks.isEmpty() ? value : strip.ticks.first();
    for (double tick : strip.ticks) {
        if (std::abs(tick - value) < std::abs(nearest - value))
            nearest = tick;
    }
    return QwtScaleDraw::label(nearest);
}
