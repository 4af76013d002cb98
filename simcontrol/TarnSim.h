#pragma once

// Control interface of our Tarn_Prod stand-in, the simulated six-joint robot controller.
// The scope never calls these; our demo host, tests, soak and benchmarks use them to
// configure the simulation, script exact batches and inject faults. They reach the stand-in
// loaded in this process, so they need it: a build against the maker's library has no
// simulator. All functions are thread-safe.

#include "SimulatorControl.h"

namespace TarnSim {

// Back to the defaults: simulated mode, 1 ms cycle, seed 1, no flags, no queued
// batches, empty index list, counters zero, controller clock restarted.
void reset();

// Controller cycle in ms (one record per cycle); values below 0.01 are ignored.
void setCycleMs(double cycleMs);
double cycleMs();
// Seed of the measurement noise; the same seed gives the same signals.
void setSeed(uint32_t seed);

// Scripted mode: each read returns the next queued batch instead of simulated records;
// with the queue empty it returns no records and leaves the load figures as they were.
void setScripted(bool scripted);
void queueBatch(const Batch &batch);
std::size_t pendingBatches();

void setRobotFlags(const RobotFlags &flags);
// Sets or clears the third flag, the robot's error flag.
void setErrorFlag(bool error);

std::vector<int> lastIndexes();
CallCounts callCounts();

// Delivery log, off after reset: while on, every read that returns records is noted.
// takeDeliveries hands over what was noted since the last take, oldest first.
void setDeliveryLog(bool on);
std::vector<Delivery> takeDeliveries();

// The next Tarn_ReadScopeData blocks for this long before it answers (a hanging SDK).
void blockNextRead(int milliseconds);
// The next Tarn_SetScopeIndexs takes this long before the new list applies (a slow controller).
void delayNextIndexList(int milliseconds);
// The next TarnIF_ReadRobotFlags takes this long before it answers.
void delayNextRobotFlags(int milliseconds);
// From now on every Tarn_ReadScopeData fails with `code` and returns nothing (0: reads work).
void failReads(int code);
// From now on every Tarn_SetScopeIndexs is refused with `code`, the list in force kept (0:
// lists are taken).
void refuseIndexLists(int code);

// The simulated sample of a controller index at a controller time (ms); 0 for index 0
// and for indexes without an item. What simulated records carry.
double sampleValue(int scopeIndex, double timeMs);

} // namespace TarnSim
