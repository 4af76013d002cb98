#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// tarnscope-view end to end, as an engineer runs it on an office PC: offscreen, a recording
// split into numbered files and a capture folder, with no controller library to be had. It
// never opens one (not even the simulator named in TARNSCOPE_CONTROLLER_LIBRARY), never hangs
// on what is no regular file, and says for each entry what it shows or why it cannot.
class tst_Viewer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;

    // Exit code (-1 for a crash or a hang), standard output and standard error.
    struct Run
    {
        int code = -1;
        QString out;
        QString err;
    };
    Run runViewer(const QStringList &arguments,
                  const QString &controller = QStringLiteral("/nonexistent/libTarn_Prod.so.1"))
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TARNSCOPE_CONTROLLER_LIBRARY", controller);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_work.path());
        process.start(QStringLiteral(SCOPE_VIEWER_PATH), arguments);
        Run run;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            run.err = "hangs: " + process.errorString();
            return run;
        }
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QDir(m_work.path()).mkpath(QFileInfo(name).path());
        QFile file(m_work.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }
    // A scope file of one channel as recording to disk writes it: times from its first row,
    // its controller time in the metadata beside it.
    void writeRecorded(const QString &name, double controllerTime, int rows)
    {
        QByteArray text = "time,J1 Target ACS_0_1_ACS(deg)\n";
        for (int i = 0; i < rows; ++i)
            text +=
                QByteArray::number(i) + ".000," + QByteArray::number(controllerTime + i) + ".000\n";
        write(name, text);
        write(name + ".json",
              QString("{\"format\": \"tarnscope scope file metadata 1\", \"firstRowTime\": 0, "
                      "\"controllerTime\": %1, \"started\": \"2025-03-04T10:00:00.000Z\", "
                      "\"channels\": [{\"title\": \"J1 Target ACS\", \"unit\": \"ACS(deg)\"}]}")
                  .arg(controllerTime)
                  .toUtf8());
    }

    QString line(const Run &run, const QString &start) const
    {
        for (const QString &each : run.out.split('\n')) {
            if (each.startsWith("tarnscope-view: " + start))
                return each;
        }
        return QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        // run_003.csv is gone: a gap between run_002.csv and run_004.csv.
        writeRecorded("series/run.csv", 1000, 10);
        writeRecorded("series/run_002.csv", 1010, 10);
        writeRecorded("series/run_004.csv", 1030, 10);
        writeRecorded("captures/Tarn_Scope_Capture_2.csv", 5000, 5);
        writeRecorded("captures/Tarn_Scope_Capture_1.csv", 4000, 5);
        write("captures/readme.txt", "not a scope file\n");
    }

    // The series is one entry (opened by any of its files), the folder lists its scope files
    // by name; the screenshot shows the first entry.
    void opensASeriesAndACaptureFolder()
    {
        const QString png = m_work.filePath("view.png");
        const Run run =
            runViewer({"--screenshot", png, m_work.filePath("series/run_002.csv"),
                       m_work.filePath("series/run.csv.json"), m_work.filePath("captures")});
        QVERIFY2(run.code == 0, qPrintable(run.out + run.err));
        QCOMPARE(line(run, "run.csv (+2 files): "),
                 QString("tarnscope-view: run.csv (+2 files): 1 curves, 31 rows; notes: Missing "
                         "from the series, the curves break where they stood: %1.")
                     .arg(m_work.filePath("series/run_003.csv")));
        QCOMPARE(line(run, "captures/"),
                 QString("tarnscope-view: captures/Tarn_Scope_Capture_1.csv: 1 curves, 5 rows"));
        QVERIFY2(!line(run, "captures/Tarn_Scope_Capture_2.csv: 1 curves, 5 rows").isEmpty(),
                 qPrintable(run.out));
        QVERIFY2(!run.out.contains("readme") && !run.out.contains(".json"), qPrintable(run.out));
        QVERIFY2(!line(run, "controller: no controller").isEmpty(), qPrintable(run.out));
        const QImage image(png);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 800 && image.height() >= 500);
    }

    // Even the simulator, named where the scope would look for the controller, is not opened.
    void neverOpensTheControllerLibrary()
    {
        const Run run =
            runViewer({"--quit-after-load", m_work.filePath("series/run.csv")}, SCOPE_SDK_PATH);
        QVERIFY2(run.code == 0, qPrintable(run.out + run.err));
        QVERIFY2(!line(run, "controller: no controller").isEmpty(), qPrintable(run.out));
        QVERIFY2(!(run.out + run.err).contains("simulated", Qt::CaseInsensitive),
                 qPrintable(run.out + run.err));
    }

    // What cannot be read says why and the viewer exits with 1, never crashing nor waiting
    // on a pipe.
    void entriesThatCannotBeReadSayWhy()
    {
        QVERIFY(::mkfifo(QFile::encodeName(m_work.filePath("pipe.csv")).constData(), 0600) == 0);
        write("empty.csv", "");
        const Run run = runViewer({"--quit-after-load", m_work.filePath("pipe.csv"),
                                   m_work.filePath("empty.csv"), m_work.filePath("absent.csv"),
                                   m_work.filePath("series/run.csv")});
        QVERIFY2(run.code == 1, qPrintable(run.out + run.err));
        QVERIFY2(line(run, "pipe.csv: ").contains("named pipe"), qPrintable(run.out));
        QVERIFY2(line(run, "empty.csv: ").contains("No curve"), qPrintable(run.out));
        QVERIFY2(line(run, "absent.csv: ").contains("No such file"), qPrintable(run.out));
        QVERIFY2(!line(run, "run.csv (+2 files): 1 curves").isEmpty(), qPrintable(run.out));
    }

    void badArgumentsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << "bogus";
        QTest::newRow("a screenshot of nothing") << QStringList{"--screenshot", "x.png"} << "FILE";
        QTest::newRow("a window without a display") << QStringList{"x.csv"} << "no display";
    }
    void badArgumentsAreRefused()
    {
        QFETCH(QStringList, arguments);
        const Run run = runViewer(arguments);
        QCOMPARE(run.code, 2);
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void helpSaysWhatItOpens()
    {
        const Run run = runViewer({"--help"});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("--screenshot") && run.out.contains("run_002.csv"),
                 qPrintable(run.out));
    }
};

QTEST_GUILESS_MAIN(tst_Viewer)
#include "tst_viewer.moc"
