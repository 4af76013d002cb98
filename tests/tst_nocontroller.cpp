// A process that asked for no controller (TARNSCOPE_CONTROLLER_LIBRARY=none, as
// tarnscope-view does): no library is looked for, the state line says so without an alarm,
// Start is not offered and start() is refused; files open as anywhere. A process of its own,
// since the controller library is looked for once per process.
#include "ControllerLibrary.h"
#include "TarnPlugin_Scope.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class tst_NoController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scopeOpensRecordingsAndDoesNotSample()
    {
        qRegisterMetaType<TarnPlugin_Scope::EndReason>();
        TarnPlugin_Scope scope;
        scope.show();
        QVERIFY(ControllerLibrary::isDisabled());
        QVERIFY(!ControllerLibrary::isLoaded());
        QCOMPARE(scope.controllerStatus(), TarnPlugin_Scope::NoLibrary);
        QCOMPARE(scope.controllerLibrary(),
                 QString("no controller: TARNSCOPE_CONTROLLER_LIBRARY is \"none\""));
        auto *state = scope.findChild<QLabel *>("Kvel_Scope_lb_State");
        QCOMPARE(state->text(), QString("No controller: recordings are opened here, not sampled"));
        QVERIFY(!scope.findChild<QLabel *>("Kvel_Scope_lb_Simulated"));
        QVERIFY(!scope.findChild<QAbstractButton *>("ScopePlugin_btn_StartScope")->isEnabled());

        QVERIFY(scope.setChannels({"J1 Target ACS"}));
        QSignalSpy errors(&scope, &TarnPlugin_Scope::errorOccurred);
        QSignalSpy ended(&scope, &TarnPlugin_Scope::recordingEnded);
        scope.start();
        QVERIFY(!scope.isSampling());
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().first().toString().startsWith("ERROR:No controller: this scope "
                                                              "opens recordings"),
                 qPrintable(errors.first().first().toString()));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended.first().first().value<TarnPlugin_Scope::EndReason>(),
                 TarnPlugin_Scope::SetupRefused);

        QTemporaryDir dir;
        QFile file(dir.filePath("run.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("time,J1 Target ACS_0_1_ACS(deg)\n0,1\n1,2\n");
        file.close();
        QString error;
        QVERIFY2(scope.importFromFiles({file.fileName()}, &error), qPrintable(error));
        QCOMPARE(state->text(), QString("Showing run.csv"));
    }
};

int main(int argc, char **argv)
{
    qputenv("TARNSCOPE_CONTROLLER_LIBRARY", "none");
    QApplication app(argc, argv);
    tst_NoController test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_nocontroller.moc"
