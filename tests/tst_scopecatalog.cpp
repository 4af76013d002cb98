#include "ScopeCatalog.h"
#include "ScopeChannel.h"

#include <QtTest>

namespace {

// The controller's index space, block by block: first index, item, family.
struct IndexBlock
{
    int first;
    int item;
    bool link;
};

const IndexBlock kIndexSpace[] = {
    {19, ENDEFF_TargetPCS, false},       {25, ENDEFF_ActualPCS, false},
    {31, ENDEFF_TargetVel, false},       {37, ENDEFF_ActualVel, false},
    {43, LINK_TargetACS, true},          {49, LINK_ActualACS, true},
    {55, LINK_TargetJointVel, true},     {61, LINK_ActualJointVel, true},
    {67, LINK_TargetCur, true},          {73, LINK_ActualCur, true},
    {79, LINK_ActualFilACS, true},       {85, LINK_JointFilVel, true},
    {91, LINK_JointFilAcc, true},        {97, LINK_FilCur, true},
    {103, LINK_FilSensedTor, true},      {109, LINK_FilEstimateTor, true},
    {115, LINK_FilDisturbanceTor, true}, {121, LINK_ControlWord, true},
    {127, LINK_StatusWord, true},        {133, LINK_TargetModeOperate, true},
    {139, LINK_ActualModeOperate, true}, {145, LINK_TarPosPDO, true},
    {151, LINK_ActPosPDO, true},         {169, ENDEFF_SrcData, false},
    {175, ENDEFF_CaliData, false},
};

ComponentSelection components(std::initializer_list<int> keys)
{
    ComponentSelection sel;
    for (int k : keys)
        sel[static_cast<emAXIS>(k)] = k;
    return sel;
}

LinkSelection links(std::initializer_list<int> keys)
{
    LinkSelection sel;
    for (int k : keys)
        sel[static_cast<emLINK>(k)] = ScopeCatalog::instance().linkBase(k);
    return sel;
}

EndEffSelection endEffectors(std::initializer_list<int> keys)
{
    EndEffSelection sel;
    for (int k : keys)
        sel[static_cast<emENDEFF>(k)] = ScopeCatalog::instance().endEffBase(k);
    return sel;
}

QList<int> indexesOf(const std::vector<ScopeChannel> &channels)
{
    QList<int> out;
    for (const auto &ch : channels)
        out << ch.binding.scopeIndex;
    return out;
}

} // namespace

Q_DECLARE_METATYPE(ComponentSelection)
Q_DECLARE_METATYPE(LinkSelection)
Q_DECLARE_METATYPE(EndEffSelection)

class tst_ScopeCatalog : public QObject
{
    Q_OBJECT

private slots:
    void tableSizesAndNoGaps();
    void lookups_data();
    void lookups();
    void absentKeysAreNeutral();
    void triggerOptionLists();
    void indexSpaceMatchesBases();
    void everyDataIndexHasAtMostOneItemBlock();
    void channels_data();
    void channels();
    void channelRecordsCarryItemsAndUnits();
};

void tst_ScopeCatalog::tableSizesAndNoGaps()
{
    const ScopeCatalog &c = ScopeCatalog::instance();
    QCOMPARE(c.axisCount(), 33);
    QCOMPARE(c.linkCount(), 23);
    QCOMPARE(c.endEffCount(), 9);
    // The tree model's ids equal the keys only if no name is blank.
    for (int k = 0; k < c.axisCount(); ++k)
        QVERIFY2(!c.axisName(k).trimmed().isEmpty(), qPrintable(QString::number(k)));
    for (int k = 0; k < c.linkCount(); ++k)
        QVERIFY(!c.linkName(k).trimmed().isEmpty());
    for (int k = 0; k < c.endEffCount(); ++k)
        QVERIFY(!c.endEffName(k).trimmed().isEmpty());
}

void tst_ScopeCatalog::lookups_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("base");

    QTest::newRow("NULL has no unit") << "axis" << 0 << "NULL"
                                      << "" << 0;
    QTest::newRow("ElectricPower") << "axis" << 18 << "ElectricPower"
                                   << "W(Vol*Cur)" << 0;
    QTest::newRow("selector X has no unit") << "axis" << 19 << "X"
                                            << "" << 0;
    QTest::newRow("selector J6 has no unit") << "axis" << 30 << "J6"
                                             << "" << 0;
    QTest::newRow("TCPCmdVel has no unit") << "axis" << 31 << "TCPCmdVel"
                                           << "" << 0;
    QTest::newRow("TCPActVel has no unit") << "axis" << 32 << "TCPActVel"
                                           << "" << 0;
    QTest::newRow("group header") << "link" << 0 << "Motor Position"
                                  << "Unit" << 0;
    QTest::newRow("Target ACS keeps its blank") << "link" << 1 << " Target ACS"
                                                << "ACS(deg)" << 43;
    QTest::newRow("TarPos PDO is key 4") << "link" << 4 << " TarPos PDO"
                                         << "count" << 145;
    QTest::newRow("Joint FilVel unit has a blank") << "link" << 9 << " Joint FilVel"
                                                   << " VEL(deg/s)" << 85;
    QTest::newRow("Joint FilAcc unit has none") << "link" << 10 << " Joint FilAcc"
                                                << "VEL(deg/s)" << 91;
    QTest::newRow("status word unit is one blank") << "link" << 19 << " status word"
                                                   << " " << 127;
    QTest::newRow("control word") << "link" << 20 << " control word"
                                  << " " << 121;
    QTest::newRow("Actual ModeOperate") << "link" << 21 << " Actual ModeOperate"
                                        << " " << 139;
    QTest::newRow("Target ModeOperate") << "link" << 22 << " Target ModeOperate"
                                        << " " << 133;
    QTest::newRow("Target PCS") << "endeff" << 1 << " Target PCS"
                                << "PCS(mm)" << 19;
    QTest::newRow("ForceSensor group") << "endeff" << 6 << "ForceSensor"
                                       << "Unit" << 0;
    QTest::newRow("CaliData") << "endeff" << 8 << " CaliData"
                              << "mm" << 175;
}

void tst_ScopeCatalog::lookups()
{
    QFETCH(QString, family);
    QFETCH(int, key);
    QFETCH(QString, name);
    QFETCH(QString, unit);
    QFETCH(int, base);
    const ScopeCatalog &c = ScopeCatalog::instance();
    if (family == "axis") {
        QCOMPARE(c.axisName(key), name);
        QCOMPARE(c.axisUnit(key), unit);
    } else if (family == "link") {
        QCOMPARE(c.linkName(key), name);
        QCOMPARE(c.linkUnit(key), unit);
        QCOMPARE(c.linkBase(key), base);
    } else {
        QCOMPARE(c.endEffName(key), name);
        QCOMPARE(c.endEffUnit(key), unit);
        QCOMPARE(c.endEffBase(key), base);
    }
}

void tst_ScopeCatalog::absentKeysAreNeutral()
{
    const ScopeCatalog &c = ScopeCatalog::instance();
    for (int key : {-1, 33, 1000}) {
        QCOMPARE(c.axisName(key), QString());
        QCOMPARE(c.axisUnit(key), QString());
    }
    for (int key : {-1, int(LINK_NONE), 99}) {
        QCOMPARE(c.linkName(key), QString());
        QCOMPARE(c.linkUnit(key), QString());
        QCOMPARE(c.linkBase(key), 0);
    }
    for (int key : {-1, int(ENDEFF_NONE), 99}) {
        QCOMPARE(c.endEffName(key), QString());
        QCOMPARE(c.endEffBase(key), 0);
    }
}

void tst_ScopeCatalog::triggerOptionLists()
{
    QCOMPARE(ScopeCatalog::instance().triggerConditions(), QStringList({">", "<"}));
    QCOMPARE(ScopeCatalog::instance().triggerModes(),
             QStringList({"Trigger open grab", "Trigger end grab"}));
}

// Every link item on every joint and every end-effector item on every component
// lands where the controller's index space puts it.
void tst_ScopeCatalog::indexSpaceMatchesBases()
{
    const ScopeCatalog &c = ScopeCatalog::instance();
    for (const IndexBlock &block : kIndexSpace) {
        for (int i = 0; i < 6; ++i) {
            const int index = block.link ? ScopeCatalog::linkIndex(c.linkBase(block.item), i + 1)
                                         : ScopeCatalog::endEffIndex(c.endEffBase(block.item), i);
            QCOMPARE(index, block.first + i);
        }
    }
}

void tst_ScopeCatalog::everyDataIndexHasAtMostOneItemBlock()
{
    QVector<int> owners(183, 0);
    for (const IndexBlock &block : kIndexSpace)
        for (int i = 0; i < 6; ++i)
            ++owners[block.first + i];
    for (int index = 1; index <= 182; ++index)
        QVERIFY2(owners[index] <= 1, qPrintable(QString::number(index)));
    for (int index : {157, 168, 181, 182})
        QCOMPARE(owners[index], 0);
    QVERIFY(!ScopeCatalog::carriesData(0));
    QVERIFY(ScopeCatalog::carriesData(1));
    QVERIFY(ScopeCatalog::carriesData(182));
    QVERIFY(!ScopeCatalog::carriesData(183));
}

void tst_ScopeCatalog::channels_data()
{
    QTest::addColumn<ComponentSelection>("comp");
    QTest::addColumn<LinkSelection>("link");
    QTest::addColumn<EndEffSelection>("endEff");
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("joints, then Cartesian, then components")
        << components({AXIS_J1, AXIS_J2, AXIS_X, AXIS_CurFSM})
        << links({LINK_TargetACS, LINK_ActualCur}) << endEffectors({ENDEFF_TargetPCS})
        << QList<int>{43, 73, 44, 74, 19, 1}
        << QStringList{"J1 Target ACS", "J1 Actual Cur", "J2 Target ACS",
                       "J2 Actual Cur", "X Target PCS",  "CurFSM"};
    QTest::newRow("TCPCmdVel shares index 31 with X Target Vel")
        << components({AXIS_X, AXIS_TCPCmdVel}) << LinkSelection()
        << endEffectors({ENDEFF_TargetVel}) << QList<int>{31, 31}
        << QStringList{"X Target Vel", "TCPCmdVel"};
    QTest::newRow("NULL is a channel with index 0")
        << components({AXIS_NULL}) << LinkSelection() << EndEffSelection() << QList<int>{0}
        << QStringList{"NULL"};
    QTest::newRow("link items without a joint give nothing")
        << components({AXIS_X}) << links({LINK_TargetACS}) << EndEffSelection() << QList<int>{}
        << QStringList{};
    QTest::newRow("end-effector items without a component give nothing")
        << components({AXIS_J3}) << LinkSelection() << endEffectors({ENDEFF_SrcData})
        << QList<int>{} << QStringList{};
    QTest::newRow("group headers and none values give nothing")
        << components({AXIS_J6, AXIS_RZ})
        << links({LINK_MotorPosition, LINK_MotorVelocity, LINK_MotorCurrent, LINK_MotorStatus,
                  LINK_NONE})
        << endEffectors({ENDEFF_MotorPCS, ENDEFF_MotorVel, ENDEFF_ForceSensor}) << QList<int>{}
        << QStringList{};
    QTest::newRow("selectors alone give nothing")
        << components({AXIS_X, AXIS_Y, AXIS_Z, AXIS_RX, AXIS_RY, AXIS_RZ, AXIS_J1, AXIS_J2, AXIS_J3,
                       AXIS_J4, AXIS_J5, AXIS_J6})
        << LinkSelection() << EndEffSelection() << QList<int>{} << QStringList{};
    QTest::newRow("last joint and last component")
        << components({AXIS_J6, AXIS_RZ, AXIS_TCPActVel}) << links({LINK_ActPosPDO})
        << endEffectors({ENDEFF_CaliData}) << QList<int>{156, 180, 32}
        << QStringList{"J6 ActPos PDO", "RZ CaliData", "TCPActVel"};
}

void tst_ScopeCatalog::channels()
{
    QFETCH(ComponentSelection, comp);
    QFETCH(LinkSelection, link);
    QFETCH(EndEffSelection, endEff);
    QFETCH(QList<int>, indexes);
    QFETCH(QStringList, titles);

    const std::vector<ScopeChannel> channels = selectedChannels(comp, link, endEff);
    QCOMPARE(indexesOf(channels), indexes);
    QStringList gotTitles;
    for (const auto &ch : channels)
        gotTitles << ch.title;
    QCOMPARE(gotTitles, titles);
}

void tst_ScopeCatalog::channelRecordsCarryItemsAndUnits()
{
    const auto channels =
        selectedChannels(components({AXIS_J2, AXIS_Z, AXIS_TCPCmdVel}), links({LINK_JointFilVel}),
                         endEffectors({ENDEFF_ActualVel}));
    QCOMPARE(int(channels.size()), 3);
    QCOMPARE(channels[0].binding.axis, 1);
    QCOMPARE(channels[0].binding.linkItem, int(LINK_JointFilVel));
    QCOMPARE(channels[0].binding.endEffItem, int(ENDEFF_NONE));
    QCOMPARE(channels[0].binding.unit, QString(" VEL(deg/s)"));
    QCOMPARE(channels[1].binding.axis, 2);
    QCOMPARE(channels[1].binding.linkItem, int(LINK_NONE));
    QCOMPARE(channels[1].binding.endEffItem, int(ENDEFF_ActualVel));
    QCOMPARE(channels[1].binding.scopeIndex, 39);
    QCOMPARE(channels[2].binding.axis, 31);
    QCOMPARE(channels[2].binding.slot, 2);
    QCOMPARE(channels[2].binding.unit, QString());
}

QTEST_APPLESS_MAIN(tst_ScopeCatalog)
#include "tst_scopecatalog.moc"
