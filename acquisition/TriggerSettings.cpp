#include "TriggerSettings.h"

#include <cmath>

bool triggerFires(const TriggerSettings &settings, const std::vector<_ST_ReadScopeData> &batch)
{
    if (batch.empty() || settings.channel < 0 || settings.channel >= kScopeRecordValues)
        return false;

    double max = 0.0;
    double min = 0.0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        double v = batch[i].dValue[settings.channel];
        if (settings.absoluteValue)
            v = std::fabs(v);
        if (i == 0)
            min = max = v;
        if (v > max)
            max = v;
        if (v < min)
            min = v;
    }
    switch (settings.condition) {
    case TriggerSettings::Above:
        return max > settings.threshold;
    case TriggerSettings::Below:
        return settings.threshold > min;
    default:
        return false;
    }
}
