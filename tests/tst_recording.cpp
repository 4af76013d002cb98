#include "ScopeFile.h"
#include "ScopeRecording.h"

#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

using Values = QVector<double>;

namespace {

ScopeFileCurve column(const QString &title, int slot)
{
    CurveBinding binding;
    binding.slot = slot;
    binding.unit = "deg";
    return {title, binding, {}, {}};
}

// The address space this process holds now.
rlim_t addressSpaceInUse()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(0).toULongLong() * sysconf(_SC_PAGESIZE);
}

// The soft limit on the address space, lowered for one scope and given back after.
class AddressSpaceLimit
{
public:
    explicit AddressSpaceLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_AS, &m_before);
        rlimit limited = m_before;
        limited.rlim_cur = std::min(bytes, m_before.rlim_max);
        setrlimit(RLIMIT_AS, &limited);
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &m_before); }

private:
    rlimit m_before{};
};

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

    // Export writes the rows a stretch at a time: under a memory limit a whole copy of the
    // recording would break, it completes; under one too tight for that, it fails and says
    // so, and the process and the recording are whole.
    void exportUnderAMemoryLimit_data()
    {
        QTest::addColumn<int>("headroomMiB");
        QTest::addColumn<bool>("done");
        QTest::newRow("room for a stretch, not for a copy") << 24 << true;
        QTest::newRow("no room for a stretch") << 0 << false;
    }
    void exportUnderAMemoryLimit()
    {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("a sanitizer reserves more address space than any limit leaves");
#endif
        QFETCH(int, headroomMiB);
        QFETCH(bool, done);
        constexpr int kRows = 1000000;
        constexpr int kCurves = 8; // a copy: 8 × 8 MB of values and the times
        QVector<double> times(kRows);
        std::iota(times.begin(), times.end(), 0.0);
        std::vector<ScopeFileCurve> columns;
        std::vector<ColumnSnapshot> slotValues;
        for (int k = 0; k < kCurves; ++k) {
            columns.push_back(column(QStringLiteral("C%1").arg(k), k));
            slotValues.push_back(ColumnSnapshot::fromVector(times));
        }
        const ScopeRecording recording =
            ScopeRecording::sampled(QVector<ScopeFileCurve>(columns.begin(), columns.end()),
                                    ColumnSnapshot::fromVector(times), slotValues, ClockOrigin());
        QTemporaryDir dir;
        const QString fileName = dir.filePath("limited.csv");
        QString error;
        ScopeFile::Outcome outcome;
        {
            const AddressSpaceLimit limit(addressSpaceInUse() + rlim_t(headroomMiB) * 1024 * 1024);
            outcome = ScopeFile::save(
                fileName, recording.fileRowCount(),
                [&recording](int first, int last) { return recording.fileCurves(first, last); },
                ScopeFile::Progress(), &error);
        }
        QCOMPARE(outcome == ScopeFile::Outcome::Done, done);
        QCOMPARE(QFileInfo::exists(fileName), done);
        if (!done)
            QVERIFY2(error.contains("memory"), qPrintable(error));
        QCOMPARE(recording.fileRowCount(), kRows);
        QCOMPARE(recording.curves().back().values.size(), kRows);
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
