#pragma once

#include <qwt_scale_map.h>

// Where a curve's values go in the strip view: its strip's value range [low, high] drawn
// between the positions [axisLow, axisHigh] of the plot's value axis. A plain value.
struct StripBand
{
    double low = 0.0;
    double high = 1.0;
    double axisLow = 0.0;
    double axisHigh = 1.0;

    // The map from values to canvas pixels, given the value axis' own map.
    QwtScaleMap valueMap(const QwtScaleMap &axisMap) const
    {
        QwtScaleMap map;
        map.setScaleInterval(low, high);
        map.setPaintInterval(axisMap.transform(axisLow), axisMap.transform(axisHigh));
        return map;
    }
    // The value shown at a position of the value axis.
    double valueAt(double axisValue) const
    {
        return low + (axisValue - axisLow) / (axisHigh - axisLow) * (high - low);
    }
    double axisAt(double value) const
    {
        return axisLow + (value - low) / (high - low) * (axisHigh - axisLow);
    }
};
