// Recording to disk: the writer's lines, a file size limit while the scope samples, a file
// removed while recording, taken names, and a recording process killed mid-write; where
// captures are saved.
#include "RecordToFileDialog.h"
#include "ScopeCaptures.h"
#include "ScopeFileRecorder.h"
#include "ScopeFileWriter.h"
#include "ScopeTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <thread>

namespace {

constexpr int kChildColumns = 36;

QVector<ScopeFileCurve> columns(int count, int scopeIndex = 43)
{
    QVector<ScopeFileCurve> result;
    for (int k = 0; k < count; ++k) {
        ScopeFileCurve column;
        column.title = QString("C%1").arg(k);
        column.binding.axis = 0;
        column.binding.scopeIndex = scopeIndex;
        column.binding.unit = "u";
        result << column;
    }
    return result;
}

double childValue(double time, int column)
{
    return column + time / 1000.0;
}

// The child process: records rows to `path` as fast as a 36-channel scope at 1 kHz would
// deliver them, until it is killed.
int recordUntilKilled(const QString &path)
{
    FileRecordingOptions options;
    options.fileName = path;
    QString error;
    auto recorder = ScopeFileRecorder::start(options, columns(kChildColumns), &error);
    if (!recorder)
        return 2;
    for (double time = 0.0;;) {
        std::vector<double> rows;
        for (int r = 0; r < 50; ++r, time += 1.0) {
            rows.push_back(time);
            for (int k = 0; k < kChildColumns; ++k)
                rows.push_back(childValue(time, k));
        }
        recorder->push(std::move(rows), kChildColumns, ClockOrigin());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ScopeFileContent load(const QString &path)
{
    ScopeFileContent content;
    QString error;
    if (ScopeFile::load(path, &content, ScopeFile::Progress(), &error) != ScopeFile::Outcome::Done)
        qWarning() << "cannot load" << path << error;
    return content;
}

// A lower file size limit for this process while it lives; a write past it fails with
// EFBIG instead of killing the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_before);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_before); }

private:
    rlimit m_before{};
};

} // namespace

class TestRecordToFile : public QObject
{
    Q_OBJECT

private slots:
    void writerLinesReadBack();
    void cutLastLine_data();
    void cutLastLine();
    void removedWhileRecording_data();
    void removedWhileRecording();
    void removedJustBeforeStop();
    void nextFileSkipsTakenNames();
    void captureNeverFollowsALink();
    void fileSizeLimitWhileSampling();
    void killedMidWrite();
    void refusesExistingFile();
    void recordFromTheMenu();
    void fileHoldsWhatTheCurvesKeep_data();
    void fileHoldsWhatTheCurvesKeep();

private:
    QTemporaryDir m_dir;
};

// Times count from the first row; a column without data stays empty, as in an export.
void TestRecordToFile::writerLinesReadBack()
{
    QVector<ScopeFileCurve> heads = columns(2);
    heads[1].binding.scopeIndex = 0;
    ScopeFileWriter writer;
    QString error;
    const QString path = m_dir.filePath("writer.csv");
    QVERIFY(writer.open(path, ScopeFileWriter::Existing::Refuse, heads, {true, false},
                        ScopeFile::NumberFormat::ThreeDecimals, &error));
    const double first[] = {1.25, 99.0};
    const double second[] = {-2.5, 99.0};
    writer.appendRow(5000.0, first);
    writer.appendRow(5001.5, second);
    QVERIFY(writer.sync(&error));
    writer.close();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("time,C0_0_23_u,C1_0_23_u\n0.000,1.250,\n1.500,-2.500,\n"));
}

void TestRecordToFile::cutLastLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("cut");
    const QByteArray head = "time,a_0_1_u\n0.000,1.000\n";
    QTest::newRow("whole") << head + "1.000,2.000\n" << 2 << false;
    QTest::newRow("last row whole, without its line feed") << head + "1.000,2.000" << 2 << false;
    QTest::newRow("cut after the time") << head + "1.0" << 1 << true;
    QTest::newRow("cut after a comma") << head + "1.000," << 1 << true;
    QTest::newRow("cut inside an exponent") << head + "1.000,1e-" << 1 << true;
}

// A crash leaves a line without its line feed: the file reads to its last whole line and
// says so. A last row with every field, ending in a number, is whole.
void TestRecordToFile::cutLastLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rows);
    QFETCH(bool, cut);
    const std::optional<ScopeFileContent> content = ScopeFile::fromBytes(bytes);
    QVERIFY(content);
    QCOMPARE(content->times.size(), rows);
    QCOMPARE(content->curves.at(0).y.size(), rows);
    QCOMPARE(content->lastLineCut, cut);
    QCOMPARE(content->raggedRows + content->unreadableFields, 0);
}

void TestRecordToFile::removedWhileRecording_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("file removed") << "file";
    QTest::newRow("folder removed") << "folder";
    QTest::newRow("folder moved") << "move";
    QTest::newRow("file replaced") << "replace";
}

// Noticed at the next sync, within about a second, as a failure: never "complete".
void TestRecordToFile::removedWhileRecording()
{
    QFETCH(QString, what);
    const QString folder = m_dir.filePath(what);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/rec.csv";
    FileRecordingOptions options;
    options.fileName = path;
    QString error;
    auto recorder = ScopeFileRecorder::start(options, columns(1), &error);
    QVERIFY(recorder);
    recorder->push({0.0, 1.0}, 1, ClockOrigin());
    QTRY_COMPARE(recorder->status().records, qint64(1));
    if (what == "file")
        QVERIFY(QFile::remove(path));
    else if (what == "folder")
        QVERIFY(QDir(folder).removeRecursively());
    else if (what == "move")
        QVERIFY(QDir().rename(folder, folder + "_moved"));
    else
        QVERIFY(QFile::remove(path) && QFile(path).open(QIODevice::WriteOnly));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder->status().failure.isEmpty(), 2000);
    QVERIFY(recorder->status().failure.contains("removed, moved or replaced"));
}

// Removed and stopped at once: the last sync finds it, and the scope says it failed.
void TestRecordToFile::removedJustBeforeStop()
{
    auto scope = ScopeTest::freshScope();
    const QString folder = m_dir.filePath("stopped");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(scope->startRecordingToFile(folder + "/rec.csv"));
    QSignalSpy failed(scope.get(), &TarnPlugin_Scope::recordingToFileFailed);
    QVERIFY(QDir(folder).removeRecursively());
    scope->stopRecordingToFile();
    QTRY_COMPARE(failed.size(), 1);
    QVERIFY(failed.at(0).at(0).toString().contains("removed, moved or replaced"));
}

// Any entry at a numbered name takes the number: a link that leads nowhere, a pipe at its
// metadata's name.
void TestRecordToFile::nextFileSkipsTakenNames()
{
    const QString folder = m_dir.filePath("taken");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::symlink("outside/new.csv", QFile::encodeName(folder + "/rec_002.csv")) == 0);
    QVERIFY(::mkfifo(QFile::encodeName(folder + "/rec_003.csv.json"), 0644) == 0);
    FileRecordingOptions options;
    options.fileName = folder + "/rec.csv";
    QString error;
    auto recorder = ScopeFileRecorder::start(options, columns(1), &error);
    QVERIFY(recorder);
    recorder->push({0.0, 1.0}, 1, ClockOrigin());
    recorder->setColumns(columns(2)); // a new file
    recorder->push({1.0, 2.0, 3.0}, 2, ClockOrigin());
    QTRY_COMPARE(recorder->status().files, 2);
    QCOMPARE(recorder->status().fileName, folder + "/rec_004.csv");
    QTRY_COMPARE(recorder->status().records, qint64(2));
    QVERIFY(recorder->status().failure.isEmpty());
    QVERIFY(!QDir(folder + "/outside").exists());
}

// The next capture's name can be foreseen: links put there that lead out of the folder are
// passed over, and nothing is written outside it.
void TestRecordToFile::captureNeverFollowsALink()
{
    const QString folder = m_dir.filePath("captures");
    const QString outside = m_dir.filePath("outside");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(outside));
    const QDateTime now = QDateTime::currentDateTime();
    for (int ms = 0; ms < 3000; ++ms) {
        const QString stem =
            "Tarn_Scope_Capture_" + now.addMSecs(ms).toString("yyyy_MM_dd_hh_mm_ss_zzz");
        QVERIFY(::symlink(QFile::encodeName(outside + '/' + stem).constData(),
                          QFile::encodeName(folder + '/' + stem + ".csv").constData()) == 0);
    }
    ScopeCaptures captures(nullptr);
    TriggerOptions options;
    options.folder = folder;
    captures.setOptions(options);
    ScopeCapture capture;
    capture.curves = columns(1);
    capture.curves[0].x = {0.0, 1.0};
    capture.curves[0].y = {2.0, 3.0};
    QString error;
    QVERIFY2(captures.add(capture, &error), qPrintable(error));
    const QFileInfo saved(captures.kept().back().fileName);
    QCOMPARE(saved.absolutePath(), QFileInfo(folder).absoluteFilePath());
    QVERIFY(saved.isFile() && !saved.isSymLink());
    QVERIFY(QDir(outside).isEmpty());
}

// The disk "fills" mid-recording: the reason is the system's, the file imports whole, and
// sampling goes on.
void TestRecordToFile::fileSizeLimitWhileSampling()
{
    TarnSim::reset();
    TarnSim::setCycleMs(1.0);
    TarnPlugin_Scope scope;
    scope.show();
    QVERIFY(scope.setChannels({"J1 Target ACS", "J2 Target ACS", "J3 Target ACS"}));
    QSignalSpy failed(&scope, &TarnPlugin_Scope::recordingToFileFailed);
    const QString path = m_dir.filePath("limited.csv");
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(scope.startRecordingToFile(path));
        scope.start();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
    }
    QCOMPARE(failed.at(0).at(0).toString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
    QVERIFY(!scope.isRecordingToFile());
    QVERIFY(scope.isSampling());
    const int before = scope.recordedCurves().at(0).times.size();
    QTRY_VERIFY_WITH_TIMEOUT(scope.recordedCurves().at(0).times.size() > before + 100, 5000);
    scope.stop();
    const ScopeFileContent content = load(path);
    QVERIFY(!content.lastLineCut);
    QCOMPARE(content.curves.size(), 3);
    QVERIFY(content.times.size() > 100);
    QCOMPARE(content.raggedRows + content.unreadableFields, 0);
    QVERIFY(QFileInfo(path).size() <= 64 * 1024);
}

void TestRecordToFile::killedMidWrite()
{
    const QString path = m_dir.filePath("killed.csv");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--record-until-killed", path});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 512 * 1024, 20000);
    child.kill(); // SIGKILL
    QVERIFY(child.waitForFinished());
    const ScopeFileContent content = load(path);
    QCOMPARE(content.curves.size(), kChildColumns);
    QVERIFY(content.times.size() > 1000);
    QCOMPARE(content.raggedRows + content.unreadableFields, 0);
    for (int row = 0; row < content.times.size(); ++row) {
        QCOMPARE(content.times[row], double(row));
        for (int k = 0; k < kChildColumns; k += 7)
            QVERIFY(std::fabs(content.curves[k].y[row] - childValue(row, k)) < 0.0006);
    }
}

// Never replaces a file from code; the reason says so, and nothing is touched.
void TestRecordToFile::refusesExistingFile()
{
    const QString path = m_dir.filePath("existing.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep me\n");
    file.close();
    auto scope = ScopeTest::freshScope();
    QString error;
    QVERIFY(!scope->startRecordingToFile(path, &error));
    QVERIFY(error.contains("exists"));
    QVERIFY(!scope->isRecordingToFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep me\n"));
}

// The dialog proposes a dated name beside the last file, asks before it replaces one, and
// the strip names the file while it records.
void TestRecordToFile::recordFromTheMenu()
{
    const QString path = m_dir.filePath("menu.csv");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\n") == 4);
    old.close();
    auto scope = ScopeTest::freshScope();
    auto *action = scope->findChild<QAction *>("ScopeAction_RecordToFile");
    QVERIFY(action);
    QString proposed;
    QString question;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<RecordToFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *file = dialog->findChild<QLineEdit *>("RecordToFile_edit_File");
        proposed = file->text();
        file->setText(path);
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            }
        });
        dialog->accept();
    });
    action->trigger();
    QVERIFY(QRegularExpression("Tarn_Scope_\\d{4}(_\\d\\d){5}\\.csv$").match(proposed).hasMatch());
    QVERIFY(question.contains("menu.csv"));
    QVERIFY(scope->isRecordingToFile());
    auto *state = ScopeTest::child<QLabel>(scope.get(), "Kvel_Scope_lb_State");
    QTRY_VERIFY(state->text().contains("Recording to menu.csv"));
    QSignalSpy complete(scope.get(), &TarnPlugin_Scope::recordingToFileChanged);
    action->trigger(); // stops
    QVERIFY(!scope->isRecordingToFile());
    QTRY_VERIFY(!complete.isEmpty());
    QVERIFY(!state->text().contains("Recording to"));
    QFile replaced(path);
    QVERIFY(replaced.open(QIODevice::ReadOnly));
    QCOMPARE(replaced.readAll(), QByteArray("time\n"));

    QTimer::singleShot(0, [&] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            proposed = dialog->findChild<QLineEdit *>("RecordToFile_edit_File")->text();
            dialog->reject();
        }
    });
    action->trigger();
    QCOMPARE(QFileInfo(proposed).absolutePath(), QFileInfo(path).absolutePath());
    QVERIFY(!scope->isRecordingToFile());
}

void TestRecordToFile::fileHoldsWhatTheCurvesKeep_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("delay");
    QTest::newRow("open grab, history kept") << int(TarnPlugin_Scope::OpenGrab) << "-300";
    QTest::newRow("open grab, later start") << int(TarnPlugin_Scope::OpenGrab) << "200";
    QTest::newRow("end grab, before the instant") << int(TarnPlugin_Scope::EndGrab) << "-300";
    QTest::newRow("end grab, whole batches") << int(TarnPlugin_Scope::EndGrab) << "";
}

// A trigger with a delay keeps history or cuts the end: the file holds exactly the records
// the curves keep (the window is long enough to keep them all).
void TestRecordToFile::fileHoldsWhatTheCurvesKeep()
{
    QFETCH(int, mode);
    QFETCH(QString, delay);
    TarnSim::reset();
    TarnSim::setCycleMs(1.0);
    TarnPlugin_Scope scope;
    scope.show();
    QVERIFY(scope.setChannels({"J1 Target ACS", "J2 Target ACS"}));
    scope.setPeriod(999999);
    scope.setTriggerChannel("J1 Target ACS");
    const double later = TarnSim::sampleValue(43, 1500.0);
    scope.setTriggerCondition(later > TarnSim::sampleValue(43, 1000.0) ? TarnPlugin_Scope::Above
                                                                       : TarnPlugin_Scope::Below);
    scope.setTriggerThreshold(later);
    scope.setTriggerMode(TarnPlugin_Scope::TriggerMode(mode));
    scope.setTriggerDelay(delay);
    scope.setTriggerEnabled(true);
    const QString path = m_dir.filePath(QString("trigger_%1.csv").arg(QTest::currentDataTag()));
    QVERIFY(scope.startRecordingToFile(path));
    QSignalSpy fired(&scope, &TarnPlugin_Scope::triggerFired);
    scope.start();
    QTRY_VERIFY_WITH_TIMEOUT(!fired.isEmpty(), 15000);
    QTest::qWait(800);
    scope.stop();
    QSignalSpy complete(&scope, &TarnPlugin_Scope::recordingToFileChanged);
    scope.stopRecordingToFile();
    QTRY_VERIFY_WITH_TIMEOUT(!complete.isEmpty(), 10000);
    const QList<TarnScopeCurveData> curves = scope.recordedCurves();
    const ScopeFileContent content = load(path);
    QCOMPARE(content.curves.size(), 2);
    QVERIFY(!curves.at(0).times.isEmpty());
    QCOMPARE(content.times.size(), curves.at(0).times.size());
    for (int row = 0; row < content.times.size(); ++row) {
        QVERIFY(std::fabs(content.times[row] - curves.at(0).times[row]) < 0.0006);
        QVERIFY(std::fabs(content.curves[1].y[row] - curves.at(1).values[row]) < 0.0006);
    }
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--record-until-killed") == 0)
        return recordUntilKilled(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestRecordToFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recordtofile.moc"
