#include "WallClockScaleEngine.h"

// Divided in the local time of day, then moved back to plot times; the bounds stay exactly
// those asked for, so the canvas maps plot times as before.
QwtScaleDiv WallClockScaleEngine::divideScale(double x1, double x2, int maxMajorSteps,
                                              int maxMinorSteps, double stepSize) const
{
    if (!m_mapping.isKnown())
        return QwtLinearScaleEngine::divideScale(x1, x2, maxMajorSteps, maxMinorSteps, stepSize);
    const double shift = m_mapping.localTimeOfDayAtZero();
    const QwtScaleDiv shifted = QwtLinearScaleEngine::divideScale(
        x1 + shift, x2 + shift, maxMajorSteps, maxMinorSteps, stepSize);
    if (shifted.isEmpty())
        return shifted;
    QList<double> ticks[QwtScaleDiv::NTickTypes];
    for (int type = 0; type < QwtScaleDiv::NTickTypes; ++type) {
        for (double tick : shifted.ticks(type))
            ticks[type] << tick - shift;
    }
    QwtScaleDiv div(QwtInterval(x1, x2).normalized(), ticks);
    if (x1 > x2)
        div.invert();
    return div;
}
