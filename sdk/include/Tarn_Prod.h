#pragma once

// What the scope imports from the controller maker's SDK library Tarn_Prod.
// The layout and the C names are fixed: the maker's library, or our stand-in in sdk/,
// can be dropped in without recompiling the plug-in.

#include <cstdint>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#if defined(TARN_PROD_BUILD)
#define TARN_PROD_API __declspec(dllexport)
#else
#define TARN_PROD_API __declspec(dllimport)
#endif
#else
#define TARN_PROD_API __attribute__((visibility("default")))
#endif

constexpr int kScopeRecordValues = 36;

// One scope record: a time stamp in ms of controller time and the samples of the
// controller indexes in the order of the index list in force when it was sampled.
struct _ST_ReadScopeData
{
    double dTime;
    double dValue[kScopeRecordValues];
};
static_assert(sizeof(_ST_ReadScopeData) == 296, "the SDK copies records bytewise");
static_assert(std::is_standard_layout<_ST_ReadScopeData>::value, "records cross the C boundary");

// Passing std::vector across the boundary needs both sides built with the same
// standard library; the maker's SDK is built that way.
//
// Threads, as the scope uses them: Tarn_SetScopeIndexs on the GUI thread (channel set-up);
// Tarn_ReadScopeData on the scope's acquisition thread, outside every lock of the scope, as
// it may block; TarnIF_ReadRobotFlags on the GUI thread (the robot-error watch). Calls from
// two threads may overlap. A read returns the records sampled since the previous read; a new
// index list applies from then on, so the first read after it may still carry records
// sampled under the previous list.
extern "C" {
TARN_PROD_API int Tarn_SetScopeIndexs(std::vector<int> &indexes);
TARN_PROD_API int Tarn_ReadScopeData(double *cpuLoad, uint32_t *memKB,
                                     std::vector<_ST_ReadScopeData> *records);
TARN_PROD_API int TarnIF_ReadRobotFlags(int *flag1, int *flag2, int *errorFlag, int *flag4,
                                        int *flag5, int *flag6, int *flag7, int *flag8);
}
