// Both forms hold a scope: one saved by today's Designer (class TarnPlugin_Scope), one saved
// earlier (class "scope"). Each scope samples for a moment and stops again.
//   scope-consumer [--export FILE]   also saves the first form's recording to FILE
//   scope-consumer --import FILE     shows FILE in both scopes instead of sampling, which
//                                    needs no controller library (a PC that views recordings)
#include "TarnPlugin_Scope.h"
#include "TarnScopeVersion.h"
#include "ui_LegacyRobotPanel.h"
#include "ui_RobotPanel.h"

#include <QApplication>
#include <QMetaEnum>
#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kSamplingMs = 300;

bool sampleBriefly(TarnPlugin_Scope *scope, const char *form)
{
    auto *start = scope->findChild<QPushButton *>(QStringLiteral("ScopePlugin_btn_StartScope"));
    auto *stop = scope->findChild<QPushButton *>(QStringLiteral("ScopePlugin_btn_StopScope"));
    if (!start || !stop) {
        std::printf("%s: the scope has no Start/Stop buttons\n", form);
        return false;
    }
    // Start records the chosen channels; with none chosen it refuses.
    if (!scope->setChannels({QStringLiteral("J1 Actual ACS")})) {
        std::printf("%s: the scope refused its channel\n", form);
        return false;
    }
    start->click();
    const bool started = scope->isSampling();
    QTest::qWait(kSamplingMs);
    stop->click();
    const bool stopped = !scope->isSampling();
    std::printf("%s: %s %s, started %d, stopped %d\n", form, scope->metaObject()->className(),
                qPrintable(scope->objectName()), started, stopped);
    return started && stopped;
}

bool showFile(TarnPlugin_Scope *scope, const char *form, const QString &file)
{
    QString error;
    if (!scope->importFromFile(file, &error)) {
        std::printf("%s: import failed: %s\n", form, qPrintable(error));
        return false;
    }
    const QList<TarnScopeCurveData> curves = scope->recordedCurves();
    std::printf("%s: imported %d curves of %d samples\n", form, int(curves.size()),
                curves.isEmpty() ? 0 : int(curves.first().times.size()));
    return !curves.isEmpty();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::printf("TarnScope %s\n", TARNSCOPE_VERSION_STR);

    QWidget panel;
    Ui_RobotPanel ui;
    ui.setupUi(&panel);
    QWidget legacyPanel;
    Ui_LegacyRobotPanel legacyUi;
    legacyUi.setupUi(&legacyPanel);
    panel.show();
    legacyPanel.show();

    TarnPlugin_Scope *scope = ui.robotScope;
    std::printf("Controller: %s, %s\n",
                QMetaEnum::fromType<TarnPlugin_Scope::ControllerStatus>().valueToKey(
                    scope->controllerStatus()),
                qPrintable(scope->controllerLibrary()));

    const QStringList args = app.arguments();
    const int importAt = args.indexOf(QStringLiteral("--import")) + 1;
    const int exportAt = args.indexOf(QStringLiteral("--export")) + 1;
    bool ok = false;
    if (importAt > 0) {
        ok = showFile(scope, "RobotPanel", args.value(importAt)) &&
             showFile(legacyUi.robotScope, "LegacyRobotPanel", args.value(importAt));
    } else {
        // The forms choose no channels, and an export needs curves.
        if (exportAt > 0)
            scope->setChannels({QStringLiteral("J1 Target ACS"), QStringLiteral("J1 Actual ACS")});
        ok = sampleBriefly(scope, "RobotPanel") &&
             sampleBriefly(legacyUi.robotScope, "LegacyRobotPanel");
        QString error;
        if (ok && exportAt > 0 && !scope->exportToFile(args.value(exportAt), &error)) {
            std::printf("export failed: %s\n", qPrintable(error));
            ok = false;
        }
    }
    std::printf("%s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}
