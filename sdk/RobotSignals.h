#pragma once

#include <cstdint>

// The signals of the simulated robot as a pure function of controller index and
// controller time: joints follow a smooth repeating motion, velocities and
// accelerations are its derivatives, currents follow acceleration and gravity, the
// tool pose comes from a simple arm model, diagnostics look like a 1 kHz real-time
// controller. Noise is a hash of (seed, index, time), so any thread may evaluate it.
class RobotSignals
{
public:
    explicit RobotSignals(uint32_t seed = 1, double cycleMs = 1.0)
        : m_seed(seed), m_cycleMs(cycleMs)
    {}

    double value(int scopeIndex, double timeMs) const;

    // Controller load figures at a controller time.
    double cpuLoad(double timeMs) const;
    uint32_t memoryKB(double timeMs) const;

private:
    struct Pose
    {
        double v[6]; // X, Y, Z in mm, RX, RY, RZ in deg
    };

    double noise(int channel, double timeMs) const;
    static double targetJoint(int joint, double timeMs);
    static double targetJointVel(int joint, double timeMs);
    static double targetJointAcc(int joint, double timeMs);
    double actualJoint(int joint, double timeMs) const;
    double targetCurrent(int joint, double timeMs) const;
    static Pose toolPose(const double jointsDeg[6]);
    Pose targetPose(double timeMs) const;
    Pose actualPose(double timeMs) const;

    double diagnostic(int index, double timeMs) const;
    double jointQuantity(int blockBase, int joint, double timeMs) const;
    double cartesianQuantity(int blockBase, int component, double timeMs) const;

    uint32_t m_seed;
    double m_cycleMs;
};
