// The three functions of the controller SDK, answered by the simulated controller,
// and the stand-in's own control interface.
#include "Tarn_Prod.h"
#include "SimulatedController.h"
#include "TarnSim.h"

namespace {
SimulatedController &sim()
{
    return SimulatedController::instance();
}
} // namespace

extern "C" {

int Tarn_SetScopeIndexs(std::vector<int> &indexes)
{
    sim().setScopeIndexes(indexes);
    return 0;
}

int Tarn_ReadScopeData(double *cpuLoad, uint32_t *memKB, std::vector<_ST_ReadScopeData> *records)
{
    sim().readScopeData(cpuLoad, memKB, records);
    return 0;
}

int TarnIF_ReadRobotFlags(int *flag1, int *flag2, int *errorFlag, int *flag4, int *flag5,
                          int *flag6, int *flag7, int *flag8)
{
    int *flags[8] = {flag1, flag2, errorFlag, flag4, flag5, flag6, flag7, flag8};
    sim().readRobotFlags(flags);
    return 0;
}

// The simulator's marker: the scope looks for it in the loaded SDK library.
TARN_PROD_API void *TarnSim_Controller()
{
    return &sim();
}

} // extern "C"

namespace TarnSim {

void reset()
{
    sim().reset();
}
void setCycleMs(double ms)
{
    sim().setCycleMs(ms);
}
double cycleMs()
{
    return sim().cycleMs();
}
void setSeed(uint32_t seed)
{
    sim().setSeed(seed);
}
void setScripted(bool scripted)
{
    sim().setScripted(scripted);
}
void queueBatch(const Batch &batch)
{
    sim().queueBatch(batch);
}
std::size_t pendingBatches()
{
    return sim().pendingBatches();
}
void setRobotFlags(const RobotFlags &flags)
{
    sim().setRobotFlags(flags);
}
void setErrorFlag(bool error)
{
    sim().setErrorFlag(error);
}
std::vector<int> lastIndexes()
{
    return sim().lastIndexes();
}
CallCounts callCounts()
{
    return sim().callCounts();
}
void blockNextRead(int milliseconds)
{
    sim().blockNextRead(milliseconds);
}
void delayNextIndexList(int milliseconds)
{
    sim().delayNextIndexList(milliseconds);
}
void setDeliveryLog(bool on)
{
    sim().setDeliveryLog(on);
}
std::vector<Delivery> takeDeliveries()
{
    return sim().takeDeliveries();
}
double sampleValue(int scopeIndex, double timeMs)
{
    return sim().sampleValue(scopeIndex, timeMs);
}

} // namespace TarnSim
