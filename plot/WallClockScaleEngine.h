#pragma once

#include "WallClockMapping.h"

#include <qwt_scale_engine.h>

// Ticks of the time axis on round wall-clock times (whole seconds at a step of a second)
// instead of round plot times, so the labels stay short and move with the data. With an
// unknown mapping it divides as a linear engine does. Owned by the plot; GUI thread.
class WallClockScaleEngine : public QwtLinearScaleEngine
{
public:
    void setMapping(const WallClockMapping &mapping) { m_mapping = mapping; }

    QwtScaleDiv divideScale(double x1, double x2, int maxMajorSteps, int maxMinorSteps,
                            double stepSize = 0.0) const override;

private:
    WallClockMapping m_mapping;
};
