#pragma once

#include <QDateTime>
#include <QTime>

// Where the plot's times stand on the wall clock: plot time `plotTime` was the moment
// `wallClock`, and the plot's milliseconds are the wall clock's. A plain value; any thread.
struct WallClockMapping
{
    double plotTime = 0.0;
    QDateTime wallClock; // invalid: the wall clock is unknown

    bool isKnown() const { return wallClock.isValid(); }
    QDateTime at(double time) const
    {
        return isKnown() ? wallClock.addMSecs(qRound64(time - plotTime)) : QDateTime();
    }
    // The local time of day of plot time 0, in ms since the midnight before `wallClock`;
    // it runs past a day rather than wrap, so ticks stay evenly spaced across midnight.
    double localTimeOfDayAtZero() const
    {
        return wallClock.toLocalTime().time().msecsSinceStartOfDay() - plotTime;
    }
    bool operator==(const WallClockMapping &other) const
    {
        return plotTime == other.plotTime && wallClock == other.wallClock;
    }
    bool operator!=(const WallClockMapping &other) const { return !(*this == other); }
};
