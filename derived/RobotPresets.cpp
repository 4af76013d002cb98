#include "RobotPresets.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

constexpr int kJoints = 6;

// One channel per joint; %1 in each text is the joint's number.
std::vector<DerivedChannel> perJoint(const QString &title, const QString &unit,
                                     const QString &expression)
{
    std::vector<DerivedChannel> channels;
    for (int joint = 1; joint <= kJoints; ++joint)
        channels.push_back({title.arg(joint), unit, expression.arg(joint)});
    return channels;
}

} // namespace

QList<RobotPreset> RobotPresets::all()
{
    return {RobotPreset::FollowingError, RobotPreset::VelocityError, RobotPreset::MechanicalPower,
            RobotPreset::TcpSpeed};
}

QString RobotPresets::name(RobotPreset preset)
{
    switch (preset) {
    case RobotPreset::FollowingError:
        return QCoreApplication::translate("RobotPresets", "Following error");
    case RobotPreset::VelocityError:
        return QCoreApplication::translate("RobotPresets", "Velocity error");
    case RobotPreset::MechanicalPower:
        return QCoreApplication::translate("RobotPresets", "Mechanical power");
    case RobotPreset::TcpSpeed:
        return QCoreApplication::translate("RobotPresets", "TCP speed");
    }
    return {};
}

QString RobotPresets::key(RobotPreset preset)
{
    switch (preset) {
    case RobotPreset::FollowingError:
        return QStringLiteral("following-error");
    case RobotPreset::VelocityError:
        return QStringLiteral("velocity-error");
    case RobotPreset::MechanicalPower:
        return QStringLiteral("mechanical-power");
    case RobotPreset::TcpSpeed:
        return QStringLiteral("tcp-speed");
    }
    return {};
}

std::optional<RobotPreset> RobotPresets::fromKey(const QString &key)
{
    for (RobotPreset preset : all())
        if (RobotPresets::key(preset) == key)
            return preset;
    return std::nullopt;
}

std::vector<DerivedChannel> RobotPresets::channels(RobotPreset preset)
{
    switch (preset) {
    case RobotPreset::FollowingError:
        return perJoint("J%1 Following error", "ACS(deg)",
                        R"("J%1 Target ACS" - "J%1 Actual ACS")");
    case RobotPreset::VelocityError:
        return perJoint("J%1 Velocity error", "VEL(deg/s)",
                        R"("J%1 Target JointVel" - "J%1 Actual JointVel")");
    case RobotPreset::MechanicalPower:
        // deg/s to rad/s, so that N·m times it is watts.
        return perJoint("J%1 Mechanical power", "W",
                        R"("J%1 FilSensedTor" * "J%1 Actual JointVel" * _pi / 180)");
    case RobotPreset::TcpSpeed:
        return {{"TCP speed", "VEL(mm/s)",
                 R"(sqrt("X Actual Vel"^2 + "Y Actual Vel"^2 + "Z Actual Vel"^2))"}};
    }
    return {};
}

QStringList RobotPresets::requiredChannels(RobotPreset preset)
{
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    QStringList titles;
    for (const DerivedChannel &channel : channels(preset)) {
        auto matches = quoted.globalMatch(channel.expression);
        while (matches.hasNext()) {
            const QString title = matches.next().captured(1);
            if (!titles.contains(title))
                titles << title;
        }
    }
    return titles;
}
