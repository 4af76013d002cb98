// The scope driven from code through its public API: refusals that change nothing and show
// nothing, the signals of a run, and the widget's size.
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeTestSupport.h"
#include "TriggerMark.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <limits>

#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

using namespace ScopeTest;

static_assert(sizeof(TarnPlugin_Scope) == sizeof(QWidget) + sizeof(void *),
              "the widget keeps its data behind one pointer");

Q_DECLARE_METATYPE(TarnPlugin_Scope::EndReason)

namespace {

const QString kJ1 = QStringLiteral("J1 Target ACS");
const QString kJ2 = QStringLiteral("J2 Target ACS");

// A small scope file with one curve, written as the scope writes them.
QString writeScopeFile(const QString &fileName)
{
    ScopeFileCurve curve;
    curve.title = kJ1;
    curve.binding.slot = 0;
    curve.binding.unit = QStringLiteral("ACS(deg)");
    curve.x = {0.0, 1.0, 2.0};
    curve.y = {5.0, 6.0, 7.0};
    QString error;
    ScopeFile::save(fileName, {curve}, ScopeFile::Progress(), &error);
    return fileName;
}

// The time axis's major ticks and their labels, as the plot shows them now.
QStringList timeLabels(QwtScope *plot, QList<double> *ticks = nullptr)
{
    plot->replot();
    plot->updateAxes();
    const QList<double> major = plot->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
    QStringList labels;
    for (double tick : major)
        labels << plot->axisScaleDraw(QwtPlot::xBottom)->label(tick).text();
    if (ticks)
        *ticks = major;
    return labels;
}

// Records 0..count-1 ms in batches of 250, all queued at once so they arrive far faster than
// real time: J1 (slot 0) is `trigger(t)`, J2 (slot 1) carries each record's time.
void queueSignal(int count, const std::function<double(int)> &trigger)
{
    constexpr int kBatch = 250;
    for (int first = 0; first < count; first += kBatch) {
        TarnSim::Batch batch;
        for (int t = first; t < std::min(count, first + kBatch); ++t) {
            _ST_ReadScopeData r = record(t, trigger(t));
            r.dValue[1] = t;
            batch.records.push_back(r);
        }
        TarnSim::queueBatch(batch);
    }
}

// "first..last (count)" of a capture's J2 curve, i.e. of its record times.
QString spanOf(const TarnScopeCapture &capture)
{
    const QVector<double> &t = capture.curves.at(1).values;
    if (t.isEmpty())
        return QStringLiteral("empty");
    return QString("%1..%2 (%3)").arg(t.first()).arg(t.last()).arg(t.size());
}

} // namespace

class tst_ScopeApi : public QObject
{
    Q_OBJECT

    std::unique_ptr<TarnPlugin_Scope> m_scope;
    QTemporaryDir m_dir;

public slots:
    void deleteScope() { m_scope.reset(); }

private slots:
    void initTestCase() { qRegisterMetaType<TarnPlugin_Scope::EndReason>(); }
    void init() { m_scope = freshScope(); }
    void cleanup() { m_scope.reset(); }

    // Each refusal says why, through the return and errorOccurred, shows no dialog and
    // leaves the channels and the recording as they were.
    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("because");
        QTest::newRow("unknown channel") << "channels J7"
                                         << "no channel is called";
        QTest::newRow("37 channels") << "channels 37"
                                     << "at most 36";
        QTest::newRow("a set the dialog cannot choose alone")
            << "channels J1 Target, J2 Actual"
            << "without also recording J1 Actual ACS";
        QTest::newRow("export to a folder that is not there") << "export nowhere"
                                                              << "Cannot write";
        QTest::newRow("import of a missing file") << "import missing"
                                                  << "Cannot read";
        QTest::newRow("import of a file with no curve") << "import empty"
                                                        << "No curve";
        QTest::newRow("export while sampling") << "export sampling"
                                               << "Not while sampling";
        QTest::newRow("export over a file not to be replaced") << "export existing"
                                                               << "exists";
    }
    void refusalsChangeNothing()
    {
        QFETCH(QString, call);
        QVERIFY(m_scope->importFromFile(writeScopeFile(m_dir.filePath("before.csv"))));
        QVERIFY(m_scope->setChannels({kJ1}));
        const QList<TarnScopeCurveData> before = m_scope->recordedCurves();
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        QSignalSpy channelChanges(m_scope.get(), &TarnPlugin_Scope::channelsChanged);
        ModalDialogAnswerer answerer;
        answerer.start();

        QString error;
        bool done = true;
        if (call == "channels J7") {
            done = m_scope->setChannels({QStringLiteral("J7 Target ACS")}, &error);
        } else if (call == "channels 37") {
            QStringList titles;
            for (const TarnScopeChannelInfo &channel : m_scope->availableChannels().mid(0, 37))
                titles << channel.title;
            done = m_scope->setChannels(titles, &error);
        } else if (call == "channels J1 Target, J2 Actual") {
            done = m_scope->setChannels({kJ1, QStringLiteral("J2 Actual ACS")}, &error);
        } else if (call == "export nowhere") {
            QVERIFY(m_scope->importFromFile(writeScopeFile(m_dir.filePath("data.csv"))));
            done = m_scope->exportToFile(m_dir.filePath("no/such/folder/out.csv"), &error);
        } else if (call == "import missing") {
            done = m_scope->importFromFile(m_dir.filePath("missing.csv"), &error);
        } else if (call == "import empty") {
            QFile empty(m_dir.filePath("empty.csv"));
            QVERIFY(empty.open(QIODevice::WriteOnly));
            empty.close();
            done = m_scope->importFromFile(empty.fileName(), &error);
        } else if (call == "export existing") {
            const QString taken = writeScopeFile(m_dir.filePath("taken.csv"));
            QVERIFY(m_scope->importFromFile(writeScopeFile(m_dir.filePath("data.csv"))));
            done = m_scope->exportToFile(taken, &error);
            QVERIFY(m_scope->exportToFile(m_dir.filePath("taken.csv"), nullptr,
                                          TarnPlugin_Scope::ReplaceExisting));
        } else if (call == "export sampling") {
            m_scope->start();
            QVERIFY(m_scope->isSampling());
            done = m_scope->exportToFile(m_dir.filePath("out.csv"), &error);
            m_scope->stop();
        }
        answerer.stop();

        QVERIFY(!done);
        QFETCH(QString, because);
        QVERIFY2(error.contains(because), qPrintable(error));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), error);
        QCOMPARE(answerer.messages(), QStringList());
        if (call.startsWith("channels")) {
            QCOMPARE(channelChanges.count(), 0);
            QCOMPARE(m_scope->channels(), QStringList{kJ1});
        }
        if (call.startsWith("import"))
            QCOMPARE(m_scope->recordedCurves().size(), before.size());
    }

    // A run from code: channels and period set, the trigger fires at the sample that crosses
    // it, an end grab ends the recording while the scope holds, and Stop then ends sampling
    // without announcing the recording's end twice.
    void signalsOfARun()
    {
        QSignalSpy sampling(m_scope.get(), &TarnPlugin_Scope::samplingChanged);
        QSignalSpy fired(m_scope.get(), &TarnPlugin_Scope::triggerFired);
        QSignalSpy ended(m_scope.get(), &TarnPlugin_Scope::recordingEnded);
        QSignalSpy period(m_scope.get(), &TarnPlugin_Scope::periodChanged);

        QVERIFY(m_scope->setChannels({kJ2, kJ1}));
        QCOMPARE(m_scope->channels(), (QStringList{kJ1, kJ2}));
        m_scope->setPeriod(2000);
        m_scope->setPeriod(5);
        QCOMPARE(m_scope->period(), 2000);
        QCOMPARE(period.count(), 1);

        m_scope->setTriggerChannel(kJ2);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerMode(TarnPlugin_Scope::EndGrab);
        m_scope->setTriggerEnabled(true);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        QCOMPARE(sampling.count(), 1);
        QCOMPARE(sampling.first().first().toBool(), true);

        for (const auto &times : {QVector<double>{10, 11, 12}, QVector<double>{13, 14}}) {
            TarnSim::Batch batch;
            for (double t : times) {
                _ST_ReadScopeData r = record(t, 0.0);
                r.dValue[1] = t == 13 ? 60.0 : 40.0; // J2, slot 1, crosses at 13 ms
                batch.records.push_back(r);
            }
            TarnSim::queueBatch(batch);
        }
        QTRY_COMPARE(fired.count(), 1);
        QCOMPARE(fired.first().first().toDouble(), 13.0);
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::TriggerEnd);
        QVERIFY(m_scope->isSampling());

        m_scope->stop();
        QCOMPARE(sampling.count(), 2);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(m_scope->recordedCurves().first().values.size(), 3); // the batch before it
    }

    // J1 crosses "> 50" at 1500 ms only; the capture holds exactly the records from
    // instant + delay for one period (open grab) or the period up to it (end grab), however
    // fast the records came and although nothing was drawn meanwhile.
    void captureWindowIsCutAtTheInstant_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<int>("period");
        QTest::addColumn<QString>("span");
        const int open = TarnPlugin_Scope::OpenGrab;
        const int end = TarnPlugin_Scope::EndGrab;
        QTest::newRow("open, 0, 1000 ms") << open << "0" << 1000 << "1500..2500 (1001)";
        QTest::newRow("open, -500, 1000 ms") << open << "-500" << 1000 << "1000..2000 (1001)";
        QTest::newRow("open, 200, 1000 ms") << open << "200" << 1000 << "1700..2700 (1001)";
        QTest::newRow("open, -500, 10 ms") << open << "-500" << 10 << "1000..1010 (11)";
        QTest::newRow("open, 0, 10 ms") << open << "0" << 10 << "1500..1510 (11)";
        QTest::newRow("end, 0, 1000 ms") << end << "0" << 1000 << "500..1500 (1001)";
        QTest::newRow("end, -500, 1000 ms") << end << "-500" << 1000 << "0..1000 (1001)";
        QTest::newRow("end, 300, 1000 ms") << end << "300" << 1000 << "800..1800 (1001)";
        QTest::newRow("end, 0, 10 ms") << end << "0" << 10 << "1490..1500 (11)";
    }
    void captureWindowIsCutAtTheInstant()
    {
        QFETCH(int, mode);
        QFETCH(QString, delay);
        QFETCH(int, period);
        QSignalSpy completed(m_scope.get(), &TarnPlugin_Scope::captureCompleted);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->setPeriod(period);
        QCOMPARE(m_scope->period(), period);
        m_scope->setTriggerChannel(kJ1);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerMode(TarnPlugin_Scope::TriggerMode(mode));
        m_scope->setTriggerDelay(delay);
        m_scope->setTriggerFolder(m_dir.filePath(QTest::currentDataTag()));
        m_scope->setTriggerEnabled(true);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueSignal(3000, [](int t) { return t >= 1500 && t < 1600 ? 100.0 : 0.0; });
        QVERIFY(batchesConsumedWithoutEvents(2));
        QTRY_COMPARE(completed.count(), 1);
        m_scope->stop();
        QCOMPARE(completed.count(), 1);
        const TarnScopeCapture capture = m_scope->captures().first();
        QCOMPARE(capture.triggerTime, 1500.0);
        QTEST(spanOf(capture), "span");
        // The file says where in it the trigger fired, and when that was.
        const std::optional<ScopeFileMeta> meta = ScopeFileMeta::loadBeside(capture.fileName);
        QVERIFY(meta && meta->trigger);
        QCOMPARE(meta->trigger->instant, 1500.0);
        QCOMPARE(meta->trigger->delay, std::optional<double>(delay.toDouble()));
        QCOMPARE(meta->trigger->channel, kJ1);
        QCOMPARE(meta->fileTimeOf(meta->trigger->instant), std::optional<double>(1500.0));
        QCOMPARE(meta->controllerTime, std::optional<double>(capture.curves.at(1).values.first()));
        QVERIFY(meta->started.isValid());
        QVERIFY(qAbs(meta->started.secsTo(QDateTime::currentDateTimeUtc())) < 60);

        // Shown again, from the list or from its file, it carries its trigger mark.
        auto *mark = m_scope->findChild<TriggerMark *>();
        const auto markedAt = [&] {
            return mark->shownTime() + plotOf(m_scope.get())->timeOrigin();
        };
        QVERIFY(m_scope->showCapture(0));
        QVERIFY(mark->isPlaced());
        QCOMPARE(markedAt(), 1500.0);
        QVERIFY(m_scope->importFromFile(capture.fileName));
        QVERIFY(mark->isPlaced());
        QCOMPARE(markedAt(), 1500.0);
        const QString state = child<QLabel>(m_scope.get(), "Kvel_Scope_lb_State")->text();
        QVERIFY2(state.contains("trigger on " + kJ1), qPrintable(state));
    }

    // An import is only looked at: the next Start records the channels chosen before it, and
    // a Start with none chosen says so and starts nothing.
    void importLeavesTheChosenChannels()
    {
        QVERIFY(m_scope->setChannels({kJ2}));
        QVERIFY(m_scope->importFromFile(writeScopeFile(m_dir.filePath("j1.csv"))));
        QCOMPARE(m_scope->channels(), QStringList{kJ1});
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        TarnSim::queueBatch(stampedBatch(0, 10));
        QVERIFY(waitForBatchesConsumed());
        m_scope->stop();
        QCOMPARE(m_scope->channels(), QStringList{kJ2});
        QCOMPARE(m_scope->recordedCurves().first().values.size(), 10);
    }
    // "Wall-clock time" on a live run: unknown until records arrive, then each tick at the
    // time of day the recording's own metadata gives its plot time, on whole seconds.
    void wallClockTimeOfALiveRun()
    {
        QSignalSpy viewChanges(m_scope.get(), &TarnPlugin_Scope::viewChanged);
        m_scope->setProperty("wallClockTime", true);
        QCOMPARE(viewChanges.count(), 1);
        QVERIFY(m_scope->findChild<QAction *>("ScopeAction_WallClockTime")->isChecked());
        QwtScope *plot = plotOf(m_scope.get());
        QVERIFY(m_scope->setChannels({kJ1}));
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(),
                 QString("time(ms); wall-clock time unknown for this recording"));
        TarnSim::queueBatch(stampedBatch(1000, 100));
        QVERIFY(waitForBatchesConsumed());
        m_scope->stop();
        const QDateTime after = QDateTime::currentDateTime();

        const QString file = m_dir.filePath("live.csv");
        QVERIFY(m_scope->exportToFile(file));
        const std::optional<ScopeFileMeta> meta = ScopeFileMeta::loadBeside(file);
        QVERIFY(meta && meta->started.isValid() && meta->firstRowTime);
        QVERIFY(meta->started >= before.addMSecs(-100) && meta->started <= after);
        QList<double> ticks;
        const QStringList labels = timeLabels(plot, &ticks);
        QVERIFY(!ticks.isEmpty());
        for (int i = 0; i < ticks.size(); ++i) {
            const QDateTime at = meta->started.addMSecs(qRound64(ticks[i] - *meta->firstRowTime));
            QCOMPARE(at.toLocalTime().time().msec(), 0);
            QCOMPARE(labels[i], at.toLocalTime().toString("hh:mm:ss"));
        }
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(),
                 QString("wall-clock time (%1)")
                     .arg(meta->started.toLocalTime().date().toString(Qt::ISODate)));
    }

    // An imported file's axis follows its metadata (its first row's wall clock and time);
    // without metadata the axis stays in ms and says why.
    void wallClockTimeOfAnImportedFile_data()
    {
        QTest::addColumn<bool>("withMeta");
        QTest::addColumn<QStringList>("labels"); // empty: in ms
        QTest::addColumn<QString>("title");
        QTest::newRow("metadata") << true
                                  << QStringList{"14:02:12", "14:02:13", "14:02:14", "14:02:15",
                                                 "14:02:16", "14:02:17", "14:02:18", "14:02:19",
                                                 "14:02:20", "14:02:21"}
                                  << "wall-clock time (2024-05-03)";
        QTest::newRow("no metadata")
            << false << QStringList() << "time(ms); wall-clock time unknown for this recording";
    }
    void wallClockTimeOfAnImportedFile()
    {
        QFETCH(bool, withMeta);
        QFETCH(QStringList, labels);
        QFETCH(QString, title);
        ScopeFileCurve curve;
        curve.title = kJ1;
        curve.binding.unit = QStringLiteral("ACS(deg)");
        curve.x = {2000.0, 6000.0, 10000.0};
        curve.y = {5.0, 6.0, 7.0};
        const QString file = m_dir.filePath(QString("%1.csv").arg(withMeta ? "with" : "without"));
        QString error;
        QCOMPARE(ScopeFile::save(file, {curve}, ScopeFile::Progress(), &error),
                 ScopeFile::Outcome::Done);
        if (withMeta) {
            ScopeFileMeta meta;
            meta.firstRowTime = 2000.0;
            meta.started = QDateTime(QDate(2024, 5, 3), QTime(14, 2, 13, 347));
            QVERIFY(meta.saveBeside(file, &error));
        }
        m_scope->setWallClockTime(true);
        QVERIFY(m_scope->importFromFile(file));
        QwtScope *plot = plotOf(m_scope.get());
        QList<double> ticks;
        const QStringList shown = timeLabels(plot, &ticks);
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(), title);
        if (labels.isEmpty())
            QCOMPARE(shown.last(), QwtScaleDraw().label(ticks.last()).text());
        else
            QCOMPARE(shown, labels);
        m_scope->setWallClockTime(false);
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(), QString("time(ms)"));
        QCOMPARE(timeLabels(plot).last(), QwtScaleDraw().label(10000.0).text());
    }

    void startWithNothingChosenRefuses()
    {
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        QSignalSpy ended(m_scope.get(), &TarnPlugin_Scope::recordingEnded);
        m_scope->start();
        QVERIFY(!m_scope->isSampling());
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().first().toString().contains("No channel is chosen"));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::SetupRefused);
    }

    // Repeat mode: crossings two periods apart, many in one batch, every one captured, and
    // each first once the signal was back inside.
    void repeatCapturesEveryCrossing()
    {
        QSignalSpy completed(m_scope.get(), &TarnPlugin_Scope::captureCompleted);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->setPeriod(10);
        m_scope->setTriggerChannel(kJ1);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerDelay("-2");
        m_scope->setTriggerRepeat(true);
        m_scope->setTriggerKeep(100);
        m_scope->setTriggerEnabled(true);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        // Beyond for 3 ms every 20 ms from 100 ms on: 45 crossings up to 999 ms.
        queueSignal(1000, [](int t) { return t >= 100 && t % 20 < 3 ? 100.0 : 0.0; });
        QVERIFY(batchesConsumedWithoutEvents(2));
        QTRY_COMPARE(completed.count(), 45);
        m_scope->stop();
        const QList<TarnScopeCapture> captures = m_scope->captures();
        QCOMPARE(captures.size(), 45);
        for (int k = 0; k < captures.size(); ++k) {
            const double instant = 100.0 + 20.0 * k;
            QCOMPARE(captures.at(k).triggerTime, instant);
            QCOMPARE(spanOf(captures.at(k)),
                     QString("%1..%2 (11)").arg(instant - 2).arg(instant + 8));
        }
    }

    // With a delay the trigger is a scope's and waits for a crossing; without one a level
    // already beyond at Start fires at once, as it always did.
    void levelBeyondAtStart_data()
    {
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QVector<double>>("firings");
        QTest::newRow("delay typed: the crossing at 300 ms") << "0" << QVector<double>{300};
        QTest::newRow("no delay: the level at once") << "" << QVector<double>{0};
    }
    void levelBeyondAtStart()
    {
        QSignalSpy fired(m_scope.get(), &TarnPlugin_Scope::triggerFired);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->setTriggerChannel(kJ1);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerDelay(QTest::currentDataTag()[0] == 'd' ? "0" : "");
        m_scope->setTriggerEnabled(true);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        queueSignal(400, [](int t) { return t < 200 || t >= 300 ? 100.0 : 0.0; });
        QVERIFY(waitForBatchesConsumed());
        QTRY_VERIFY(!fired.isEmpty());
        QTest::qWait(50);
        QVector<double> firings;
        for (const QList<QVariant> &each : fired)
            firings << each.first().toDouble();
        QTEST(firings, "firings");
    }

    // Repeat mode over a signal that crosses five times and stays beyond the threshold across
    // batches: five captures, each ending exactly at its instant (end grab, delay 0), none
    // fired before the signal came back inside, each saved to a file that reads back the same.
    void repeatKeepsEachCapture()
    {
        QSignalSpy completed(m_scope.get(), &TarnPlugin_Scope::captureCompleted);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->setPeriod(50); // one batch per capture
        m_scope->setTriggerChannel(kJ1);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerMode(TarnPlugin_Scope::EndGrab);
        m_scope->setTriggerDelay("0");
        m_scope->setTriggerRepeat(true);
        m_scope->setTriggerFolder(m_dir.filePath("captures"));
        m_scope->setTriggerEnabled(true);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));

        for (int k = 0; k < 5; ++k) {
            TarnSim::Batch batch;
            for (int i = 0; i < 10; ++i) {
                // Still beyond from the last crossing, back inside, then beyond from i = 4.
                const bool beyond = (i < 2 && k > 0) || i >= 4;
                _ST_ReadScopeData r = record(100.0 * k + i, 0.0);
                r.dValue[0] = beyond ? 100.0 : 0.0;
                r.dValue[1] = r.dTime;
                batch.records.push_back(r);
            }
            TarnSim::queueBatch(batch);
            QTRY_COMPARE(completed.count(), k + 1);
        }
        const QList<TarnScopeCapture> captures = m_scope->captures();
        QCOMPARE(captures.size(), 5);
        for (int k = 0; k < 5; ++k) {
            const TarnScopeCapture &capture = captures.at(k);
            QCOMPARE(capture.triggerTime, 100.0 * k + 4);
            QCOMPARE(capture.channel, kJ1);
            QCOMPARE(capture.value, 100.0);
            QCOMPARE(capture.curves.at(1).values,
                     (QVector<double>{100.0 * k, 100.0 * k + 1, 100.0 * k + 2, 100.0 * k + 3,
                                      100.0 * k + 4}));
            ScopeFileContent content;
            QString error;
            QCOMPARE(ScopeFile::load(capture.fileName, &content, ScopeFile::Progress(), &error),
                     ScopeFile::Outcome::Done);
            QCOMPARE(content.curves.at(1).y, capture.curves.at(1).values);
        }
        const QDir folder(m_dir.filePath("captures"));
        QCOMPARE(folder.entryList({"*.csv"}, QDir::Files).size(), 5);
        QCOMPARE(folder.entryList({"*.csv.json"}, QDir::Files).size(), 5);

        // A smaller bound lets the oldest go, and the operator is told how many went.
        m_scope->setTriggerKeep(2);
        QCOMPARE(m_scope->captures().size(), 2);
        QCOMPARE(m_scope->captures().first().triggerTime, 304.0);
        TarnSim::Batch more;
        for (int i = 0; i < 10; ++i) {
            _ST_ReadScopeData r = record(500.0 + i, i >= 4 ? 100.0 : 0.0);
            more.records.push_back(r);
        }
        TarnSim::queueBatch(more);
        QTRY_COMPARE(completed.count(), 6);
        QCOMPARE(m_scope->captures().size(), 2);
        const QString state = child<QLabel>(m_scope.get(), "Kvel_Scope_lb_State")->text();
        QVERIFY2(state.endsWith("2 of 2 captures kept, 4 oldest dropped"), qPrintable(state));

        QVERIFY(!m_scope->showCapture(0)); // not while sampling
        m_scope->stop();
        QVERIFY(m_scope->showCapture(0));
        QCOMPARE(m_scope->recordedCurves().at(1).values, captures.at(4).curves.at(1).values);
        QVERIFY(!m_scope->showCapture(2));

        // The other kept capture beside it, for comparison, and the plot's curves as they were
        // once something else is shown.
        QVERIFY(m_scope->compareCapture(1));
        const QList<TarnScopeCurveData> compared = m_scope->recordedCurves();
        QCOMPARE(compared.size(), 4);
        QCOMPARE(compared.at(3).title, kJ2 + " (capture at 504.0 ms)");
        QCOMPARE(compared.at(3).values, m_scope->captures().at(1).curves.at(1).values);
        QCOMPARE(compared.at(1).values, captures.at(4).curves.at(1).values);
        // Compared curves over the same times hold one copy of them.
        QCOMPARE(compared.at(3).times.constData(), compared.at(2).times.constData());
        QVERIFY(m_scope->showCapture(1));
        QCOMPARE(m_scope->recordedCurves().size(), 2);
    }

    // Why a recording ends, as the host hears it.
    void endReasons_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("reason");
        QTest::newRow("stop") << "stop" << int(TarnPlugin_Scope::StoppedByOperator);
        QTest::newRow("controller lost, invoked by name")
            << "lost" << int(TarnPlugin_Scope::ControllerLost);
        QTest::newRow("robot error with Stop when Error")
            << "error" << int(TarnPlugin_Scope::RobotError);
        QTest::newRow("start with 37 channels in the dialog")
            << "refused" << int(TarnPlugin_Scope::SetupRefused);
    }
    void endReasons()
    {
        QFETCH(QString, how);
        QFETCH(int, reason);
        QSignalSpy ended(m_scope.get(), &TarnPlugin_Scope::recordingEnded);
        if (how == "refused") {
            checkComponents(m_scope.get(), {AXIS_J1, AXIS_J2, AXIS_J3, AXIS_J4, AXIS_J5, AXIS_J6});
            checkLinks(m_scope.get(),
                       {LINK_TargetACS, LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO,
                        LINK_ActPosPDO, LINK_TargetJointVel, LINK_ActualJointVel}); // 42 channels
        } else {
            QVERIFY(m_scope->setChannels({kJ1}));
        }
        m_scope->setStopWhenError(how == "error");
        m_scope->start();
        if (how == "stop")
            m_scope->stop();
        else if (how == "lost")
            QMetaObject::invokeMethod(m_scope.get(), "slot_Disconnected2Mox");
        else if (how == "error")
            TarnSim::setErrorFlag(true);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 5000);
        QCOMPARE(int(ended.first().first().value<TarnPlugin_Scope::EndReason>()), reason);
        QVERIFY(!m_scope->isSampling());
    }

    // A host may delete the scope from a slot of any of its signals, raised by a call from
    // code or by the refresh: the scope's own code ends without touching what went.
    void hostDeletesTheScopeFromItsSignal_data()
    {
        QTest::addColumn<QString>("signal");
        for (const char *signal :
             {"errorOccurred", "channelsChanged", "periodChanged", "samplingChanged",
              "recordingEnded", "viewChanged", "exactValuesChanged", "recordingToFileChanged",
              "triggerSettingsChanged", "triggerFired", "captureCompleted"})
            QTest::newRow(signal) << signal;
    }
    void hostDeletesTheScopeFromItsSignal()
    {
        QFETCH(QString, signal);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->setTriggerFolder(m_dir.filePath("captures"));
        QMetaMethod raised;
        for (int k = 0; k < m_scope->metaObject()->methodCount(); ++k) {
            const QMetaMethod method = m_scope->metaObject()->method(k);
            if (method.methodType() == QMetaMethod::Signal && method.name() == signal)
                raised = method;
        }
        QVERIFY(QObject::connect(m_scope.get(), raised, this,
                                 metaObject()->method(metaObject()->indexOfSlot("deleteScope()"))));
        if (signal == "errorOccurred")
            m_scope->setChannels({QStringLiteral("J7 Target ACS")});
        else if (signal == "channelsChanged")
            m_scope->setChannels({kJ1});
        else if (signal == "periodChanged")
            m_scope->setPeriod(500);
        else if (signal == "viewChanged")
            m_scope->setStripView(true);
        else if (signal == "exactValuesChanged")
            m_scope->setExactValues(true);
        else if (signal == "triggerSettingsChanged")
            m_scope->setTriggerThreshold(50.0);
        else if (signal == "samplingChanged")
            m_scope->start();
        else if (signal == "recordingEnded" || signal == "recordingToFileChanged") {
            QVERIFY(flushedAfter([this] { m_scope->start(); }));
            if (signal == "recordingEnded")
                m_scope->stop();
            else
                m_scope->startRecordingToFile(m_dir.filePath("recorded.csv"));
        } else {
            m_scope->setPeriod(1000);
            m_scope->setTriggerChannel(kJ1);
            m_scope->setTriggerThreshold(50.0);
            m_scope->setTriggerDelay("-500");
            m_scope->setTriggerEnabled(true);
            QVERIFY(flushedAfter([this] { m_scope->start(); }));
            queueSignal(3000, [](int t) { return t >= 1500 && t < 1600 ? 100.0 : 0.0; });
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_scope, 10000);
    }

    // A tab closed at any moment: with the period field focused and edited, while recording
    // to file, with a capture just cut.
    void destroyingTheScopeAtAnyMomentIsSafe_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::newRow("period field edited") << "period";
        QTest::newRow("recording to file") << "file";
        QTest::newRow("capture cut") << "capture";
    }
    void destroyingTheScopeAtAnyMomentIsSafe()
    {
        QFETCH(QString, moment);
        QVERIFY(m_scope->setChannels({kJ1, kJ2}));
        m_scope->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_scope.get()));
        if (moment == "period") {
            auto *edit = child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime");
            edit->setFocus();
            QTest::keyClicks(edit, "12");
            QVERIFY(edit->isModified());
        } else {
            m_scope->setPeriod(1000);
            m_scope->setTriggerChannel(kJ1);
            m_scope->setTriggerThreshold(50.0);
            m_scope->setTriggerDelay("-500");
            m_scope->setTriggerFolder(m_dir.filePath("captures"));
            m_scope->setTriggerEnabled(moment == "capture");
            QVERIFY(flushedAfter([this] { m_scope->start(); }));
            if (moment == "file")
                QVERIFY(m_scope->startRecordingToFile(m_dir.filePath("closed-tab.csv")));
            queueSignal(3000, [](int t) { return t >= 1500 && t < 1600 ? 100.0 : 0.0; });
            QVERIFY(batchesConsumedWithoutEvents(2));
        }
        m_scope.reset();
        QTest::qWait(50);
    }

    // A host may delete the scope while one of its dialogs is open (a timer, a controller
    // event): the dialog goes with it and nothing of the scope runs on.
    void destroyingTheScopeUnderItsDialogIsSafe_data()
    {
        QTest::addColumn<QString>("opener");   // a button or an action of the scope
        QTest::addColumn<QString>("browse");   // pressed in the first dialog, if any
        QTest::addColumn<QString>("answer");   // a file name typed into the first file dialog
        QTest::addColumn<QString>("deleteAt"); // the kind of dialog the scope goes under
        QTest::newRow("import") << "ScopePlugin_btn_ImportScope"
                                << ""
                                << ""
                                << "QFileDialog";
        QTest::newRow("import's warning") << "ScopePlugin_btn_ImportScope"
                                          << ""
                                          << "not-a-scope-file.txt"
                                          << "QMessageBox";
        QTest::newRow("export") << "ScopePlugin_btn_ExportScope"
                                << ""
                                << ""
                                << "QFileDialog";
        QTest::newRow("save image") << "ScopeAction_SaveImage"
                                    << ""
                                    << ""
                                    << "QFileDialog";
        QTest::newRow("save set-up") << "ScopeAction_SaveSetup"
                                     << ""
                                     << ""
                                     << "QFileDialog";
        QTest::newRow("load set-up") << "ScopeAction_LoadSetup"
                                     << ""
                                     << ""
                                     << "QFileDialog";
        QTest::newRow("record to file") << "ScopeAction_RecordToFile"
                                        << ""
                                        << ""
                                        << "RecordToFileDialog";
        QTest::newRow("record to file, browsing") << "ScopeAction_RecordToFile"
                                                  << "RecordToFile_btn_Browse"
                                                  << ""
                                                  << "QFileDialog";
        QTest::newRow("trigger options") << "ScopeAction_TriggerOptions"
                                         << ""
                                         << ""
                                         << "TriggerOptionsDialog";
        QTest::newRow("trigger options, browsing") << "ScopeAction_TriggerOptions"
                                                   << "TriggerOptions_btn_Browse"
                                                   << ""
                                                   << "QFileDialog";
        QTest::newRow("captures") << "ScopeAction_Captures"
                                  << ""
                                  << ""
                                  << "CaptureListDialog";
    }
    void destroyingTheScopeUnderItsDialogIsSafe()
    {
        QFETCH(QString, opener);
        QFETCH(QString, browse);
        QFETCH(QString, answer);
        QFETCH(QString, deleteAt);
        QVERIFY(m_scope->importFromFile(writeScopeFile(m_dir.filePath("shown.csv"))));
        if (!answer.isEmpty())
            writeScopeFile(m_dir.filePath(answer));
        m_scope->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_scope.get()));
        QPointer<QAbstractButton> pressed;
        QPointer<QWidget> answered;
        QTimer host;
        connect(&host, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            if (modal->inherits(deleteAt.toLatin1()) && modal != answered) {
                host.stop();
                deleteScope();
            } else if (!browse.isEmpty() && !pressed) {
                pressed = child<QAbstractButton>(modal, browse.toLatin1());
                QTimer::singleShot(0, pressed.data(), [pressed] { pressed->click(); });
            } else if (auto *files = qobject_cast<QFileDialog *>(modal); files && !answered) {
                answered = files;
                child<QLineEdit>(files, "fileNameEdit")->setText(m_dir.filePath(answer));
                QTimer::singleShot(0, files, [files] { static_cast<QDialog *>(files)->accept(); });
            }
        });
        host.start(20);
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        giveUp.start(10000);
        QWidget *scope = m_scope.get();
        if (auto *button = scope->findChild<QAbstractButton *>(opener))
            button->click();
        else if (auto *action = scope->findChild<QAction *>(opener))
            action->trigger();
        else
            QFAIL("no such button or action");
        QVERIFY2(!m_scope, "the scope was not deleted under its dialog");
        QTest::qWait(50);
    }

    // A call from another thread is refused with a warning and changes nothing.
    void callsFromAnotherThreadAreRefused()
    {
        QVERIFY(m_scope->setChannels({kJ1}));
        const int period = m_scope->period();
        QString error;
        bool exported = true;
        for (int k = 0; k < 3; ++k)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("called from a thread other"));
        std::unique_ptr<QThread> thread(QThread::create([&] {
            m_scope->setPeriod(period + 100);
            exported = m_scope->exportToFile(m_dir.filePath("elsewhere.csv"), &error);
            m_scope->start();
        }));
        thread->start();
        QVERIFY(thread->wait(10000));
        QCOMPARE(m_scope->period(), period);
        QVERIFY(!exported);
        QVERIFY(error.contains("thread"));
        QVERIFY(!m_scope->isSampling());
    }

    // A setter that refuses a value says why through errorOccurred and keeps the old one.
    void setterRefusalsSayWhy_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<QString>("because");
        QTest::newRow("period below 10 ms") << "period"
                                            << "Period 5 ms refused";
        QTest::newRow("threshold not a number") << "threshold"
                                                << "not a finite number";
        QTest::newRow("delay not a number") << "delay"
                                            << "not a number of ms";
        QTest::newRow("trigger on a channel not recorded") << "channel"
                                                           << "not a recorded";
    }
    void setterRefusalsSayWhy()
    {
        QFETCH(QString, setter);
        QVERIFY(m_scope->setChannels({kJ1}));
        m_scope->setTriggerDelay("-5");
        const QVariantList before = {m_scope->period(), m_scope->triggerThreshold(),
                                     m_scope->triggerDelay(), m_scope->triggerChannel()};
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        if (setter == "period")
            m_scope->setPeriod(5);
        else if (setter == "threshold")
            m_scope->setTriggerThreshold(std::numeric_limits<double>::quiet_NaN());
        else if (setter == "delay")
            m_scope->setTriggerDelay("abc");
        else
            m_scope->setTriggerChannel(kJ2);
        QCOMPARE(errors.count(), 1);
        QFETCH(QString, because);
        QVERIFY2(errors.first().first().toString().contains(because),
                 qPrintable(errors.first().first().toString()));
        const QVariantList after = {m_scope->period(), m_scope->triggerThreshold(),
                                    m_scope->triggerDelay(), m_scope->triggerChannel()};
        QCOMPARE(after, before);
    }

    // A file that loads with something amiss says so from code as the Import button does.
    void importNotesMatchTheButton_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("note");
        QTest::newRow("whole") << QByteArray("0,1,2\n1,3,4\n") << QString();
        QTest::newRow("a row with more fields")
            << QByteArray("0,1,2\n1,3,4,5\n") << "number of fields other";
        QTest::newRow("a field that is no number")
            << QByteArray("0,1,x\n1,3,4\n") << "are not numbers";
        QTest::newRow("a last line cut short") << QByteArray("0,1,2\n1,3") << "was cut off";
    }
    void importNotesMatchTheButton()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, note);
        const QString fileName = m_dir.filePath(QString("%1.csv").arg(QTest::currentDataTag()));
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("time,A_0_0_U,B_0_0_U\n" + body);
        file.close();
        QString notes = "not told";
        QVERIFY(m_scope->importFromFile(fileName, nullptr, &notes));
        if (note.isEmpty())
            QCOMPARE(notes, QString());
        else
            QVERIFY2(notes.contains(note), qPrintable(notes));
    }

    // A trigger turned off while it waits to open gives the recording back, not a held scope.
    void disarmingAWaitingTriggerRecordsOn()
    {
        QVERIFY(m_scope->setChannels({kJ1}));
        m_scope->setTriggerChannel(kJ1);
        m_scope->setTriggerThreshold(50.0);
        m_scope->setTriggerMode(TarnPlugin_Scope::OpenGrab);
        m_scope->setTriggerEnabled(true);
        QSignalSpy ended(m_scope.get(), &TarnPlugin_Scope::recordingEnded);
        QVERIFY(flushedAfter([this] { m_scope->start(); }));
        QVERIFY(m_scope->isTriggerArmed() && !m_scope->isCapturing());
        m_scope->setTriggerEnabled(false);
        QVERIFY(QMetaObject::invokeMethod(m_scope.get(), "CheckTriggerStatus"));
        QVERIFY(!m_scope->isTriggerArmed() && m_scope->isCapturing());
        QTest::qWait(300);
        QCOMPARE(ended.count(), 0);
    }
};

QTEST_MAIN(tst_ScopeApi)
#include "tst_scopeapi.moc"
