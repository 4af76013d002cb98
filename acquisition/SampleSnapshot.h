#pragma once

#include "ColumnSnapshot.h"

#include <vector>

// The sample buffer as it was at one moment: the time stamps and one column per curve
// slot, oldest first. Taken under the lock that guards the buffer, in time independent of
// how much it holds, and read anywhere afterwards while the buffer goes on growing.
struct SampleSnapshot
{
    ColumnSnapshot times;
    std::vector<ColumnSnapshot> channels;
};
