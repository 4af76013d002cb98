#pragma once

#include "DemoOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPluginLoader>

#include <memory>

class QDesignerCustomWidgetInterface;
class QMainWindow;
class QWidget;

// The demo host: loads the scope plug-in with QPluginLoader like any Qt host, creates the
// widget through the Designer interface in a main window, checks the selection in the
// channel dialog, sets up the simulated controller and starts sampling. It reaches the
// widget only through the interface, object names and slots invoked by name. Offscreen it
// stops after the run time, writes the screenshot and the scope file and prints a summary.
// Lives on the GUI thread; owns the loader and the window, which owns the scope widget.
class DemoHost : public QObject
{
    Q_OBJECT

public:
    explicit DemoHost(DemoOptions options, QObject *parent = nullptr);
    ~DemoHost() override;

    // Loads, creates, selects and starts; false, with the reason on stderr, when something
    // a host relies on is missing. An offscreen run then ends by itself with exitCode().
    bool start();
    int exitCode() const { return m_exitCode; }

private:
    bool startShowingFiles();
    bool openFiles();
    void raiseRobotError();
    void finishOffscreenRun();
    bool prepareOutputFolder();
    void configureController();
    bool loadPlugin();
    bool loadTranslation();
    bool createScope();
    bool selectChannels();
    bool checkRows(QWidget *scope, const QString &row);
    bool addSharingScopes();
    bool setPeriod();
    bool addDerivedChannels();
    bool armTrigger();
    bool recordToFile();
    bool startSampling();
    bool clickButton(QWidget *scope, const char *objectName);
    bool clickAnswering(QWidget *scope, const char *objectName);

    bool writeScreenshot(const QString &path);
    bool writeAnalysisShots();
    bool exportScopeFile(const QString &path, QString &outcome);
    void printSummary(double seconds, bool stoppedByScope, const QString &png,
                      const QString &csvOutcome);
    void fail(const QString &message);

    DemoOptions m_options;
    QPluginLoader m_loader;
    QDesignerCustomWidgetInterface *m_interface = nullptr; // part of the loader's instance
    std::unique_ptr<QMainWindow> m_window;
    QWidget *m_scope = nullptr; // child of m_window
    QElapsedTimer m_clock;
    int m_exitCode = 0;
    QString m_openNotes; // what the files opened could not show as they stand
};
