#pragma once

#include <QString>

// Which library answers the controller SDK calls in this process, and whether it is our
// simulated controller. Decided from the loaded library itself (the simulator exports a
// marker symbol), so a simulator placed where the maker's library should be is still
// recognised. Any thread; the answer is computed once.
namespace ControllerLibrary {

// The exported symbol that marks our stand-in as the simulator.
constexpr const char *kSimulatorMarker = "TarnSim_Controller";

// The file of the loaded library that provides Tarn_ReadScopeData; empty if unknown.
QString path();
bool isSimulator();

} // namespace ControllerLibrary
