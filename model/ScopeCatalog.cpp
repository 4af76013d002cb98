#include "ScopeCatalog.h"

namespace {

template <typename V> V lookup(const std::map<int, V> &table, int key)
{
    const auto it = table.find(key);
    return it == table.end() ? V() : it->second;
}

} // namespace

const ScopeCatalog &ScopeCatalog::instance()
{
    static const ScopeCatalog catalog;
    return catalog;
}

ScopeCatalog::ScopeCatalog()
    : m_axisNames{{AXIS_NULL, "NULL"},
                  {AXIS_CurFSM, "CurFSM"},
                  {AXIS_LastFSM, "LastFSM"},
                  {AXIS_CurMS, "CurMS"},
                  {AXIS_RTCycle, "RTCycle"},
                  {AXIS_RTMaxCycle, "RTMaxCycle"},
                  {AXIS_RTMinCycle, "RTMinCycle"},
                  {AXIS_RTTaskMS, "RTTaskMS"},
                  {AXIS_RTTaskMaxMS, "RTTaskMaxMS"},
                  {AXIS_RTTaskMinMS, "RTTaskMinMS"},
                  {AXIS_SendFrameCNT, "SendFrameCNT"},
                  {AXIS_SendFrameFrq, "SendFrameFrq"},
                  {AXIS_SendFrameMS, "SendFrameMS"},
                  {AXIS_LoseFrameCNT, "LoseFrameCNT"},
                  {AXIS_TxFrameCNT, "TxFrameCNT"},
                  {AXIS_RxFrameCNT, "RxFrameCNT"},
                  {AXIS_Momentum, "Momentum"},
                  {AXIS_PhysicsPower, "PhysicsPower"},
                  {AXIS_ElectricPower, "ElectricPower"},
                  {AXIS_X, "X"},
                  {AXIS_Y, "Y"},
                  {AXIS_Z, "Z"},
                  {AXIS_RX, "RX"},
                  {AXIS_RY, "RY"},
                  {AXIS_RZ, "RZ"},
                  {AXIS_J1, "J1"},
                  {AXIS_J2, "J2"},
                  {AXIS_J3, "J3"},
                  {AXIS_J4, "J4"},
                  {AXIS_J5, "J5"},
                  {AXIS_J6, "J6"},
                  {AXIS_TCPCmdVel, "TCPCmdVel"},
                  {AXIS_TCPActVel, "TCPActVel"}},
      m_axisUnits{{AXIS_CurFSM, "FSM"},
                  {AXIS_LastFSM, "FSM"},
                  {AXIS_CurMS, "ms"},
                  {AXIS_RTCycle, "ms"},
                  {AXIS_RTMaxCycle, "ms"},
                  {AXIS_RTMinCycle, "ms"},
                  {AXIS_RTTaskMS, "ms"},
                  {AXIS_RTTaskMaxMS, "ms"},
                  {AXIS_RTTaskMinMS, "ms"},
                  {AXIS_SendFrameCNT, "CNT"},
                  {AXIS_SendFrameFrq, "CNT"},
                  {AXIS_SendFrameMS, "ms"},
                  {AXIS_LoseFrameCNT, "CNT"},
                  {AXIS_TxFrameCNT, "CNT"},
                  {AXIS_RxFrameCNT, "CNT"},
                  {AXIS_Momentum, "W(N*S)"},
                  {AXIS_PhysicsPower, "W(Tor*Vel)"},
                  {AXIS_ElectricPower, "W(Vol*Cur)"}},
      m_linkNames{{LINK_MotorPosition, "Motor Position"},
                  {LINK_TargetACS, " Target ACS"},
                  {LINK_ActualACS, " Actual ACS"},
                  {LINK_ActualFilACS, " Actual FilACS"},
                  {LINK_TarPosPDO, " TarPos PDO"},
                  {LINK_ActPosPDO, " ActPos PDO"},
                  {LINK_MotorVelocity, "Motor Velocity"},
                  {LINK_TargetJointVel, " Target JointVel"},
                  {LINK_ActualJointVel, " Actual JointVel"},
                  {LINK_JointFilVel, " Joint FilVel"},
                  {LINK_JointFilAcc, " Joint FilAcc"},
                  {LINK_MotorCurrent, "Motor Current"},
                  {LINK_TargetCur, " Target Cur"},
                  {LINK_ActualCur, " Actual Cur"},
                  {LINK_FilCur, " FilCur"},
                  {LINK_FilSensedTor, " FilSensedTor"},
                  {LINK_FilEstimateTor, " FilEstimateTor"},
                  {LINK_FilDisturbanceTor, " FilDisturbanceTor"},
                  {LINK_MotorStatus, "Motor Status"},
                  {LINK_StatusWord, " status word"},
                  {LINK_ControlWord, " control word"},
                  {LINK_ActualModeOperate, " Actual ModeOperate"},
                  {LINK_TargetModeOperate, " Target ModeOperate"}},
      m_linkUnits{{LINK_MotorPosition, "Unit"},
                  {LINK_TargetACS, "ACS(deg)"},
                  {LINK_ActualACS, "ACS(deg)"},
                  {LINK_ActualFilACS, "ACS(deg)"},
                  {LINK_TarPosPDO, "count"},
                  {LINK_ActPosPDO, "count"},
                  {LINK_MotorVelocity, "Unit"},
                  {LINK_TargetJointVel, "VEL(deg/s)"},
                  {LINK_ActualJointVel, "VEL(deg/s)"},
                  {LINK_JointFilVel, " VEL(deg/s)"},
                  {LINK_JointFilAcc, "VEL(deg/s)"},
                  {LINK_MotorCurrent, "Unit"},
                  {LINK_TargetCur, "CUR(A)"},
                  {LINK_ActualCur, "CUR(A)"},
                  {LINK_FilCur, "CUR(A)"},
                  {LINK_FilSensedTor, "TQR(N)"},
                  {LINK_FilEstimateTor, "TQR(N)"},
                  {LINK_FilDisturbanceTor, "TQR(N)"},
                  {LINK_MotorStatus, "Unit"},
                  {LINK_StatusWord, " "},
                  {LINK_ControlWord, " "},
                  {LINK_ActualModeOperate, " "},
                  {LINK_TargetModeOperate, " "}},
      m_linkBases{{LINK_MotorPosition, 0},
                  {LINK_TargetACS, 43},
                  {LINK_ActualACS, 49},
                  {LINK_ActualFilACS, 79},
                  {LINK_TarPosPDO, 145},
                  {LINK_ActPosPDO, 151},
                  {LINK_MotorVelocity, 0},
                  {LINK_TargetJointVel, 55},
                  {LINK_ActualJointVel, 61},
                  {LINK_JointFilVel, 85},
                  {LINK_JointFilAcc, 91},
                  {LINK_MotorCurrent, 0},
                  {LINK_TargetCur, 67},
                  {LINK_ActualCur, 73},
                  {LINK_FilCur, 97},
                  {LINK_FilSensedTor, 103},
                  {LINK_FilEstimateTor, 109},
                  {LINK_FilDisturbanceTor, 115},
                  {LINK_MotorStatus, 0},
                  {LINK_StatusWord, 127},
                  {LINK_ControlWord, 121},
                  {LINK_ActualModeOperate, 139},
                  {LINK_TargetModeOperate, 133}},
      m_endEffNames{{ENDEFF_MotorPCS, "Motor PCS"},      {ENDEFF_TargetPCS, " Target PCS"},
                    {ENDEFF_ActualPCS, " Actual PCS"},   {ENDEFF_MotorVel, "Motor Vel"},
                    {ENDEFF_TargetVel, " Target Vel"},   {ENDEFF_ActualVel, " Actual Vel"},
                    {ENDEFF_ForceSensor, "ForceSensor"}, {ENDEFF_SrcData, " SrcData"},
                    {ENDEFF_CaliData, " CaliData"}},
      m_endEffUnits{{ENDEFF_MotorPCS, "Unit"},       {ENDEFF_TargetPCS, "PCS(mm)"},
                    {ENDEFF_ActualPCS, "PCS(mm)"},   {ENDEFF_MotorVel, "Unit"},
                    {ENDEFF_TargetVel, "VEL(mm/s)"}, {ENDEFF_ActualVel, "VEL(mm/s)"},
                    {ENDEFF_ForceSensor, "Unit"},    {ENDEFF_SrcData, "N"},
                    {ENDEFF_CaliData, "mm"}},
      m_endEffBases{{ENDEFF_MotorPCS, 0},    {ENDEFF_TargetPCS, 19}, {ENDEFF_ActualPCS, 25},
                    {ENDEFF_MotorVel, 0},    {ENDEFF_TargetVel, 31}, {ENDEFF_ActualVel, 37},
                    {ENDEFF_ForceSensor, 0}, {ENDEFF_SrcData, 169},  {ENDEFF_CaliData, 175}},
      m_triggerConditions{">", "<"}, m_triggerModes{"Trigger open grab", "Trigger end grab"}
{}

QString ScopeCatalog::axisName(int key) const
{
    return lookup(m_axisNames, key);
}
QString ScopeCatalog::axisUnit(int key) const
{
    return lookup(m_axisUnits, key);
}
QString ScopeCatalog::linkName(int key) const
{
    return lookup(m_linkNames, key);
}
QString ScopeCatalog::linkUnit(int key) const
{
    return lookup(m_linkUnits, key);
}
int ScopeCatalog::linkBase(int key) const
{
    return lookup(m_linkBases, key);
}
QString ScopeCatalog::endEffName(int key) const
{
    return lookup(m_endEffNames, key);
}
QString ScopeCatalog::endEffUnit(int key) const
{
    return lookup(m_endEffUnits, key);
}
int ScopeCatalog::endEffBase(int key) const
{
    return lookup(m_endEffBases, key);
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
