#pragma once

#include <limits>
#include <optional>

// The time the scope records under: the controller's time stamps, except that a stamp at or
// before the one placed last (the controller's clock jittered back or restarted) continues
// from the last placed time at the controller's cycle, and every later stamp keeps that
// offset. So recordings never run backwards and nothing is thrown away. Owned by the
// controller link; its acquisition thread only.
class ControllerTimeline
{
public:
    // Where a record stamped `controllerTime` goes; `stepBack` receives by how much the
    // controller's clock went back when it did (none otherwise). Stamps that are not finite
    // pass unchanged.
    double place(double controllerTime, std::optional<double> *stepBack);

    // The controller's cycle as the records in order showed it; 1 ms before they have.
    double cycleMs() const { return m_cycleMs.value_or(kDefaultCycleMs); }

private:
    static constexpr double kDefaultCycleMs = 1.0;
    // An interval longer than this many cycles is a pause, not a new cycle.
    static constexpr double kLongestCycles = 4.0;

    void noteInterval(double interval);

    double m_offset = 0.0;
    double m_lastPlaced = -std::numeric_limits<double>::infinity();
    double m_lastStamp = -std::numeric_limits<double>::infinity();
    std::optional<double> m_cycleMs;
};
