#include "TriggerSettings.h"

#include "ScopeLimits.h"

#include <cmath>

namespace {

bool beyond(const TriggerSettings &settings, double value)
{
    switch (settings.condition) {
    case TriggerSettings::Above:
        return value > settings.threshold;
    case TriggerSettings::Below:
        return settings.threshold > value;
    default:
        return false;
    }
}

} // namespace

std::optional<double> triggerInstant(const TriggerSettings &settings,
                                     const std::vector<_ST_ReadScopeData> &batch, bool *inside)
{
    if (settings.channel < 0 || settings.channel >= ScopeLimits::kMaxChannels)
        return std::nullopt;
    for (const _ST_ReadScopeData &record : batch) {
        double v = record.dValue[settings.channel];
        if (!std::isfinite(v))
            continue;
        if (settings.absoluteValue)
            v = std::fabs(v);
        if (!beyond(settings, v)) {
            if (inside)
                *inside = true;
        } else if (!inside || *inside) {
            return record.dTime;
        }
    }
    return std::nullopt;
}
