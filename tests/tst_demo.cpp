#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// scope-demo end to end, as CI and a newcomer run it: offscreen, with the plug-in it finds
// in the build tree and its default selection, against the simulated robot.
class tst_Demo : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

    // Exit code (-1 for a crash or a hang) and the merged output.
    std::pair<int, QString> runDemo(const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(m_work.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(SCOPE_DEMO_PATH), arguments);
        if (!process.waitForFinished(180000)) {
            process.kill();
            process.waitForFinished();
            return {-1, process.errorString()};
        }
        const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return {code, QString::fromLocal8Bit(process.readAll())};
    }

private slots:
    void initTestCase()
    {
        // A robot error raised after 0.3 s ends the run early, by the scope's own Stop.
        const auto [code, output] = runDemo({"--offscreen", "--seconds", "4", "--error-after",
                                             "0.3", "--output", m_work.filePath("run")});
        QVERIFY2(code == 0, qPrintable(output));
        QVERIFY2(output.contains("stopped by the scope itself"), qPrintable(output));
        QVERIFY(QFile::exists(m_work.filePath("run/scope.png")));
    }

    // As a user's own analysis script reads it: a header of "time" and title_axis_item_unit
    // fields, every row as wide, numbers, and time that never goes back.
    void scopeFileParses()
    {
        QFile file(m_work.filePath("run/scope.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QVERIFY2(lines.size() > 50, qPrintable(QString::number(lines.size())));
        QVERIFY(lines.last().isEmpty()); // every line ends with a line feed
        const QList<QByteArray> header = lines.first().split(',');
        QCOMPARE(header.size(), 13);
        QCOMPARE(header.first(), QByteArray("time"));
        const QRegularExpression curveField(QStringLiteral("^.+_-?\\d+_-?\\d+_.*$"));
        for (const QByteArray &field : header.mid(1))
            QVERIFY2(curveField.match(QString::fromUtf8(field)).hasMatch(), field.constData());
        double previous = -qInf();
        for (int i = 1; i < lines.size() - 1; ++i) {
            const QList<QByteArray> row = lines.at(i).split(',');
            QCOMPARE(row.size(), header.size());
            bool ok = false;
            const double time = row.first().toDouble(&ok);
            QVERIFY2(ok && time >= previous, lines.at(i).constData());
            previous = time;
        }
    }

    // --open shows files instead of sampling, with no controller (so nothing says the files
    // are simulated): a recording split into numbered files opens whole from its first file,
    // and scope.png and scope.csv show it joined.
    void opensARecordingSplitIntoFiles()
    {
        QDir(m_work.path()).mkpath("split");
        const QByteArray header = "time,J1 Target ACS_0_1_ACS(deg)\n";
        for (const auto &[name, first] : {std::pair<const char *, int>{"run.csv", 0},
                                          std::pair<const char *, int>{"run_002.csv", 20}}) {
            QFile file(m_work.filePath(QString("split/") + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray text = header;
            for (int i = 0; i < 20; ++i)
                text += QByteArray::number(i) + "," + QByteArray::number(first + i) + "\n";
            file.write(text);
        }
        const auto [code, output] =
            runDemo({"--offscreen", "--open", m_work.filePath("split/run.csv"), "--output",
                     m_work.filePath("opened")});
        QVERIFY2(code == 0, qPrintable(output));
        QVERIFY2(output.contains("opened:") && !output.contains("SIMULATED"), qPrintable(output));
        QVERIFY(QFile::exists(m_work.filePath("opened/scope.png")));
        QFile csv(m_work.filePath("opened/scope.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 40 + 1); // the header, both files' rows, the last line feed
        QCOMPARE(lines.at(40), QByteArray("39.000,39.000"));
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
        QTest::newRow("run time not a number")
            << QStringList{"--seconds", "soon"} << 2 << "--seconds";
        QTest::newRow("library that is no plug-in")
            << QStringList{"--offscreen", "--plugin", SCOPE_SDK_PATH} << 1
            << "cannot load the plug-in";
        QTest::newRow("54 channels, more than the scope takes")
            << QStringList{"--offscreen", "--select",
                           "J1,J2,J3,J4,J5,J6,Motor Position,Motor Velocity"}
            << 1 << "refused the selection";
        QTest::newRow("--open with a trigger")
            << QStringList{"--offscreen", "--open", "x.csv", "--trigger", "J1 Target ACS>1"} << 2
            << "--trigger does not go with it";
        QTest::newRow("--open of a file that is not there")
            << QStringList{"--offscreen", "--open", "absent.csv"} << 1 << "cannot open the files";
    }
    void badInputIsRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const auto [code, output] = runDemo(arguments);
        QVERIFY2(output.contains(message), qPrintable(output));
        QTEST(code, "exitCode");
    }
};

QTEST_MAIN(tst_Demo)
#include "tst_demo.moc"
