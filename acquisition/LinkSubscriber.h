#pragma once

#include "Tarn_Prod.h"

#include <cstdint>
#include <optional>
#include <vector>

// The controller's clock went back: the records from `at` on (in recorded time) were
// stamped `backMs` earlier than the one before them, and continue the recording instead.
struct TimeStep
{
    double at = 0.0;
    double backMs = 0.0;
};

// What the controller link hands one subscriber after one read.
struct LinkDelivery
{
    // The subscription these records follow, as the subscriber numbered it.
    unsigned generation = 0;
    // The records in the subscriber's own channel order, on the link's timeline; none when
    // the read had to be dropped for it (its first under a new list).
    std::vector<_ST_ReadScopeData> records;
    double cpuLoad = 0.0;
    uint32_t memKB = 0;
    // The link dropped this read for every subscriber (the controller's list was rebuilt):
    // the stretch it held begins here, and recordings show a gap.
    std::optional<double> gapAt;
    std::vector<TimeStep> steps;
};

// A scope's side of the controller link: what the link hands it. Both calls run on the
// link's acquisition thread, under the link's lock, so they must not call back into it.
class LinkSubscriber
{
public:
    virtual ~LinkSubscriber() = default;

    virtual void deliver(const LinkDelivery &delivery) = 0;
    // The controller refused the index list that this subscription of `generation` needed.
    virtual void refuse(unsigned generation, int code) = 0;

protected:
    LinkSubscriber() = default;
    LinkSubscriber(const LinkSubscriber &) = default;
    LinkSubscriber &operator=(const LinkSubscriber &) = default;
};
