#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

struct DemoRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// The summary's "key: value" lines.
QMap<QString, QString> summaryOf(const QString &out)
{
    QMap<QString, QString> summary;
    for (const QString &line : out.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            summary.insert(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }
    return summary;
}

// Curves are drawn in random opaque colours; canvas, grid, text and buttons are grey.
QMap<QRgb, int> strongColours(const QImage &image)
{
    QMap<QRgb, int> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            const int hi = std::max({qRed(px), qGreen(px), qBlue(px)});
            const int lo = std::min({qRed(px), qGreen(px), qBlue(px)});
            if (hi - lo >= 60)
                ++colours[qRgb(qRed(px) & 0xe0, qGreen(px) & 0xe0, qBlue(px) & 0xe0)];
        }
    }
    return colours;
}

} // namespace

// scope-demo end to end, as CI and a newcomer run it: offscreen, with the plug-in it finds
// in the build tree and its default selection, against the simulated robot.
class tst_Demo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void summaryReportsTheRun();
    void screenshotShowsCurves();
    void scopeFileParses();
    void robotErrorStopsTheScope();
    void badInputIsRefused_data();
    void badInputIsRefused();
    void helpListsEveryOption();

private:
    DemoRun runDemo(const QStringList &arguments);
    QString outputDir(const QString &name) const { return m_work.filePath(name); }

    QTemporaryDir m_work;
    DemoRun m_run;
    QMap<QString, QString> m_summary;
};

DemoRun tst_Demo::runDemo(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_work.path());
    process.start(QStringLiteral(SCOPE_DEMO_PATH), arguments);
    DemoRun run;
    if (!process.waitForStarted() || !process.waitForFinished(180000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("scope-demo did not finish: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void tst_Demo::initTestCase()
{
    QVERIFY(m_work.isValid());
    m_run =
        runDemo({QStringLiteral("--offscreen"), QStringLiteral("--seconds"), QStringLiteral("2"),
                 QStringLiteral("--output"), outputDir(QStringLiteral("run"))});
    QVERIFY2(m_run.exitCode == 0, qPrintable(m_run.out + m_run.err));
    m_summary = summaryOf(m_run.out);
}

void tst_Demo::summaryReportsTheRun()
{
    QVERIFY2(m_summary.value(QStringLiteral("channels"))
                 .startsWith(QStringLiteral("12 (J1 Target ACS, J1 Actual ACS, J2 Target ACS")),
             qPrintable(m_run.out));
    QVERIFY2(m_summary.value(QStringLiteral("samples per channel"))
                     .section(QLatin1Char(' '), 0, 0)
                     .toInt() > 100,
             qPrintable(m_run.out));
    QVERIFY2(
        m_summary.value(QStringLiteral("sampling")).endsWith(QStringLiteral("stopped by the demo")),
        qPrintable(m_run.out));

    const QRegularExpression status(
        QStringLiteral("^Mox CPU ([0-9.]+) %, Mox Mem ([0-9.]+) MB, ReadScopeCyc ([0-9]+) ms, "
                       "ReadScopeCycMax ([0-9]+) ms$"));
    const QRegularExpressionMatch figures = status.match(m_summary.value(QStringLiteral("status")));
    QVERIFY2(figures.hasMatch(), qPrintable(m_run.out));
    QVERIFY2(figures.captured(1).toDouble() > 0.0, "the controller's CPU load was never shown");
    QVERIFY2(figures.captured(2).toDouble() > 0.0, "the controller's memory was never shown");
    QVERIFY(figures.captured(4).toInt() >= figures.captured(3).toInt());
    QVERIFY(figures.captured(4).toInt() > 0);
}

void tst_Demo::screenshotShowsCurves()
{
    const QImage image(outputDir(QStringLiteral("run/scope.png")));
    QVERIFY2(!image.isNull(), "no screenshot");
    QVERIFY(image.width() > 600 && image.height() > 400);

    const QMap<QRgb, int> colours = strongColours(image);
    int strongPixels = 0;
    int curveColours = 0;
    for (int count : colours) {
        strongPixels += count;
        curveColours += count >= 100;
    }
    QVERIFY2(strongPixels >= 2000, qPrintable(QString::number(strongPixels)));
    QVERIFY2(curveColours >= 3, qPrintable(QString::number(curveColours)));
}

void tst_Demo::scopeFileParses()
{
    QFile file(outputDir(QStringLiteral("run/scope.csv")));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(m_run.out));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() > 2);
    QVERIFY2(lines.first().startsWith("time,"), lines.first().constData());
    QVERIFY(lines.last().isEmpty()); // every line ends with a line feed
    const int fields = lines.first().count(',') + 1;
    QCOMPARE(fields, 13);
    for (int i = 1; i < lines.size() - 1; ++i) {
        const QList<QByteArray> row = lines.at(i).split(',');
        QCOMPARE(row.size(), fields);
        bool ok = false;
        row.first().toDouble(&ok);
        QVERIFY2(ok, lines.at(i).constData());
    }
}

void tst_Demo::robotErrorStopsTheScope()
{
    const DemoRun run =
        runDemo({QStringLiteral("--offscreen"), QStringLiteral("--seconds"), QStringLiteral("4"),
                 QStringLiteral("--error-after"), QStringLiteral("0.3"), QStringLiteral("--output"),
                 outputDir(QStringLiteral("error"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(QStringLiteral("robot error raised")), qPrintable(run.out));
    QVERIFY2(summaryOf(run.out)
                 .value(QStringLiteral("sampling"))
                 .contains(QStringLiteral("stopped by the scope itself")),
             qPrintable(run.out));
    QVERIFY(QFile::exists(outputDir(QStringLiteral("error/scope.png"))));
}

void tst_Demo::badInputIsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
    QTest::newRow("stray argument") << QStringList{"extra"} << 2 << "unexpected argument";
    QTest::newRow("run time of zero") << QStringList{"--seconds", "0"} << 2 << "--seconds";
    QTest::newRow("run time not a number") << QStringList{"--seconds", "soon"} << 2 << "--seconds";
    QTest::newRow("negative cycle") << QStringList{"--cycle-ms=-1"} << 2 << "--cycle-ms";
    QTest::newRow("seed beyond 32 bits") << QStringList{"--seed", "4294967296"} << 2 << "--seed";
    QTest::newRow("period below the widget's minimum")
        << QStringList{"--period", "5"} << 2 << "--period";
    QTest::newRow("error time negative") << QStringList{"--error-after=-2"} << 2 << "--error-after";
    QTest::newRow("selection of nothing") << QStringList{"--select", " , "} << 2 << "--select";
    QTest::newRow("missing plug-in file")
        << QStringList{"--offscreen", "--plugin", "no/such/plugin.so"} << 1
        << "cannot load the plug-in";
    QTest::newRow("library that is no plug-in")
        << QStringList{"--offscreen", "--plugin", SCOPE_SDK_PATH} << 1 << "cannot load the plug-in";
    QTest::newRow("54 channels, more than the scope takes")
        << QStringList{"--offscreen", "--select", "J1,J2,J3,J4,J5,J6,Motor Position,Motor Velocity"}
        << 1 << "refused the selection";
    QTest::newRow("row that no tree has")
        << QStringList{"--offscreen", "--select", "J1,Warp Drive"} << 1 << "no row \"Warp Drive\"";
}

void tst_Demo::badInputIsRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const DemoRun run = runDemo(arguments);
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
}

void tst_Demo::helpListsEveryOption()
{
    const DemoRun run = runDemo({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    for (const char *option : {"--plugin", "--select", "--seconds", "--cycle-ms", "--seed",
                               "--error-after", "--period", "--output", "--offscreen", "--help"})
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
}

QTEST_MAIN(tst_Demo)
#include "tst_demo.moc"
