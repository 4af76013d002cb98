#pragma once

#include "ScopeLimits.h"
#include "Tarn_Prod.h"

#include <algorithm>
#include <iterator>
#include <limits>

// One record as a scope keeps it: the controller's values in the order of the scope's
// channels, then the values the scope computes from them, one per curve slot. Shaped as the
// controller's record, which it widens; a value no channel fills is NaN. A plain value.
struct ScopeRecord
{
    double dTime = 0.0;
    double dValue[ScopeLimits::kCurveSlots];

    explicit ScopeRecord(double time = 0.0) : dTime(time)
    {
        std::fill(std::begin(dValue), std::end(dValue), std::numeric_limits<double>::quiet_NaN());
    }
    explicit ScopeRecord(const _ST_ReadScopeData &record) : ScopeRecord(record.dTime)
    {
        std::copy(std::begin(record.dValue), std::end(record.dValue), dValue);
    }
};

static_assert(sizeof(_ST_ReadScopeData::dValue) / sizeof(double) == ScopeLimits::kMaxChannels,
              "a controller record carries one value per channel");
