#include "DemoHost.h"

#include "AnalysisShots.h"
#include "ModalDialogAnswerer.h"
#include "ScopeFigures.h"
#include "TarnSim.h"
#include "ToolShots.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace {

const char *const kSelectionTrees[] = {"Kvel_Scope_tree_SetComponent", "Kvel_Scope_tree_SetLink",
                                       "Kvel_Scope_tree_SetEndEffector"};
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 800;
constexpr int kMinPeriodMs = 10;
constexpr int kMaxPeriodMs = 999999;
// What the scopes beside the first record: joint quantities of their own.
const char *const kSharingSelections[] = {"J1,J2,J3,J4,J5,J6,Actual Cur,Target Cur",
                                          "J1,J2,J3,J4,J5,J6,FilSensedTor,FilCur"};

int toMilliseconds(double seconds)
{
    return static_cast<int>(std::lround(seconds * 1000.0));
}

void collectRows(const QAbstractItemModel *model, const QModelIndex &parent, const QString &text,
                 QModelIndexList &found)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->data(index, Qt::DisplayRole).toString().trimmed() == text)
            found << index;
        collectRows(model, index, text, found);
    }
}

int countLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<int>(file.readAll().count('\n'));
}

void printLine(const QString &key, const QString &value)
{
    std::printf("%-20s %s\n", qUtf8Printable(key + QLatin1Char(':')), qUtf8Printable(value));
}

} // namespace

DemoHost::DemoHost(DemoOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options))
{}

// Members go in reverse order: the window, and with it the widget whose code lives in the
// plug-in, before the loader. The loader never unloads the library.
DemoHost::~DemoHost() = default;

bool DemoHost::start()
{
    if (m_options.offscreen && !prepareOutputFolder())
        return false;
    if (m_options.opensFiles())
        return startShowingFiles();
    configureController();
    if (!loadPlugin() || !loadTranslation() || !createScope() || !setPeriod() ||
        !selectChannels() || !addDerivedChannels() || !armTrigger() || !recordToFile() ||
        !startSampling() || !addSharingScopes())
        return false;
    m_scope->setProperty("stripView", m_options.strips);
    m_clock.start();
    if (m_options.injectsError())
        QTimer::singleShot(toMilliseconds(m_options.errorAfterSeconds), this,
                           &DemoHost::raiseRobotError);
    if (m_options.offscreen)
        QTimer::singleShot(toMilliseconds(m_options.seconds), this, &DemoHost::finishOffscreenRun);
    return true;
}

// The files in the scope instead of the simulated robot: a viewer, as tarnscope-view is.
bool DemoHost::startShowingFiles()
{
    // Before the plug-in's library makes its first scope: files may come from a real robot,
    // and a scope that opened the simulator would stamp them "SIMULATED CONTROLLER".
    qputenv("TARNSCOPE_CONTROLLER_LIBRARY", "none");
    if (!loadPlugin() || !loadTranslation() || !createScope() || !addDerivedChannels() ||
        !openFiles())
        return false;
    if (m_options.periodMs > 0 && !setPeriod())
        return false;
    m_scope->setProperty("stripView", m_options.strips);
    m_window->setWindowTitle(QStringLiteral("scope-demo: %1").arg(m_options.openFiles.join(", ")));
    m_clock.start();
    if (m_options.offscreen)
        QTimer::singleShot(0, this, &DemoHost::finishOffscreenRun);
    return true;
}

// Through the scope's invokable API, as any host that loads the plug-in can.
bool DemoHost::openFiles()
{
    bool opened = false;
    QString error;
    if (!QMetaObject::invokeMethod(m_scope, "importFromFiles", Qt::DirectConnection,
                                   Q_RETURN_ARG(bool, opened),
                                   Q_ARG(QStringList, m_options.openFiles),
                                   Q_ARG(QString *, &error), Q_ARG(QString *, &m_openNotes))) {
        fail(QStringLiteral("the scope has no importFromFiles()"));
        return false;
    }
    if (!opened) {
        fail(QStringLiteral("cannot open the files: %1").arg(error));
        return false;
    }
    if (!m_openNotes.isEmpty())
        std::fprintf(stderr, "scope-demo: %s\n", qUtf8Printable(m_openNotes));
    return true;
}

// Old results go first, so a file left from an earlier run is never taken for this one's.
bool DemoHost::prepareOutputFolder()
{
    QDir dir(m_options.outputDir);
    if (!dir.mkpath(QStringLiteral("."))) {
        fail(QStringLiteral("cannot create the output folder %1").arg(m_options.outputDir));
        return false;
    }
    for (const QString &name : {QStringLiteral("scope.png"), QStringLiteral("scope.csv")}) {
        if (dir.exists(name) && !dir.remove(name)) {
            fail(QStringLiteral("cannot replace %1").arg(dir.filePath(name)));
            return false;
        }
    }
    return true;
}

void DemoHost::configureController()
{
    TarnSim::reset();
    TarnSim::setCycleMs(m_options.cycleMs);
    TarnSim::setSeed(m_options.seed);
}

bool DemoHost::loadPlugin()
{
    m_loader.setFileName(m_options.pluginPath);
    QObject *instance = m_loader.instance();
    if (!instance) {
        fail(QStringLiteral("cannot load the plug-in %1: %2")
                 .arg(m_options.pluginPath, m_loader.errorString()));
        return false;
    }
    m_interface = qobject_cast<QDesignerCustomWidgetInterface *>(instance);
    if (!m_interface) {
        fail(QStringLiteral("%1 is not a Qt Designer custom-widget plug-in")
                 .arg(m_options.pluginPath));
        return false;
    }
    if (!m_interface->isInitialized())
        m_interface->initialize(nullptr);
    return true;
}

// The plug-in's library carries its translations as resources; hosts that link the library
// call TarnPlugin_Scope::installTranslation instead. Before the scope is made, which takes its
// texts as it is built.
bool DemoHost::loadTranslation()
{
    if (m_options.sourceTexts)
        return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::English), QStringLiteral("tarnscope"),
                          QStringLiteral("_"), QStringLiteral(":/tarnscope/translations"))) {
        fail(QStringLiteral("the plug-in %1 carries no English translation")
                 .arg(m_options.pluginPath));
        return false;
    }
    translator->setParent(QCoreApplication::instance());
    QCoreApplication::installTranslator(translator.release());
    return true;
}

bool DemoHost::createScope()
{
    m_window = std::make_unique<QMainWindow>();
    m_window->setWindowTitle(
        QStringLiteral("scope-demo: %1 on the simulated robot").arg(m_interface->name()));
    m_scope = m_interface->createWidget(m_window.get());
    if (!m_scope) {
        fail(QStringLiteral("the plug-in created no widget"));
        return false;
    }
    m_window->setCentralWidget(m_scope);
    m_window->resize(kWindowWidth, kWindowHeight);
    m_window->show();
    return true;
}

// Offscreen the curves should fill the plot, so the period follows the run time unless
// asked otherwise.
bool DemoHost::setPeriod()
{
    int period = m_options.periodMs;
    if (period == 0 && m_options.offscreen)
        period = std::clamp(toMilliseconds(m_options.seconds), kMinPeriodMs, kMaxPeriodMs);
    if (period == 0)
        return true;
    auto *edit = m_scope->findChild<QLineEdit *>(QStringLiteral("ScopePlugin_edit_PeriodTime"));
    if (!edit) {
        fail(QStringLiteral("the scope has no period edit ScopePlugin_edit_PeriodTime"));
        return false;
    }
    edit->setText(QString::number(period));
    return true;
}

bool DemoHost::selectChannels()
{
    for (const QString &row : m_options.selection) {
        if (!checkRows(m_scope, row))
            return false;
    }
    return clickAnswering(m_scope, "Kvel_Scope_btn_SetOK");
}

// Checks the rows through the dialog's models, as a click on their check boxes would.
bool DemoHost::checkRows(QWidget *scope, const QString &row)
{
    int checked = 0;
    for (const char *treeName : kSelectionTrees) {
        auto *tree = scope->findChild<QTreeView *>(QLatin1String(treeName));
        if (!tree || !tree->model()) {
            fail(QStringLiteral("the scope has no channel tree %1").arg(QLatin1String(treeName)));
            return false;
        }
        QAbstractItemModel *model = tree->model();
        QModelIndexList rows;
        collectRows(model, QModelIndex(), row, rows);
        for (const QModelIndex &index : rows)
            model->setData(index, static_cast<int>(Qt::Checked), Qt::CheckStateRole);
        checked += rows.size();
    }
    if (checked == 0) {
        fail(QStringLiteral("the channel dialog has no row \"%1\"").arg(row));
        return false;
    }
    return true;
}

// Through the plot menu's preset, as an operator adds it.
bool DemoHost::addDerivedChannels()
{
    if (m_options.derivedPreset.isEmpty())
        return true;
    QString error;
    if (AnalysisShots::addPreset(m_scope, m_options.derivedPreset, error))
        return true;
    fail(error);
    return false;
}

// Through the scope's properties, as any host that loads the plug-in can.
bool DemoHost::armTrigger()
{
    if (m_options.triggerChannel.isEmpty())
        return true;
    m_scope->setProperty("triggerChannel", m_options.triggerChannel);
    if (m_scope->property("triggerChannel").toString() != m_options.triggerChannel) {
        fail(QStringLiteral("the scope records no channel \"%1\" to trigger on")
                 .arg(m_options.triggerChannel));
        return false;
    }
    m_scope->setProperty("triggerCondition",
                         m_options.triggerCondition == QLatin1String(">") ? "Above" : "Below");
    m_scope->setProperty("triggerThreshold", m_options.triggerThreshold);
    m_scope->setProperty("triggerDelay", m_options.triggerDelay);
    m_scope->setProperty("triggerMode", "OpenGrab");
    if (!m_options.capturesDir.isEmpty()) {
        m_scope->setProperty("triggerRepeat", true);
        m_scope->setProperty("triggerKeep", 100);
        m_scope->setProperty("triggerFolder", m_options.capturesDir);
    }
    m_scope->setProperty("triggerEnabled", true);
    return true;
}

// Through the scope's invokable API, as any host that loads the plug-in can.
bool DemoHost::recordToFile()
{
    if (m_options.recordFile.isEmpty())
        return true;
    bool started = false;
    if (!QMetaObject::invokeMethod(m_scope, "startRecordingToFile", Qt::DirectConnection,
                                   Q_RETURN_ARG(bool, started),
                                   Q_ARG(QString, m_options.recordFile)) ||
        !started) {
        fail(QStringLiteral("cannot record to %1 (an existing file is never replaced)")
                 .arg(m_options.recordFile));
        return false;
    }
    return true;
}

bool DemoHost::startSampling()
{
    if (m_options.injectsError()) {
        auto *stopWhenError =
            m_scope->findChild<QAbstractButton *>(QStringLiteral("cb_StopWhenError"));
        if (stopWhenError && !stopWhenError->isChecked() &&
            !clickButton(m_scope, "cb_StopWhenError"))
            return false;
    }
    return clickAnswering(m_scope, "ScopePlugin_btn_StartScope");
}

// More scopes in tabs beside the first, each sampling channels of its own from the one
// controller, so the sharing can be watched.
bool DemoHost::addSharingScopes()
{
    if (m_options.scopes < 2)
        return true;
    auto *tabs = new QTabWidget(m_window.get());
    m_window->takeCentralWidget();
    tabs->addTab(m_scope, QStringLiteral("Scope 1"));
    m_window->setCentralWidget(tabs);
    for (int i = 1; i < m_options.scopes; ++i) {
        QWidget *scope = m_interface->createWidget(tabs);
        if (!scope) {
            fail(QStringLiteral("the plug-in created no widget"));
            return false;
        }
        tabs->addTab(scope, QStringLiteral("Scope %1").arg(i + 1));
        for (const QString &row :
             QString::fromLatin1(kSharingSelections[i - 1]).split(QLatin1Char(','))) {
            if (!checkRows(scope, row))
                return false;
        }
        if (!clickAnswering(scope, "Kvel_Scope_btn_SetOK") ||
            !clickAnswering(scope, "ScopePlugin_btn_StartScope"))
            return false;
    }
    return true;
}

bool DemoHost::clickButton(QWidget *scope, const char *objectName)
{
    auto *button = scope->findChild<QAbstractButton *>(QLatin1String(objectName));
    if (!button) {
        fail(QStringLiteral("the scope has no button %1").arg(QLatin1String(objectName)));
        return false;
    }
    button->click();
    return true;
}

// The scope answers a selection it cannot take with a message box; nobody would answer it
// offscreen, and the run would be pointless anyway.
bool DemoHost::clickAnswering(QWidget *scope, const char *objectName)
{
    ModalDialogAnswerer answerer;
    answerer.start();
    const bool clicked = clickButton(scope, objectName);
    answerer.stop();
    if (clicked && !answerer.messages().isEmpty()) {
        fail(QStringLiteral("the scope refused the selection: %1")
                 .arg(answerer.messages().join(QStringLiteral("; "))));
        return false;
    }
    return clicked;
}

void DemoHost::raiseRobotError()
{
    TarnSim::setErrorFlag(true);
    if (m_options.offscreen)
        std::printf("scope-demo: robot error raised after %.1f s\n", m_clock.elapsed() / 1000.0);
}

void DemoHost::finishOffscreenRun()
{
    const double seconds = m_clock.elapsed() / 1000.0;
    const bool stoppedByScope = !ScopeFigures::readFrom(m_scope).sampling;
    if (!stoppedByScope)
        clickButton(m_scope, "ScopePlugin_btn_StopScope");

    const QDir dir(m_options.outputDir);
    const QString png = dir.filePath(QStringLiteral("scope.png"));
    const QString csv = dir.filePath(QStringLiteral("scope.csv"));
    AnalysisShots::showOnlyPreset(m_scope, m_options.derivedPreset);
    const bool pngWritten = writeScreenshot(png);
    QString csvOutcome;
    const bool csvAsExpected = exportScopeFile(csv, csvOutcome);
    QString toolError;
    const bool toolsShot = !m_options.toolShots || ToolShots::write(m_window.get(), m_scope,
                                                                    m_options.outputDir, toolError);
    if (!toolsShot)
        fail(toolError);
    const bool analysisShot = writeAnalysisShots();
    printSummary(seconds, stoppedByScope, pngWritten ? png : QStringLiteral("not written"),
                 csvOutcome);

    m_exitCode = pngWritten && csvAsExpected && toolsShot && analysisShot ? 0 : 1;
    QCoreApplication::exit(m_exitCode);
}

bool DemoHost::writeAnalysisShots()
{
    const QDir dir(m_options.outputDir);
    QString error;
    if (!m_options.spectrumChannel.isEmpty() &&
        !AnalysisShots::writeSpectrum(m_scope, m_options.spectrumChannel,
                                      dir.filePath(QStringLiteral("scope-spectrum.png")), error)) {
        fail(error);
        return false;
    }
    if (!m_options.xyX.isEmpty() &&
        !AnalysisShots::writeXy(m_scope, m_options.xyX, m_options.xyY,
                                dir.filePath(QStringLiteral("scope-xy.png")), error)) {
        fail(error);
        return false;
    }
    return true;
}

bool DemoHost::writeScreenshot(const QString &path)
{
    if (m_scope->grab().save(path, "PNG"))
        return true;
    fail(QStringLiteral("cannot write %1").arg(path));
    return false;
}

// Runs the widget's own export, answering its file dialog like a user would.
bool DemoHost::exportScopeFile(const QString &path, QString &outcome)
{
    ModalDialogAnswerer answerer(path);
    answerer.start();
    const bool invoked =
        QMetaObject::invokeMethod(m_scope, "slotExportScopeFile", Qt::DirectConnection);
    answerer.stop();

    if (!invoked) {
        outcome = QStringLiteral("not written: the widget has no slot slotExportScopeFile()");
        return false;
    }
    if (QFileInfo::exists(path)) {
        outcome = QStringLiteral("%1 (%2 lines)").arg(path).arg(countLines(path));
        return true;
    }
    if (!answerer.messages().isEmpty()) {
        outcome =
            QStringLiteral("not written: %1").arg(answerer.messages().join(QStringLiteral("; ")));
        return false;
    }
    outcome = answerer.fileDialogsAnswered() == 0
                  ? QStringLiteral("not written: the widget's export opened no file dialog")
                  : QStringLiteral("not written although the file dialog was answered");
    return false;
}

void DemoHost::printSummary(double seconds, bool stoppedByScope, const QString &png,
                            const QString &csvOutcome)
{
    const ScopeFigures figures = ScopeFigures::readFrom(m_scope);
    printLine(QStringLiteral("plug-in"), m_options.pluginPath);
    printLine(QStringLiteral("channels"), QStringLiteral("%1 (%2)")
                                              .arg(figures.channels.size())
                                              .arg(figures.channels.join(QStringLiteral(", "))));
    printLine(QStringLiteral("samples per channel"),
              figures.fewestSamples == figures.mostSamples
                  ? QString::number(figures.mostSamples)
                  : QStringLiteral("%1 to %2").arg(figures.fewestSamples).arg(figures.mostSamples));
    printLine(QStringLiteral("status"),
              QStringLiteral("Mox CPU %1 %, Mox Mem %2 MB, ReadScopeCyc %3 ms, "
                             "ReadScopeCycMax %4 ms")
                  .arg(figures.cpuLoad, figures.memory, figures.readCycle, figures.readCycleMax));
    if (m_options.opensFiles()) {
        printLine(
            QStringLiteral("opened"),
            m_options.openFiles.join(QStringLiteral(", ")) +
                (m_openNotes.isEmpty() ? QString() : QStringLiteral(" (with notes, see above)")));
    } else {
        printLine(QStringLiteral("sampling"),
                  QStringLiteral("%1 s, %2")
                      .arg(seconds, 0, 'f', 1)
                      .arg(stoppedByScope ? QStringLiteral("stopped by the scope itself")
                                          : QStringLiteral("stopped by the demo")));
    }
    printLine(QStringLiteral("screenshot"), png);
    printLine(QStringLiteral("scope file"), csvOutcome);
    std::fflush(stdout);
}

void DemoHost::fail(const QString &message)
{
    std::fprintf(stderr, "scope-demo: %s\n", qUtf8Printable(message));
    m_exitCode = 1;
}
