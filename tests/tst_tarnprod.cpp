#include "TarnSim.h"
#include "Tarn_LockGurad.h"

#include <QtTest>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

struct Read
{
    std::vector<_ST_ReadScopeData> records;
    double cpu = 0.0; // zeroed before each read, as the scope does
    uint32_t mem = 0;
};

Read readBatch()
{
    Read read;
    Tarn_ReadScopeData(&read.cpu, &read.mem, &read.records);
    return read;
}

} // namespace

class tst_TarnProd : public QObject
{
    Q_OBJECT

private slots:
    void init() { TarnSim::reset(); }

    void valuesFollowTheIndexList()
    {
        std::vector<int> indexes{43, 73, 44, 19, 1, 0, 157, 181, 183, -5};
        Tarn_SetScopeIndexs(indexes);
        QCOMPARE(TarnSim::lastIndexes(), indexes);
        const Read read = readBatch(); // a first read always has the record of cycle 0
        QVERIFY(!read.records.empty());
        QVERIFY(read.cpu > 0.0 && read.cpu < 100.0 && read.mem > 0);
        for (const _ST_ReadScopeData &r : read.records) {
            for (std::size_t k = 0; k < indexes.size(); ++k)
                QCOMPARE(r.dValue[k], TarnSim::sampleValue(indexes[k], r.dTime));
            for (std::size_t k = 5; k < kScopeRecordValues; ++k)
                QCOMPARE(r.dValue[k], 0.0); // no item, or no index at that position
        }
        QCOMPARE(TarnSim::callCounts().setScopeIndexs, uint64_t(1));
        QCOMPARE(TarnSim::callCounts().readScopeData, uint64_t(1));
    }

    void readsContinueWithoutGapsOrRepeats()
    {
        TarnSim::setCycleMs(2.0);
        TarnSim::setDeliveryLog(true);
        std::vector<int> indexes{43};
        Tarn_SetScopeIndexs(indexes);
        std::vector<double> returned;
        for (int batches = 0; batches < 4; std::this_thread::yield()) {
            const Read read = readBatch();
            batches += read.records.empty() ? 0 : 1;
            for (const _ST_ReadScopeData &r : read.records) {
                if (!returned.empty())
                    QCOMPARE(r.dTime, returned.back() + 2.0);
                returned.push_back(r.dTime);
            }
        }
        std::vector<double> logged;
        for (const TarnSim::Delivery &delivery : TarnSim::takeDeliveries()) {
            QCOMPARE(delivery.indexLists, uint64_t(1));
            logged.insert(logged.end(), delivery.times.begin(), delivery.times.end());
        }
        QCOMPARE(logged, returned);
        QVERIFY(TarnSim::takeDeliveries().empty());
    }

    // Velocities are the derivatives of the positions; the actual position and the encoder
    // counts follow the target.
    void simulatedSignalsAreConsistent()
    {
        const auto at = TarnSim::sampleValue;
        for (int joint = 0; joint < 6; ++joint) {
            for (double t : {0.0, 1234.0, 98765.0}) {
                const double slope = (at(43 + joint, t + 0.5) - at(43 + joint, t - 0.5)) * 1000.0;
                QVERIFY(qAbs(slope - at(55 + joint, t)) < 0.01);
                QVERIFY(qAbs(at(49 + joint, t) - at(43 + joint, t)) < 1.0);
                QVERIFY(qAbs(at(145 + joint, t) - at(43 + joint, t) * 131072.0 / 360.0) <= 0.5);
            }
        }
        QVERIFY(qAbs((at(19, 501.0) - at(19, 500.0)) * 1000.0 - at(31, 500.5)) < 5.0);
    }

    void scriptedReadsReturnExactlyWhatWasQueued()
    {
        TarnSim::setScripted(true);
        TarnSim::Batch first;
        first.records = {{0.0, {1.0, -2.0}}, {4000.0, {3.5}}};
        first.cpuLoad = 12.3456;
        first.memKB = 2048;
        TarnSim::queueBatch(first);
        TarnSim::queueBatch(TarnSim::Batch());
        const Read read = readBatch();
        QCOMPARE(read.records.size(), std::size_t(2));
        QCOMPARE(
            std::memcmp(read.records.data(), first.records.data(), sizeof(first.records[0]) * 2),
            0);
        QCOMPARE(read.cpu, 12.3456);
        QCOMPARE(read.mem, uint32_t(2048));
        QCOMPARE(TarnSim::pendingBatches(), std::size_t(1));
        QVERIFY(readBatch().records.empty());
        QVERIFY(readBatch().records.empty()); // nothing queued: nothing, never simulated records
    }

    void robotFlagsComeInOrder()
    {
        TarnSim::RobotFlags f;
        const auto readFlags = [&f] {
            f.fill(-1);
            TarnIF_ReadRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
            return f;
        };
        QVERIFY(readFlags() == TarnSim::RobotFlags{});
        TarnSim::setErrorFlag(true);
        QVERIFY(readFlags() == (TarnSim::RobotFlags{0, 0, 1, 0, 0, 0, 0, 0}));
        TarnSim::setRobotFlags({1, 2, 0, 4, 5, 6, 7, 8});
        QVERIFY(readFlags() == (TarnSim::RobotFlags{1, 2, 0, 4, 5, 6, 7, 8}));
        QCOMPARE(TarnSim::callCounts().readRobotFlags, uint64_t(3));
    }

    // A hanging read holds nothing: the GUI thread's calls go through meanwhile.
    void blockedReadHangsOnceAndHoldsNothing()
    {
        TarnSim::blockNextRead(500);
        QElapsedTimer timer;
        timer.start();
        std::thread reader([] { readBatch(); });
        QTRY_COMPARE(TarnSim::callCounts().readScopeData, uint64_t(1));
        std::vector<int> indexes{43};
        Tarn_SetScopeIndexs(indexes);
        TarnSim::setErrorFlag(true);
        QVERIFY(timer.elapsed() < 500);
        reader.join();
        QVERIFY(timer.elapsed() >= 500);
        timer.restart();
        readBatch();
        QVERIFY(timer.elapsed() < 500);
    }

    void readsWhileIndexListsChange()
    {
        std::atomic<bool> done{false};
        std::thread reader([&done] {
            while (!done)
                readBatch();
        });
        for (int i = 0; i < 50; ++i) {
            std::vector<int> indexes(std::size_t(1 + i % 30), 43 + i % 6);
            Tarn_SetScopeIndexs(indexes);
            TarnSim::setErrorFlag(i % 2 == 0);
        }
        done = true;
        reader.join();
        QCOMPARE(TarnSim::lastIndexes(), std::vector<int>(20, 43 + 49 % 6));
    }

    // Two threads take the lock twice over; the inner guard's release must not let the other in.
    // A worker stuck on a lock that is not re-entrant fails the wait instead of hanging the test.
    void lockIsReentrantAndExclusive()
    {
        struct Shared
        {
            Tarn_Lock lock;
            std::atomic<int> inside{0}, finished{0};
            std::atomic<bool> overlapped{false};
            long counter = 0;
        };
        auto shared = std::make_shared<Shared>();
        for (int t = 0; t < 2; ++t) {
            std::thread([shared] {
                for (int i = 0; i < 20000; ++i) {
                    Tarn_LockGurad outer(&shared->lock);
                    {
                        Tarn_LockGurad inner(&shared->lock);
                    }
                    if (shared->inside++ != 0)
                        shared->overlapped = true;
                    ++shared->counter;
                    --shared->inside;
                }
                ++shared->finished;
            }).detach();
        }
        QTRY_COMPARE_WITH_TIMEOUT(shared->finished.load(), 2, 20000);
        QVERIFY(!shared->overlapped);
        QCOMPARE(shared->counter, 40000L);
    }
};

QTEST_GUILESS_MAIN(tst_TarnProd)
#include "tst_tarnprod.moc"
