#include "TriggerSettings.h"

#include <QtTest>

namespace {

std::vector<_ST_ReadScopeData> batch(int channel, std::initializer_list<double> values)
{
    std::vector<_ST_ReadScopeData> out;
    double t = 0.0;
    for (double v : values) {
        _ST_ReadScopeData r{};
        r.dTime = t++;
        r.dValue[channel] = v;
        out.push_back(r);
    }
    return out;
}

} // namespace

using Batch = std::vector<_ST_ReadScopeData>;
Q_DECLARE_METATYPE(Batch)

class tst_Trigger : public QObject
{
    Q_OBJECT

private slots:
    void fires_data();
    void fires();
};

void tst_Trigger::fires_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("condition");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<Batch>("records");
    QTest::addColumn<bool>("fires");

    QTest::newRow("> fires on one sample above")
        << 0 << 0 << 5.0 << false << batch(0, {1, 6, 2}) << true;
    QTest::newRow("> is strict") << 0 << 0 << 5.0 << false << batch(0, {5, 5}) << false;
    QTest::newRow("> on -6 without absolute value")
        << 0 << 0 << 5.0 << false << batch(0, {-6}) << false;
    QTest::newRow("> on -6 with absolute value") << 0 << 0 << 5.0 << true << batch(0, {-6}) << true;
    QTest::newRow("< threshold 0 fires on -0.5")
        << 0 << 1 << 0.0 << false << batch(0, {1, -0.5}) << true;
    QTest::newRow("< threshold 0 does not fire on 0")
        << 0 << 1 << 0.0 << false << batch(0, {0, 3}) << false;
    QTest::newRow("< with absolute value sees magnitudes")
        << 0 << 1 << 0.5 << true << batch(0, {-2, -0.7}) << false;
    QTest::newRow("already beyond in every sample still fires")
        << 0 << 0 << 1.0 << false << batch(0, {9, 9}) << true;
    QTest::newRow("first sample sets both extremes, not 0")
        << 0 << 1 << -1.0 << false << batch(0, {-3}) << true;
    QTest::newRow("all above 0 with > -1: max of the batch counts")
        << 0 << 0 << -1.0 << false << batch(0, {-0.5}) << true;
    QTest::newRow("empty batch never fires") << 0 << 0 << -1e9 << false << Batch() << false;
    QTest::newRow("last record channel") << 35 << 0 << 0.0 << false << batch(35, {1}) << true;
    QTest::newRow("no current channel never fires")
        << -1 << 0 << -1e9 << false << batch(0, {1}) << false;
    QTest::newRow("channel past the record never fires")
        << 36 << 0 << -1e9 << false << batch(0, {1}) << false;
    QTest::newRow("unknown condition never fires")
        << 0 << 2 << -1e9 << false << batch(0, {1}) << false;
    QTest::newRow("a NaN first sample does not hide the rest of the batch")
        << 0 << 0 << 5.0 << false << batch(0, {qQNaN(), 6}) << true;
    QTest::newRow("infinite samples are ignored")
        << 0 << 1 << 0.0 << false << batch(0, {-qInf(), 1}) << false;
    QTest::newRow("NaN samples do not fire")
        << 0 << 0 << 0.0 << false << batch(0, {qQNaN()}) << false;
}

void tst_Trigger::fires()
{
    QFETCH(int, channel);
    QFETCH(int, condition);
    QFETCH(double, threshold);
    QFETCH(bool, absolute);
    QFETCH(Batch, records);
    QFETCH(bool, fires);

    TriggerSettings settings;
    settings.channel = channel;
    settings.condition = condition;
    settings.threshold = threshold;
    settings.absoluteValue = absolute;
    QCOMPARE(triggerFires(settings, records), fires);
}

QTEST_APPLESS_MAIN(tst_Trigger)
#include "tst_trigger.moc"
