// scope_soak [--headless] [MINUTES] [SEED]: the scope widget against the simulated robot for
// a while (default 30 minutes), on a random schedule fixed by the seed, with tarnscope-record
// beside it; --headless runs tarnscope-record alone. Exit code 0 when every check passed; the
// figures go to standard output.
#include "RecorderSoak.h"
#include "ScopeSoak.h"

#include <QApplication>
#include <QFont>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

int runHeadless(double minutes)
{
    QTemporaryDir dir;
    RecorderSoak recorder(dir.path());
    std::printf("recorder soak: tarnscope-record alone for %.1f min\n", minutes);
    if (recorder.start()) {
        QTimer::singleShot(int(minutes * 60000.0), qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
    const QStringList failures = recorder.finish();
    recorder.printFigures();
    for (const QString &failure : failures)
        std::printf("FAIL: %s\n", qPrintable(failure));
    std::printf("%s: %d failure(s)\n", failures.isEmpty() ? "PASS" : "FAIL",
                static_cast<int>(failures.size()));
    return failures.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Offscreen fonts are large; with them the dialog could not take the sizes asked for.
    QFont font = QApplication::font();
    font.setPixelSize(9);
    QApplication::setFont(font);

    QStringList arguments = QApplication::arguments().mid(1);
    const bool headless = arguments.removeAll(QStringLiteral("--headless")) > 0;
    bool ok = true;
    const double minutes = !arguments.isEmpty() ? arguments[0].toDouble(&ok) : 30.0;
    const uint32_t seed = arguments.size() > 1 ? arguments[1].toUInt() : 20240611u;
    if (!ok || minutes <= 0.0) {
        std::fprintf(stderr, "usage: scope_soak [--headless] [MINUTES] [SEED]\n");
        return 2;
    }
    if (headless)
        return runHeadless(minutes);
    ScopeSoak soak(minutes, seed);
    return soak.run();
}
