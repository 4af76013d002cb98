#include "SampleBuffer.h"
#include "ScopeLimits.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>
#include <thread>

namespace {

_ST_ReadScopeData record(double time, double value = 0.0)
{
    _ST_ReadScopeData r{};
    r.dTime = time;
    for (double &v : r.dValue)
        v = value;
    return r;
}

QVector<double> times(const SampleBuffer &buffer)
{
    return buffer.times().values();
}

} // namespace

class tst_SampleBuffer : public QObject
{
    Q_OBJECT

private slots:
    void trim_data();
    void trim();
    void onlySlotsWithDataIndexesReceiveValues();
    void valuesFollowTheirSlots();
    void shrinkingTheWindowTrimsInOnePass();
    void longRunKeepsOnlyTheWindow();
    void clearKeepsRoutingAndWindow();
    void recordsWithoutAFiniteTimeAreDropped();
    void snapshotStaysAsTaken();
    void snapshotsReadWhileAppending();
    void snapshotAscends_data();
    void snapshotAscends();
    void extremesMatchAScan();
};

void tst_SampleBuffer::trim_data()
{
    QTest::addColumn<double>("window");
    QTest::addColumn<QVector<double>>("stamps");
    QTest::addColumn<QVector<double>>("kept");
    QTest::addColumn<int>("restarts");

    QTest::newRow("window 10000, fourth stamp 12000 trims one")
        << 10000.0 << QVector<double>{0, 4000, 8000, 12000} << QVector<double>{4000, 8000, 12000}
        << 0;
    QTest::newRow("fourth stamp 10000 trims nothing")
        << 10000.0 << QVector<double>{0, 4000, 8000, 10000} << QVector<double>{0, 4000, 8000, 10000}
        << 0;
    QTest::newRow("a jump trims several at once")
        << 10000.0 << QVector<double>{0, 1000, 2000, 3000, 12500} << QVector<double>{3000, 12500}
        << 0;
    QTest::newRow("equal stamps are kept")
        << 10.0 << QVector<double>{5, 5, 15, 15} << QVector<double>{5, 5, 15, 15} << 0;
    QTest::newRow("every stamp that goes back starts the window over")
        << 10.0 << QVector<double>{500, 400, 300, 0, -100} << QVector<double>{-100} << 4;
    QTest::newRow("a stamp back inside the window starts it over too")
        << 100.0 << QVector<double>{0, 50, 40, 60} << QVector<double>{40, 60} << 1;
    QTest::newRow("a stamp far back, then trimming from it")
        << 100.0 << QVector<double>{0, 50, 20, 200} << QVector<double>{200} << 1;
    QTest::newRow("one glitch stamp far ahead costs no more than a restart")
        << 100.0 << QVector<double>{0, 10, 1e12, 20, 30, 200} << QVector<double>{200} << 1;
    QTest::newRow("a controller clock restarted 500 s back")
        << 1000.0 << QVector<double>{600000, 600500, 601000, 101000, 101400}
        << QVector<double>{101000, 101400} << 1;
}

void tst_SampleBuffer::trim()
{
    QFETCH(double, window);
    QFETCH(QVector<double>, stamps);
    QFETCH(QVector<double>, kept);

    QFETCH(int, restarts);
    for (int i = 0; i < restarts; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("controller time went back"));

    SampleBuffer buffer;
    buffer.setWindow(window);
    buffer.setSlotIndex(0, 43);
    for (double t : stamps)
        buffer.appendRecord(record(t, t));
    QCOMPARE(times(buffer), kept);
    QCOMPARE(buffer.channel(0).values(), kept);
}

void tst_SampleBuffer::onlySlotsWithDataIndexesReceiveValues()
{
    SampleBuffer buffer;
    buffer.setSlotIndex(0, 0); // "NULL"
    buffer.setSlotIndex(1, 1);
    buffer.setSlotIndex(2, 182);
    buffer.setSlotIndex(3, 183);
    buffer.setSlotIndex(35, 43);
    buffer.setSlotIndex(36, 43); // beyond the record: ignored
    for (int i = 0; i < 3; ++i)
        buffer.appendRecord(record(i));
    QCOMPARE(buffer.times().size(), 3);
    QCOMPARE(buffer.channel(0).size(), 0);
    QCOMPARE(buffer.channel(1).size(), 3);
    QCOMPARE(buffer.channel(2).size(), 3);
    QCOMPARE(buffer.channel(3).size(), 0);
    QCOMPARE(buffer.channel(35).size(), 3);
    for (int slot = 36; slot < ScopeLimits::kCurveSlots; ++slot)
        QCOMPARE(buffer.channel(slot).size(), 0);
}

void tst_SampleBuffer::valuesFollowTheirSlots()
{
    SampleBuffer buffer;
    buffer.setSlotIndex(0, 43);
    buffer.setSlotIndex(1, 73);
    _ST_ReadScopeData r{};
    r.dTime = 7.0;
    r.dValue[0] = 1.5;
    r.dValue[1] = -2.5;
    buffer.appendRecord(r);
    QCOMPARE(buffer.channel(0).values(), QVector<double>{1.5});
    QCOMPARE(buffer.channel(1).values(), QVector<double>{-2.5});
}

void tst_SampleBuffer::shrinkingTheWindowTrimsInOnePass()
{
    SampleBuffer buffer;
    buffer.setSlotIndex(0, 1);
    for (int t = 0; t <= 10000; t += 1000)
        buffer.appendRecord(record(t));
    QCOMPARE(buffer.times().size(), 11);
    buffer.setWindow(2500);
    buffer.appendRecord(record(11000));
    QCOMPARE(times(buffer), (QVector<double>{9000, 10000, 11000}));
    QCOMPARE(buffer.channel(0).size(), 3);
}

// Many appends through the compaction threshold keep exactly the window, in order.
void tst_SampleBuffer::longRunKeepsOnlyTheWindow()
{
    SampleBuffer buffer;
    buffer.setWindow(999);
    buffer.setSlotIndex(5, 50);
    for (int t = 0; t < 20000; ++t)
        buffer.appendRecord(record(t, -t));
    QCOMPARE(buffer.times().size(), 1000);
    QCOMPARE(buffer.times().first(), 19000.0);
    QCOMPARE(buffer.times().last(), 19999.0);
    QCOMPARE(buffer.channel(5).first(), -19000.0);
    QCOMPARE(buffer.channel(5).at(999), -19999.0);
}

void tst_SampleBuffer::clearKeepsRoutingAndWindow()
{
    SampleBuffer buffer;
    buffer.setWindow(10);
    buffer.setSlotIndex(0, 43);
    buffer.appendRecord(record(0));
    buffer.clear();
    QCOMPARE(buffer.times().size(), 0);
    QCOMPARE(buffer.channel(0).size(), 0);
    buffer.appendRecord(record(100));
    buffer.appendRecord(record(200));
    QCOMPARE(times(buffer), QVector<double>{200});
    QCOMPARE(buffer.channel(0).size(), 1);
    buffer.clearSlotIndexes();
    buffer.appendRecord(record(201));
    QCOMPARE(buffer.channel(0).size(), 1);
}

// A NaN stamp at the front would stop trimming for good and let memory grow.
void tst_SampleBuffer::recordsWithoutAFiniteTimeAreDropped()
{
    SampleBuffer buffer;
    buffer.setWindow(100);
    buffer.setSlotIndex(0, 43);
    buffer.appendRecord(record(qQNaN()));
    buffer.appendRecord(record(qInf()));
    buffer.appendRecord(record(0));
    buffer.appendRecord(record(-qInf()));
    buffer.appendRecord(record(500));
    QCOMPARE(times(buffer), QVector<double>{500});
    QCOMPARE(buffer.channel(0).size(), 1);
}

// Read outside the lock while the buffer appends and trims on: a snapshot keeps its values
// even after the buffer has let go of the chunks that hold them.
void tst_SampleBuffer::snapshotStaysAsTaken()
{
    SampleBuffer buffer;
    buffer.setWindow(4999);
    buffer.setSlotIndex(2, 43);
    for (int t = 0; t < 10000; ++t)
        buffer.appendRecord(record(t, -t));
    const SampleSnapshot snapshot = buffer.snapshot();
    const QVector<double> taken = snapshot.times.toVector();
    for (int t = 10000; t < 30000; ++t)
        buffer.appendRecord(record(t, -t));

    QCOMPARE(snapshot.times.toVector(), taken);
    QCOMPARE(taken.size(), 5000);
    QCOMPARE(taken.first(), 5000.0);
    QCOMPARE(snapshot.channels.at(2).size(), 5000);
    QCOMPARE(snapshot.channels.at(2).at(4999), -9999.0);
    QCOMPARE(snapshot.channels.at(3).size(), 0);
    QCOMPARE(buffer.snapshot().times.at(0), 25000.0);
}

// The acquisition thread appends into chunks that snapshots on the GUI thread still read;
// only the lock around taking the snapshot orders the two (thread checkers watch this).
void tst_SampleBuffer::snapshotsReadWhileAppending()
{
    SampleBuffer buffer;
    buffer.setWindow(2999);
    buffer.setSlotIndex(0, 43);
    std::mutex lock;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int t = 0; t < 30000; ++t) {
            const std::lock_guard<std::mutex> guard(lock);
            buffer.appendRecord(record(t, t));
        }
        done = true;
    });
    bool consistent = true;
    while (!done && consistent) {
        SampleSnapshot snapshot;
        {
            const std::lock_guard<std::mutex> guard(lock);
            snapshot = buffer.snapshot();
        }
        const ColumnSnapshot &values = snapshot.channels.at(0);
        const int n = values.size();
        if (n == 0)
            continue;
        const SampleExtremes extremes = values.extremes(0, n);
        consistent = n == snapshot.times.size() && values.at(n - 1) - values.at(0) == n - 1 &&
                     extremes.least == values.at(0) && extremes.greatest == values.at(n - 1);
    }
    writer.join();
    QVERIFY(consistent);
}

void tst_SampleBuffer::snapshotAscends_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<int>("dropped");
    QTest::addColumn<bool>("ascending");

    QTest::newRow("rising with repeats") << QVector<double>{1, 2, 2, 3} << 0 << true;
    QTest::newRow("a dip") << QVector<double>{1, 3, 2} << 0 << false;
    QTest::newRow("a dip at the new front") << QVector<double>{5, 3, 4, 6} << 1 << true;
    QTest::newRow("a dip still inside") << QVector<double>{5, 3, 4, 6} << 0 << false;
    QTest::newRow("NaN breaks the order") << QVector<double>{1, qQNaN(), 2} << 0 << false;
}

void tst_SampleBuffer::snapshotAscends()
{
    QFETCH(QVector<double>, values);
    QFETCH(int, dropped);

    SampleColumn column;
    for (double v : values)
        column.append(v);
    column.dropFront(dropped);
    QTEST(column.snapshot().isAscending(), "ascending");
    QTEST(ColumnSnapshot::fromVector(values.mid(dropped)).isAscending(), "ascending");
}

// Summaries of blocks and chunks must give what one scan in order gives: the same
// values (signed zeros included) at the same first indexes.
void tst_SampleBuffer::extremesMatchAScan()
{
    const double inf = std::numeric_limits<double>::infinity();
    const QVector<double> pool{0.0, -0.0, 1.0, -1.0, 2.5, qQNaN(), inf, -inf};
    std::mt19937 random(7);
    auto uniform = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int round = 0; round < 200; ++round) {
        SampleColumn column;
        const int count = uniform(1, 3 * SampleChunk::kCapacity);
        // Dense ties and non-finite values, or a peak or valley anywhere in the column.
        const int slope = uniform(-1, 1);
        const int centre = uniform(0, count);
        for (int i = 0; i < count; ++i) {
            const double noise = pool.at(uniform(0, slope == 0 ? 7 : 4));
            column.append(uniform(0, 2000) == 0 ? pool.at(uniform(5, 7))
                                                : slope * std::abs(i - centre) + noise);
        }
        // Short stretches anywhere, or long ones that hold whole chunks.
        const bool wide = uniform(0, 1) == 0;
        column.dropFront(uniform(0, wide ? SampleChunk::kBlockSize * 2 : count - 1));
        const ColumnSnapshot view = column.snapshot();
        const int from = uniform(0, wide ? view.size() / 8 : view.size());
        const int to =
            wide ? view.size() - uniform(0, (view.size() - from) / 8) : uniform(from, view.size());

        int least = -1;
        int greatest = -1;
        bool nonFinite = false;
        for (int i = from; i < to; ++i) {
            const double v = view.at(i);
            nonFinite = nonFinite || !std::isfinite(v);
            if (std::isfinite(v) && (least < 0 || v < view.at(least)))
                least = i;
            if (std::isfinite(v) && (greatest < 0 || v > view.at(greatest)))
                greatest = i;
        }
        const SampleExtremes found = view.extremes(from, to);
        QCOMPARE(found.leastIndex, least);
        QCOMPARE(found.greatestIndex, greatest);
        QCOMPARE(found.nonFinite, nonFinite);
        if (least >= 0) {
            QCOMPARE(std::signbit(found.least), std::signbit(view.at(least)));
            QCOMPARE(found.least, view.at(least));
            QCOMPARE(std::signbit(found.greatest), std::signbit(view.at(greatest)));
            QCOMPARE(found.greatest, view.at(greatest));
        }
    }
}

QTEST_APPLESS_MAIN(tst_SampleBuffer)
#include "tst_samplebuffer.moc"
