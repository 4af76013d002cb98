#include "ViewerOptions.h"
#include "ViewerWindow.h"

#include "TarnPlugin_Scope.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>
#include <QTimer>

#include <cstdio>

namespace {

// The user's language where the widget has it; English for any other but Chinese, whose
// readers are served by the source texts.
void installTranslation()
{
    if (TarnPlugin_Scope::installTranslation())
        return;
    if (QLocale().language() != QLocale::Chinese)
        TarnPlugin_Scope::installTranslation(QLocale(QLocale::English));
}

void print(FILE *stream, const QString &line)
{
    std::fprintf(stream, "tarnscope-view: %s\n", qUtf8Printable(line));
}

} // namespace

int main(int argc, char *argv[])
{
    // A viewer: the scopes it makes never look for the controller library nor sample, so it
    // runs on a PC without the controller's software, and never takes a controller from a
    // scope sampling in another process. Before any scope is made.
    qputenv("TARNSCOPE_CONTROLLER_LIBRARY", "none");
    ViewerOptions::choosePlatform();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1; // the options are the viewer's, none of Qt's
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnscope-view"));

    ViewerOptions options;
    QString message;
    switch (options.parse(arguments, message)) {
    case ViewerOptions::Outcome::ShowHelp:
        std::fputs(qUtf8Printable(message), stdout);
        return 0;
    case ViewerOptions::Outcome::Error:
        print(stderr, message + QStringLiteral("\nTry --help."));
        return 2;
    case ViewerOptions::Outcome::Run:
        break;
    }
    const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    if (offscreen && !options.runsUnattended()) {
        print(stderr, QStringLiteral("no display to show the window on; --screenshot FILE or "
                                     "--quit-after-load run without one"));
        return 2;
    }
    if (offscreen) {
        // The offscreen platform's default font is far larger than a desktop's.
        QFont font = QApplication::font();
        font.setPointSize(9);
        QApplication::setFont(font);
    }
    if (!options.sourceTexts)
        installTranslation();

    ViewerWindow window;
    window.open(options.paths);
    window.show();
    if (!options.runsUnattended())
        return QApplication::exec();

    int exitCode = 0;
    QTimer::singleShot(0, &window, [&] {
        bool allShown = false;
        for (const QString &line : window.showEachEntry(&allShown))
            print(stdout, line);
        print(stdout, QStringLiteral("controller: %1").arg(window.scope()->controllerLibrary()));
        exitCode = allShown ? 0 : 1;
        if (!options.screenshot.isEmpty()) {
            if (window.grab().save(options.screenshot, "PNG")) {
                print(stdout, QStringLiteral("screenshot: %1").arg(options.screenshot));
            } else {
                print(stderr, QStringLiteral("cannot write %1").arg(options.screenshot));
                exitCode = 1;
            }
        }
        std::fflush(stdout);
        QApplication::exit(exitCode);
    });
    QApplication::exec();
    return exitCode;
}
