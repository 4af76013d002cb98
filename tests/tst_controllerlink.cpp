#include "QwtScope.h"
#include "ScopeTestSupport.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>
#include <random>
#include <set>

using namespace ScopeTest;

namespace {

// Twelve channels: one quantity for each joint.
QStringList jointsOf(const QStringList &quantities)
{
    QStringList titles;
    for (int joint = 1; joint <= 6; ++joint) {
        for (const QString &quantity : quantities)
            titles << QStringLiteral("J%1%2").arg(joint).arg(quantity);
    }
    return titles;
}

QwtScope *plotOf(TarnPlugin_Scope *scope)
{
    return scope->findChild<QwtScope *>();
}

QString stateLineOf(TarnPlugin_Scope *scope)
{
    return scope->findChild<QLabel *>("Kvel_Scope_lb_State")->text();
}

// The longest the GUI thread went without handling its events while `action` and then
// `waitMs` of the event loop ran.
qint64 longestGuiSilence(const std::function<void()> &action, int waitMs)
{
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    action();
    longest = std::max(longest, sinceTick.restart());
    QTest::qWait(waitMs);
    return longest;
}

} // namespace

// Several scopes in one process on one controller, and a controller that fails, stalls,
// refuses or steps its clock.
class tst_ControllerLink : public QObject
{
    Q_OBJECT

    std::vector<std::unique_ptr<TarnPlugin_Scope>> m_scopes;
    // Every record time the simulator delivered, and how often.
    std::map<double, int> m_delivered;

    TarnPlugin_Scope *makeScope()
    {
        m_scopes.push_back(std::make_unique<TarnPlugin_Scope>());
        m_scopes.back()->show();
        m_scopes.back()->setPeriod(60000);
        return m_scopes.back().get();
    }

    void collectDeliveries()
    {
        for (const TarnSim::Delivery &delivery : TarnSim::takeDeliveries()) {
            for (double time : delivery.times)
                ++m_delivered[time];
        }
    }

    // The stopped scope holds a run of delivered records, each once and in order, with its
    // own channels' values; a stretch dropped for a rebuilt list is marked by one gap record.
    void checkRecording(TarnPlugin_Scope *scope)
    {
        collectDeliveries();
        const QList<TarnScopeCurveData> curves = scope->recordedCurves();
        if (curves.isEmpty() || curves.first().times.isEmpty())
            return;
        QwtScope *plot = plotOf(scope);
        const QVector<double> &times = curves.first().times;
        double previous = -1.0;
        for (int i = 0; i < times.size(); ++i) {
            const double time = times[i] + plot->timeOrigin();
            QVERIFY2(time > previous, "records in order, each once");
            QVERIFY2(m_delivered.count(time) && m_delivered[time] == 1,
                     qPrintable(QString("%1 not delivered once").arg(time)));
            const bool gap = std::isnan(curves.first().values[i]);
            if (i > 0 && !std::isnan(curves.first().values[i - 1])) {
                // Nothing delivered between two records held, but after a gap.
                const auto between = m_delivered.upper_bound(previous);
                QVERIFY2(between->first == time,
                         qPrintable(QString("%1 missing before %2").arg(between->first).arg(time)));
            }
            for (int slot = 0; slot < curves.size(); ++slot) {
                const double value = curves[slot].values[i];
                QCOMPARE(curves[slot].times[i], times[i]);
                if (gap) {
                    QVERIFY(std::isnan(value));
                    continue;
                }
                const int index = plot->curveBinding(slot).scopeIndex;
                QVERIFY2(value == TarnSim::sampleValue(index, time),
                         qPrintable(
                             QString("%1 at %2: %3").arg(curves[slot].title).arg(time).arg(value)));
            }
            previous = time;
        }
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<TarnPlugin_Scope::EndReason>();
        qRegisterMetaType<TarnPlugin_Scope::ControllerStatus>();
    }
    void init()
    {
        TarnSim::reset();
        TarnSim::setCycleMs(2.0);
        TarnSim::setDeliveryLog(true);
        m_delivered.clear();
    }
    void cleanup() { m_scopes.clear(); }

    // Three scopes with overlapping and distinct channels, started, stopped and re-chosen
    // at random while the others sample: each holds only its own columns, every record once.
    void scopesShareTheControllerWithoutMixingTheirData()
    {
        const QList<QStringList> choices{
            jointsOf({" Target ACS", " Actual ACS"}), jointsOf({" Actual ACS", " Actual Cur"}),
            jointsOf({" Target Cur", " Target JointVel"}), jointsOf({" Actual JointVel"}),
            jointsOf({" FilCur", " Actual Cur"})};
        for (int i = 0; i < 3; ++i)
            QVERIFY(makeScope()->setChannels(choices[i]));
        std::mt19937 random(7);
        int checked = 0;
        for (int step = 0; step < 40; ++step) {
            TarnPlugin_Scope *scope = m_scopes[random() % 3].get();
            switch (random() % 3) {
            case 0:
                if (!scope->isSampling())
                    scope->start();
                break;
            case 1:
                if (scope->isSampling()) {
                    scope->stop();
                    checkRecording(scope);
                    ++checked;
                }
                break;
            default:
                scope->setChannels(choices[random() % choices.size()]); // may not fit: refused
                break;
            }
            QTest::qWait(int(60 + random() % 200));
        }
        for (auto &scope : m_scopes) {
            scope->stop();
            checkRecording(scope.get());
        }
        QVERIFY(checked > 3);
    }

    // Two scopes on the same channel see the same values at the same times, and starting a
    // second scope costs the first no record.
    void aSecondScopeCostsTheFirstNothing()
    {
        TarnPlugin_Scope *first = makeScope();
        TarnPlugin_Scope *second = makeScope();
        QVERIFY(first->setChannels({"J1 Target ACS", "CurMS"}));
        QVERIFY(second->setChannels({"CurMS", "RTCycle"}));
        first->start();
        QTest::qWait(300);
        second->start();
        QTest::qWait(400);
        second->stop();
        QTest::qWait(200);
        first->stop();
        checkRecording(first);
        checkRecording(second);
        const TarnScopeCurveData a = first->recordedCurves().at(1);
        const TarnScopeCurveData b = second->recordedCurves().at(0);
        QCOMPARE(a.title, QString("CurMS"));
        QVERIFY(b.times.size() > 100);
        const double offset = plotOf(second)->timeOrigin() - plotOf(first)->timeOrigin();
        const int at = a.times.indexOf(b.times.first() + offset);
        QVERIFY(at > 0);
        for (int i = 0; i < b.times.size(); ++i)
            QCOMPARE(a.values[at + i], b.values[i]);
    }

    // A list that would pass the controller's 36 entries is rebuilt: the one read that may mix
    // orders is dropped for every scope, each recording shows a gap there and says why.
    void aRebuiltListLeavesAGapInEveryRecording()
    {
        const QList<QStringList> sets{jointsOf({" Target ACS", " Actual ACS"}),
                                      jointsOf({" Target Cur", " Actual Cur"}),
                                      jointsOf({" FilCur", " FilSensedTor"}),
                                      jointsOf({" Target JointVel", " Actual JointVel"})};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(makeScope()->setChannels(sets[i]));
            m_scopes.back()->start();
        }
        QTRY_COMPARE(TarnSim::lastIndexes().size(), std::size_t(36));
        QTest::qWait(300);
        QVERIFY(m_scopes[1]->setChannels(sets[3]));
        QTRY_VERIFY(stateLineOf(m_scopes[0].get()).contains("controller's list be rebuilt"));
        QTest::qWait(300);
        for (int i : {0, 2}) {
            TarnPlugin_Scope *scope = m_scopes[std::size_t(i)].get();
            scope->stop();
            checkRecording(scope);
            const QVector<double> values = scope->recordedCurves().first().values;
            QCOMPARE(
                std::count_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
                1);
        }
        // The scope whose set-up rebuilt the list begins after it: no gap of its own.
        m_scopes[1]->stop();
        checkRecording(m_scopes[1].get());
        QCOMPARE(m_scopes[1]->channels(), sets[3]);
        const QVector<double> own = m_scopes[1]->recordedCurves().first().values;
        QVERIFY(std::none_of(own.begin(), own.end(), [](double v) { return std::isnan(v); }));
    }

    // The controller records 36 channels for all scopes together: a scope whose channels
    // would pass that is refused, saying how many the others use, and nothing changes.
    void channelsBeyondTheControllersListAreRefused()
    {
        TarnPlugin_Scope *first = makeScope();
        TarnPlugin_Scope *second = makeScope();
        QVERIFY(first->setChannels(
            jointsOf({" Target ACS", " Actual ACS", " Actual Cur", " Target JointVel"})));
        QVERIFY(second->setChannels(jointsOf({" Target Cur", " FilCur", " FilSensedTor"})));
        first->start();
        QSignalSpy ended(second, &TarnPlugin_Scope::recordingEnded);
        QSignalSpy errors(second, &TarnPlugin_Scope::errorOccurred);
        second->start();
        QVERIFY(!second->isSampling());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::SetupRefused);
        QVERIFY2(errors.first().first().toString().contains("other scopes use 24"),
                 qPrintable(errors.first().first().toString()));
        QVERIFY(second->setChannels(jointsOf({" Target Cur", " FilCur"})));
        second->start();
        QVERIFY(second->isSampling());
        QString error;
        QVERIFY(
            !second->setChannels(jointsOf({" Target Cur", " FilCur", " FilSensedTor"}), &error));
        QVERIFY2(error.contains("other scopes use 24"), qPrintable(error));
        QCOMPARE(second->channels(), jointsOf({" Target Cur", " FilCur"}));
    }

    // Failed reads and reads that do not return: said after a second, with the code where
    // there is one; recovered reads clear it; after the timeout the recording ends with
    // ControllerLost, keeping what was recorded.
    void aSilentControllerIsSaidAndEndsTheRecording_data()
    {
        QTest::addColumn<int>("failure"); // 0: the read hangs
        QTest::addColumn<bool>("recovers");
        QTest::newRow("failing reads that recover") << -7 << true;
        QTest::newRow("failing reads") << -7 << false;
        QTest::newRow("a read that hangs") << 0 << false;
    }
    void aSilentControllerIsSaidAndEndsTheRecording()
    {
        constexpr int kHangMs = 4000;
        QFETCH(int, failure);
        QFETCH(bool, recovers);
        TarnPlugin_Scope *scope = makeScope();
        scope->setControllerTimeout(2500);
        QVERIFY(scope->setChannels({"J1 Target ACS"}));
        QSignalSpy status(scope, &TarnPlugin_Scope::controllerStatusChanged);
        QSignalSpy ended(scope, &TarnPlugin_Scope::recordingEnded);
        scope->start();
        QTest::qWait(300);
        if (failure != 0)
            TarnSim::failReads(failure);
        else
            TarnSim::blockNextRead(kHangMs);
        QTRY_COMPARE_WITH_TIMEOUT(scope->controllerStatus(), TarnPlugin_Scope::NotAnswering, 2000);
        QVERIFY2(stateLineOf(scope).contains("No data from the controller since"),
                 qPrintable(stateLineOf(scope)));
        if (failure != 0)
            QVERIFY(stateLineOf(scope).contains(QString("(code %1)").arg(failure)));
        QVERIFY(scope->isSampling());
        if (recovers) {
            TarnSim::failReads(0);
            QTRY_COMPARE(scope->controllerStatus(), TarnPlugin_Scope::Simulated);
            QVERIFY(!stateLineOf(scope).contains("No data"));
            scope->stop();
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!scope->isSampling(), 4000);
        QCOMPARE(ended.last().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::ControllerLost);
        QCOMPARE(scope->controllerStatus(), TarnPlugin_Scope::NotAnswering);
        QVERIFY(status.size() >= 1);
        checkRecording(scope);
        QVERIFY(scope->recordedCurves().first().times.size() > 50);
        TarnSim::failReads(0);
        if (failure == 0)
            QTest::qWait(kHangMs - 2500); // the read returns before the next test
    }

    // A refused list: Start does not start; a set-up while sampling keeps the channels before.
    // Never old data under new names.
    void aRefusedListChangesNothing()
    {
        TarnPlugin_Scope *scope = makeScope();
        QVERIFY(scope->setChannels({"J1 Target ACS"}));
        QSignalSpy errors(scope, &TarnPlugin_Scope::errorOccurred);
        QSignalSpy ended(scope, &TarnPlugin_Scope::recordingEnded);
        TarnSim::refuseIndexLists(-3);
        scope->start();
        QTRY_VERIFY(!scope->isSampling());
        QCOMPARE(ended.last().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::SetupRefused);
        QVERIFY(errors.last().first().toString().contains("refused the channel list (code -3)"));
        QVERIFY(stateLineOf(scope).contains("(code -3)"));

        TarnSim::refuseIndexLists(0);
        scope->start();
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{43});
        TarnSim::refuseIndexLists(-4);
        QVERIFY(scope->setChannels({"J1 Actual Cur"}));
        QTRY_COMPARE(scope->channels(), QStringList{"J1 Target ACS"});
        QVERIFY(scope->isSampling());
        QVERIFY(errors.last().first().toString().contains("(code -4)"));
        TarnSim::refuseIndexLists(0);
        QTest::qWait(300);
        scope->stop();
        checkRecording(scope);
    }

    // The controller calls that stall never stall the GUI: Start, a set-up and the robot's
    // flags all go through the link's thread. A GUI that waited for the controller would
    // fall silent for the whole stall; what it does meanwhile (the state line turning to "No
    // data from the controller") is far shorter.
    void aStallingControllerNeverStallsTheGui()
    {
        constexpr int kStallMs = 2000;
        constexpr qint64 kMuchLessThanTheStall = kStallMs / 4;
        TarnPlugin_Scope *scope = makeScope();
        QVERIFY(scope->setChannels({"J1 Target ACS"}));
        scope->setStopWhenError(true);
        // Each stalled call has returned before the next phase, so no controller call is left
        // hanging when the scope goes.
        const auto stalled = [](const std::function<void()> &action) {
            const uint64_t flags = TarnSim::callCounts().readRobotFlags;
            TarnSim::delayNextIndexList(kStallMs);
            TarnSim::delayNextRobotFlags(kStallMs);
            const qint64 silence = longestGuiSilence(action, kStallMs + 500);
            const bool returned = QTest::qWaitFor(
                [flags] { return TarnSim::callCounts().readRobotFlags > flags; }, 3 * kStallMs);
            return returned ? silence : -1;
        };
        const qint64 start = stalled([scope] { scope->start(); });
        QVERIFY2(start >= 0 && start < kMuchLessThanTheStall, qPrintable(QString::number(start)));
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{43});
        const qint64 setUp = stalled([scope] { scope->setChannels({"J2 Target ACS"}); });
        QVERIFY2(setUp >= 0 && setUp < kMuchLessThanTheStall, qPrintable(QString::number(setUp)));
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{44});
        scope->stop();
    }

    // A second process sampling the same controller library is refused, naming it, rather
    // than both taking each other's records.
    void aSecondProcessIsRefused()
    {
        QTemporaryDir work;
        QProcess demo;
        demo.setProcessChannelMode(QProcess::MergedChannels);
        demo.start(QStringLiteral(SCOPE_DEMO_PATH),
                   {"--offscreen", "--seconds", "60", "--output", work.filePath("run")});
        QVERIFY(demo.waitForStarted());
        const QDir runtime(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        // The demo samples once it has claimed the controller: a claim file naming it.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                for (const QFileInfo &claim :
                     runtime.entryInfoList({"tarnscope-controller-*.lock"}, QDir::Files)) {
                    QFile file(claim.filePath());
                    if (file.open(QIODevice::ReadOnly) &&
                        file.readLine().trimmed().toLongLong() == demo.processId())
                        return true;
                }
                return false;
            }(),
            20000);
        TarnPlugin_Scope *scope = makeScope();
        QVERIFY(scope->setChannels({"J1 Target ACS"}));
        QSignalSpy errors(scope, &TarnPlugin_Scope::errorOccurred);
        scope->start();
        QVERIFY2(!scope->isSampling(), qPrintable(demo.readAll()));
        QVERIFY2(errors.last().first().toString().contains(
                     QString("Another process (id %1").arg(demo.processId())),
                 qPrintable(errors.last().first().toString()));
        // A process that dies leaves its claim behind; it no longer counts.
        demo.kill();
        QVERIFY(demo.waitForFinished(30000));
        scope->start();
        QVERIFY(scope->isSampling());
        scope->stop();
    }

    // A clock that steps back keeps every record: the recording goes on, the step is marked,
    // and plot and export agree.
    void aClockStepKeepsTheRecording()
    {
        TarnSim::setScripted(true);
        QTemporaryDir dir;
        TarnPlugin_Scope *scope = makeScope();
        QVERIFY(scope->setChannels({"J1 Target ACS"}));
        QVERIFY(scope->startRecordingToFile(dir.filePath("recorded.csv")));
        scope->start();
        QTest::qWait(300);
        TarnSim::Batch before;
        TarnSim::Batch after;
        for (int t = 0; t < 5; ++t) {
            _ST_ReadScopeData r{};
            r.dTime = 1000.0 + t;
            r.dValue[0] = t;
            before.records.push_back(r);
            r.dTime = 10.0 + t; // the controller restarted its clock
            r.dValue[0] = 10 + t;
            after.records.push_back(r);
        }
        TarnSim::queueBatch(before);
        TarnSim::queueBatch(after);
        QTRY_COMPARE(TarnSim::pendingBatches(), std::size_t(0));
        QTest::qWait(200);
        QTRY_VERIFY(stateLineOf(scope).contains("controller time stepped back by 994.000 ms"));
        scope->stop();
        const TarnScopeCurveData curve = scope->recordedCurves().first();
        QCOMPARE(curve.values, (QVector<double>{0, 1, 2, 3, 4, 10, 11, 12, 13, 14}));
        QCOMPARE(curve.times, (QVector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QSignalSpy recorded(scope, &TarnPlugin_Scope::recordingToFileChanged);
        scope->stopRecordingToFile();
        QTRY_VERIFY(!recorded.isEmpty());
        QVERIFY(scope->exportToFile(dir.filePath("exported.csv")));
        for (const char *file : {"exported.csv", "recorded.csv"}) {
            TarnPlugin_Scope *reader = makeScope();
            QVERIFY(reader->importFromFile(dir.filePath(file)));
            QCOMPARE(reader->recordedCurves().first().values, curve.values);
            QCOMPARE(reader->recordedCurves().first().times, curve.times);
        }
    }
};

QTEST_MAIN(tst_ControllerLink)
#include "tst_controllerlink.moc"
