#pragma once

#include "ScopeRecord.h"

#include <cstdint>
#include <optional>
#include <vector>

// The trigger controls as one batch sees them. The GUI thread keeps a snapshot current;
// the acquisition thread evaluates each batch against the snapshot of that moment.
struct TriggerSettings
{
    enum Condition : int32_t
    {
        Above = 0,
        Below = 1
    };
    enum Mode : int32_t
    {
        OpenGrab = 0,
        EndGrab = 1
    };

    int32_t channel = -1; // position in the trigger channel list = position in the record
    int32_t condition = Above;
    int32_t mode = OpenGrab;
    double threshold = 0.0;
    // Where the recording starts (open grab) or ends (end grab), in ms after the instant the
    // trigger fires; none keeps whole batches: open grab keeps the firing batch, end grab
    // drops it.
    std::optional<double> delay;
    bool absoluteValue = false;
};

// Where a batch fires the trigger, looking from position `first` on: the position of its first
// sample of the channel beyond the threshold (absolute values if asked), strictly. An empty
// batch, an unknown condition, a channel outside the record or samples that are not finite
// never fire. With `inside`, a trigger fires only once the signal has been back inside the
// threshold: the flag, kept across batches, notes that it has.
std::optional<std::size_t> firingPosition(const TriggerSettings &settings,
                                          const std::vector<ScopeRecord> &batch,
                                          std::size_t first = 0, bool *inside = nullptr);
