#include "ControllerTimeline.h"

#include <cmath>

double ControllerTimeline::place(double controllerTime, std::optional<double> *stepBack)
{
    if (stepBack)
        stepBack->reset();
    if (!std::isfinite(controllerTime))
        return controllerTime;
    double placed = controllerTime + m_offset;
    if (placed <= m_lastPlaced) {
        if (stepBack)
            *stepBack = m_lastStamp - controllerTime;
        m_offset = m_lastPlaced + cycleMs() - controllerTime;
        placed = m_lastPlaced + cycleMs();
    } else if (std::isfinite(m_lastPlaced)) {
        noteInterval(placed - m_lastPlaced);
    }
    m_lastPlaced = placed;
    m_lastStamp = controllerTime;
    return placed;
}

// A pause between records (a stalled read, Stop and Start of every scope) is not a cycle.
void ControllerTimeline::noteInterval(double interval)
{
    if (!m_cycleMs || interval <= *m_cycleMs * kLongestCycles)
        m_cycleMs = interval;
}
