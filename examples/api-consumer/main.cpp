// Records two joints for a second from code, arms a trigger, waits for the signals, reads the
// recording, exports it to a file it names, imports it back and compares.
#include "TarnPlugin_Scope.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kRecordMs = 1000;
constexpr int kGiveUpMs = 10000;

bool fail(const char *what, const QString &why = QString())
{
    std::printf("FAILED: %s %s\n", what, qPrintable(why));
    return false;
}

// Runs the event loop until `signal` of the scope, or gives up.
template <typename Signal> bool waitFor(TarnPlugin_Scope &scope, Signal signal)
{
    QEventLoop loop;
    QObject::connect(&scope, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(kGiveUpMs, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

bool run(TarnPlugin_Scope &scope, const QString &file)
{
    std::printf("%d channels offered\n", int(scope.availableChannels().size()));
    QString error;
    if (scope.setChannels({QStringLiteral("J7 Target ACS")}, &error))
        return fail("an unknown channel was taken");
    std::printf("refused as it should: %s\n", qPrintable(error));
    if (!scope.setChannels({QStringLiteral("J1 Target ACS"), QStringLiteral("J2 Target ACS")},
                           &error))
        return fail("setChannels", error);
    scope.setPeriod(2000);
    scope.setTriggerChannel(QStringLiteral("J2 Target ACS"));
    scope.setTriggerCondition(TarnPlugin_Scope::Above);
    scope.setTriggerThreshold(-1e9); // fires on the first sample
    scope.setTriggerMode(TarnPlugin_Scope::OpenGrab);
    scope.setTriggerEnabled(true);

    double firedAt = -1.0;
    QObject::connect(&scope, &TarnPlugin_Scope::triggerFired,
                     [&firedAt](double t) { firedAt = t; });
    scope.start();
    if (!scope.isSampling())
        return fail("start");
    if (!waitFor(scope, &TarnPlugin_Scope::triggerFired))
        return fail("no trigger");
    std::printf("trigger fired at %.1f ms\n", firedAt);
    QTimer::singleShot(kRecordMs, &scope, &TarnPlugin_Scope::stop);
    if (!waitFor(scope, &TarnPlugin_Scope::recordingEnded))
        return fail("no end of recording");

    const QList<TarnScopeCurveData> recorded = scope.recordedCurves();
    if (recorded.size() != 2 || recorded.first().times.isEmpty())
        return fail("nothing recorded");
    std::printf("%s: %d samples in %s\n", qPrintable(recorded.first().title),
                int(recorded.first().times.size()), qPrintable(recorded.first().unit));
    if (!scope.exportToFile(file, &error))
        return fail("export", error);
    if (!scope.importFromFile(file, &error))
        return fail("import", error);
    const QList<TarnScopeCurveData> loaded = scope.recordedCurves();
    for (int k = 0; k < recorded.size(); ++k) {
        if (loaded.value(k).title != recorded[k].title ||
            loaded.value(k).values.size() != recorded[k].values.size())
            return fail("the file holds another recording");
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TarnPlugin_Scope::installTranslation(); // the user's language where the widget has it
    TarnPlugin_Scope scope;
    scope.resize(1000, 700);
    scope.show();
    const QString file = QDir::temp().filePath(QStringLiteral("scope-api-consumer.csv"));
    const bool ok = run(scope, file);
    QFile::remove(file);
    std::printf("%s\n", ok ? "OK" : "FAILED");
    return ok ? 0 : 1;
}
