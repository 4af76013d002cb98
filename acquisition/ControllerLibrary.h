#pragma once

#include "Tarn_Prod.h"

#include <QString>

// The controller SDK library, opened at first use rather than linked, so a host without it
// (an office PC that only views recordings, Qt Designer) still starts and shows the scope.
// Where it is looked for, in this order:
//   0. nowhere when the environment variable TARNSCOPE_CONTROLLER_LIBRARY is "none": the
//      process has no controller (a viewer of recordings), and no library is opened;
//   1. the file named by the environment variable TARNSCOPE_CONTROLLER_LIBRARY, if set (then
//      nothing else);
//   2. by its SONAME through the system loader (a library the process has loaded already,
//      LD_LIBRARY_PATH, the loader's cache and folders);
//   3. the folder of the scope library itself (for a program with the core linked in, the
//      library folder beside its bin/);
//   4. the folder of the SDK the kit was built against.
// Whether it is our simulated controller is decided from the loaded library itself (the
// simulator exports a marker symbol), so a simulator put where the maker's library belongs
// is still recognised. Any thread; the library is looked for once and never unloaded.
namespace ControllerLibrary {

// The exported symbol that marks our stand-in as the simulator.
constexpr const char *kSimulatorMarker = "TarnSim_Controller";
// The variable that names the library's file, overriding the search.
constexpr const char *kPathVariable = "TARNSCOPE_CONTROLLER_LIBRARY";
// Its value for no controller at all.
constexpr const char *kNoController = "none";

// The SDK's three entry points, as the loaded library exports them.
struct Functions
{
    int (*setScopeIndexs)(std::vector<int> &indexes) = nullptr;
    int (*readScopeData)(double *cpuLoad, uint32_t *memKB,
                         std::vector<_ST_ReadScopeData> *records) = nullptr;
    int (*readRobotFlags)(int *, int *, int *, int *, int *, int *, int *, int *) = nullptr;
};

// Null when no library with all three functions was found.
const Functions *functions();
bool isLoaded();
// The file of the loaded library; empty when none.
QString path();
bool isSimulator();
// Why none is loaded: "libTarn_Prod.so.1 not found in …"; empty when one is.
QString loadError();
// Whether the process asked for no controller (kPathVariable is kNoController): nothing is
// looked for, isLoaded() is false and loadError() says why.
bool isDisabled();

} // namespace ControllerLibrary
