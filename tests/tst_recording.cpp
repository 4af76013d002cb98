#include "ScopeRecording.h"

#include <QtTest>

using Values = QVector<double>;

namespace {

ScopeFileCurve column(const QString &title, int slot)
{
    CurveBinding binding;
    binding.slot = slot;
    binding.unit = "deg";
    return {title, binding, {}, {}};
}

} // namespace

// The recording the plot shows and files are made of: its file form and what it says of
// its own time.
class TestRecording : public QObject
{
    Q_OBJECT

private slots:
    // Curves over one time column export one copy of it (an hour would take its memory
    // again); a shorter curve and a compared one export their own.
    void fileCurvesShareTheTimeColumn()
    {
        const ColumnSnapshot times = ColumnSnapshot::fromVector({10.0, 11.0, 12.0});
        std::vector<ColumnSnapshot> slotValues(4);
        slotValues[0] = ColumnSnapshot::fromVector({1, 2, 3});
        slotValues[1] = ColumnSnapshot::fromVector({4, 5, 6});
        slotValues[3] = ColumnSnapshot::fromVector({7, 8});
        ScopeRecording recording = ScopeRecording::sampled(
            {column("A", 0), column("B", 1), column("C", 3)}, times, slotValues, ClockOrigin());
        ScopeFileCurve other = column("D", 0);
        other.x = {5.0, 6.0};
        other.y = {9.0, 9.0};
        recording.addCompared({other}, "old", {7});
        QCOMPARE(recording.titles(), QStringList({"A", "B", "C", "D (old)"}));

        const QVector<ScopeFileCurve> curves = recording.fileCurves();
        QCOMPARE(curves.size(), 4);
        QCOMPARE(curves.at(0).x, Values({0.0, 1.0, 2.0}));
        QCOMPARE(curves.at(1).x.constData(), curves.at(0).x.constData());
        QCOMPARE(curves.at(1).y, Values({4, 5, 6}));
        QCOMPARE(curves.at(2).x, Values({0.0, 1.0}));
        QCOMPARE(curves.at(2).y, Values({7, 8}));
        QCOMPARE(curves.at(3).x, Values({5.0, 6.0}));
        QCOMPARE(curves.at(3).binding.slot, 7);
    }

    // Export asks for the rows a stretch at a time: joined, the stretches are the whole,
    // whatever their length, with a shorter curve and a compared one among the curves.
    void stretchesMakeTheWhole_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("one row") << 1;
        QTest::newRow("two rows") << 2;
        QTest::newRow("all at once") << 10;
    }
    void stretchesMakeTheWhole()
    {
        QFETCH(int, length);
        std::vector<ColumnSnapshot> slotValues = {ColumnSnapshot::fromVector({1, 2, 3, 4, 5}),
                                                  ColumnSnapshot::fromVector({6, 7})};
        ScopeRecording recording = ScopeRecording::sampled(
            {column("A", 0), column("B", 1)}, ColumnSnapshot::fromVector({10, 11, 12, 13, 14}),
            slotValues, ClockOrigin());
        ScopeFileCurve other = column("C", 0);
        other.x = {0.0, 5.0, 9.0};
        other.y = {8.0, 8.5, 9.0};
        recording.addCompared({other}, "old", {2});
        const QVector<ScopeFileCurve> whole = recording.fileCurves();
        QCOMPARE(recording.fileRowCount(), 5);
        QVector<ScopeFileCurve> joined = recording.fileCurves(0, 0);
        for (int first = 0; first < recording.fileRowCount(); first += length) {
            const QVector<ScopeFileCurve> stretch = recording.fileCurves(first, first + length);
            for (int k = 0; k < joined.size(); ++k) {
                joined[k].x += stretch.at(k).x;
                joined[k].y += stretch.at(k).y;
            }
        }
        for (int k = 0; k < whole.size(); ++k) {
            QCOMPARE(joined.at(k).x, whole.at(k).x);
            QCOMPARE(joined.at(k).y, whole.at(k).y);
        }
        QCOMPARE(whole.at(1).y, Values({6, 7}));
        QCOMPARE(whole.at(2).x, Values({0.0, 5.0, 9.0}));
    }

    // An export of a recording says where its first row lay on the controller's clock and
    // the wall clock; a loaded file keeps saying so when exported again, cut or not, and
    // places its trigger in its own time.
    void fileMetaFollowsTheFirstRow_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<double>("firstShown");
        QTest::addColumn<double>("controllerTime");
        QTest::addColumn<qint64>("startedMs");
        QTest::newRow("sampled") << false << 0.0 << 5000.0 << qint64(4000);
        QTest::newRow("loaded") << true << 100.0 << 1100.0 << qint64(1100);
    }
    void fileMetaFollowsTheFirstRow()
    {
        QFETCH(bool, loaded);
        QFETCH(double, firstShown);
        QFETCH(double, controllerTime);
        QFETCH(qint64, startedMs);
        const QDateTime epoch = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        ScopeRecording recording;
        if (loaded) {
            ScopeFileContent content;
            content.times = {100.0, 101.0};
            content.curves = {column("A", 0)};
            content.curves[0].y = {1.0, 2.0};
            ScopeFileMeta meta;
            meta.firstRowTime = 0.0;
            meta.controllerTime = 1000.0;
            meta.started = epoch.addMSecs(1000);
            meta.trigger = ScopeFileTrigger{};
            meta.trigger->instant = 1050.0;
            recording = ScopeRecording::loaded(content, meta);
            QCOMPARE(recording.triggerTime(), std::optional<double>(50.0));
        } else {
            recording = ScopeRecording::sampled({column("A", 0)},
                                                ColumnSnapshot::fromVector({5000.0, 5001.0}),
                                                {ColumnSnapshot::fromVector({1.0, 2.0})},
                                                ClockOrigin{6000.0, epoch.addMSecs(5000)});
            QVERIFY(!recording.triggerTime());
        }
        const ScopeFileMeta meta = recording.fileMeta(true);
        QCOMPARE(meta.firstRowTime, std::optional<double>(firstShown));
        QCOMPARE(meta.controllerTime, std::optional<double>(controllerTime));
        QCOMPARE(meta.started, epoch.addMSecs(startedMs));
        QCOMPARE(meta.trigger.has_value(), loaded);
        QVERIFY(meta.exactValues);
        QCOMPARE(meta.channels.size(), 1);
    }

    // A loaded file's jumps in time are told against its typical step, so a file recorded
    // across Stop and Start shows the pause as a gap; jitter and NaN times are not jumps.
    void jumpsInTimeAreGaps_data()
    {
        QTest::addColumn<Values>("times");
        QTest::addColumn<QVector<int>>("breaks");
        const double nan = std::nan("");
        QTest::newRow("even") << Values{0, 1, 2, 3, 4} << QVector<int>{};
        QTest::newRow("jittered") << Values{0, 1, 1.5, 3, 3.5, 5, 6} << QVector<int>{};
        QTest::newRow("paused") << Values{0, 1, 2, 3, 100, 101, 102} << QVector<int>{4};
        QTest::newRow("paused at once") << Values{0, 50, 51, 52, 53} << QVector<int>{1};
        QTest::newRow("a row without time") << Values{0, 1, nan, 3, 4} << QVector<int>{};
        QTest::newRow("two rows") << Values{0, 100} << QVector<int>{};
    }
    void jumpsInTimeAreGaps()
    {
        QFETCH(Values, times);
        QFETCH(QVector<int>, breaks);
        ScopeFileContent content;
        content.times = times;
        content.curves = {column("A", 0)};
        content.curves[0].y = Values(times.size(), 1.0);
        const ScopeRecording recording = ScopeRecording::loaded(content, ScopeFileMeta());
        QCOMPARE(recording.curves().front().timeBreaks, breaks);
    }
};

QTEST_APPLESS_MAIN(TestRecording)
#include "tst_recording.moc"
