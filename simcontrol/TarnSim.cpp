#include "TarnSim.h"

namespace {
TarnSim::Control &controller()
{
    return *TarnSim_Controller();
}
} // namespace

namespace TarnSim {

void reset()
{
    controller().reset();
}
void setCycleMs(double ms)
{
    controller().setCycleMs(ms);
}
double cycleMs()
{
    return controller().cycleMs();
}
void setSeed(uint32_t seed)
{
    controller().setSeed(seed);
}
void setScripted(bool scripted)
{
    controller().setScripted(scripted);
}
void queueBatch(const Batch &batch)
{
    controller().queueBatch(batch);
}
std::size_t pendingBatches()
{
    return controller().pendingBatches();
}
void setRobotFlags(const RobotFlags &flags)
{
    controller().setRobotFlags(flags);
}
void setErrorFlag(bool error)
{
    controller().setErrorFlag(error);
}
std::vector<int> lastIndexes()
{
    return controller().lastIndexes();
}
CallCounts callCounts()
{
    return controller().callCounts();
}
void blockNextRead(int milliseconds)
{
    controller().blockNextRead(milliseconds);
}
void delayNextIndexList(int milliseconds)
{
    controller().delayNextIndexList(milliseconds);
}
void delayNextRobotFlags(int milliseconds)
{
    controller().delayNextRobotFlags(milliseconds);
}
void failReads(int code)
{
    controller().failReads(code);
}
void refuseIndexLists(int code)
{
    controller().refuseIndexLists(code);
}
void setDeliveryLog(bool on)
{
    controller().setDeliveryLog(on);
}
std::vector<Delivery> takeDeliveries()
{
    return controller().takeDeliveries();
}
double sampleValue(int scopeIndex, double timeMs)
{
    return controller().sampleValue(scopeIndex, timeMs);
}

} // namespace TarnSim
