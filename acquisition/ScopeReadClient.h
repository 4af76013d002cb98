#pragma once

#include "Tarn_Prod.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What the acquisition thread is to ask the controller in one cycle.
struct ControllerRequest
{
    // A new index list to send before the read.
    std::optional<std::vector<int>> indexList;
    bool readRobotFlags = false;
};

// One answer of the controller: the records sampled since the last read, in time order,
// and the controller's load figures.
struct ControllerBatch
{
    double cpuLoad = 0.0;
    uint32_t memKB = 0;
    std::vector<_ST_ReadScopeData> records;
};

using RobotFlags = std::array<int, 8>;

// What the controller answered to one cycle's calls; a non-zero result is a refusal or a
// failure, with the SDK's own code.
struct ControllerAnswer
{
    int indexListResult = 0; // when a list was sent
    int readResult = 0;
    ControllerBatch batch;
    bool flagsRead = false;
    int flagsResult = 0;
    RobotFlags flags{};
};

// What the acquisition thread calls back into: the controller link's side of each cycle.
// Both calls run on the acquisition thread; the controller calls between them run outside
// every lock of the client, so a controller that hangs never blocks another thread.
class ScopeReadClient
{
public:
    virtual ~ScopeReadClient() = default;

    // Before the controller is called: false when nothing is to be read.
    virtual bool beginReadStep(ControllerRequest &request) = 0;
    virtual void finishReadStep(const ControllerRequest &request,
                                const ControllerAnswer &answer) = 0;

protected:
    ScopeReadClient() = default;
    ScopeReadClient(const ScopeReadClient &) = default;
    ScopeReadClient &operator=(const ScopeReadClient &) = default;
};
