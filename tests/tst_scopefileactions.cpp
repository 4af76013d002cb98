#include "CaptureListDialog.h"
#include "ScopeCaptures.h"
#include "ScopeLimits.h"
#include "ScopeSetupFile.h"
#include "ScopeTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cerrno>

using namespace ScopeTest;

// Export and import driven through the buttons, the file dialogs and the message boxes.
class tst_ScopeFileActions : public QObject
{
    Q_OBJECT

    std::unique_ptr<TarnPlugin_Scope> m_scope;
    std::unique_ptr<QTemporaryDir> m_dir;

    QwtScope *plot() const { return plotOf(m_scope.get()); }
    QLineEdit *periodEdit() const
    {
        return child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime");
    }
    void recordAndStop(std::initializer_list<double> times, double value)
    {
        QVERIFY(startFlushed(m_scope.get()));
        TarnSim::queueBatch(batch(times, value));
        QVERIFY(waitForBatchesConsumed());
        stop(m_scope.get());
        QCOMPARE(int(plot()->curve(0)->dataSize()), int(times.size()));
    }
    QStringList exportTo(const QString &path)
    {
        return clickAnswering(m_scope.get(), "ScopePlugin_btn_ExportScope", path);
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QStringList importFrom(const QString &path, const QByteArray &bytes)
    {
        write(path, bytes);
        return clickAnswering(m_scope.get(), "ScopePlugin_btn_ImportScope", path);
    }
    QString stateLine() const
    {
        return child<QLabel>(m_scope.get(), "Kvel_Scope_lb_State")->text();
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_scope = freshScope();
    }
    void cleanup()
    {
        m_scope.reset();
        m_dir.reset();
    }

    void exportWithoutDataWarns()
    {
        QCOMPARE(exportTo(m_dir->filePath("none.csv")),
                 QStringList("Warning: ERROR:Empty ScopeData!"));
    }

    void exportAddsTheSuffixAndWritesTheRecording_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("existing"); // replaced after the question
        QTest::addColumn<QString>("written");
        QTest::newRow("bare name") << "recording" << false << "recording.csv";
        QTest::newRow("dot in the directory only") << "my.data/rec" << false << "my.data/rec.csv";
        QTest::newRow("existing file replaced") << "my.data/rec" << true << "my.data/rec.csv";
        QTest::newRow("other suffix kept") << "rec.txt" << false << "rec.txt";
    }
    void exportAddsTheSuffixAndWritesTheRecording()
    {
        QFETCH(QString, typed);
        QFETCH(bool, existing);
        QFETCH(QString, written);
        QVERIFY(QDir(m_dir->path()).mkpath("my.data"));
        if (existing)
            write(m_dir->filePath(written), "old\n");
        checkComponents(m_scope.get(), {AXIS_J1, AXIS_CurFSM});
        checkLinks(m_scope.get(), {LINK_TargetACS});
        recordAndStop({1000, 1010.5, 1020}, -0.25);
        const QStringList messages = exportTo(m_dir->filePath(typed));
        QCOMPARE(messages.size(), existing ? 1 : 0); // the question to replace
        QCOMPARE(contents(m_dir->filePath(written)),
                 QByteArray("time,J1 Target ACS_0_1_ACS(deg),CurFSM_1_23_FSM\n"
                            "0.000,-0.250,-0.250\n"
                            "10.500,-0.250,-0.250\n"
                            "20.000,-0.250,-0.250\n"));
        if (written != typed)
            QVERIFY(!QFile::exists(m_dir->filePath(typed)));
    }

    // A failed write says why, in the system's words (the size-limit case is in tst_scopefile).
    void exportThatCannotWriteSaysWhy()
    {
        checkComponents(m_scope.get(), {AXIS_CurFSM});
        recordAndStop({0, 1}, 1.0);
        const QString path = m_dir->filePath("no/dir/out.csv");
        QCOMPARE(
            exportTo(path),
            QStringList(
                QString("Warning: ERROR:Cannot write %1: %2").arg(path, qt_error_string(ENOENT))));
    }

    void importRoundTrip()
    {
        checkComponents(m_scope.get(), {AXIS_J2, AXIS_Z, AXIS_TCPCmdVel});
        checkLinks(m_scope.get(), {LINK_JointFilVel});
        checkRows(m_scope.get(), "Kvel_Scope_tree_SetEndEffector", {ENDEFF_ActualVel});
        recordAndStop({5, 20, 35, 4005}, 3.5);
        const QString first = m_dir->filePath("first.csv");
        exportTo(first);
        const CurveBinding before = plot()->curveBinding(1);

        QVERIFY(importFrom(first, contents(first)).isEmpty());
        QCOMPARE(plot()->curve(0)->title().text(), QString("J2 Joint FilVel"));
        QCOMPARE(plot()->curveBinding(0).unit, QString("VEL(deg/s)"));
        QCOMPARE(plot()->curveBinding(1).axis, before.axis);
        QCOMPARE(plot()->curveBinding(1).linkItem, 23);
        // the last unit carries no line feed
        QCOMPARE(plot()->curveBinding(2).unit, QString("VEL(mm/s)"));
        QCOMPARE(points(plot()->curve(2)), QString("0:3.5 15:3.5 30:3.5 4000:3.5"));
        QCOMPARE(periodEdit()->text(), QString("4001"));
        // The channel dialog keeps the operator's choice: the next Start records it.
        QCOMPARE(dialogOf(m_scope.get())->componentSelection().size(), std::size_t(3));

        const QString second = m_dir->filePath("second.csv");
        exportTo(second);
        QCOMPARE(contents(second), contents(first));
    }

    // A file written before the units were corrected shows its curves with the units of
    // today, so they fall into the same strips as a recording made now; units that no
    // version gave the channel stay as written.
    void importOfAFileWithFormerUnits()
    {
        const QString path = m_dir->filePath("former.csv");
        write(path, QByteArray("time,J1 FilSensedTor_0_15_TQR(N),J1 Joint FilAcc_0_10_VEL(deg/s),"
                               "J1 Joint FilVel_0_9_ VEL(deg/s),J1 status word_0_19_ ,"
                               "RX Target PCS_3_23_PCS(mm),RZ Actual Vel_5_23_VEL(mm/s),"
                               "X Target PCS_0_23_PCS(mm),J1 Target ACS_0_1_rad,"
                               "TCPCmdVel_31_9_\n"
                               "0,1,2,3,4,5,6,7,8,9\n"
                               "10,1,2,3,4,5,6,7,8,9\n"));
        QString error;
        QVERIFY2(m_scope->importFromFile(path, &error), qPrintable(error));
        QStringList units;
        for (const TarnScopeCurveData &curve : m_scope->recordedCurves())
            units << curve.unit;
        QCOMPARE(units, QString::fromUtf8("TQR(N·m)|ACC(deg/s²)|VEL(deg/s)||PCS(deg)|VEL(deg/s)|"
                                          "PCS(mm)|rad|VEL(mm/s)")
                            .split('|'));
        QCOMPARE(m_scope->channels().first(), QString("J1 FilSensedTor"));
        QCOMPARE(points(plot()->curve(8)), QString("0:9 10:9"));
    }

    void importRefusesOtherSuffixes()
    {
        QCOMPARE(importFrom(m_dir->filePath("data.CSV"), "time,A_0_1_u\n0,1\n"),
                 QStringList("Warning: ERROR:Unsupported file formats !"));
        QCOMPARE(plot()->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 0);
    }

    void importOfBadFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("curves");
        QTest::addColumn<QString>("firstSamples");
        QTest::addColumn<QString>("message"); // part of the warning, %1 for the file

        const QString kept = "0:1 5:2"; // loaded before: a file with nothing to show keeps it
        QTest::newRow("empty file") << QByteArray("") << 1 << kept << "ERROR:No curve in %1 !";
        QTest::newRow("no time column")
            << QByteArray("A_0_1_u,B_0_2_v\n1,2\n") << 1 << kept << "ERROR:No time column in %1 !";
        QTest::newRow("short row keeps its time and columns")
            << QByteArray("time,a_0_1_u,b_0_2_u\n0,10,20\n1,11\n2,12,22\n") << 2 << "0:10 1:11 2:12"
            << "ERROR:1 rows of %1 have a number of fields other than the header's (first at "
               "line 3)";
        QTest::newRow("51 columns") << QByteArray("time") + QByteArray(",c_0_1_u").repeated(51) +
                                           "\n1" + QByteArray(",2").repeated(51) + "\n"
                                    << 48 << "1:2"
                                    << "ERROR:%1 holds 51 curves; only the first 48 are shown.";
        QTest::newRow("numbers out of range")
            << QByteArray("time,A_0_1_u\n0,1\n1,1e400\n") << 1 << "0:1 1:nan"
            << "ERROR:1 fields of %1 are not numbers (first at line 3)";
    }
    void importOfBadFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        importFrom(m_dir->filePath("keep.csv"), "time,Keep_0_1_u\n0,1\n5,2\n");
        const QString path = m_dir->filePath("bad.csv");
        const QStringList messages = importFrom(path, bytes);
        QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(messages.first().contains(message.arg(path)), qPrintable(messages.first()));
        QTEST(plot()->itemList(QwtPlotItem::Rtti_PlotCurve).size(), "curves");
        QTEST(points(plot()->curve(0)), "firstSamples");
        const int period = periodEdit()->text().toInt();
        QVERIFY(period >= ScopeLimits::kMinPeriodMs && period <= ScopeLimits::kMaxPeriodMs);
    }

    void periodStaysWithinItsLimits_data()
    {
        QTest::addColumn<QByteArray>("file"); // imported when not empty
        QTest::addColumn<QString>("text");    // set on the edit when not empty
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("range"); // the time axis: a recording is shown whole
        QTest::newRow("import of a 5e9 ms recording")
            << QByteArray("time,A_0_1_u\n0,1\n5000000000,2\n") << QString() << "999999" << 5e9;
        QTest::newRow("text of seven digits") << QByteArray() << "1000000"
                                              << "999999" << 999999.0;
    }
    void periodStaysWithinItsLimits()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        if (!file.isEmpty())
            importFrom(m_dir->filePath("period.csv"), file);
        if (!text.isEmpty())
            periodEdit()->setText(text);
        QCOMPARE(periodEdit()->text(), shown);
        QTEST(plot()->xRange(), "range");
    }

    // Import and "Load set-up…" ask before they replace a recording that exists nowhere else,
    // and the question's default keeps it. A recording exported, or recorded to file for the
    // whole run, is replaced without a question, and code is never asked.
    void replacingAnUnsavedRecordingAsks_data()
    {
        QTest::addColumn<QString>("action"); // "import", "set-up" or "code" (importFromFile)
        QTest::addColumn<QString>("saved");  // how the recording was kept
        QTest::addColumn<bool>("yes");       // the answer: Yes, else the question's default
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("replaced");
        const auto row = [](const char *name, const char *action, const char *saved, bool yes,
                            bool asked, bool replaced) {
            QTest::newRow(name) << QString(action) << QString(saved) << yes << asked << replaced;
        };
        row("import: the default keeps it", "import", "no", false, true, false);
        row("import: Yes replaces it", "import", "no", true, true, true);
        row("import after an export", "import", "exported", false, false, true);
        row("import after recording to file", "import", "recorded to file", false, false, true);
        row("set-up: the default keeps it", "set-up", "no", false, true, false);
        row("set-up: Yes replaces it", "set-up", "no", true, true, true);
        row("set-up after an export", "set-up", "exported", false, false, true);
        row("import from code", "code", "no", false, false, true);
    }
    void replacingAnUnsavedRecordingAsks()
    {
        QFETCH(QString, action);
        QFETCH(QString, saved);
        QFETCH(bool, yes);
        checkComponents(m_scope.get(), {AXIS_J1});
        checkLinks(m_scope.get(), {LINK_TargetACS});
        if (saved == "recorded to file")
            QVERIFY(m_scope->startRecordingToFile(m_dir->filePath("run.csv")));
        recordAndStop({0, 10, 20}, 1.0);
        m_scope->stopRecordingToFile();
        if (saved == "exported")
            exportTo(m_dir->filePath("kept.csv"));

        const QString other = m_dir->filePath("other.csv");
        write(other, "time,Other_0_1_u\n0,5\n");
        ScopeSetup setup;
        setup.components = {AXIS_J2};
        setup.links = {LINK_TargetACS};
        const QString setupFile = m_dir->filePath("setup.json");
        write(setupFile, setup.toJson());
        QStringList messages;
        if (action == "import") {
            messages = runAnswering([this] { click(m_scope.get(), "ScopePlugin_btn_ImportScope"); },
                                    other, !yes);
        } else if (action == "set-up") {
            auto *load = m_scope->findChild<QAction *>("ScopeAction_LoadSetup");
            messages = runAnswering([load] { load->trigger(); }, setupFile, !yes);
        } else {
            QVERIFY(m_scope->importFromFile(other));
        }

        QFETCH(bool, asked);
        QCOMPARE(messages.filter(QRegularExpression("^Unsaved recording: ")).size(), asked ? 1 : 0);
        QFETCH(bool, replaced);
        const QString title = action == "set-up" ? "J2 Target ACS" : "Other";
        QCOMPARE(plot()->curve(0)->title().text(), replaced ? title : QString("J1 Target ACS"));
        if (!replaced)
            QCOMPARE(points(plot()->curve(0)), QString("0:1 10:1 20:1"));
    }

    // Export, "Save image…" and the end of a recording to file say on the state line where
    // the file went, until the next Start.
    void theStateLineSaysWhereAFileWent_data()
    {
        QTest::addColumn<QString>("saving");
        QTest::addColumn<QString>("said"); // %1: the file's whole path
        QTest::newRow("export") << "export" << QString("Exported to %1");
        QTest::newRow("image") << "image" << QString("Image saved to %1");
        QTest::newRow("recording to file") << "recording" << QString("Recorded to %1");
    }
    void theStateLineSaysWhereAFileWent()
    {
        QFETCH(QString, saving);
        const QString path = m_dir->filePath(saving == "image" ? "plot.png" : "run.csv");
        checkComponents(m_scope.get(), {AXIS_CurFSM});
        if (saving == "recording")
            QVERIFY(m_scope->startRecordingToFile(path));
        recordAndStop({0, 10}, 1.0);
        if (saving == "export") {
            exportTo(path);
        } else if (saving == "image") {
            auto *save = m_scope->findChild<QAction *>("ScopeAction_SaveImage");
            runAnswering([save] { save->trigger(); }, path);
        } else {
            m_scope->findChild<QAction *>("ScopeAction_RecordToFile")->trigger();
        }
        QVERIFY(QFile::exists(path));
        QFETCH(QString, said);
        const QString note = said.arg(QDir::toNativeSeparators(path));
        QCOMPARE(stateLine(), "Stopped | " + note);
        QVERIFY(startFlushed(m_scope.get()));
        QVERIFY2(!stateLine().contains(note), qPrintable(stateLine()));
    }

    // A recording to disk split into numbered files by changes of channels opens as one
    // recording, from code and from the Import button (which asks, joined by default): rows
    // on one time axis, channels united, a row of gaps where a file of it is missing or
    // cannot be read, said in the notes; a pipe at a member's name never hangs the import.
    void importJoinsARecordingSplitIntoFiles_data()
    {
        QTest::addColumn<QString>("action");  // "code" (importFromFiles) or "button"
        QTest::addColumn<QString>("second");  // what becomes of run_002.csv
        QTest::addColumn<QString>("curves");  // title: time:value … of each curve
        QTest::addColumn<QString>("note");    // part of the notes, %1 for the folder
        QTest::addColumn<QString>("showing"); // the state line
        const QString whole = "J1 Target ACS: 0:1 1:1 2:1 3:2 4:2 5:3 6:3 | "
                              "J2 Target ACS: 0:nan 1:nan 2:nan 3:2 4:2 5:3 6:3 | "
                              "J3 Target ACS: 0:nan 1:nan 2:nan 3:nan 4:nan 5:3 6:3";
        const QString broken = "J1 Target ACS: 0:1 1:1 2:1 3.5:nan 5:3 6:3 | "
                               "J2 Target ACS: 0:nan 1:nan 2:nan 3.5:nan 5:3 6:3 | "
                               "J3 Target ACS: 0:nan 1:nan 2:nan 3.5:nan 5:3 6:3";
        for (const char *action : {"code", "button"}) {
            QTest::addRow("%s, whole", action) << action << "kept" << whole << ""
                                               << "Showing run.csv (+2 files)";
            QTest::addRow("%s, middle file removed", action)
                << action << "removed" << broken
                << "Missing from the series, the curves break where they stood: "
                   "%1/run_002.csv."
                << "Showing run.csv (+1 file)";
        }
        QTest::newRow("code, a pipe in its place")
            << "code"
            << "fifo" << broken
            << "Cannot be read, the curves break where they stand: %1/run_002.csv (it is not "
               "a regular file (a device, a named pipe or a socket))."
            << "Showing run.csv (+1 file)";
    }
    void importJoinsARecordingSplitIntoFiles()
    {
        QFETCH(QString, action);
        QFETCH(QString, second);
        const QString path = m_dir->filePath("run.csv");
        {
            TarnSim::reset();
            TarnSim::setScripted(true);
            TarnPlugin_Scope scope;
            scope.show();
            QVERIFY(scope.setChannels({"J1 Target ACS"}));
            QVERIFY(scope.startRecordingToFile(path));
            QVERIFY(startFlushed(&scope));
            TarnSim::queueBatch(batch({1000, 1001, 1002}, 1.0));
            QVERIFY(waitForBatchesConsumed());
            // Each change of channels goes on in the next numbered file.
            QVERIFY(flushedAfter([&] { scope.setChannels({"J1 Target ACS", "J2 Target ACS"}); }));
            TarnSim::queueBatch(batch({1003, 1004}, 2.0));
            QVERIFY(waitForBatchesConsumed());
            QVERIFY(flushedAfter([&] {
                scope.setChannels({"J1 Target ACS", "J2 Target ACS", "J3 Target ACS"});
            }));
            TarnSim::queueBatch(batch({1005, 1006}, 3.0));
            QVERIFY(waitForBatchesConsumed());
            scope.stop();
            QSignalSpy complete(&scope, &TarnPlugin_Scope::recordingToFileChanged);
            scope.stopRecordingToFile();
            QTRY_VERIFY_WITH_TIMEOUT(!complete.isEmpty() && !scope.isRecordingToFile(), 10000);
        }
        QVERIFY(QFile::exists(m_dir->filePath("run_003.csv")));
        const QString member = m_dir->filePath("run_002.csv");
        if (second != "kept")
            QVERIFY(QFile::remove(member));
        if (second == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(member).constData(), 0600) == 0);

        QString notes;
        if (action == "code") {
            QString error;
            QVERIFY2(m_scope->importFromFiles({path}, &error, &notes), qPrintable(error));
        } else {
            const QStringList messages =
                clickAnswering(m_scope.get(), "ScopePlugin_btn_ImportScope", path);
            QVERIFY(!messages.isEmpty());
            QVERIFY2(messages.first().startsWith("Recording in several files: run.csv is the "
                                                 "first of "),
                     qPrintable(messages.first()));
            notes = messages.mid(1).join('\n');
        }
        QStringList curves;
        for (const TarnScopeCurveData &curve : m_scope->recordedCurves()) {
            QStringList samples;
            for (int i = 0; i < curve.times.size(); ++i)
                samples << QString("%1:%2").arg(curve.times.at(i)).arg(curve.values.at(i));
            curves << curve.title + ": " + samples.join(' ');
        }
        QTEST(curves.join(" | "), "curves");
        QFETCH(QString, note);
        if (note.isEmpty())
            QVERIFY2(notes.isEmpty(), qPrintable(notes));
        else
            QVERIFY2(notes.contains(note.arg(m_dir->path())), qPrintable(notes));
        QFETCH(QString, showing);
        QVERIFY2(stateLine().startsWith(showing + ", recorded "), qPrintable(stateLine()));
    }

    // importFromFiles keeps the call contract: refused while sampling and for no file, with
    // errorOccurred; one file that is no series imports as importFromFile.
    void importFromFilesFollowsTheCallContract()
    {
        const QString path = m_dir->filePath("alone.csv");
        write(path, "time,A_0_1_u\n0,1\n5,2\n");
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        QString error;
        QVERIFY(!m_scope->importFromFiles({}, &error));
        QCOMPARE(error, QString("ERROR:No file to import"));
        QCOMPARE(errors.size(), 1);
        QVERIFY(!m_scope->importFromFiles({m_dir->filePath("absent.csv")}, &error));
        QVERIFY2(error.startsWith("ERROR:Cannot read " + m_dir->filePath("absent.csv")),
                 qPrintable(error));
        QCOMPARE(errors.size(), 2);

        QString notes = "stale";
        QVERIFY2(m_scope->importFromFiles({path}, &error, &notes), qPrintable(error));
        QVERIFY(notes.isEmpty());
        QCOMPARE(stateLine(), QString("Showing alone.csv"));
        QCOMPARE(points(plot()->curve(0)), QString("0:1 5:2"));

        checkComponents(m_scope.get(), {AXIS_CurFSM});
        QVERIFY(startFlushed(m_scope.get()));
        QVERIFY(!m_scope->importFromFiles({path}, &error));
        QVERIFY2(error.contains("Not while sampling"), qPrintable(error));
        QCOMPARE(errors.size(), 3);
        stop(m_scope.get());
    }

    // The captures list shows each file's whole name, however long.
    void captureListShowsWholeFileNames()
    {
        ScopeCaptures captures(nullptr);
        ScopeCapture capture;
        capture.channel = "J1 Target ACS";
        capture.fileName =
            m_dir->filePath(QString("a/much/deeper/folder/of/captures/").repeated(3) +
                            "Tarn_Scope_Capture_2026_12_04_22_58_28_123.csv");
        QString error;
        QVERIFY(captures.add(capture, &error));
        CaptureListDialog dialog(captures, true, m_scope.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *table = dialog.findChild<QTableWidget *>("CaptureList_table");
        const QTableWidgetItem *file = table->item(0, 3);
        QCOMPARE(file->text(), capture.fileName);
        QVERIFY(table->columnWidth(3) >= table->fontMetrics().horizontalAdvance(capture.fileName));
    }
};

QTEST_MAIN(tst_ScopeFileActions)
#include "tst_scopefileactions.moc"
