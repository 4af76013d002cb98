#include "ControllerLibrary.h"
#include "TarnSim.h"
#include "Tarn_LockGurad.h"

#include <QScopeGuard>
#include <QtTest>

#include <algorithm>
#include <atomic>
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

    // The scope knows the simulator by a marker in the library that answers its SDK calls.
    void theLoadedStandInIsKnownAsTheSimulator()
    {
        const QString path = ControllerLibrary::path();
        QVERIFY2(QFileInfo(path).fileName().startsWith("libTarn_Prod.so"), qPrintable(path));
        QVERIFY(ControllerLibrary::isSimulator());
    }

    // Each record carries the listed indexes in list order, and reads hand over the cycles in
    // turn, each once; the delivery log notes what each read returned.
    void recordsFollowTheIndexListWithoutGapsOrRepeats()
    {
        TarnSim::setCycleMs(2.0);
        TarnSim::setDeliveryLog(true);
        std::vector<int> indexes{43, 73, 44, 19, 1, 0, 157, 181, 183, -5};
        Tarn_SetScopeIndexs(indexes);
        QCOMPARE(TarnSim::lastIndexes(), indexes);
        std::vector<double> returned;
        for (int reads = 0; reads < 4; ++reads) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // paced like the scope
            const Read read = readBatch();
            QVERIFY(!read.records.empty() && read.cpu > 0.0 && read.cpu < 100.0 && read.mem > 0);
            for (const _ST_ReadScopeData &r : read.records) {
                QVERIFY(returned.empty() || r.dTime == returned.back() + 2.0);
                returned.push_back(r.dTime);
                for (std::size_t k = 0; k < indexes.size(); ++k)
                    QCOMPARE(r.dValue[k], TarnSim::sampleValue(indexes[k], r.dTime));
                for (std::size_t k = 5; k < kScopeRecordValues; ++k)
                    QCOMPARE(r.dValue[k], 0.0); // no item, or no index at that position
            }
        }
        std::vector<double> logged;
        for (const TarnSim::Delivery &delivery : TarnSim::takeDeliveries()) {
            QCOMPARE(delivery.indexLists, uint64_t(1)); // the set-up count
            logged.insert(logged.end(), delivery.times.begin(), delivery.times.end());
        }
        QCOMPARE(logged, returned);
    }

    // A record keeps the order of the list in force when it was sampled: one read after
    // three new lists returns a run of records per list, in turn, and the log notes each
    // run apart under its list's number.
    void recordsKeepTheListInForceWhenSampled()
    {
        TarnSim::setDeliveryLog(true);
        const std::vector<std::vector<int>> lists{{}, {43, 1}, {2, 43}, {44}};
        readBatch();
        TarnSim::takeDeliveries();
        for (std::size_t n = 1; n < lists.size(); ++n) {
            std::vector<int> list = lists[n];
            Tarn_SetScopeIndexs(list);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const auto follows = [](const _ST_ReadScopeData &r, const std::vector<int> &list) {
            for (std::size_t k = 0; k < kScopeRecordValues; ++k) {
                const double expected =
                    k < list.size() ? TarnSim::sampleValue(list[k], r.dTime) : 0.0;
                if (r.dValue[k] != expected)
                    return false;
            }
            return true;
        };
        std::vector<std::pair<uint64_t, double>> runs; // list number, time
        for (const _ST_ReadScopeData &r : readBatch().records) {
            const auto list = std::find_if(lists.begin(), lists.end(),
                                           [&](const auto &l) { return follows(r, l); });
            QVERIFY2(list != lists.end(), qPrintable(QString::number(r.dTime)));
            runs.emplace_back(uint64_t(list - lists.begin()), r.dTime);
        }
        QVERIFY(std::is_sorted(runs.begin(), runs.end()));
        for (uint64_t n = 1; n < lists.size(); ++n)
            QVERIFY(std::any_of(runs.begin(), runs.end(),
                                [n](const auto &run) { return run.first == n; }));
        std::vector<std::pair<uint64_t, double>> logged;
        uint64_t previous = 0;
        for (const TarnSim::Delivery &delivery : TarnSim::takeDeliveries()) {
            QVERIFY(logged.empty() || delivery.indexLists > previous);
            previous = delivery.indexLists;
            for (double t : delivery.times)
                logged.emplace_back(delivery.indexLists, t);
        }
        QCOMPARE(logged, runs);
    }

    // A hanging read holds nothing: the GUI thread's calls go through meanwhile, and reads after
    // it run again alongside index changes.
    void readHangsOnceHoldingNothing()
    {
        TarnSim::blockNextRead(500);
        QElapsedTimer timer;
        timer.start();
        std::atomic<bool> done{false};
        std::thread reader([&done] {
            while (!done)
                readBatch();
        });
        const auto stop = qScopeGuard([&] {
            done = true;
            reader.join();
        });
        QTRY_COMPARE(TarnSim::callCounts().readScopeData, uint64_t(1));
        TarnSim::setErrorFlag(true);
        TarnSim::RobotFlags f{-1, -1, -1, -1, -1, -1, -1, -1};
        TarnIF_ReadRobotFlags(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7]);
        QVERIFY(f == (TarnSim::RobotFlags{0, 0, 1, 0, 0, 0, 0, 0})); // the third is the error
        std::vector<int> indexes{43};
        Tarn_SetScopeIndexs(indexes);
        QVERIFY(timer.elapsed() < 500);
        QTRY_VERIFY(TarnSim::callCounts().readScopeData > 3);
        QVERIFY(timer.elapsed() >= 500 && timer.elapsed() < 1000);
        for (int i = 0; i < 50; ++i)
            Tarn_SetScopeIndexs(indexes = std::vector<int>(std::size_t(1 + i % 30), 43 + i % 6));
    }

    // Two threads take the lock twice over; the inner guard's release must not let the other in.
    void lockIsReentrantAndExclusive()
    {
        Tarn_Lock lock;
        long counter = 0;
        const auto work = [&] {
            for (int i = 0; i < 100000; ++i) {
                Tarn_LockGurad outer(&lock);
                {
                    Tarn_LockGurad inner(&lock);
                }
                ++counter;
            }
        };
        std::thread a(work), b(work);
        a.join();
        b.join();
        QCOMPARE(counter, 200000L);
    }
};

QTEST_GUILESS_MAIN(tst_TarnProd)
#include "tst_tarnprod.moc"
