#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
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
    void screenshotShowsCurves();
    void scopeFileParses();
    void robotErrorStopsTheScope();
    void badInputIsRefused_data();
    void badInputIsRefused();

private:
    DemoRun runDemo(const QStringList &arguments);
    QString outputDir(const QString &name) const { return m_work.filePath(name); }

    QTemporaryDir m_work;
    DemoRun m_run;
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

// As a user's own analysis script reads it: a header of "time" and title_axis_item_unit
// fields, every row as wide, numbers, and time that never goes back.
void tst_Demo::scopeFileParses()
{
    QFile file(outputDir(QStringLiteral("run/scope.csv")));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(m_run.out));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY2(lines.size() > 100, qPrintable(QString::number(lines.size()))); // 2 s of samples
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

void tst_Demo::robotErrorStopsTheScope()
{
    const DemoRun run =
        runDemo({QStringLiteral("--offscreen"), QStringLiteral("--seconds"), QStringLiteral("4"),
                 QStringLiteral("--error-after"), QStringLiteral("0.3"), QStringLiteral("--output"),
                 outputDir(QStringLiteral("error"))});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(QStringLiteral("robot error raised")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QStringLiteral("stopped by the scope itself")), qPrintable(run.out));
    QVERIFY(QFile::exists(outputDir(QStringLiteral("error/scope.png"))));
}

void tst_Demo::badInputIsRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "bogus";
    QTest::newRow("run time not a number") << QStringList{"--seconds", "soon"} << 2 << "--seconds";
    QTest::newRow("library that is no plug-in")
        << QStringList{"--offscreen", "--plugin", SCOPE_SDK_PATH} << 1 << "cannot load the plug-in";
    QTest::newRow("54 channels, more than the scope takes")
        << QStringList{"--offscreen", "--select", "J1,J2,J3,J4,J5,J6,Motor Position,Motor Velocity"}
        << 1 << "refused the selection";
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

QTEST_MAIN(tst_Demo)
#include "tst_demo.moc"
