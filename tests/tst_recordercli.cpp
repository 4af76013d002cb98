// tarnscope-record as a cell PC runs it: a separate process against the simulated controller,
// stopped by SIGTERM, and each way a run can fail with its message and exit code.
#include "ScopeChannel.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "ScopeSetupFile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString kChannels = QStringLiteral("J1 Actual Cur,J2 Actual Cur,J3 Actual Cur");
constexpr double kPeriodMs = 1000.0;
constexpr double kDelayMs = -200.0;
// A read in flight when sampling stops is delivered but never appended.
constexpr int kMostUnappendedTail = 1000;

struct Run
{
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString log;
};

QProcessEnvironment simulatorEnvironment(const QStringList &extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &each : extra)
        env.insert(each.section('=', 0, 0), each.section('=', 1));
    return env;
}

// `prefix` runs the recorder through a shell first (for a file size limit, say).
Run runRecorder(const QStringList &arguments, const QStringList &env, const QString &folder,
                int stopAfterMs = -1, const QString &shellPrefix = QString())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(simulatorEnvironment(env));
    if (shellPrefix.isEmpty()) {
        process.start(QStringLiteral(TARNSCOPE_RECORD_PATH), arguments);
    } else {
        process.start(QStringLiteral("/bin/bash"),
                      QStringList{"-c", shellPrefix + "; exec \"$0\" \"$@\"",
                                  QStringLiteral(TARNSCOPE_RECORD_PATH)} +
                          arguments);
    }
    Run run;
    if (!process.waitForStarted())
        return run;
    if (stopAfterMs >= 0 && !process.waitForFinished(stopAfterMs))
        ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(60000);
    run.exitCode = process.exitCode();
    run.status = process.exitStatus();
    run.log = QString::fromUtf8(process.readAllStandardError());
    return run;
}

std::vector<double> deliveredTimes(const QString &logFile)
{
    QFile file(logFile);
    std::vector<double> times;
    if (!file.open(QIODevice::ReadOnly))
        return times;
    while (!file.atEnd())
        times.push_back(file.readLine().trimmed().toDouble());
    return times;
}

// A scope file's rows in controller time, with the metadata beside it.
struct ReadFile
{
    ScopeFileContent content;
    ScopeFileMeta meta;
    std::vector<double> controllerTimes;
};

ReadFile readRecorded(const QString &fileName)
{
    ReadFile read;
    QString error;
    if (ScopeFile::load(fileName, &read.content, {}, &error) != ScopeFile::Outcome::Done) {
        qWarning("%s: %s", qPrintable(fileName), qPrintable(error));
        return read;
    }
    read.meta = ScopeFileMeta::loadBeside(fileName).value_or(ScopeFileMeta());
    const double offset =
        read.meta.controllerTime.value_or(0.0) - read.meta.firstRowTime.value_or(0.0);
    for (double t : read.content.times)
        read.controllerTimes.push_back(t + offset);
    return read;
}

// Where `part` stands in `whole` as one unbroken stretch; -1 when it does not.
long stretchIn(const std::vector<double> &whole, const std::vector<double> &part)
{
    if (part.empty())
        return -1;
    const auto first = std::find(whole.begin(), whole.end(), part.front());
    if (first == whole.end() || std::size_t(whole.end() - first) < part.size() ||
        !std::equal(part.begin(), part.end(), first))
        return -1;
    return long(first - whole.begin());
}

QJsonObject lastStatus(const QString &log)
{
    QJsonObject last;
    for (const QString &line : log.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        if (object.value("event").toString() == QLatin1String("status"))
            last = object;
    }
    return last;
}

} // namespace

class TestRecorderCli : public QObject
{
    Q_OBJECT

private slots:
    void recordsUntilTerminated();
    void setupFromTheWidgetDrivesTheRun();
    void failuresEndWithTheirCode_data();
    void failuresEndWithTheirCode();
};

// A minute with a repeating trigger and rotation: every record the controller delivered is in
// the files once and in order, each capture stands where its trigger fired, and SIGTERM ends
// the run with exit code 0 and every file whole.
void TestRecorderCli::recordsUntilTerminated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath("delivered.txt");
    const Run run =
        runRecorder({"--channels", kChannels, "--period", QString::number(kPeriodMs), "--trigger",
                     QStringLiteral("J1 Actual Cur>0@%1").arg(kDelayMs), "--repeat", "--keep",
                     "100", "--captures", "captures", "--record-to", "run.csv", "--rotate-mb", "1",
                     "--exact", "--status-seconds", "5", "--json"},
                    {"TARNSIM_DELIVERY_LOG=" + log}, dir.path(), 60000);
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY2(run.exitCode == 0, qPrintable(run.log));
    QVERIFY2(run.log.contains("SIGTERM received"), qPrintable(run.log));
    QCOMPARE(lastStatus(run.log).value("controller").toString(), QStringLiteral("stopped"));

    const std::vector<double> delivered = deliveredTimes(log);
    QVERIFY(delivered.size() > 50000);
    QStringList series{"run.csv"};
    for (int n = 2;
         QFile::exists(dir.filePath(QStringLiteral("run_%1.csv").arg(n, 3, 10, QChar('0')))); ++n)
        series << QStringLiteral("run_%1.csv").arg(n, 3, 10, QChar('0'));
    QVERIFY2(series.size() >= 3, "1 MB rotation makes several files in a minute");
    std::vector<double> recorded;
    for (const QString &name : series) {
        const ReadFile file = readRecorded(dir.filePath(name));
        QVERIFY2(!file.content.lastLineCut && file.content.raggedRows == 0, qPrintable(name));
        QCOMPARE(file.content.curves.size(), 3);
        recorded.insert(recorded.end(), file.controllerTimes.begin(), file.controllerTimes.end());
    }
    const long start = stretchIn(delivered, recorded);
    QVERIFY2(start >= 0, "the files hold one unbroken stretch of what was delivered");
    QVERIFY(start <= 1); // only the first read under the list is dropped
    QVERIFY(long(delivered.size()) - start - long(recorded.size()) <= kMostUnappendedTail);

    const ReadFile whole = readRecorded(dir.filePath("run.csv"));
    const QStringList captures =
        QDir(dir.filePath("captures")).entryList({"*.csv"}, QDir::Files, QDir::Name);
    QVERIFY2(captures.size() >= 5, qPrintable(run.log));
    double previousEnd = -1.0;
    for (const QString &name : captures) {
        const ReadFile capture = readRecorded(dir.filePath("captures/" + name));
        QVERIFY(capture.meta.trigger);
        const ScopeFileTrigger &trigger = *capture.meta.trigger;
        QCOMPARE(trigger.channel, QStringLiteral("J1 Actual Cur"));
        const std::vector<double> &times = capture.controllerTimes;
        QVERIFY2(stretchIn(delivered, times) >= 0, qPrintable(name));
        // History reaches back to the first record sampled, no further.
        QCOMPARE(times.front(), std::max(trigger.instant + kDelayMs, recorded.front()));
        if (trigger.whole)
            QCOMPARE(times.back(), trigger.instant + kDelayMs + kPeriodMs);
        QVERIFY(trigger.instant > previousEnd); // armed again only once the last one ended
        previousEnd = times.back();
        // It fired on the crossing: the sample before is at or below the threshold.
        const auto at = std::find(times.begin(), times.end(), trigger.instant) - times.begin();
        QVERIFY(at > 0 && at < long(times.size()));
        const QVector<double> &j1 = capture.content.curves.at(0).y;
        QVERIFY(j1.at(int(at)) > 0.0 && j1.at(int(at - 1)) <= 0.0);
        QCOMPARE(j1.at(int(at)), trigger.value);
        // The same sample as recorded to disk.
        const auto inFile =
            std::find(whole.controllerTimes.begin(), whole.controllerTimes.end(), trigger.instant);
        if (inFile != whole.controllerTimes.end())
            QCOMPARE(whole.content.curves.at(0).y.at(int(inFile - whole.controllerTimes.begin())),
                     trigger.value);
    }
}

// A set-up as the widget saves it: its channels, derived channel, period, trigger (on the
// derived channel) and capture options make the run; a capture ends it.
void TestRecorderCli::setupFromTheWidgetDrivesTheRun()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ScopeSetup setup;
    ChannelRows rows;
    QString error;
    QVERIFY(rowsForChannels({"J1 Target ACS", "J1 Actual ACS"}, rows, error));
    setup.components = rows.components;
    setup.links = rows.links;
    setup.periodMs = 300;
    setup.derivedChannels = {{"J1 error", "ACS(deg)", "\"J1 Target ACS\" - \"J1 Actual ACS\""}};
    setup.triggerOn = true;
    setup.triggerChannel = "J1 error";
    setup.triggerCondition = "<";
    setup.triggerMode = "Trigger open grab";
    setup.triggerThreshold = "1e9";
    setup.triggerOptions.folder = dir.filePath("captures");
    setup.exactValues = true;
    QVERIFY(setup.save(dir.filePath("cell.json"), &error));

    const Run run = runRecorder(
        {"--setup", "cell.json", "--status-seconds", "0", "--duration", "20"}, {}, dir.path());
    QVERIFY2(run.exitCode == 0 && run.log.contains("the capture is complete"), qPrintable(run.log));
    const QStringList captures =
        QDir(dir.filePath("captures")).entryList({"*.csv"}, QDir::Files, QDir::Name);
    QCOMPARE(captures.size(), 1);
    const ReadFile capture = readRecorded(dir.filePath("captures/" + captures.first()));
    QVERIFY(!capture.controllerTimes.empty());
    QCOMPARE(capture.content.curves.size(), 3);
    QCOMPARE(capture.content.curves.at(2).title, QStringLiteral("J1 error"));
    QVERIFY(capture.meta.trigger && capture.meta.trigger->condition == QLatin1String("<"));
    // Without a delay the level fires at once, and the capture keeps its whole batch.
    QVERIFY(capture.controllerTimes.front() <= capture.meta.trigger->instant);
    QCOMPARE(capture.controllerTimes.back() - capture.controllerTimes.front(), 300.0);
    const QVector<double> &target = capture.content.curves.at(0).y;
    const QVector<double> &actual = capture.content.curves.at(1).y;
    const QVector<double> &derived = capture.content.curves.at(2).y;
    for (int i = 0; i < derived.size(); ++i)
        QCOMPARE(derived.at(i), target.at(i) - actual.at(i));
}

void TestRecorderCli::failuresEndWithTheirCode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QString>("shellPrefix");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");

    const QStringList base{"--channels", kChannels, "--status-seconds", "0"};
    QTest::newRow("period out of range")
        << QStringList{"--channels", kChannels, "--period", "5"} << QStringList() << QString() << 2
        << "--period takes a whole number from 10 to 999999";
    QTest::newRow("unknown channel") << QStringList{"--channels", "J9 Actual Cur"} << QStringList()
                                     << QString() << 2 << "no channel is called \"J9 Actual Cur\"";
    QTest::newRow("no channel") << QStringList{"--duration", "1"} << QStringList() << QString() << 2
                                << "no channel is chosen";
    QTest::newRow("unreadable trigger")
        << base + QStringList{"--trigger", "J1 Actual Cur=5"} << QStringList() << QString() << 2
        << "does not read as CHANNEL>VALUE";
    QTest::newRow("trigger on an unrecorded channel")
        << base + QStringList{"--trigger", "J4 Actual Cur>5"} << QStringList() << QString() << 2
        << "\"J4 Actual Cur\" is not recorded";
    QTest::newRow("unknown preset") << QStringList{"--preset", "joint-heat"} << QStringList()
                                    << QString() << 2 << "there is no preset \"joint-heat\"";
    QTest::newRow("bad duration") << base + QStringList{"--duration", "soon"} << QStringList()
                                  << QString() << 2 << "--duration takes a time";
    QTest::newRow("set-up that is not one")
        << QStringList{"--setup", "/etc/hostname"} << QStringList() << QString() << 2
        << "the set-up /etc/hostname cannot be read";
    QTest::newRow("unknown option") << base + QStringList{"--frobnicate"} << QStringList()
                                    << QString() << 2 << "Unknown option 'frobnicate'";
    QTest::newRow("missing controller library")
        << base + QStringList{"--duration", "5"}
        << QStringList{"TARNSCOPE_CONTROLLER_LIBRARY=/nonexistent/libTarn_Prod.so.1"} << QString()
        << 3 << "no controller library";
    QTest::newRow("controller refuses the list")
        << base + QStringList{"--duration", "5"} << QStringList{"TARNSIM_REFUSE_LISTS=7"}
        << QString() << 4 << "the controller refused the channel list (code 7)";
    QTest::newRow("disk full") << base + QStringList{"--record-to", "run.csv", "--duration", "30"}
                               << QStringList() << QStringLiteral("ulimit -f 64") << 5
                               << "recording to run.csv failed";
    QTest::newRow("disk full, tried again")
        << base + QStringList{"--record-to", "run.csv", "--retry-seconds", "1", "--duration", "8"}
        << QStringList() << QStringLiteral("ulimit -f 32") << 0 << "recording to run_002.csv";
    QTest::newRow("record-to file exists")
        << base + QStringList{"--record-to", "kept.csv", "--duration", "5"} << QStringList()
        << QString() << 5 << "cannot record to kept.csv";
    QTest::newRow("controller lost")
        << base + QStringList{"--controller-timeout", "1", "--duration", "30"}
        << QStringList{"TARNSIM_FAIL_READS=9"} << QString() << 6
        << "no data from the controller for 1 s (code 9); the recording ended and is kept";
    QTest::newRow("controller lost, tried again")
        << base +
               QStringList{"--controller-timeout", "1", "--retry-seconds", "1", "--duration", "5"}
        << QStringList{"TARNSIM_FAIL_READS=9"} << QString() << 0
        << "the recording is kept; trying again in 1 s";
    QTest::newRow("robot error, stop asked")
        << base + QStringList{"--stop-when-error", "--duration", "30"}
        << QStringList{"TARNSIM_ERROR_AFTER_MS=500"} << QString() << 0
        << "the robot reports an error; stopped as asked";
    QTest::newRow("duration over") << base + QStringList{"--duration", "1"} << QStringList()
                                   << QString() << 0 << "the duration is over";
}

void TestRecorderCli::failuresEndWithTheirCode()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, env);
    QFETCH(QString, shellPrefix);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile kept(dir.filePath("kept.csv"));
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("the operator's\n") > 0);
    kept.close();

    const Run run = runRecorder(arguments, env, dir.path(), -1, shellPrefix);
    QCOMPARE(run.status, QProcess::NormalExit);
    QVERIFY2(run.log.contains(said), qPrintable(run.log));
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("the operator's\n"));
    // A file cut by the disk keeps its whole lines.
    if (QFile::exists(dir.filePath("run.csv"))) {
        ScopeFileContent content;
        QString error;
        QCOMPARE(ScopeFile::load(dir.filePath("run.csv"), &content, {}, &error),
                 ScopeFile::Outcome::Done);
        QCOMPARE(content.raggedRows, 0);
        QVERIFY(content.times.size() > 100);
    }
}

QTEST_GUILESS_MAIN(TestRecorderCli)
#include "tst_recordercli.moc"
