#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"

#include <QTemporaryDir>
#include <qwt_scale_div.h>

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
    void exportAddsTheSuffixAndWritesTheRecording();
    void exportThatCannotWriteWarnsAndKeepsTheOldFile();
    void cancelledDialogsStaySilent();
    void importRoundTrip();
    void importRefusesOtherSuffixes();
    void importWidensTheValueAxis();
    void importOfBadFilesNeverBreaks_data();
    void importOfBadFilesNeverBreaks();

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

void tst_ScopeFileActions::exportAddsTheSuffixAndWritesTheRecording()
{
    checkComponents(m_scope.get(), {AXIS_J1, AXIS_CurFSM});
    checkLinks(m_scope.get(), {LINK_TargetACS});
    record({1000, 1010.5, 1020}, -0.25);
    exportTo("recording");
    const QByteArray bytes = contents(m_dir->filePath("recording.csv"));
    QCOMPARE(bytes, QByteArray("time,J1 Target ACS_0_1_ACS(deg),CurFSM_1_23_FSM\n"
                               "0.000,-0.250,-0.250\n"
                               "10.500,-0.250,-0.250\n"
                               "20.000,-0.250,-0.250\n"));
    QVERIFY(!QFile::exists(m_dir->filePath("recording")));
}

void tst_ScopeFileActions::exportThatCannotWriteWarnsAndKeepsTheOldFile()
{
    checkComponents(m_scope.get(), {AXIS_CurFSM});
    record({0, 1}, 1.0);
    MessageBoxAnswer answer;
    const QString missingDir = "no/such/dir/out.csv";
    QVERIFY(!exportTo(missingDir, &answer).isEmpty());
    QVERIFY(answer.shown);
    QCOMPARE(answer.title, QString("Warning"));
    QVERIFY(answer.text.startsWith("ERROR:"));
    QVERIFY(answer.text.contains("out.csv"));
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

void tst_ScopeFileActions::importOfBadFilesNeverBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("curves");

    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("NUL bytes") << QByteArray("time,A_0_1_u\n0,1\0junk\n1,\0\n", 26) << 1;
    QTest::newRow("one huge line") << QByteArray(4 << 20, '7') << 1;
    QTest::newRow("not UTF-8") << QByteArray("time,\xff\xfe_0_1_\xc3\n\x80,1\n") << 1;
    QTest::newRow("thousands of columns")
        << QByteArray("time") + QByteArray(",c_0_1_u").repeated(3000) + "\n" + QByteArray("1") +
               QByteArray(",2").repeated(3000) + "\n"
        << 48;
    QTest::newRow("numbers out of range")
        << QByteArray("time,A_0_1_u\n1e400,nan\n-1e400,inf\n") << 1;
    QTest::newRow("only time") << QByteArray("time\n") << 0;
}

void tst_ScopeFileActions::importOfBadFilesNeverBreaks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, curves);
    const QString path = m_dir->filePath("bad.csv");
    write(path, bytes);
    importFrom(path);
    QwtScope *plot = plotOf(m_scope.get());
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), curves);
    const int period =
        child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->text().toInt();
    QVERIFY(period >= 1);
    plot->grab(); // draws whatever was loaded
}

QTEST_MAIN(tst_ScopeFileActions)
#include "tst_scopefileactions.moc"
