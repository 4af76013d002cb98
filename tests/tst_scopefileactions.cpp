#include "ScopeLimits.h"
#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"

#include <QTemporaryDir>
#include <qwt_scale_div.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <memory>

using namespace ScopeTest;

// Export and import driven through the buttons, the file dialogs and the message boxes.
class tst_ScopeFileActions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void exportWithoutDataWarns();
    void exportAddsTheSuffixAndWritesTheRecording_data();
    void exportAddsTheSuffixAndWritesTheRecording();
    void exportThatCannotWriteSaysWhy_data();
    void exportThatCannotWriteSaysWhy();
    void cancelledDialogsStaySilent();
    void importRoundTrip();
    void importRefusesOtherSuffixes();
    void importWidensTheValueAxis();
    void importOfBadFiles_data();
    void importOfBadFiles();
    void periodStaysWithinItsLimits_data();
    void periodStaysWithinItsLimits();

private:
    void record(std::initializer_list<double> times, double value);
    QString exportTo(const QString &name, MessageBoxAnswer *answer = nullptr);
    void importFrom(const QString &path, MessageBoxAnswer *answer = nullptr);
    static QByteArray contents(const QString &path);
    static void write(const QString &path, const QByteArray &bytes);

    std::unique_ptr<TarnPlugin_Scope> m_scope;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ScopeFileActions::init()
{
    TarnSim::reset();
    TarnSim::setScripted(true);
    m_dir = std::make_unique<QTemporaryDir>();
    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->show();
}

void tst_ScopeFileActions::cleanup()
{
    m_scope.reset();
    m_dir.reset();
}

void tst_ScopeFileActions::record(std::initializer_list<double> times, double value)
{
    TarnSim::queueBatch(constantBatch(times, value));
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QTRY_VERIFY(!plotOf(m_scope.get())->hasNoData());
    QTRY_COMPARE(int(plotOf(m_scope.get())->curve(0)->dataSize()), int(times.size()));
    stop(m_scope.get());
}

QString tst_ScopeFileActions::exportTo(const QString &name, MessageBoxAnswer *answer)
{
    ModalAnswer dialog;
    answerNextFileDialog(&dialog, name.isEmpty() ? QString() : m_dir->filePath(name));
    if (answer)
        answerNextMessageBox(answer);
    click(m_scope.get(), "ScopePlugin_btn_ExportScope");
    return dialog.shown ? m_dir->filePath(name) : QString();
}

void tst_ScopeFileActions::importFrom(const QString &path, MessageBoxAnswer *answer)
{
    ModalAnswer dialog;
    answerNextFileDialog(&dialog, path);
    if (answer)
        answerNextMessageBox(answer);
    click(m_scope.get(), "ScopePlugin_btn_ImportScope");
    QVERIFY(dialog.shown);
}

QByteArray tst_ScopeFileActions::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_ScopeFileActions::write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void tst_ScopeFileActions::exportWithoutDataWarns()
{
    MessageBoxAnswer answer;
    answerNextMessageBox(&answer);
    click(m_scope.get(), "ScopePlugin_btn_ExportScope");
    QVERIFY(answer.shown);
    QCOMPARE(answer.title, QString("Warning"));
    QCOMPARE(answer.text, QString("ERROR:Empty ScopeData!"));
}

void tst_ScopeFileActions::exportAddsTheSuffixAndWritesTheRecording_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("existing"); // at the written path beforehand
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("written");

    QTest::newRow("bare name") << "recording" << QByteArray() << false << "recording.csv";
    QTest::newRow("dot in the directory only")
        << "my.data/rec" << QByteArray() << false << "my.data/rec.csv";
    QTest::newRow("existing file kept when not to be replaced")
        << "my.data/rec" << QByteArray("old\n") << false << "my.data/rec.csv";
    QTest::newRow("existing file replaced")
        << "my.data/rec" << QByteArray("old\n") << true << "my.data/rec.csv";
    QTest::newRow("other suffix kept") << "rec.txt" << QByteArray() << false << "rec.txt";
}

void tst_ScopeFileActions::exportAddsTheSuffixAndWritesTheRecording()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, existing);
    QFETCH(bool, replace);
    QFETCH(QString, written);

    QVERIFY(QDir(m_dir->path()).mkpath("my.data"));
    if (!existing.isEmpty())
        write(m_dir->filePath(written), existing);
    checkComponents(m_scope.get(), {AXIS_J1, AXIS_CurFSM});
    checkLinks(m_scope.get(), {LINK_TargetACS});
    record({1000, 1010.5, 1020}, -0.25);
    ModalAnswer question;
    answerNextModal<QMessageBox>(&question, [replace](QMessageBox *box) {
        QTimer::singleShot(0, box->button(replace ? QMessageBox::Yes : QMessageBox::No),
                           &QAbstractButton::click);
    });
    exportTo(typed);
    QCOMPARE(question.shown, !existing.isEmpty());
    const QByteArray recording = "time,J1 Target ACS_0_1_ACS(deg),CurFSM_1_23_FSM\n"
                                 "0.000,-0.250,-0.250\n"
                                 "10.500,-0.250,-0.250\n"
                                 "20.000,-0.250,-0.250\n";
    QCOMPARE(contents(m_dir->filePath(written)),
             existing.isEmpty() || replace ? recording : existing);
    if (written != typed)
        QVERIFY(!QFile::exists(m_dir->filePath(typed)));
}

void tst_ScopeFileActions::exportThatCannotWriteSaysWhy_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<rlim_t>("sizeLimit");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing directory")
        << "no/such/dir/out.csv" << rlim_t(RLIM_INFINITY) << qt_error_string(ENOENT);
    QTest::newRow("file size limit") << "out.csv" << rlim_t(64) << qt_error_string(EFBIG);
}

void tst_ScopeFileActions::exportThatCannotWriteSaysWhy()
{
    QFETCH(QString, name);
    QFETCH(rlim_t, sizeLimit);
    QFETCH(QString, reason);

    checkComponents(m_scope.get(), {AXIS_CurFSM});
    record({0, 1, 2, 3, 4, 5, 6, 7}, 1.0);
    MessageBoxAnswer answer;
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limited{sizeLimit, saved.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    QVERIFY(!exportTo(name, &answer).isEmpty());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(answer.shown);
    QCOMPARE(answer.title, QString("Warning"));
    QCOMPARE(answer.text, QString("ERROR:Cannot write %1: %2").arg(m_dir->filePath(name), reason));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
}

void tst_ScopeFileActions::cancelledDialogsStaySilent()
{
    checkComponents(m_scope.get(), {AXIS_CurFSM});
    record({0, 1}, 1.0);
    MessageBoxAnswer answer;
    answerNextMessageBox(&answer);
    exportTo(QString());
    importFrom(QString());
    QTest::qWait(100);
    QVERIFY(!answer.shown);
    QCOMPARE(plotOf(m_scope.get())->curve(0)->dataSize(), size_t(2));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
}

void tst_ScopeFileActions::importRoundTrip()
{
    checkComponents(m_scope.get(), {AXIS_J2, AXIS_Z, AXIS_TCPCmdVel});
    checkLinks(m_scope.get(), {LINK_JointFilVel});
    checkEndEffectors(m_scope.get(), {ENDEFF_ActualVel});
    record({5, 20, 35, 4005}, 3.5);
    const QString first = exportTo("first.csv");
    QwtScope *plot = plotOf(m_scope.get());
    const CurveBinding before = plot->curveBinding(1);

    importFrom(first);
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 3);
    QCOMPARE(plot->curve(0)->title().text(), QString("J2 Joint FilVel"));
    QCOMPARE(plot->curveBinding(0).unit, QString(" VEL(deg/s)"));
    const CurveBinding after = plot->curveBinding(1);
    QCOMPARE(after.axis, before.axis);
    QCOMPARE(after.linkItem, 23);
    QCOMPARE(after.endEffItem, 9);
    QCOMPARE(after.scopeIndex, 0);
    QCOMPARE(plot->curveBinding(2).unit, QString()); // the last unit carries no line feed
    QCOMPARE(curveX(plot->curve(2)), (QVector<double>{0, 15, 30, 4000}));
    QCOMPARE(child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->text(),
             QString("4001"));
    QVERIFY(dialogOf(m_scope.get())->componentSelection().empty());
    QVERIFY(dialogOf(m_scope.get())->linkSelection().empty());

    const QString second = exportTo("second.csv");
    QCOMPARE(contents(second), contents(first));
}

void tst_ScopeFileActions::importRefusesOtherSuffixes()
{
    checkComponents(m_scope.get(), {AXIS_CurFSM});
    record({0, 1}, 1.0);
    const QString upper = m_dir->filePath("data.CSV");
    write(upper, "time,A_0_1_u\n0,1\n");
    MessageBoxAnswer answer;
    importFrom(upper, &answer);
    QVERIFY(answer.shown);
    QCOMPARE(answer.title, QString("Warning"));
    QCOMPARE(answer.text, QString("ERROR:Unsupported file formats !"));
    QCOMPARE(plotOf(m_scope.get())->curve(0)->title().text(), QString("CurFSM"));
    QVERIFY(dialogOf(m_scope.get())->componentSelection().empty());
}

void tst_ScopeFileActions::importWidensTheValueAxis()
{
    QByteArray bytes = "time,A_0_1_u\n";
    for (int i = 0; i <= 95; ++i)
        bytes += QByteArray::number(i * 10) + "," + QByteArray::number(i) + "\n";
    const QString path = m_dir->filePath("ramp.csv");
    write(path, bytes);
    importFrom(path);
    const QwtScaleDiv &div = plotOf(m_scope.get())->axisScaleDiv(QwtPlot::yLeft);
    QCOMPARE(div.lowerBound(), -20.0);
    QCOMPARE(div.upperBound(), 100.0);
}

void tst_ScopeFileActions::importOfBadFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("curves");
    QTest::addColumn<QString>("firstTitle");
    QTest::addColumn<QString>("firstSamples"); // x:y pairs, empty when not checked
    QTest::addColumn<QString>("message");      // part of the warning with %1 for the file, or empty

    const QString kept = "Keep"; // loaded before: a file with nothing to show keeps it
    QTest::newRow("empty file") << QByteArray("") << 1 << kept << "0:1 5:2"
                                << "ERROR:No curve in %1 !";
    QTest::newRow("only time") << QByteArray("time\n") << 1 << kept << ""
                               << "ERROR:No curve in %1 !";
    QTest::newRow("no time column") << QByteArray("A_0_1_u,B_0_2_v\n1,2\n") << 1 << kept << ""
                                    << "ERROR:No time column in %1 !";
    QTest::newRow("one huge line") << QByteArray(4 << 20, '7') << 1 << kept << ""
                                   << "ERROR:No time column in %1 !";
    QTest::newRow("short row keeps its time and columns")
        << QByteArray("time,a_0_1_u,b_0_2_u\n0,10,20\n1,11\n2,12,22\n") << 2 << "a"
        << "0:10 1:11 2:12"
        << "ERROR:1 rows of %1 have a number of fields other than the header's (first at line 3)";
    QTest::newRow("51 columns") << QByteArray("time") + QByteArray(",c_0_1_u").repeated(51) +
                                       "\n1" + QByteArray(",2").repeated(51) + "\n"
                                << 48 << "c"
                                << "1:2"
                                << "ERROR:%1 holds 51 curves; only the first 48 are shown.";
    QTest::newRow("nan is a gap") << QByteArray("time,A_0_1_u\n0,1\n1,nan\n2,3\n") << 1 << "A"
                                  << "0:1 1:nan 2:3"
                                  << "";
    QTest::newRow("NUL bytes") << QByteArray("time,A_0_1_u\n0,1\0junk\n1,\0\n", 26) << 1 << "A"
                               << "0:1"
                               << "";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFtime,A_0_1_u\n0,1\n") << 1 << "A"
                                     << "0:1"
                                     << "";
    QTest::newRow("not UTF-8") << QByteArray("time,\xff\xfe_0_1_\xc3\n\x80,1\n") << 1
                               << QString::fromUtf8("\xef\xbf\xbd\xef\xbf\xbd") << "nan:1"
                               << "ERROR:1 fields of %1 are not numbers (first at line 2)";
    QTest::newRow("numbers out of range")
        << QByteArray("time,A_0_1_u\n1e400,nan\n-1e400,inf\n") << 1 << "A"
        << "nan:nan nan:inf"
        << "ERROR:2 fields of %1 are not numbers (first at line 2)";
}

void tst_ScopeFileActions::importOfBadFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, curves);
    QFETCH(QString, firstTitle);
    QFETCH(QString, firstSamples);
    QFETCH(QString, message);

    const QString keep = m_dir->filePath("keep.csv");
    write(keep, "time,Keep_0_1_u\n0,1\n5,2\n");
    importFrom(keep);
    const QString path = m_dir->filePath("bad.csv");
    write(path, bytes);
    MessageBoxAnswer answer;
    importFrom(path, &answer);
    QTest::qWait(50);
    QCOMPARE(answer.shown, !message.isEmpty());
    if (answer.shown) {
        QCOMPARE(answer.title, QString("Warning"));
        QVERIFY2(answer.text.contains(message.arg(path)), qPrintable(answer.text));
    }

    QwtScope *plot = plotOf(m_scope.get());
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), curves);
    QCOMPARE(plot->curve(0)->title().text(), firstTitle);
    if (!firstSamples.isEmpty()) {
        QStringList pairs;
        const QVector<double> x = curveX(plot->curve(0));
        const QVector<double> y = curveY(plot->curve(0));
        for (int i = 0; i < x.size(); ++i)
            pairs << QString("%1:%2").arg(x[i]).arg(y[i]);
        QCOMPARE(pairs.join(' '), firstSamples);
    }
    const int period =
        child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->text().toInt();
    QVERIFY(period >= ScopeLimits::kMinPeriodMs && period <= ScopeLimits::kMaxPeriodMs);
    plot->grab(); // draws whatever was loaded
}

void tst_ScopeFileActions::periodStaysWithinItsLimits_data()
{
    QTest::addColumn<QByteArray>("file"); // imported when not empty
    QTest::addColumn<QString>("text");    // set on the edit when not empty
    QTest::addColumn<QString>("shown");

    QTest::newRow("import of a 5e9 ms recording")
        << QByteArray("time,A_0_1_u\n0,1\n5000000000,2\n") << QString() << "999999";
    QTest::newRow("import of a 2 ms recording")
        << QByteArray("time,A_0_1_u\n0,1\n2,2\n") << QString() << "10";
    QTest::newRow("text of seven digits") << QByteArray() << "1000000"
                                          << "999999";
    QTest::newRow("text of twenty digits") << QByteArray() << "99999999999999999999"
                                           << "999999";
}

void tst_ScopeFileActions::periodStaysWithinItsLimits()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    QFETCH(QString, shown);

    auto *edit = child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime");
    if (!file.isEmpty()) {
        const QString path = m_dir->filePath("period.csv");
        write(path, file);
        importFrom(path);
    }
    if (!text.isEmpty())
        edit->setText(text);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(plotOf(m_scope.get())->xRange(), shown.toDouble()); // the period in use
}

QTEST_MAIN(tst_ScopeFileActions)
#include "tst_scopefileactions.moc"
