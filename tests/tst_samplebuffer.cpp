#include "SampleBuffer.h"

#include <QtTest>

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
};

void tst_SampleBuffer::trim_data()
{
    QTest::addColumn<double>("window");
    QTest::addColumn<QVector<double>>("stamps");
    QTest::addColumn<QVector<double>>("kept");

    QTest::newRow("window 10000, fourth stamp 12000 trims one")
        << 10000.0 << QVector<double>{0, 4000, 8000, 12000} << QVector<double>{4000, 8000, 12000};
    QTest::newRow("fourth stamp 10000 trims nothing")
        << 10000.0 << QVector<double>{0, 4000, 8000, 10000}
        << QVector<double>{0, 4000, 8000, 10000};
    QTest::newRow("a jump trims several at once")
        << 10000.0 << QVector<double>{0, 1000, 2000, 3000, 12500} << QVector<double>{3000, 12500};
    QTest::newRow("stamps that do not increase never trim")
        << 10.0 << QVector<double>{500, 400, 300, 0, -100}
        << QVector<double>{500, 400, 300, 0, -100};
    QTest::newRow("a stamp far back trims nothing, the next one trims up to it")
        << 100.0 << QVector<double>{0, 50, 20, 200} << QVector<double>{200};
    QTest::newRow("trimming stops at the first stamp inside the window")
        << 100.0 << QVector<double>{0, 150, 10, 160} << QVector<double>{150, 10, 160};
}

void tst_SampleBuffer::trim()
{
    QFETCH(double, window);
    QFETCH(QVector<double>, stamps);
    QFETCH(QVector<double>, kept);

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
    for (int slot = 36; slot < SampleBuffer::kSlots; ++slot)
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

QTEST_APPLESS_MAIN(tst_SampleBuffer)
#include "tst_samplebuffer.moc"
