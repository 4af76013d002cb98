// tarnscope-record: records the controller's channels without a screen, for unattended runs.
#include "HeadlessRecorder.h"
#include "ProcessSignals.h"
#include "RecorderOptions.h"
#include "StatusReport.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <new>

namespace {
StatusReport *g_report = nullptr;

// Qt's own messages (the controller library's notes among them) join the run's log, so a
// collector of JSON lines gets nothing else.
void routeQtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (g_report)
        g_report->event(type == QtInfoMsg || type == QtDebugMsg ? QStringLiteral("note")
                                                                : QStringLiteral("warning"),
                        message);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnscope-record"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNSCOPE_VERSION));
    RecorderOptions options;
    QString error;
    switch (RecorderOptions::parse(QCoreApplication::arguments(), options, &error)) {
    case RecorderOptions::Outcome::Shown:
        return 0;
    case RecorderOptions::Outcome::Bad:
        std::fprintf(stderr, "tarnscope-record: %s\nSee tarnscope-record --help.\n",
                     qUtf8Printable(error));
        return int(RecorderExit::BadOptions);
    case RecorderOptions::Outcome::Run:
        break;
    }
    StatusReport report(options.json);
    g_report = &report;
    qInstallMessageHandler(routeQtMessage);
    int code = int(RecorderExit::Failed);
    try {
        ProcessSignals stopSignals;
        HeadlessRecorder recorder(std::move(options), report);
        QObject::connect(&stopSignals, &ProcessSignals::stopRequested, &recorder,
                         [&recorder](const QString &name) {
                             recorder.finish(RecorderExit::Finished,
                                             QStringLiteral("%1 received").arg(name));
                         });
        QObject::connect(&recorder, &HeadlessRecorder::finished, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        QTimer::singleShot(0, &recorder, &HeadlessRecorder::start);
        code = QCoreApplication::exec();
    } catch (const std::bad_alloc &) {
        report.event(QStringLiteral("error"), QStringLiteral("out of memory"));
    }
    qInstallMessageHandler(nullptr);
    g_report = nullptr;
    return code;
}
