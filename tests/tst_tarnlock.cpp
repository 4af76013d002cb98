#include "Tarn_Lock.h"
#include "Tarn_LockGurad.h"

#include <QtTest>

#include <memory>
#include <thread>

class tst_TarnLock : public QObject
{
    Q_OBJECT

private slots:
    void reentrantForTheHoldingThread();
    void excludesOtherThreads();
};

void tst_TarnLock::reentrantForTheHoldingThread()
{
    Tarn_Lock lock;
    auto outer = std::make_unique<Tarn_LockGurad>(&lock);
    {
        Tarn_LockGurad inner(&lock);
    }
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        Tarn_LockGurad guard(&lock);
        acquired = true;
    });
    QTest::qWait(20);
    QVERIFY(!acquired); // still held by the outer guard after the inner one left
    outer.reset();
    other.join();
    QVERIFY(acquired);
}

void tst_TarnLock::excludesOtherThreads()
{
    Tarn_Lock lock;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            Tarn_LockGurad guard(&lock);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    QCOMPARE(counter, 40000L);
}

QTEST_APPLESS_MAIN(tst_TarnLock)
#include "tst_tarnlock.moc"
