#include "RobotSignals.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// Per joint: offset and amplitude in deg, period in s, phase in rad.
constexpr double kOffset[6] = {0.0, -30.0, 60.0, 0.0, 45.0, 0.0};
constexpr double kAmplitude[6] = {60.0, 35.0, 40.0, 90.0, 40.0, 120.0};
constexpr double kPeriodS[6] = {8.0, 6.0, 7.0, 5.0, 9.0, 4.0};
constexpr double kInertia[6] = {0.004, 0.006, 0.003, 0.0015, 0.001, 0.0006}; // A per deg/s^2
constexpr double kGravityA[6] = {0.0, 4.5, 2.2, 0.0, 0.4, 0.0};
constexpr double kTorqueConst[6] = {1.8, 2.4, 1.6, 0.9, 0.7, 0.5}; // N per A, as the unit says
constexpr double kCountsPerDeg = 131072.0 / 360.0;
constexpr double kActualLagMs = 4.0;
// A lightly damped mode of the third axis' drive train, which its actual current carries.
constexpr double kResonanceHz = 37.0;
constexpr double kResonanceA[6] = {0.0, 0.0, 0.12, 0.0, 0.0, 0.0};
constexpr double kFilterLagMs = 6.0;

// Arm model, in mm.
constexpr double kBaseHeight = 300.0;
constexpr double kUpperArm = 400.0;
constexpr double kForearm = 350.0;
constexpr double kTool = 100.0;

constexpr int kStatusWordOperationEnabled = 0x1237;
constexpr int kControlWordEnableOperation = 0x000F;
constexpr int kModeCyclicSyncPosition = 8;

double omega(int joint)
{
    return 2.0 * kPi / (kPeriodS[joint] * 1000.0);
} // rad per ms

uint32_t mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

} // namespace

double RobotSignals::noise(int channel, double timeMs) const
{
    const auto tick = static_cast<uint32_t>(static_cast<int64_t>(std::llround(timeMs * 1000.0)));
    const uint32_t h = mix(m_seed * 0x9e3779b9U ^ mix(static_cast<uint32_t>(channel) ^ mix(tick)));
    return (h / 4294967295.0) * 2.0 - 1.0;
}

double RobotSignals::targetJoint(int joint, double timeMs)
{
    return kOffset[joint] + kAmplitude[joint] * std::sin(omega(joint) * timeMs + 0.7 * joint);
}

double RobotSignals::targetJointVel(int joint, double timeMs)
{
    const double w = omega(joint);
    return kAmplitude[joint] * w * 1000.0 * std::cos(w * timeMs + 0.7 * joint);
}

double RobotSignals::targetJointAcc(int joint, double timeMs)
{
    const double w = omega(joint) * 1000.0;
    return -kAmplitude[joint] * w * w * std::sin(omega(joint) * timeMs + 0.7 * joint);
}

double RobotSignals::actualJoint(int joint, double timeMs) const
{
    return targetJoint(joint, timeMs - kActualLagMs) + 0.002 * noise(1000 + joint, timeMs);
}

double RobotSignals::targetCurrent(int joint, double timeMs) const
{
    const double q2 = targetJoint(1, timeMs) * kDeg;
    const double q23 = q2 + targetJoint(2, timeMs) * kDeg;
    const double gravity = joint == 1 ? std::cos(q2) + 0.5 * std::cos(q23) : std::cos(q23);
    return kInertia[joint] * targetJointAcc(joint, timeMs) + kGravityA[joint] * gravity;
}

RobotSignals::Pose RobotSignals::toolPose(const double q[6])
{
    const double q1 = q[0] * kDeg;
    const double q2 = q[1] * kDeg;
    const double q23 = q2 + q[2] * kDeg;
    const double reach = kUpperArm * std::cos(q2) + kForearm * std::cos(q23) + kTool;
    Pose p{};
    p.v[0] = reach * std::cos(q1);
    p.v[1] = reach * std::sin(q1);
    p.v[2] = kBaseHeight + kUpperArm * std::sin(q2) + kForearm * std::sin(q23);
    p.v[3] = q[3];
    p.v[4] = q[4] - q[1] - q[2];
    p.v[5] = q[0] + q[5];
    return p;
}

RobotSignals::Pose RobotSignals::targetPose(double timeMs) const
{
    double q[6];
    for (int j = 0; j < 6; ++j)
        q[j] = targetJoint(j, timeMs);
    return toolPose(q);
}

RobotSignals::Pose RobotSignals::actualPose(double timeMs) const
{
    double q[6];
    for (int j = 0; j < 6; ++j)
        q[j] = actualJoint(j, timeMs);
    return toolPose(q);
}

double RobotSignals::value(int index, double timeMs) const
{
    if (index >= 1 && index <= 18)
        return diagnostic(index, timeMs);
    if (index >= 19 && index <= 42)
        return cartesianQuantity(19 + (index - 19) / 6 * 6, (index - 19) % 6, timeMs);
    if (index >= 43 && index <= 156)
        return jointQuantity(43 + (index - 43) / 6 * 6, (index - 43) % 6, timeMs);
    if (index >= 169 && index <= 180)
        return cartesianQuantity(169 + (index - 169) / 6 * 6, (index - 169) % 6, timeMs);
    return 0.0; // "NULL" and indexes without an item
}

double RobotSignals::jointQuantity(int base, int j, double t) const
{
    switch (base) {
    case 43:
        return targetJoint(j, t);
    case 49:
        return actualJoint(j, t);
    case 79:
        return targetJoint(j, t - kFilterLagMs);
    case 145:
        return std::round(targetJoint(j, t) * kCountsPerDeg);
    case 151:
        return std::round(actualJoint(j, t) * kCountsPerDeg);
    case 55:
        return targetJointVel(j, t);
    case 61:
        return targetJointVel(j, t - kActualLagMs) + 0.05 * noise(1100 + j, t);
    case 85:
        return targetJointVel(j, t - kFilterLagMs);
    case 91:
        return targetJointAcc(j, t - kFilterLagMs);
    case 67:
        return targetCurrent(j, t);
    case 73:
        return targetCurrent(j, t - kActualLagMs) + 0.05 * noise(1200 + j, t) +
               kResonanceA[j] * std::sin(2.0 * kPi * kResonanceHz * t / 1000.0);
    case 97:
        return targetCurrent(j, t - kFilterLagMs);
    case 103:
        return kTorqueConst[j] * targetCurrent(j, t - kFilterLagMs) + 0.08 * noise(1300 + j, t);
    case 109:
        return kTorqueConst[j] * targetCurrent(j, t - kFilterLagMs);
    case 115:
        return 0.08 * noise(1300 + j, t);
    case 121:
        return kControlWordEnableOperation;
    case 127:
        return kStatusWordOperationEnabled;
    case 133:
    case 139:
        return kModeCyclicSyncPosition;
    default:
        return 0.0;
    }
}

double RobotSignals::cartesianQuantity(int base, int c, double t) const
{
    constexpr double h = 1.0; // ms, for the central difference
    switch (base) {
    case 19:
        return targetPose(t).v[c];
    case 25:
        return actualPose(t).v[c];
    case 31:
        return (targetPose(t + h).v[c] - targetPose(t - h).v[c]) / (2.0 * h) * 1000.0;
    case 37:
        return (actualPose(t + h).v[c] - actualPose(t - h).v[c]) / (2.0 * h) * 1000.0;
    case 169:
        return (c < 3 ? 12.0 : 0.4) + 0.5 * noise(1400 + c, t);
    case 175:
        return 0.02 * noise(1500 + c, t);
    default:
        return 0.0;
    }
}

double RobotSignals::diagnostic(int index, double t) const
{
    const double tick = std::floor(t / m_cycleMs);
    switch (index) {
    case 1:
        return 3.0; // CurFSM: running
    case 2:
        return 2.0; // LastFSM: ready
    case 3:
        return std::fmod(t, 1000000.0); // CurMS
    case 4:
        return m_cycleMs + 0.02 * noise(4, t);
    case 5:
        return m_cycleMs + 0.06 + 0.01 * noise(5, std::floor(t / 1000.0));
    case 6:
        return m_cycleMs - 0.05 + 0.01 * noise(6, std::floor(t / 1000.0));
    case 7:
        return 0.35 + 0.05 * noise(7, t);
    case 8:
        return 0.62 + 0.02 * noise(8, std::floor(t / 1000.0));
    case 9:
        return 0.21 + 0.02 * noise(9, std::floor(t / 1000.0));
    case 10:
        return tick; // SendFrameCNT
    case 11:
        return std::round(1000.0 / m_cycleMs); // SendFrameFrq
    case 12:
        return 0.08 + 0.01 * noise(12, t); // SendFrameMS
    case 13:
        return std::floor(t / 600000.0); // LoseFrameCNT: one every 10 min
    case 14:
        return tick; // TxFrameCNT
    case 15:
        return tick - std::floor(t / 600000.0); // RxFrameCNT
    case 16: {
        double sum = 0.0;
        for (int j = 0; j < 6; ++j)
            sum += kInertia[j] * 250.0 * std::fabs(targetJointVel(j, t));
        return sum;
    }
    case 17: {
        double sum = 0.0;
        for (int j = 0; j < 6; ++j)
            sum += kTorqueConst[j] * targetCurrent(j, t) * targetJointVel(j, t) * kDeg;
        return sum;
    }
    case 18: {
        double sum = 0.0;
        for (int j = 0; j < 6; ++j)
            sum += 48.0 * std::fabs(targetCurrent(j, t));
        return sum + 2.0 * noise(18, t);
    }
    default:
        return 0.0;
    }
}

double RobotSignals::cpuLoad(double t) const
{
    return 22.0 + 6.0 * std::sin(2.0 * kPi * t / 7000.0) + 1.5 * noise(2000, std::floor(t / 50.0));
}

uint32_t RobotSignals::memoryKB(double t) const
{
    const double drift = 4096.0 * std::sin(2.0 * kPi * t / 60000.0);
    return static_cast<uint32_t>(524288.0 + drift + 64.0 * noise(2001, std::floor(t / 1000.0)));
}
