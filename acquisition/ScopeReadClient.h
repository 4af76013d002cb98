#pragma once

#include "Tarn_Prod.h"

#include <cstdint>
#include <vector>

// One answer of the controller: the records sampled since the last read, in time order,
// and the controller's load figures.
struct ControllerBatch
{
    double cpuLoad = 0.0;
    uint32_t memKB = 0;
    std::vector<_ST_ReadScopeData> records;
};

// What the acquisition thread calls back into: the recorder's side of the read step.
// Both calls run on the acquisition thread; the controller read between them runs
// outside every lock of the client, so a hanging read never blocks the GUI thread.
class ScopeReadClient
{
public:
    virtual ~ScopeReadClient() = default;

    // Before the controller is read: false when nothing is to be read (not sampling).
    virtual bool beginReadStep() = 0;
    virtual void finishReadStep(const ControllerBatch &batch) = 0;

protected:
    ScopeReadClient() = default;
    ScopeReadClient(const ScopeReadClient &) = default;
    ScopeReadClient &operator=(const ScopeReadClient &) = default;
};
