// The three functions of the controller SDK, answered by the simulated controller, and the
// simulator's marker.
#include "Tarn_Prod.h"
#include "SimulatedController.h"
#include "SimulatorControl.h"

namespace {
SimulatedController &sim()
{
    return SimulatedController::instance();
}
} // namespace

extern "C" {

int Tarn_SetScopeIndexs(std::vector<int> &indexes)
{
    return sim().setScopeIndexes(indexes);
}

int Tarn_ReadScopeData(double *cpuLoad, uint32_t *memKB, std::vector<_ST_ReadScopeData> *records)
{
    return sim().readScopeData(cpuLoad, memKB, records);
}

int TarnIF_ReadRobotFlags(int *flag1, int *flag2, int *errorFlag, int *flag4, int *flag5,
                          int *flag6, int *flag7, int *flag8)
{
    int *flags[8] = {flag1, flag2, errorFlag, flag4, flag5, flag6, flag7, flag8};
    return sim().readRobotFlags(flags);
}

TarnSim::Control *TarnSim_Controller()
{
    return &sim();
}

} // extern "C"
