#include "ScopeCatalog.h"

#include <algorithm>
#include <iterator>

namespace {

// Names are marked for translation only so that a translation can explain them in the
// channel dialog's tooltips; files store the names as they stand.
// {key, name, unit} of the "Component List" tree; its items are their own controller index.
const CatalogRow kAxisRows[] = {
    {AXIS_NULL, QT_TRANSLATE_NOOP("ScopeCatalog", "NULL"), "", 0},
    {AXIS_CurFSM, QT_TRANSLATE_NOOP("ScopeCatalog", "CurFSM"), "FSM", 0},
    {AXIS_LastFSM, QT_TRANSLATE_NOOP("ScopeCatalog", "LastFSM"), "FSM", 0},
    {AXIS_CurMS, QT_TRANSLATE_NOOP("ScopeCatalog", "CurMS"), "ms", 0},
    {AXIS_RTCycle, QT_TRANSLATE_NOOP("ScopeCatalog", "RTCycle"), "ms", 0},
    {AXIS_RTMaxCycle, QT_TRANSLATE_NOOP("ScopeCatalog", "RTMaxCycle"), "ms", 0},
    {AXIS_RTMinCycle, QT_TRANSLATE_NOOP("ScopeCatalog", "RTMinCycle"), "ms", 0},
    {AXIS_RTTaskMS, QT_TRANSLATE_NOOP("ScopeCatalog", "RTTaskMS"), "ms", 0},
    {AXIS_RTTaskMaxMS, QT_TRANSLATE_NOOP("ScopeCatalog", "RTTaskMaxMS"), "ms", 0},
    {AXIS_RTTaskMinMS, QT_TRANSLATE_NOOP("ScopeCatalog", "RTTaskMinMS"), "ms", 0},
    {AXIS_SendFrameCNT, QT_TRANSLATE_NOOP("ScopeCatalog", "SendFrameCNT"), "CNT", 0},
    {AXIS_SendFrameFrq, QT_TRANSLATE_NOOP("ScopeCatalog", "SendFrameFrq"), "CNT", 0},
    {AXIS_SendFrameMS, QT_TRANSLATE_NOOP("ScopeCatalog", "SendFrameMS"), "ms", 0},
    {AXIS_LoseFrameCNT, QT_TRANSLATE_NOOP("ScopeCatalog", "LoseFrameCNT"), "CNT", 0},
    {AXIS_TxFrameCNT, QT_TRANSLATE_NOOP("ScopeCatalog", "TxFrameCNT"), "CNT", 0},
    {AXIS_RxFrameCNT, QT_TRANSLATE_NOOP("ScopeCatalog", "RxFrameCNT"), "CNT", 0},
    {AXIS_Momentum, QT_TRANSLATE_NOOP("ScopeCatalog", "Momentum"), "W(N*S)", 0},
    {AXIS_PhysicsPower, QT_TRANSLATE_NOOP("ScopeCatalog", "PhysicsPower"), "W(Tor*Vel)", 0},
    {AXIS_ElectricPower, QT_TRANSLATE_NOOP("ScopeCatalog", "ElectricPower"), "W(Vol*Cur)", 0},
    {AXIS_X, QT_TRANSLATE_NOOP("ScopeCatalog", "X"), "", 0},
    {AXIS_Y, QT_TRANSLATE_NOOP("ScopeCatalog", "Y"), "", 0},
    {AXIS_Z, QT_TRANSLATE_NOOP("ScopeCatalog", "Z"), "", 0},
    {AXIS_RX, QT_TRANSLATE_NOOP("ScopeCatalog", "RX"), "", 0},
    {AXIS_RY, QT_TRANSLATE_NOOP("ScopeCatalog", "RY"), "", 0},
    {AXIS_RZ, QT_TRANSLATE_NOOP("ScopeCatalog", "RZ"), "", 0},
    {AXIS_J1, QT_TRANSLATE_NOOP("ScopeCatalog", "J1"), "", 0},
    {AXIS_J2, QT_TRANSLATE_NOOP("ScopeCatalog", "J2"), "", 0},
    {AXIS_J3, QT_TRANSLATE_NOOP("ScopeCatalog", "J3"), "", 0},
    {AXIS_J4, QT_TRANSLATE_NOOP("ScopeCatalog", "J4"), "", 0},
    {AXIS_J5, QT_TRANSLATE_NOOP("ScopeCatalog", "J5"), "", 0},
    {AXIS_J6, QT_TRANSLATE_NOOP("ScopeCatalog", "J6"), "", 0},
    {AXIS_TCPCmdVel, QT_TRANSLATE_NOOP("ScopeCatalog", "TCPCmdVel"), "VEL(mm/s)", 0},
    {AXIS_TCPActVel, QT_TRANSLATE_NOOP("ScopeCatalog", "TCPActVel"), "VEL(mm/s)", 0},
};

// {key, name, unit, index base} of the "Link Data Capture" tree.
const CatalogRow kLinkRows[] = {
    {LINK_MotorPosition, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor Position"), "Unit", 0},
    {LINK_TargetACS, QT_TRANSLATE_NOOP("ScopeCatalog", " Target ACS"), "ACS(deg)", 43},
    {LINK_ActualACS, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual ACS"), "ACS(deg)", 49},
    {LINK_ActualFilACS, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual FilACS"), "ACS(deg)", 79},
    {LINK_TarPosPDO, QT_TRANSLATE_NOOP("ScopeCatalog", " TarPos PDO"), "count", 145},
    {LINK_ActPosPDO, QT_TRANSLATE_NOOP("ScopeCatalog", " ActPos PDO"), "count", 151},
    {LINK_MotorVelocity, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor Velocity"), "Unit", 0},
    {LINK_TargetJointVel, QT_TRANSLATE_NOOP("ScopeCatalog", " Target JointVel"), "VEL(deg/s)", 55},
    {LINK_ActualJointVel, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual JointVel"), "VEL(deg/s)", 61},
    {LINK_JointFilVel, QT_TRANSLATE_NOOP("ScopeCatalog", " Joint FilVel"), "VEL(deg/s)", 85},
    {LINK_JointFilAcc, QT_TRANSLATE_NOOP("ScopeCatalog", " Joint FilAcc"), "ACC(deg/s²)", 91},
    {LINK_MotorCurrent, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor Current"), "Unit", 0},
    {LINK_TargetCur, QT_TRANSLATE_NOOP("ScopeCatalog", " Target Cur"), "CUR(A)", 67},
    {LINK_ActualCur, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual Cur"), "CUR(A)", 73},
    {LINK_FilCur, QT_TRANSLATE_NOOP("ScopeCatalog", " FilCur"), "CUR(A)", 97},
    {LINK_FilSensedTor, QT_TRANSLATE_NOOP("ScopeCatalog", " FilSensedTor"), "TQR(N·m)", 103},
    {LINK_FilEstimateTor, QT_TRANSLATE_NOOP("ScopeCatalog", " FilEstimateTor"), "TQR(N·m)", 109},
    {LINK_FilDisturbanceTor, QT_TRANSLATE_NOOP("ScopeCatalog", " FilDisturbanceTor"), "TQR(N·m)",
     115},
    {LINK_MotorStatus, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor Status"), "Unit", 0},
    {LINK_StatusWord, QT_TRANSLATE_NOOP("ScopeCatalog", " status word"), "", 127},
    {LINK_ControlWord, QT_TRANSLATE_NOOP("ScopeCatalog", " control word"), "", 121},
    {LINK_ActualModeOperate, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual ModeOperate"), "", 139},
    {LINK_TargetModeOperate, QT_TRANSLATE_NOOP("ScopeCatalog", " Target ModeOperate"), "", 133},
};

// {key, name, unit, index base} of the "End Effector Data Capture" tree.
const CatalogRow kEndEffRows[] = {
    {ENDEFF_MotorPCS, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor PCS"), "Unit", 0},
    {ENDEFF_TargetPCS, QT_TRANSLATE_NOOP("ScopeCatalog", " Target PCS"), "PCS(mm)", 19},
    {ENDEFF_ActualPCS, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual PCS"), "PCS(mm)", 25},
    {ENDEFF_MotorVel, QT_TRANSLATE_NOOP("ScopeCatalog", "Motor Vel"), "Unit", 0},
    {ENDEFF_TargetVel, QT_TRANSLATE_NOOP("ScopeCatalog", " Target Vel"), "VEL(mm/s)", 31},
    {ENDEFF_ActualVel, QT_TRANSLATE_NOOP("ScopeCatalog", " Actual Vel"), "VEL(mm/s)", 37},
    {ENDEFF_ForceSensor, QT_TRANSLATE_NOOP("ScopeCatalog", "ForceSensor"), "Unit", 0},
    {ENDEFF_SrcData, QT_TRANSLATE_NOOP("ScopeCatalog", " SrcData"), "N", 169},
    {ENDEFF_CaliData, QT_TRANSLATE_NOOP("ScopeCatalog", " CaliData"), "mm", 175},
};

// {key, unit} of items whose unit differs from the one their table gives.
struct UnitRow
{
    int key;
    const char *unit;
};

// End-effector items on the orientation components RX..RZ, which are angles.
const UnitRow kOrientationUnits[] = {
    {ENDEFF_TargetPCS, "PCS(deg)"},
    {ENDEFF_ActualPCS, "PCS(deg)"},
    {ENDEFF_TargetVel, "VEL(deg/s)"},
    {ENDEFF_ActualVel, "VEL(deg/s)"},
};

// The units earlier versions gave these items, which their scope files still carry.
const UnitRow kFormerAxisUnits[] = {
    {AXIS_TCPCmdVel, ""},
    {AXIS_TCPActVel, ""},
};
const UnitRow kFormerLinkUnits[] = {
    {LINK_JointFilVel, " VEL(deg/s)"},
    {LINK_JointFilAcc, "VEL(deg/s)"},
    {LINK_FilSensedTor, "TQR(N)"},
    {LINK_FilEstimateTor, "TQR(N)"},
    {LINK_FilDisturbanceTor, "TQR(N)"},
    {LINK_StatusWord, " "},
    {LINK_ControlWord, " "},
    {LINK_ActualModeOperate, " "},
    {LINK_TargetModeOperate, " "},
};
// Wrong on RX..RZ only; on X..Z they are the units of today.
const UnitRow kFormerEndEffUnits[] = {
    {ENDEFF_TargetPCS, "PCS(mm)"},
    {ENDEFF_ActualPCS, "PCS(mm)"},
    {ENDEFF_TargetVel, "VEL(mm/s)"},
    {ENDEFF_ActualVel, "VEL(mm/s)"},
};

template <typename Row, std::size_t N> const Row *findRow(const Row (&rows)[N], int key)
{
    const auto it = std::find_if(std::begin(rows), std::end(rows),
                                 [key](const Row &row) { return row.key == key; });
    return it == std::end(rows) ? nullptr : it;
}

template <std::size_t N> std::optional<QString> unitIn(const UnitRow (&rows)[N], int key)
{
    const UnitRow *row = findRow(rows, key);
    return row ? std::optional<QString>(QString::fromUtf8(row->unit)) : std::nullopt;
}

template <std::size_t N> QString nameOf(const CatalogRow (&rows)[N], int key)
{
    const CatalogRow *row = findRow(rows, key);
    return row ? QString::fromLatin1(row->name) : QString();
}

template <std::size_t N> QString unitOf(const CatalogRow (&rows)[N], int key)
{
    const CatalogRow *row = findRow(rows, key);
    return row ? QString::fromUtf8(row->unit) : QString();
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
QString ScopeCatalog::endEffUnit(int key, int component) const
{
    const UnitRow *row = component >= kFirstOrientation ? findRow(kOrientationUnits, key) : nullptr;
    return row ? QString::fromUtf8(row->unit) : unitOf(kEndEffRows, key);
}
int ScopeCatalog::endEffBase(int key) const
{
    return baseOf(kEndEffRows, key);
}

std::optional<QString> ScopeCatalog::formerAxisUnit(int key) const
{
    return unitIn(kFormerAxisUnits, key);
}
std::optional<QString> ScopeCatalog::formerLinkUnit(int key) const
{
    return unitIn(kFormerLinkUnits, key);
}
std::optional<QString> ScopeCatalog::formerEndEffUnit(int key) const
{
    return unitIn(kFormerEndEffUnits, key);
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
