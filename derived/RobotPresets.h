#pragma once

#include "DerivedChannel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class RobotPreset
{
    FollowingError,
    VelocityError,
    MechanicalPower,
    TcpSpeed,
};

// The ready-made sets of derived channels an operator adds with one click: one channel per
// joint (or one for the tool centre point), with its unit and the recorded channels it reads.
// Fixed tables, read from any thread.
class RobotPresets
{
public:
    static QList<RobotPreset> all();
    static QString name(RobotPreset preset);
    // As command lines write it: "following-error", "velocity-error", "mechanical-power",
    // "tcp-speed".
    static QString key(RobotPreset preset);
    static std::optional<RobotPreset> fromKey(const QString &key);
    static std::vector<DerivedChannel> channels(RobotPreset preset);
    // The recorded channels the set reads, each once, in the order first read.
    static QStringList requiredChannels(RobotPreset preset);
};
