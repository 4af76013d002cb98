#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Keys of the "Component List" tree: controller diagnostics, the TCP velocities
// and the selectors of the Cartesian components (X..RZ) and the joints (J1..J6).
enum emAXIS : int32_t
{
    AXIS_NULL = 0,
    AXIS_CurFSM,
    AXIS_LastFSM,
    AXIS_CurMS,
    AXIS_RTCycle,
    AXIS_RTMaxCycle,
    AXIS_RTMinCycle,
    AXIS_RTTaskMS,
    AXIS_RTTaskMaxMS,
    AXIS_RTTaskMinMS,
    AXIS_SendFrameCNT,
    AXIS_SendFrameFrq,
    AXIS_SendFrameMS,
    AXIS_LoseFrameCNT,
    AXIS_TxFrameCNT,
    AXIS_RxFrameCNT,
    AXIS_Momentum,
    AXIS_PhysicsPower,
    AXIS_ElectricPower,
    AXIS_X,
    AXIS_Y,
    AXIS_Z,
    AXIS_RX,
    AXIS_RY,
    AXIS_RZ,
    AXIS_J1,
    AXIS_J2,
    AXIS_J3,
    AXIS_J4,
    AXIS_J5,
    AXIS_J6,
    AXIS_TCPCmdVel,
    AXIS_TCPActVel,
};

// Keys of the "Link Data Capture" tree: per-joint motor quantities in four groups.
enum emLINK : int32_t
{
    LINK_MotorPosition = 0,
    LINK_TargetACS,
    LINK_ActualACS,
    LINK_ActualFilACS,
    LINK_TarPosPDO,
    LINK_ActPosPDO,
    LINK_MotorVelocity,
    LINK_TargetJointVel,
    LINK_ActualJointVel,
    LINK_JointFilVel,
    LINK_JointFilAcc,
    LINK_MotorCurrent,
    LINK_TargetCur,
    LINK_ActualCur,
    LINK_FilCur,
    LINK_FilSensedTor,
    LINK_FilEstimateTor,
    LINK_FilDisturbanceTor,
    LINK_MotorStatus,
    LINK_StatusWord,
    LINK_ControlWord,
    LINK_ActualModeOperate,
    LINK_TargetModeOperate,
    LINK_NONE,
};

// Keys of the "End Effector Data Capture" tree: tool centre point and force sensor.
enum emENDEFF : int32_t
{
    ENDEFF_MotorPCS = 0,
    ENDEFF_TargetPCS,
    ENDEFF_ActualPCS,
    ENDEFF_MotorVel,
    ENDEFF_TargetVel,
    ENDEFF_ActualVel,
    ENDEFF_ForceSensor,
    ENDEFF_SrcData,
    ENDEFF_CaliData,
    ENDEFF_NONE,
};

// One entry of a catalogue family: its tree key, the name shown, the unit and the controller
// index base (0 for group headers and for the component items, whose key is their index).
struct CatalogRow
{
    int key;
    const char *name;
    const char *unit;
    int base;
};

// The fixed vocabulary of recordable quantities: one row table per family. Read-only, so the
// one shared instance may be read from any thread.
class ScopeCatalog
{
public:
    static const ScopeCatalog &instance();

    // Lookups yield the empty string (names, units) or 0 (bases) for absent keys.
    QString axisName(int key) const;
    QString axisUnit(int key) const;
    QString linkName(int key) const;
    QString linkUnit(int key) const;
    int linkBase(int key) const;
    QString endEffName(int key) const;
    // On the Cartesian component 0..5: the orientations RX..RZ are angles.
    QString endEffUnit(int key, int component) const;
    int endEffBase(int key) const;
    // The unit an earlier version gave an item, which its scope files still carry; none when
    // it never changed. An end-effector item's former unit differs from today's on RX..RZ only.
    std::optional<QString> formerAxisUnit(int key) const;
    std::optional<QString> formerLinkUnit(int key) const;
    std::optional<QString> formerEndEffUnit(int key) const;

    int axisCount() const;
    int linkCount() const;
    int endEffCount() const;

    const QStringList &triggerConditions() const { return m_triggerConditions; }
    const QStringList &triggerModes() const { return m_triggerModes; }

    // Group headers of the link and end-effector trees (and the none values) never
    // become channels.
    static bool isLinkGroup(int key);
    static bool isEndEffGroup(int key);
    // Component items that are channels of their own: 0..18, 31 and 32.
    static bool isComponentChannel(int key);

    // Controller scope index of link item `base` on joint 1..6 and of an end-effector
    // item on Cartesian component 0..5.
    static int linkIndex(int base, int joint) { return base + joint - 1; }
    static int endEffIndex(int base, int component) { return base + component; }

    // The first orientation among the Cartesian components 0..5 (RX).
    static constexpr int kFirstOrientation = AXIS_RX - AXIS_X;

    // Controller indexes that carry samples into the buffers.
    static constexpr int kFirstDataIndex = 1;
    static constexpr int kLastDataIndex = 182;
    static bool carriesData(int scopeIndex)
    {
        return scopeIndex >= kFirstDataIndex && scopeIndex <= kLastDataIndex;
    }

    ScopeCatalog(const ScopeCatalog &) = delete;
    ScopeCatalog &operator=(const ScopeCatalog &) = delete;

private:
    ScopeCatalog();

    QStringList m_triggerConditions;
    QStringList m_triggerModes;
};
