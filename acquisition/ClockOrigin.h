#pragma once

#include <QDateTime>

// Where the controller's clock stood against the wall clock when a run's first records
// arrived: enough to give any controller time of the run its wall-clock moment. A plain
// value; any thread.
struct ClockOrigin
{
    double controllerTime = 0.0; // ms
    QDateTime wallClock;         // invalid: no record has arrived yet

    bool isKnown() const { return wallClock.isValid(); }
    QDateTime wallClockAt(double controllerTimeMs) const
    {
        return isKnown() ? wallClock.addMSecs(qRound64(controllerTimeMs - controllerTime))
                         : QDateTime();
    }
};
