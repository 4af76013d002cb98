#include "DemoHost.h"
#include "DemoOptions.h"

#include <QApplication>
#include <QFont>

#include <cstdio>

int main(int argc, char *argv[])
{
    DemoOptions::choosePlatform(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Qt would take --plugin for its own generic-plug-in option, so it sees no arguments.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    DemoOptions options;
    QString message;
    switch (options.parse(arguments, message)) {
    case DemoOptions::Outcome::ShowHelp:
        std::fputs(qUtf8Printable(message), stdout);
        return 0;
    case DemoOptions::Outcome::Error:
        std::fprintf(stderr, "scope-demo: %s\nTry --help.\n", qUtf8Printable(message));
        return 2;
    case DemoOptions::Outcome::Run:
        break;
    }
    if (options.offscreen) {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // The offscreen platform's default font is far larger than a desktop's, which the
        // form's fixed-width labels were not made for; the screenshot should look like the window.
        QFont font = QApplication::font();
        font.setPointSize(9);
        QApplication::setFont(font);
    }

    DemoHost host(options);
    if (!host.start())
        return host.exitCode();
    return QApplication::exec();
}
