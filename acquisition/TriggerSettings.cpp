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

std::optional<std::size_t> firingPosition(const TriggerSettings &settings,
                                          const std::vector<ScopeRecord> &batch, std::size_t first,
                                          bool *inside)
{
    if (settings.channel < 0 || settings.channel >= ScopeLimits::kMaxChannels)
        return std::nullopt;
    for (std::size_t i = first; i < batch.size(); ++i) {
        double v = batch[i].dValue[settings.channel];
        if (!std::isfinite(v))
            continue;
        if (settings.absoluteValue)
            v = std::fabs(v);
        if (!beyond(settings, v)) {
            if (inside)
                *inside = true;
        } else if (!inside || *inside) {
            return i;
        }
    }
    return std::nullopt;
}
