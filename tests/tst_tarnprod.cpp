#include "TarnSim.h"
#include "Tarn_Prod.h"

#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

std::vector<_ST_ReadScopeData> readBatch(double *cpu = nullptr, uint32_t *mem = nullptr)
{
    double c = 0.0;
    uint32_t m = 0;
    std::vector<_ST_ReadScopeData> records;
    Tarn_ReadScopeData(&c, &m, &records);
    if (cpu)
        *cpu = c;
    if (mem)
        *mem = m;
    return records;
}

_ST_ReadScopeData record(double time, std::initializer_list<double> values)
{
    _ST_ReadScopeData r{};
    r.dTime = time;
    int k = 0;
    for (double v : values)
        r.dValue[k++] = v;
    return r;
}

} // namespace

class tst_TarnProd : public QObject
{
    Q_OBJECT

private slots:
    void init() { TarnSim::reset(); }
    void valuesFollowTheIndexList();
    void consecutiveReadsContinueWithoutGapsOrRepeats();
    void unknownIndexesAndUnusedPositionsAreZero();
    void signalsAreConsistent();
    void scriptedModeReturnsExactlyWhatWasQueued();
    void robotFlags();
    void blockNextReadBlocksOnce();
    void readsAndIndexChangesFromTwoThreads();
};

void tst_TarnProd::valuesFollowTheIndexList()
{
    std::vector<int> indexes{43, 73, 44, 74, 19, 1};
    Tarn_SetScopeIndexs(indexes);
    QCOMPARE(TarnSim::lastIndexes(), indexes);
    readBatch(); // drop what came before the list
    QTest::qWait(30);
    double cpu = 0.0;
    uint32_t mem = 0;
    const auto batch = readBatch(&cpu, &mem);
    QVERIFY(!batch.empty());
    QVERIFY(cpu > 0.0 && cpu < 100.0);
    QVERIFY(mem > 0);
    for (const auto &r : batch) {
        for (std::size_t k = 0; k < indexes.size(); ++k)
            QCOMPARE(r.dValue[k], TarnSim::sampleValue(indexes[k], r.dTime));
    }
    QCOMPARE(TarnSim::callCounts().setScopeIndexs, uint64_t(1));
    QCOMPARE(TarnSim::callCounts().readScopeData, uint64_t(2));
}

void tst_TarnProd::consecutiveReadsContinueWithoutGapsOrRepeats()
{
    TarnSim::setCycleMs(2.0);
    TarnSim::setDeliveryLog(true);
    double last = -1.0;
    std::vector<double> returned;
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(15);
        for (const auto &r : readBatch()) {
            if (last >= 0.0)
                QCOMPARE(r.dTime, last + 2.0);
            last = r.dTime;
            returned.push_back(r.dTime);
        }
    }
    std::vector<double> logged;
    for (const TarnSim::Delivery &delivery : TarnSim::takeDeliveries()) {
        QCOMPARE(delivery.indexLists, uint64_t(0));
        logged.insert(logged.end(), delivery.times.begin(), delivery.times.end());
    }
    QCOMPARE(logged, returned);
    QVERIFY(TarnSim::takeDeliveries().empty());
    QVERIFY(last > 0.0);
    QVERIFY(readBatch().size() <= std::size_t(TarnSim::kMaxBacklogMs / 2.0) + 1);
}

void tst_TarnProd::unknownIndexesAndUnusedPositionsAreZero()
{
    std::vector<int> indexes{0, 157, 168, 181, 182, 183, -5, 1};
    Tarn_SetScopeIndexs(indexes);
    QTest::qWait(5);
    const auto batch = readBatch();
    QVERIFY(!batch.empty());
    for (const auto &r : batch) {
        for (int k = 0; k < 7; ++k)
            QCOMPARE(r.dValue[k], 0.0);
        QCOMPARE(r.dValue[7], 3.0); // CurFSM: running
        for (int k = 8; k < kScopeRecordValues; ++k)
            QCOMPARE(r.dValue[k], 0.0);
    }
}

// Velocities are the derivatives of positions, the actual position follows the
// target closely and the PDO counts follow the position.
void tst_TarnProd::signalsAreConsistent()
{
    for (int joint = 0; joint < 6; ++joint) {
        for (double t : {0.0, 1234.0, 98765.0}) {
            const double h = 0.5;
            const double dq = (TarnSim::sampleValue(43 + joint, t + h) -
                               TarnSim::sampleValue(43 + joint, t - h)) /
                              (2 * h) * 1000.0;
            QVERIFY(qAbs(dq - TarnSim::sampleValue(55 + joint, t)) < 0.01);
            QVERIFY(qAbs(TarnSim::sampleValue(49 + joint, t) -
                         TarnSim::sampleValue(43 + joint, t)) < 1.0);
            const double counts = TarnSim::sampleValue(145 + joint, t);
            QVERIFY(qAbs(counts - TarnSim::sampleValue(43 + joint, t) * 131072.0 / 360.0) <= 0.5);
        }
    }
    const double x0 = TarnSim::sampleValue(19, 500.0);
    const double x1 = TarnSim::sampleValue(19, 501.0);
    QVERIFY(qAbs((x1 - x0) * 1000.0 - TarnSim::sampleValue(31, 500.5)) < 5.0);
}

void tst_TarnProd::scriptedModeReturnsExactlyWhatWasQueued()
{
    TarnSim::setScripted(true);
    TarnSim::Batch first;
    first.records = {record(0.0, {1.0, -2.0}), record(4000.0, {3.5})};
    first.cpuLoad = 12.3456;
    first.memKB = 2048;
    TarnSim::queueBatch(first);
    TarnSim::queueBatch(TarnSim::Batch());
    QCOMPARE(TarnSim::pendingBatches(), std::size_t(2));

    double cpu = 0.0;
    uint32_t mem = 0;
    auto batch = readBatch(&cpu, &mem);
    QCOMPARE(batch.size(), std::size_t(2));
    QCOMPARE(std::memcmp(batch.data(), first.records.data(), 2 * sizeof(_ST_ReadScopeData)), 0);
    QCOMPARE(cpu, 12.3456);
    QCOMPARE(mem, uint32_t(2048));

    QVERIFY(readBatch(&cpu, &mem).empty());
    QCOMPARE(cpu, 0.0);
    QVERIFY(readBatch().empty()); // nothing queued: empty, never simulated
}

void tst_TarnProd::robotFlags()
{
    int f[8];
    std::fill(std::begin(f), std::end(f), -1);
    TarnIF_ReadRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
    for (int v : f)
        QCOMPARE(v, 0);
    TarnSim::setErrorFlag(true);
    TarnIF_ReadRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
    QCOMPARE(f[2], 1);
    QCOMPARE(f[0], 0);
    TarnSim::setRobotFlags({1, 2, 0, 4, 5, 6, 7, 8});
    TarnIF_ReadRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
    QCOMPARE(f[2], 0);
    QCOMPARE(f[7], 8);
    QCOMPARE(TarnSim::callCounts().readRobotFlags, uint64_t(3));
}

void tst_TarnProd::blockNextReadBlocksOnce()
{
    TarnSim::blockNextRead(150);
    QElapsedTimer timer;
    timer.start();
    readBatch();
    QVERIFY(timer.elapsed() >= 140);
    timer.restart();
    readBatch();
    QVERIFY(timer.elapsed() < 140);
}

void tst_TarnProd::readsAndIndexChangesFromTwoThreads()
{
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!done) {
            const auto batch = readBatch();
            for (const auto &r : batch)
                QVERIFY(r.dValue[35] == 0.0);
            ++reads;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int i = 0; i < 50; ++i) {
        std::vector<int> indexes(static_cast<std::size_t>(1 + i % 30), 43 + i % 6);
        Tarn_SetScopeIndexs(indexes);
        TarnSim::setErrorFlag(i % 2 == 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    done = true;
    reader.join();
    QVERIFY(reads > 0);
}

QTEST_APPLESS_MAIN(tst_TarnProd)
#include "tst_tarnprod.moc"
