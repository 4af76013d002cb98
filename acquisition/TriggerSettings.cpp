#include "TriggerSettings.h"

#include "ScopeLimits.h"

#include <cmath>

bool triggerFires(const TriggerSettings &settings, const std::vector<_ST_ReadScopeData> &batch)
{
    if (batch.empty() || settings.channel < 0 || settings.channel >= ScopeLimits::kMaxChannels)
        return false;

    double max = 0.0;
    double min = 0.0;
    bool first = true;
    for (const _ST_ReadScopeData &record : batch) {
        double v = record.dValue[settings.channel];
        if (!std::isfinite(v))
            continue; // a NaN would poison both extremes and hide the rest of the batch
        if (settings.absoluteValue)
            v = std::fabs(v);
        if (first)
            min = max = v;
        first = false;
        if (v > max)
            max = v;
        if (v < min)
            min = v;
    }
    if (first)
        return false;
    switch (settings.condition) {
    case TriggerSettings::Above:
        return max > settings.threshold;
    case TriggerSettings::Below:
        return settings.threshold > min;
    default:
        return false;
    }
}
