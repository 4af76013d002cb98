#include "ViewerOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

void ViewerOptions::choosePlatform()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

ViewerOptions::Outcome ViewerOptions::parse(const QStringList &arguments, QString &message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Opens scope files in the scope widget, on a PC with or without the controller: it "
        "never opens the controller library and never samples. A recording split into numbered "
        "files (run.csv, run_002.csv, ...) opens as one, joined; a folder (a capture folder) "
        "lists its scope files. With no FILE, File > Open... and Open folder... choose them."));
    // Not addHelpOption(): its --help-all promises Qt's own options.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Open every entry in turn, print what each shows, then write the window "
                       "showing the first entry that opened to this PNG file and quit."),
        QStringLiteral("file"));
    const QCommandLineOption quitOption(
        QStringLiteral("quit-after-load"),
        QStringLiteral("Open every entry in turn, print what each shows, and quit: exit code 0 "
                       "when every entry opened, 1 otherwise."));
    const QCommandLineOption sourceTextsOption(
        QStringLiteral("source-texts"),
        QStringLiteral("Show the widget's source texts (some are Chinese) instead of a "
                       "translation."));
    parser.addOptions({help, screenshotOption, quitOption, sourceTextsOption});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Scope files (.csv) or folders to open."),
                                 QStringLiteral("[FILE...]"));
    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return Outcome::ShowHelp;
    }
    for (const QString &path : parser.positionalArguments())
        paths << QFileInfo(path).absoluteFilePath();
    if (parser.isSet(screenshotOption))
        screenshot = QDir(parser.value(screenshotOption)).absolutePath();
    quitAfterLoad = parser.isSet(quitOption);
    sourceTexts = parser.isSet(sourceTextsOption);
    if (runsUnattended() && paths.isEmpty()) {
        message = QStringLiteral("--screenshot and --quit-after-load need a FILE to open");
        return Outcome::Error;
    }
    return Outcome::Run;
}
