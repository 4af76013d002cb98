// A stand-in for the maker's SDK library in the build check of the vendor-SDK kit: only the
// three SDK functions, no simulator marker. Each read returns one record per call.
#include "Tarn_Prod.h"

#include <cstdio>

namespace {
double g_time = 0.0;
std::size_t g_channels = 0;
} // namespace

extern "C" {

int Tarn_SetScopeIndexs(std::vector<int> &indexes)
{
    g_channels = indexes.size();
    return 0;
}

int Tarn_ReadScopeData(double *cpuLoad, uint32_t *memKB, std::vector<_ST_ReadScopeData> *records)
{
    if (g_time == 0.0)
        std::fprintf(stderr, "fake Tarn_Prod: first read, %zu channels\n", g_channels);
    *cpuLoad = 12.5;
    *memKB = 2048;
    _ST_ReadScopeData record{};
    record.dTime = g_time;
    g_time += 1.0;
    records->push_back(record);
    return 0;
}

int TarnIF_ReadRobotFlags(int *flag1, int *flag2, int *errorFlag, int *flag4, int *flag5,
                          int *flag6, int *flag7, int *flag8)
{
    for (int *flag : {flag1, flag2, errorFlag, flag4, flag5, flag6, flag7, flag8})
        *flag = 0;
    return 0;
}

} // extern "C"
