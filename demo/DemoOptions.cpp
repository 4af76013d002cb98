#include "DemoOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QtGlobal>

#include <cmath>
#include <cstring>

namespace {

const char *const kDefaultSelection = "J1,J2,J3,J4,J5,J6,Target ACS,Actual ACS";
constexpr double kMaxScopes = 3.0;
constexpr double kMaxSeconds = 24.0 * 3600.0;
constexpr double kMaxCycleMs = 1000.0;
constexpr double kMinPeriodMs = 10.0; // the widget's own limits for its period edit
constexpr double kMaxPeriodMs = 999999.0;

QString defaultPluginPath()
{
    const QDir pluginDir(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                         QStringLiteral(SCOPE_PLUGIN_RELATIVE_DIR));
    return QDir::cleanPath(pluginDir.absoluteFilePath(QStringLiteral(SCOPE_PLUGIN_FILE_NAME)));
}

// The options the demo understands; default values are the texts --help shows.
struct OptionTable
{
    QCommandLineOption plugin{
        QStringLiteral("plugin"),
        QStringLiteral("Plug-in library to load (default: %1).").arg(defaultPluginPath()),
        QStringLiteral("path")};
    QCommandLineOption select{
        QStringLiteral("select"),
        QStringLiteral("Comma-separated rows to check in the channel dialog's three trees, as "
                       "shown there (default: %1).")
            .arg(QLatin1String(kDefaultSelection)),
        QStringLiteral("rows"), QLatin1String(kDefaultSelection)};
    QCommandLineOption scopes{
        QStringLiteral("scopes"),
        QStringLiteral(
            "Scopes in the window, 1 to 3, sharing the controller: the first records "
            "the --select rows, the others 12 joint currents and torques each (default: 1)."),
        QStringLiteral("count"), QStringLiteral("1")};
    QCommandLineOption seconds{QStringLiteral("seconds"),
                               QStringLiteral("Offscreen run time in seconds (default: 3)."),
                               QStringLiteral("n"), QStringLiteral("3")};
    QCommandLineOption cycleMs{QStringLiteral("cycle-ms"),
                               QStringLiteral("Controller cycle of the simulated robot; one "
                                              "record per cycle (default: 1)."),
                               QStringLiteral("ms"), QStringLiteral("1")};
    QCommandLineOption seed{QStringLiteral("seed"),
                            QStringLiteral("Seed of the simulated measurement noise (default: 1)."),
                            QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption errorAfter{
        QStringLiteral("error-after"),
        QStringLiteral("Raise the robot's error flag after this many seconds, with \"Stop when "
                       "Error\" checked, so the scope stops by itself."),
        QStringLiteral("seconds")};
    QCommandLineOption period{QStringLiteral("period"),
                              QStringLiteral("Display period in ms, 10 to 999999 (default: the "
                                             "run time offscreen, else the widget's own)."),
                              QStringLiteral("ms")};
    QCommandLineOption output{QStringLiteral("output"),
                              QStringLiteral("Folder for scope.png and scope.csv (default: "
                                             "./demo-output)."),
                              QStringLiteral("dir"), QStringLiteral("demo-output")};
    QCommandLineOption toolShots{
        QStringLiteral("tool-shots"),
        QStringLiteral("Offscreen, after the run also write scope-menu.png, scope-cursors.png and "
                       "scope-statistics.png: the plot's context menu, two measurement cursors "
                       "and the statistics table.")};
    QCommandLineOption trigger{
        QStringLiteral("trigger"),
        QStringLiteral("Arm the trigger at Start, open grab: \"J1 Target ACS>20\", with a delay "
                       "in ms after @ (\"J1 Target ACS>20@-500\")."),
        QStringLiteral("channel>threshold[@delay]")};
    QCommandLineOption captures{
        QStringLiteral("captures"),
        QStringLiteral("With --trigger: arm again after each capture (repeat) and save each one, "
                       "with its metadata, in this folder."),
        QStringLiteral("dir")};
    QCommandLineOption strips{QStringLiteral("strips"),
                              QStringLiteral("Show the plot as stacked strips, one per unit.")};
    QCommandLineOption recordTo{QStringLiteral("record-to"),
                                QStringLiteral("Record the whole run to this new scope file."),
                                QStringLiteral("file")};
    QCommandLineOption sourceTexts{
        QStringLiteral("source-texts"),
        QStringLiteral("Show the widget's source texts (some are Chinese) instead of loading "
                       "its English translation.")};
    QCommandLineOption derived{
        QStringLiteral("derived"),
        QStringLiteral("Add a robot preset of derived channels before Start: following-error, "
                       "velocity-error, mechanical-power or tcp-speed (it chooses the channels "
                       "it reads)."),
        QStringLiteral("preset")};
    QCommandLineOption spectrum{
        QStringLiteral("spectrum"),
        QStringLiteral("Offscreen, after the run also write scope-spectrum.png: the Spectrum "
                       "window on this curve."),
        QStringLiteral("curve")};
    QCommandLineOption xy{QStringLiteral("xy"),
                          QStringLiteral("Offscreen, after the run also write scope-xy.png: the "
                                         "XY view of \"X curve,Y curve\" with equal scales."),
                          QStringLiteral("x,y")};
    QCommandLineOption open{
        QStringLiteral("open"),
        QStringLiteral("Show this scope file instead of sampling (give it again for more files, "
                       "joined one after another); a file of a recording split into numbered "
                       "files (run.csv, run_002.csv, ...) opens the whole recording, joined. No "
                       "controller is used. Offscreen, scope.png and scope.csv show the files."),
        QStringLiteral("file")};
    QCommandLineOption offscreen{QStringLiteral("offscreen"),
                                 QStringLiteral("Run without a window even when a display is "
                                                "available (the default when there is none).")};
};

bool readNumber(const QCommandLineParser &parser, const QCommandLineOption &option, double minimum,
                double maximum, double &value, QString &message)
{
    const QString text = parser.value(option);
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < minimum || number > maximum) {
        message = QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                      .arg(option.names().first())
                      .arg(minimum)
                      .arg(maximum)
                      .arg(text);
        return false;
    }
    value = number;
    return true;
}

QStringList splitSelection(const QString &list)
{
    QStringList rows;
    for (const QString &part : list.split(QLatin1Char(','))) {
        const QString row = part.trimmed();
        if (!row.isEmpty())
            rows << row;
    }
    return rows;
}

} // namespace

void DemoOptions::choosePlatform(int argc, char **argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i)
        asked = asked || std::strcmp(argv[i], "--offscreen") == 0;
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") &&
                           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (asked || noDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

bool DemoOptions::readTrigger(const QString &text, QString &message)
{
    static const QRegularExpression form(
        QStringLiteral("^(.+?)\\s*([<>])\\s*([-+0-9.eE]+)\\s*(?:@\\s*([-+0-9.eE]+))?$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    bool isNumber = false;
    const double threshold = match.hasMatch() ? match.captured(3).toDouble(&isNumber) : 0.0;
    if (!isNumber) {
        message = QStringLiteral("--trigger wants \"CHANNEL>THRESHOLD\" or "
                                 "\"CHANNEL<THRESHOLD@DELAY\", not \"%1\"")
                      .arg(text);
        return false;
    }
    triggerChannel = match.captured(1).trimmed();
    triggerCondition = match.captured(2);
    triggerThreshold = threshold;
    triggerDelay = match.captured(4);
    return true;
}

DemoOptions::Outcome DemoOptions::parse(const QStringList &arguments, QString &message)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loads the scope Designer plug-in like any Qt host, creates the scope widget and runs it "
        "against the simulated robot controller. With a display it opens a window; offscreen it "
        "records for a while, writes scope.png and scope.csv and prints a summary. With --open "
        "it shows scope files instead, with no controller."));
    // Not addHelpOption(): its --help-all promises Qt's own options, which the demo keeps from Qt.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    const OptionTable options;
    parser.addOptions({help,
                       options.plugin,
                       options.select,
                       options.scopes,
                       options.seconds,
                       options.cycleMs,
                       options.seed,
                       options.errorAfter,
                       options.period,
                       options.output,
                       options.toolShots,
                       options.trigger,
                       options.captures,
                       options.strips,
                       options.recordTo,
                       options.sourceTexts,
                       options.derived,
                       options.spectrum,
                       options.xy,
                       options.open,
                       options.offscreen});

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return Outcome::ShowHelp;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message =
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
        return Outcome::Error;
    }

    pluginPath = parser.isSet(options.plugin)
                     ? QFileInfo(parser.value(options.plugin)).absoluteFilePath()
                     : defaultPluginPath();
    selection = splitSelection(parser.value(options.select));
    if (selection.isEmpty()) {
        message = QStringLiteral("--select names no row");
        return Outcome::Error;
    }
    if (!readNumber(parser, options.seconds, 0.001, kMaxSeconds, seconds, message) ||
        !readNumber(parser, options.cycleMs, 0.001, kMaxCycleMs, cycleMs, message))
        return Outcome::Error;
    if (parser.isSet(options.errorAfter) &&
        !readNumber(parser, options.errorAfter, 0.0, kMaxSeconds, errorAfterSeconds, message))
        return Outcome::Error;
    double period = 0.0;
    if (parser.isSet(options.period) &&
        !readNumber(parser, options.period, kMinPeriodMs, kMaxPeriodMs, period, message))
        return Outcome::Error;
    periodMs = static_cast<int>(period);
    double scopeCount = 1.0;
    if (!readNumber(parser, options.scopes, 1.0, kMaxScopes, scopeCount, message))
        return Outcome::Error;
    scopes = static_cast<int>(scopeCount);

    bool seedOk = false;
    seed = parser.value(options.seed).toUInt(&seedOk);
    if (!seedOk) {
        message = QStringLiteral("--seed wants a whole number from 0 to 4294967295, not \"%1\"")
                      .arg(parser.value(options.seed));
        return Outcome::Error;
    }
    outputDir = QDir(parser.value(options.output)).absolutePath();
    offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
    toolShots = parser.isSet(options.toolShots);
    strips = parser.isSet(options.strips);
    if (parser.isSet(options.recordTo))
        recordFile = QDir(parser.value(options.recordTo)).absolutePath();
    sourceTexts = parser.isSet(options.sourceTexts);
    if (parser.isSet(options.trigger) && !readTrigger(parser.value(options.trigger), message))
        return Outcome::Error;
    if (parser.isSet(options.captures)) {
        if (triggerChannel.isEmpty()) {
            message = QStringLiteral("--captures needs a --trigger");
            return Outcome::Error;
        }
        capturesDir = QDir(parser.value(options.captures)).absolutePath();
    }
    derivedPreset = parser.value(options.derived);
    spectrumChannel = parser.value(options.spectrum);
    if (parser.isSet(options.xy)) {
        const QStringList pair = parser.value(options.xy).split(QLatin1Char(','));
        if (pair.size() != 2) {
            message = QStringLiteral("--xy wants \"X curve,Y curve\", not \"%1\"")
                          .arg(parser.value(options.xy));
            return Outcome::Error;
        }
        xyX = pair.at(0).trimmed();
        xyY = pair.at(1).trimmed();
    }
    for (const QString &file : parser.values(options.open))
        openFiles << QFileInfo(file).absoluteFilePath();
    if (!openFiles.isEmpty()) {
        // Showing files samples nothing: what only sampling uses is refused, not ignored.
        for (const QCommandLineOption *sampling :
             {&options.select, &options.scopes, &options.seconds, &options.cycleMs, &options.seed,
              &options.errorAfter, &options.trigger, &options.captures, &options.recordTo}) {
            if (parser.isSet(*sampling)) {
                message = QStringLiteral("--open shows files and samples nothing: --%1 does not "
                                         "go with it")
                              .arg(sampling->names().first());
                return Outcome::Error;
            }
        }
    }
    return Outcome::Run;
}
