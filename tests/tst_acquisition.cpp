#include "ControllerTimeline.h"
#include "ReadCycleMeter.h"
#include "SampleBuffer.h"
#include "ScopeLimits.h"
#include "TickCount.h"
#include "TriggerSettings.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

namespace {

ScopeRecord record(double time, double value = 0.0)
{
    ScopeRecord r(time);
    std::fill(std::begin(r.dValue), std::end(r.dValue), value);
    return r;
}

using Records = std::vector<ScopeRecord>;

// One record per value, channel `channel` carrying it.
Records onChannel(int channel, std::initializer_list<double> values)
{
    Records out;
    for (double v : values) {
        out.push_back(record(static_cast<double>(out.size())));
        out.back().dValue[channel] = v;
    }
    return out;
}

std::deque<uint32_t> g_ticks;
uint32_t scriptedTick()
{
    const uint32_t t = g_ticks.front();
    g_ticks.pop_front();
    return t;
}

} // namespace

Q_DECLARE_METATYPE(Records)

// The sample buffer, its snapshots, the controller's timeline, the trigger rule and the
// read-cycle figures.
class tst_Acquisition : public QObject
{
    Q_OBJECT

private slots:
    void trim_data()
    {
        QTest::addColumn<double>("window");
        QTest::addColumn<QVector<double>>("stamps");
        QTest::addColumn<QVector<double>>("kept");
        QTest::newRow("a stamp one window after the first trims it")
            << 10000.0 << QVector<double>{0, 4000, 8000, 12000}
            << QVector<double>{4000, 8000, 12000};
        QTest::newRow("exactly one window trims nothing")
            << 10000.0 << QVector<double>{0, 4000, 8000, 10000}
            << QVector<double>{0, 4000, 8000, 10000};
        QTest::newRow("a jump trims several at once")
            << 10000.0 << QVector<double>{0, 1000, 2000, 3000, 12500}
            << QVector<double>{3000, 12500};
        QTest::newRow("non-finite stamps are dropped")
            << 100.0 << QVector<double>{qQNaN(), qInf(), 0, -qInf(), 500} << QVector<double>{500};
    }
    void trim()
    {
        QFETCH(double, window);
        QFETCH(QVector<double>, stamps);
        QFETCH(QVector<double>, kept);
        SampleBuffer buffer;
        buffer.setWindow(window);
        buffer.setSlotIndex(0, 43);
        for (double t : stamps)
            buffer.appendRecord(record(t, t));
        QCOMPARE(buffer.times().values(), kept);
        QCOMPARE(buffer.channel(0).values(), kept);
    }

    // A controller clock that steps back never throws records away or runs the recording
    // backwards: the stamps continue from the last at the controller's cycle, and the step
    // is told once, by how much the clock went back.
    void timelineContinuesAfterAStep_data()
    {
        QTest::addColumn<QVector<double>>("stamps");
        QTest::addColumn<QVector<double>>("placed");
        QTest::addColumn<QVector<double>>("steps");
        QTest::newRow("in order: unchanged")
            << QVector<double>{0, 1, 2, 3} << QVector<double>{0, 1, 2, 3} << QVector<double>{};
        QTest::newRow("jitter of a microsecond")
            << QVector<double>{0, 1, 2, 1.999, 3} << QVector<double>{0, 1, 2, 3, 4.001}
            << QVector<double>{0.001};
        QTest::newRow("an equal stamp")
            << QVector<double>{5, 6, 6, 7} << QVector<double>{5, 6, 7, 8} << QVector<double>{0};
        QTest::newRow("a clock restart")
            << QVector<double>{100, 102, 104, 0, 2} << QVector<double>{100, 102, 104, 106, 108}
            << QVector<double>{104};
        QTest::newRow("a pause is not taken for the cycle")
            << QVector<double>{0, 1, 2, 1000, 500} << QVector<double>{0, 1, 2, 1000, 1001}
            << QVector<double>{500};
        QTest::newRow("two steps") << QVector<double>{10, 11, 5, 6, 1}
                                   << QVector<double>{10, 11, 12, 13, 14} << QVector<double>{6, 5};
    }
    void timelineContinuesAfterAStep()
    {
        QFETCH(QVector<double>, stamps);
        QFETCH(QVector<double>, placed);
        QFETCH(QVector<double>, steps);
        ControllerTimeline timeline;
        QVector<double> gotPlaced;
        QVector<double> gotSteps;
        for (double stamp : stamps) {
            std::optional<double> step;
            gotPlaced.append(timeline.place(stamp, &step));
            if (step)
                gotSteps.append(*step);
        }
        QCOMPARE(gotPlaced.size(), placed.size());
        for (int i = 0; i < placed.size(); ++i)
            QVERIFY2(qAbs(gotPlaced[i] - placed[i]) < 1e-9, qPrintable(QString::number(i)));
        QCOMPARE(gotSteps.size(), steps.size());
        for (int i = 0; i < steps.size(); ++i)
            QVERIFY(qAbs(gotSteps[i] - steps[i]) < 1e-9);
    }

    // Values follow their slot's position in the record; the null channel and slots past
    // the record receive nothing.
    void slotsReceiveTheirValues()
    {
        SampleBuffer buffer;
        buffer.setSlotIndex(0, 0); // "NULL"
        buffer.setSlotIndex(1, 182);
        buffer.setSlotIndex(2, 183);
        buffer.setSlotIndex(35, 43);
        buffer.setSlotIndex(36, 43);
        ScopeRecord r = record(7.0);
        for (int k = 0; k < ScopeLimits::kMaxChannels; ++k)
            r.dValue[k] = k + 0.5;
        buffer.appendRecord(r);
        QCOMPARE(buffer.channel(0).size(), 0);
        QCOMPARE(buffer.channel(1).values(), QVector<double>{1.5});
        QCOMPARE(buffer.channel(2).size(), 0);
        QCOMPARE(buffer.channel(35).values(), QVector<double>{35.5});
        QCOMPARE(buffer.channel(36).size(), 0);
        buffer.clear(); // keeps routing and window
        buffer.appendRecord(r);
        QCOMPARE(buffer.channel(35).size(), 1);
        buffer.clearSlotIndexes();
        buffer.appendRecord(record(8.0));
        QCOMPARE(buffer.channel(35).size(), 1);
    }

    // Through chunk compaction and a shrunk window, the buffer keeps exactly the window; a
    // snapshot keeps its values after the buffer has let go of the chunks holding them.
    void longRunKeepsTheWindowAndSnapshotsStay()
    {
        SampleBuffer buffer;
        buffer.setWindow(4999);
        buffer.setSlotIndex(2, 43);
        for (int t = 0; t < 10000; ++t)
            buffer.appendRecord(record(t, -t));
        const SampleSnapshot snapshot = buffer.snapshot();
        const QVector<double> taken = snapshot.times.toVector();
        buffer.setWindow(999);
        for (int t = 10000; t < 30000; ++t)
            buffer.appendRecord(record(t, -t));
        QCOMPARE(snapshot.times.toVector(), taken);
        QCOMPARE(taken.size(), 5000);
        QCOMPARE(taken.first(), 5000.0);
        QCOMPARE(snapshot.channels.at(2).at(4999), -9999.0);
        QCOMPARE(buffer.times().size(), 1000);
        QCOMPARE(buffer.times().first(), 29000.0);
        QCOMPARE(buffer.channel(2).at(999), -29999.0);
    }

    // Snapshots taken under the lock on one thread while another appends: only the lock
    // orders the two (the thread checker watches this).
    void snapshotsReadWhileAppending()
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

    // Block and chunk summaries give what one scan in order gives: the same values (signed
    // zeros included) at the same first indexes.
    void extremesMatchAScan()
    {
        const QVector<double> pool{0.0, -0.0, 1.0, -1.0, 2.5, qQNaN(), qInf(), -qInf()};
        std::mt19937 random(7);
        auto uniform = [&](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        for (int round = 0; round < 200; ++round) {
            SampleColumn column;
            const int count = uniform(1, 3 * SampleChunk::kCapacity);
            // Dense ties and non-finite values, or a peak or valley anywhere.
            const int slope = uniform(-1, 1);
            const int centre = uniform(0, count);
            for (int i = 0; i < count; ++i) {
                const double noise = pool.at(uniform(0, slope == 0 ? 7 : 4));
                column.append(uniform(0, 2000) == 0 ? pool.at(uniform(5, 7))
                                                    : slope * std::abs(i - centre) + noise);
            }
            const bool wide = uniform(0, 1) == 0; // whole chunks, or short stretches
            column.dropFront(uniform(0, wide ? SampleChunk::kBlockSize * 2 : count - 1));
            const ColumnSnapshot view = column.snapshot();
            const int from = uniform(0, wide ? view.size() / 8 : view.size());
            const int to = wide ? view.size() - uniform(0, (view.size() - from) / 8)
                                : uniform(from, view.size());
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
                QCOMPARE(std::signbit(found.greatest), std::signbit(view.at(greatest)));
            }
        }
    }

    void firingPosition_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("condition");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<Records>("records");
        QTest::addColumn<int>("at"); // the firing sample, -1 for none
        QTest::newRow("> is strict") << 0 << 0 << 5.0 << false << onChannel(0, {5, 5}) << -1;
        QTest::newRow("> on -6 with absolute value")
            << 0 << 0 << 5.0 << true << onChannel(0, {-6}) << 0;
        QTest::newRow("< does not fire on the threshold")
            << 0 << 1 << 0.0 << false << onChannel(0, {0, 3}) << -1;
        QTest::newRow("< with absolute value sees magnitudes")
            << 0 << 1 << 0.5 << true << onChannel(0, {-2, -0.7}) << -1;
        QTest::newRow("first sample sets both extremes, not 0")
            << 0 << 1 << -1.0 << false << onChannel(0, {-3}) << 0;
        QTest::newRow("empty batch never fires") << 0 << 0 << -1e9 << false << Records() << -1;
        QTest::newRow("no current channel never fires")
            << -1 << 0 << -1e9 << false << onChannel(0, {1}) << -1;
        QTest::newRow("channel past the record never fires")
            << 36 << 0 << -1e9 << false << onChannel(0, {1}) << -1;
        QTest::newRow("a NaN first sample does not hide the rest")
            << 0 << 0 << 5.0 << false << onChannel(0, {qQNaN(), 6}) << 1;
        QTest::newRow("the first sample beyond, not the extreme")
            << 0 << 0 << 5.0 << false << onChannel(0, {1, 6, 9, 7}) << 1;
        QTest::newRow("infinite samples are ignored")
            << 0 << 1 << 0.0 << false << onChannel(0, {-qInf(), 1}) << -1;
    }
    void firingPosition()
    {
        TriggerSettings settings;
        QFETCH(int, channel);
        QFETCH(int, condition);
        QFETCH(double, threshold);
        QFETCH(bool, absolute);
        QFETCH(Records, records);
        settings.channel = channel;
        settings.condition = condition;
        settings.threshold = threshold;
        settings.absoluteValue = absolute;
        QFETCH(int, at);
        const std::optional<std::size_t> position = ::firingPosition(settings, records);
        QCOMPARE(position ? int(*position) : -1, at);
    }

    // The first step measures 0, the maximum holds, and a wrapping tick count still gives
    // the step.
    void readCycle()
    {
        g_ticks = {4294967240u, 4294967292u, 54, 94};
        TickCount::setSource(&scriptedTick);
        ReadCycleMeter meter;
        meter.reset();
        const uint32_t cycles[] = {0, 52, 58, 40};
        const uint32_t maxima[] = {0, 52, 58, 58};
        for (int i = 0; i < 4; ++i) {
            meter.recordRead();
            QCOMPARE(meter.figures().current, cycles[i]);
            QCOMPARE(meter.figures().max, maxima[i]);
        }
        TickCount::setSource(nullptr);
    }
};

QTEST_GUILESS_MAIN(tst_Acquisition)
#include "tst_acquisition.moc"
