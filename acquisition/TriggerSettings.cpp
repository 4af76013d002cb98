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
                                     const std::vector<_ST_ReadScopeData> &batch)
{
    if (settings.channel < 0 || settings.channel >= ScopeLimits::kMaxChannels)
        return std::nullopt;
    for (const _ST_ReadScopeData &record : batch) {
        const double v = record.dValue[settings.channel];
        if (std::isfinite(v) && beyond(settings, settings.absoluteValue ? std::fabs(v) : v))
            return record.dTime;
    }
    return std::nullopt;
}
