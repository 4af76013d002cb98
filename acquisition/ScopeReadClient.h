#pragma once

#include "Tarn_Prod.h"

#include <cstdint>
#include <vector>

// What the acquisition thread calls back into: the scope widget's side of the read step.
// Both calls run on the acquisition thread; the controller read between them runs
// outside every lock of the client, so a hanging read never blocks the GUI thread.
class ScopeReadClient
{
public:
    virtual ~ScopeReadClient() = default;

    // Before the controller is read: false when nothing is to be read (not sampling).
    virtual bool beginReadStep() = 0;
    // The batch the controller returned, with its load figures.
    virtual void finishReadStep(double cpuLoad, uint32_t memKB,
                                const std::vector<_ST_ReadScopeData> &records) = 0;

protected:
    ScopeReadClient() = default;
    ScopeReadClient(const ScopeReadClient &) = default;
    ScopeReadClient &operator=(const ScopeReadClient &) = default;
};
