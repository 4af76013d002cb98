#include "ScopeRecorder.h"
#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"
#include "TickCount.h"

#include <QCheckBox>
#include <QLabel>

#include <deque>
#include <memory>

using namespace ScopeTest;

namespace {

std::deque<uint32_t> g_ticks;
uint32_t scriptedTick()
{
    const uint32_t t = g_ticks.front();
    g_ticks.pop_front();
    return t;
}

} // namespace

// Status read-outs and the stop-on-error watchdog.
class tst_ScopeStatus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readCycle_data();
    void readCycle();
    void loadLabels_data();
    void loadLabels();
    void labelsFreezeAfterStop();
    void flagsAreNotReadWithoutStopWhenError();
    void stopsAtTheSecondErrorObservation();

private:
    QString label(const char *name) const { return child<QLabel>(m_scope.get(), name)->text(); }
    QStringList labels() const
    {
        return {label("Kvel_Scope_lb_MoxCPU"), label("Kvel_Scope_lb_MoxMem"),
                label("Kvel_Scope_lb_ReadScopeCyc"), label("Kvel_Scope_lb_ReadScopeMaxCyc")};
    }
    void waitForFlagReads(uint64_t count);
    // Enough batches to last the whole test: once the script runs dry the controller
    // reports zero load.
    static void queueLoad(double cpu, uint32_t mem)
    {
        for (int i = 0; i < 200; ++i)
            TarnSim::queueBatch(constantBatch({}, 0.0, cpu, mem));
    }

    std::unique_ptr<TarnPlugin_Scope> m_scope;
};

void tst_ScopeStatus::init()
{
    TarnSim::reset();
    TarnSim::setScripted(true);
    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->show();
}

void tst_ScopeStatus::cleanup()
{
    m_scope.reset();
    TickCount::setSource(nullptr);
}

void tst_ScopeStatus::readCycle_data()
{
    QTest::addColumn<QVector<uint>>("ticks");
    QTest::addColumn<QVector<uint>>("cycles");
    QTest::addColumn<QVector<uint>>("maxima");

    QTest::newRow("first step measures 0, the maximum holds")
        << QVector<uint>{1000, 1052, 1110, 1150} << QVector<uint>{0, 52, 58, 40}
        << QVector<uint>{0, 52, 58, 58};
    QTest::newRow("a wrapping tick count")
        << QVector<uint>{4294967290u, 10} << QVector<uint>{0, 16} << QVector<uint>{0, 16};
}

void tst_ScopeStatus::readCycle()
{
    QFETCH(QVector<uint>, ticks);
    QFETCH(QVector<uint>, cycles);
    QFETCH(QVector<uint>, maxima);

    g_ticks.assign(ticks.begin(), ticks.end());
    TickCount::setSource(&scriptedTick);
    ScopeRecorder recorder;
    recorder.resetReadCycle();
    for (int i = 0; i < ticks.size(); ++i) {
        recorder.recordReadCycle();
        const ReadCycle cycle = recorder.readCycle();
        QCOMPARE(cycle.current, cycles[i]);
        QCOMPARE(cycle.max, maxima[i]);
    }
}

void tst_ScopeStatus::loadLabels_data()
{
    QTest::addColumn<double>("cpu");
    QTest::addColumn<uint>("mem");
    QTest::addColumn<QString>("cpuText");
    QTest::addColumn<QString>("memText");

    QTest::newRow("2048 KB") << 12.3456 << 2048u << "12.346"
                             << "2.000";
    QTest::newRow("1536 KB") << 0.0 << 1536u << "0.000"
                             << "1.500";
    QTest::newRow("largest memory figure") << 100.0 << 4294967295u << "100.000"
                                           << "4194303.999";
}

void tst_ScopeStatus::loadLabels()
{
    QFETCH(double, cpu);
    QFETCH(uint, mem);
    QFETCH(QString, cpuText);
    QFETCH(QString, memText);

    queueLoad(cpu, mem);
    start(m_scope.get());
    QTRY_COMPARE(label("Kvel_Scope_lb_MoxCPU"), cpuText);
    QTRY_COMPARE(label("Kvel_Scope_lb_MoxMem"), memText);
    QTRY_VERIFY(label("Kvel_Scope_lb_ReadScopeCyc").toInt() > 0);
}

void tst_ScopeStatus::labelsFreezeAfterStop()
{
    QCOMPARE(label("Kvel_Scope_lb_MoxCPU"), QString("0.0"));
    queueLoad(5.0, 1024);
    start(m_scope.get());
    QTRY_COMPARE(label("Kvel_Scope_lb_MoxCPU"), QString("5.000"));
    stop(m_scope.get());
    const QStringList shown = labels();
    TarnSim::setScripted(false); // the controller goes on reporting other figures
    QTest::qWait(400);
    QCOMPARE(labels(), shown);
}

void tst_ScopeStatus::flagsAreNotReadWithoutStopWhenError()
{
    TarnSim::setErrorFlag(true);
    start(m_scope.get());
    QTest::qWait(1000);
    QVERIFY(m_scope->isSampling());
    QCOMPARE(TarnSim::callCounts().readRobotFlags, uint64_t(0));
}

void tst_ScopeStatus::waitForFlagReads(uint64_t count)
{
    QTRY_VERIFY_WITH_TIMEOUT(TarnSim::callCounts().readRobotFlags >= count, 3000);
}

// One error, then quiet observations, then a second error: the second stops sampling.
void tst_ScopeStatus::stopsAtTheSecondErrorObservation()
{
    QTest::mouseClick(child<QCheckBox>(m_scope.get(), "cb_StopWhenError"), Qt::LeftButton);
    start(m_scope.get());
    waitForFlagReads(1);

    TarnSim::setErrorFlag(true);
    const uint64_t before = TarnSim::callCounts().readRobotFlags;
    waitForFlagReads(before + 1);
    TarnSim::setErrorFlag(false);
    waitForFlagReads(before + 4);
    QVERIFY(m_scope->isSampling());

    TarnSim::setErrorFlag(true);
    QTRY_VERIFY_WITH_TIMEOUT(!m_scope->isSampling(), 3000);

    // Stopping cleared the count: a new run needs two observations again.
    start(m_scope.get());
    const uint64_t restarted = TarnSim::callCounts().readRobotFlags;
    waitForFlagReads(restarted + 1);
    TarnSim::setErrorFlag(false);
    QVERIFY(m_scope->isSampling());
}

QTEST_MAIN(tst_ScopeStatus)
#include "tst_scopestatus.moc"
