// Both forms hold a scope: one saved by today's Designer (class TarnPlugin_Scope), one saved
// earlier (class "scope"). Each scope samples for a moment and stops again.
#include "TarnPlugin_Scope.h"
#include "TarnScopeVersion.h"
#include "ui_LegacyRobotPanel.h"
#include "ui_RobotPanel.h"

#include <QApplication>
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
    start->click();
    const bool started = scope->isSampling();
    QTest::qWait(kSamplingMs);
    stop->click();
    const bool stopped = !scope->isSampling();
    std::printf("%s: %s %s, started %d, stopped %d\n", form, scope->metaObject()->className(),
                qPrintable(scope->objectName()), started, stopped);
    return started && stopped;
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

    const bool ok = sampleBriefly(ui.robotScope, "RobotPanel") &&
                    sampleBriefly(legacyUi.robotScope, "LegacyRobotPanel");
    std::printf("%s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}
