#pragma once

// How our simulator library and its control library meet. The stand-in libTarn_Prod exports
// the three SDK functions and one more, TarnSim_Controller: the marker by which the scope
// knows it runs on the simulator, and the way in for the control library (simcontrol/),
// which only our demo, tests, soak and bench link. Not installed.

#include "Tarn_Prod.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace TarnSim {

// One scripted answer of Tarn_ReadScopeData.
struct Batch
{
    std::vector<_ST_ReadScopeData> records;
    double cpuLoad = 0.0;
    uint32_t memKB = 0;
};

struct CallCounts
{
    uint64_t setScopeIndexs = 0;
    uint64_t readScopeData = 0;
    uint64_t readRobotFlags = 0;
};

using RobotFlags = std::array<int, 8>;

// What one read of Tarn_ReadScopeData returned: the time stamps of its records and the
// number of the index list they follow (the first list given is 1, none yet 0); a read whose
// records span several lists is noted once per list.
struct Delivery
{
    uint64_t indexLists = 0;
    std::vector<double> times;
};

// The longest span of records one read returns after a long pause.
constexpr double kMaxBacklogMs = 10000.0;

// The simulated controller's controls; TarnSim.h documents each. Both libraries are built
// together, so the table of these functions is the only contract between them.
class Control
{
public:
    virtual ~Control() = default;

    virtual void reset() = 0;
    virtual void setCycleMs(double cycleMs) = 0;
    virtual double cycleMs() const = 0;
    virtual void setSeed(uint32_t seed) = 0;
    virtual void setScripted(bool scripted) = 0;
    virtual void queueBatch(const Batch &batch) = 0;
    virtual std::size_t pendingBatches() const = 0;
    virtual void setRobotFlags(const RobotFlags &flags) = 0;
    virtual void setErrorFlag(bool error) = 0;
    virtual std::vector<int> lastIndexes() const = 0;
    virtual CallCounts callCounts() const = 0;
    virtual void blockNextRead(int milliseconds) = 0;
    virtual void delayNextIndexList(int milliseconds) = 0;
    virtual void delayNextRobotFlags(int milliseconds) = 0;
    virtual void failReads(int code) = 0;
    virtual void refuseIndexLists(int code) = 0;
    virtual void setDeliveryLog(bool on) = 0;
    virtual std::vector<Delivery> takeDeliveries() = 0;
    virtual double sampleValue(int scopeIndex, double timeMs) const = 0;
};

} // namespace TarnSim

extern "C" {
TARN_PROD_API TarnSim::Control *TarnSim_Controller();
}
