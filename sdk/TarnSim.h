#pragma once

// Control interface of our Tarn_Prod stand-in: a simulated six-joint robot controller.
// The scope never calls these; tests and the demo host use them to configure the
// simulation, script exact batches and inject faults. All functions are thread-safe.

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

// What one read of Tarn_ReadScopeData returned: the time stamps of its records, and
// how many index lists the controller had been given by then (the records follow the
// last of them).
struct Delivery
{
    uint64_t indexLists = 0;
    std::vector<double> times;
};

// Back to the defaults: simulated mode, 1 ms cycle, seed 1, no flags, no queued
// batches, empty index list, counters zero, controller clock restarted.
TARN_PROD_API void reset();

// Controller cycle in ms (one record per cycle); values below 0.01 are ignored.
TARN_PROD_API void setCycleMs(double cycleMs);
TARN_PROD_API double cycleMs();
// Seed of the measurement noise; the same seed gives the same signals.
TARN_PROD_API void setSeed(uint32_t seed);

// Scripted mode: each read returns the next queued batch instead of simulated records;
// with the queue empty it returns no records and leaves the load figures as they were.
TARN_PROD_API void setScripted(bool scripted);
TARN_PROD_API void queueBatch(const Batch &batch);
TARN_PROD_API std::size_t pendingBatches();

TARN_PROD_API void setRobotFlags(const RobotFlags &flags);
// Sets or clears the third flag, the robot's error flag.
TARN_PROD_API void setErrorFlag(bool error);

TARN_PROD_API std::vector<int> lastIndexes();
TARN_PROD_API CallCounts callCounts();

// Delivery log, off after reset: while on, every read that returns records is noted.
// takeDeliveries hands over what was noted since the last take, oldest first.
TARN_PROD_API void setDeliveryLog(bool on);
TARN_PROD_API std::vector<Delivery> takeDeliveries();

// The next Tarn_ReadScopeData blocks for this long before it answers (a hanging SDK).
TARN_PROD_API void blockNextRead(int milliseconds);
// The next Tarn_SetScopeIndexs takes this long before the new list applies (a slow controller).
TARN_PROD_API void delayNextIndexList(int milliseconds);

// The simulated sample of a controller index at a controller time (ms); 0 for index 0
// and for indexes without an item. What simulated records carry.
TARN_PROD_API double sampleValue(int scopeIndex, double timeMs);

// The longest span of records one read returns after a long pause.
constexpr double kMaxBacklogMs = 10000.0;

} // namespace TarnSim
