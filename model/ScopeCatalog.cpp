#include "ScopeCatalog.h"

#include <algorithm>
#include <iterator>

namespace {

// {key, name, unit} of the "Component List" tree; its items are their own controller index.
const CatalogRow kAxisRows[] = {
    {AXIS_NULL, "NULL", "", 0},
    {AXIS_CurFSM, "CurFSM", "FSM", 0},
    {AXIS_LastFSM, "LastFSM", "FSM", 0},
    {AXIS_CurMS, "CurMS", "ms", 0},
    {AXIS_RTCycle, "RTCycle", "ms", 0},
    {AXIS_RTMaxCycle, "RTMaxCycle", "ms", 0},
    {AXIS_RTMinCycle, "RTMinCycle", "ms", 0},
    {AXIS_RTTaskMS, "RTTaskMS", "ms", 0},
    {AXIS_RTTaskMaxMS, "RTTaskMaxMS", "ms", 0},
    {AXIS_RTTaskMinMS, "RTTaskMinMS", "ms", 0},
    {AXIS_SendFrameCNT, "SendFrameCNT", "CNT", 0},
    {AXIS_SendFrameFrq, "SendFrameFrq", "CNT", 0},
    {AXIS_SendFrameMS, "SendFrameMS", "ms", 0},
    {AXIS_LoseFrameCNT, "LoseFrameCNT", "CNT", 0},
    {AXIS_TxFrameCNT, "TxFrameCNT", "CNT", 0},
    {AXIS_RxFrameCNT, "RxFrameCNT", "CNT", 0},
    {AXIS_Momentum, "Momentum", "W(N*S)", 0},
    {AXIS_PhysicsPower, "PhysicsPower", "W(Tor*Vel)", 0},
    {AXIS_ElectricPower, "ElectricPower", "W(Vol*Cur)", 0},
    {AXIS_X, "X", "", 0},
    {AXIS_Y, "Y", "", 0},
    {AXIS_Z, "Z", "", 0},
    {AXIS_RX, "RX", "", 0},
    {AXIS_RY, "RY", "", 0},
    {AXIS_RZ, "RZ", "", 0},
    {AXIS_J1, "J1", "", 0},
    {AXIS_J2, "J2", "", 0},
    {AXIS_J3, "J3", "", 0},
    {AXIS_J4, "J4", "", 0},
    {AXIS_J5, "J5", "", 0},
    {AXIS_J6, "J6", "", 0},
    {AXIS_TCPCmdVel, "TCPCmdVel", "", 0},
    {AXIS_TCPActVel, "TCPActVel", "", 0},
};

// {key, name, unit, index base} of the "Link Data Capture" tree.
const CatalogRow kLinkRows[] = {
    {LINK_MotorPosition, "Motor Position", "Unit", 0},
    {LINK_TargetACS, " Target ACS", "ACS(deg)", 43},
    {LINK_ActualACS, " Actual ACS", "ACS(deg)", 49},
    {LINK_ActualFilACS, " Actual FilACS", "ACS(deg)", 79},
    {LINK_TarPosPDO, " TarPos PDO", "count", 145},
    {LINK_ActPosPDO, " ActPos PDO", "count", 151},
    {LINK_MotorVelocity, "Motor Velocity", "Unit", 0},
    {LINK_TargetJointVel, " Target JointVel", "VEL(deg/s)", 55},
    {LINK_ActualJointVel, " Actual JointVel", "VEL(deg/s)", 61},
    {LINK_JointFilVel, " Joint FilVel", " VEL(deg/s)", 85},
    {LINK_JointFilAcc, " Joint FilAcc", "VEL(deg/s)", 91},
    {LINK_MotorCurrent, "Motor Current", "Unit", 0},
    {LINK_TargetCur, " Target Cur", "CUR(A)", 67},
    {LINK_ActualCur, " Actual Cur", "CUR(A)", 73},
    {LINK_FilCur, " FilCur", "CUR(A)", 97},
    {LINK_FilSensedTor, " FilSensedTor", "TQR(N)", 103},
    {LINK_FilEstimateTor, " FilEstimateTor", "TQR(N)", 109},
    {LINK_FilDisturbanceTor, " FilDisturbanceTor", "TQR(N)", 115},
    {LINK_MotorStatus, "Motor Status", "Unit", 0},
    {LINK_StatusWord, " status word", " ", 127},
    {LINK_ControlWord, " control word", " ", 121},
    {LINK_ActualModeOperate, " Actual ModeOperate", " ", 139},
    {LINK_TargetModeOperate, " Target ModeOperate", " ", 133},
};

// {key, name, unit, index base} of the "End Effector Data Capture" tree.
const CatalogRow kEndEffRows[] = {
    {ENDEFF_MotorPCS, "Motor PCS", "Unit", 0},
    {ENDEFF_TargetPCS, " Target PCS", "PCS(mm)", 19},
    {ENDEFF_ActualPCS, " Actual PCS", "PCS(mm)", 25},
    {ENDEFF_MotorVel, "Motor Vel", "Unit", 0},
    {ENDEFF_TargetVel, " Target Vel", "VEL(mm/s)", 31},
    {ENDEFF_ActualVel, " Actual Vel", "VEL(mm/s)", 37},
    {ENDEFF_ForceSensor, "ForceSensor", "Unit", 0},
    {ENDEFF_SrcData, " SrcData", "N", 169},
    {ENDEFF_CaliData, " CaliData", "mm", 175},
};

template <std::size_t N> const CatalogRow *findRow(const CatalogRow (&rows)[N], int key)
{
    const auto it = std::find_if(std::begin(rows), std::end(rows),
                                 [key](const CatalogRow &row) { return row.key == key; });
    return it == std::end(rows) ? nullptr : it;
}

template <std::size_t N> QString nameOf(const CatalogRow (&rows)[N], int key)
{
    const CatalogRow *row = findRow(rows, key);
    return row ? QString::fromLatin1(row->name) : QString();
}

template <std::size_t N> QString unitOf(const CatalogRow (&rows)[N], int key)
{
    const CatalogRow *row = findRow(rows, key);
    return row ? QString::fromLatin1(row->unit) : QString();
}

template <std::size_t N> int baseOf(const CatalogRow (&rows)[N], int key)
{
    const CatalogRow *row = findRow(rows, key);
    return row ? row->base : 0;
}

} // namespace

const ScopeCatalog &ScopeCatalog::instance()
{
    static const ScopeCatalog catalog;
    return catalog;
}

ScopeCatalog::ScopeCatalog()
    : m_triggerConditions{">", "<"}, m_triggerModes{"Trigger open grab", "Trigger end grab"}
{}

QString ScopeCatalog::axisName(int key) const
{
    return nameOf(kAxisRows, key);
}
QString ScopeCatalog::axisUnit(int key) const
{
    return unitOf(kAxisRows, key);
}
QString ScopeCatalog::linkName(int key) const
{
    return nameOf(kLinkRows, key);
}
QString ScopeCatalog::linkUnit(int key) const
{
    return unitOf(kLinkRows, key);
}
int ScopeCatalog::linkBase(int key) const
{
    return baseOf(kLinkRows, key);
}
QString ScopeCatalog::endEffName(int key) const
{
    return nameOf(kEndEffRows, key);
}
QString ScopeCatalog::endEffUnit(int key) const
{
    return unitOf(kEndEffRows, key);
}
int ScopeCatalog::endEffBase(int key) const
{
    return baseOf(kEndEffRows, key);
}

int ScopeCatalog::axisCount() const
{
    return static_cast<int>(std::size(kAxisRows));
}
int ScopeCatalog::linkCount() const
{
    return static_cast<int>(std::size(kLinkRows));
}
int ScopeCatalog::endEffCount() const
{
    return static_cast<int>(std::size(kEndEffRows));
}

bool ScopeCatalog::isLinkGroup(int key)
{
    return key == LINK_MotorPosition || key == LINK_MotorVelocity || key == LINK_MotorCurrent ||
           key == LINK_MotorStatus || key == LINK_NONE;
}

bool ScopeCatalog::isEndEffGroup(int key)
{
    return key == ENDEFF_MotorPCS || key == ENDEFF_MotorVel || key == ENDEFF_ForceSensor;
}

bool ScopeCatalog::isComponentChannel(int key)
{
    return (key >= AXIS_NULL && key <= AXIS_ElectricPower) || key == AXIS_TCPCmdVel ||
           key == AXIS_TCPActVel;
}
