#pragma once

#include <QDateTime>

// Where a recording's clock stood against the wall clock: enough to give any of its times
// its wall-clock moment. For a run of this scope the clock is the controller's, set when the
// run's first records arrived; for a loaded file it is the file's own time. A plain value;
// any thread.
struct ClockOrigin
{
    double time = 0.0;   // ms, on the recording's clock
    QDateTime wallClock; // invalid: unknown (no record has arrived yet)

    bool isKnown() const { return wallClock.isValid(); }
    QDateTime wallClockAt(double timeMs) const
    {
        return isKnown() ? wallClock.addMSecs(qRound64(timeMs - time)) : QDateTime();
    }
};
