#include "RecorderOptions.h"

#include "DerivedChannelSet.h"
#include "RobotPresets.h"
#include "ScopeCatalog.h"
#include "ScopeLimits.h"
#include "ScopeSetupFile.h"
#include "TriggerSpec.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDefaultStatusSeconds = 10;
constexpr int kDefaultControllerTimeoutSeconds = 5;

const QCommandLineOption kSetup({"s", "setup"}, "Set-up file saved from the scope.", "FILE");
const QCommandLineOption kChannels({"c", "channels"},
                                   "Channels to record, by title, comma separated "
                                   "(\"J3 Actual Cur,J3 Target Cur\").",
                                   "TITLES");
const QCommandLineOption kPreset("preset",
                                 "Add a robot preset of derived channels and the channels it "
                                 "reads: following-error, velocity-error, mechanical-power or "
                                 "tcp-speed. May be repeated.",
                                 "NAME");
const QCommandLineOption kPeriod("period",
                                 "Window kept in memory and length of each capture, in ms "
                                 "(10 to 999999; default the set-up's, else 10000).",
                                 "MS");
const QCommandLineOption kTrigger({"t", "trigger"},
                                  "Trigger: CHANNEL>VALUE or CHANNEL<VALUE, |CHANNEL| for its "
                                  "absolute value, @DELAY for the capture's start in ms from the "
                                  "firing (\"J3 Actual Cur>5@-500\").",
                                  "TRIGGER");
const QCommandLineOption kRepeat("repeat", "Arm the trigger again after each capture.");
const QCommandLineOption kKeep("keep", "Captures kept in memory (1 to 100; default 10).", "N");
const QCommandLineOption kCaptures("captures", "Folder each capture is saved to.", "DIR");
const QCommandLineOption kRecordTo({"o", "record-to"},
                                   "Record every sample to this scope file; %t in the name is "
                                   "replaced by the start time. An existing file is never "
                                   "replaced.",
                                   "FILE");
const QCommandLineOption kRotateMinutes("rotate-minutes", "Start a new numbered file this often.",
                                        "N");
const QCommandLineOption kRotateMb("rotate-mb", "Start a new numbered file at this size.", "N");
const QCommandLineOption kExact("exact", "Write the exact values, not three decimals.");
const QCommandLineOption kDuration({"d", "duration"},
                                   "Stop after this long: seconds, or with s, m, h or d "
                                   "(\"12h\"). Default: until SIGINT or SIGTERM.",
                                   "TIME");
const QCommandLineOption kStopWhenError("stop-when-error", "Stop when the robot reports an error.");
const QCommandLineOption kRetry("retry-seconds",
                                "When the controller is lost or the disk fails, try again this "
                                "often instead of ending.",
                                "N");
const QCommandLineOption kControllerTimeout("controller-timeout",
                                            "Seconds without data before the controller counts as "
                                            "lost (default 5).",
                                            "N");
const QCommandLineOption
    kStatus("status-seconds", "Seconds between status lines on stderr (default 10; 0: none).", "N");
const QCommandLineOption kJson("json", "Status and events as JSON lines.");
const QCommandLineOption kListChannels("list-channels",
                                       "Print every channel title, one per line, and exit.");

bool readInt(const QCommandLineParser &parser, const QCommandLineOption &option, int least,
             int most, int &value, QString *error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int read = parser.value(option).toInt(&ok);
    if (!ok || read < least || read > most) {
        *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                     .arg(option.names().last())
                     .arg(least)
                     .arg(most)
                     .arg(parser.value(option));
        return false;
    }
    value = read;
    return true;
}

std::optional<double> secondsOf(const QString &text)
{
    static const QList<QPair<QChar, double>> units{
        {'s', 1.0}, {'m', 60.0}, {'h', 3600.0}, {'d', 86400.0}};
    QString number = text.trimmed();
    double scale = 1.0;
    for (const auto &unit : units) {
        if (number.endsWith(unit.first)) {
            number.chop(1);
            scale = unit.second;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok) * scale;
    if (!ok || !std::isfinite(value) || value <= 0.0)
        return std::nullopt;
    return value;
}

// The set-up's channels, derived channels, period, trigger and capture options.
bool applySetup(const QString &fileName, RecorderOptions &options, ChannelRows &rows,
                std::vector<DerivedChannel> &derived, ScopeSetup &setup, QString *error)
{
    QStringList skipped;
    if (!ScopeSetup::load(fileName, setup, skipped)) {
        *error = QStringLiteral("the set-up %1 cannot be read: %2")
                     .arg(fileName, skipped.join(QStringLiteral("; ")));
        return false;
    }
    for (const QString &each : skipped)
        options.notes << QStringLiteral("set-up: %1 not taken").arg(each);
    rows = ChannelRows{setup.components, setup.links, setup.endEffectors};
    derived = setup.derivedChannels;
    options.periodMs = setup.periodMs;
    options.captures = setup.triggerOptions;
    return true;
}

std::optional<TriggerSettings> setupTrigger(const ScopeSetup &setup, const QStringList &recorded,
                                            QString *error)
{
    if (!setup.triggerOn)
        return std::nullopt;
    TriggerSettings settings;
    settings.channel = int32_t(recorded.indexOf(setup.triggerChannel));
    settings.condition =
        int32_t(ScopeCatalog::instance().triggerConditions().indexOf(setup.triggerCondition));
    settings.mode = int32_t(ScopeCatalog::instance().triggerModes().indexOf(setup.triggerMode));
    settings.absoluteValue = setup.triggerAbsolute;
    settings.threshold = setup.triggerThreshold.toDouble();
    bool delayRead = true;
    if (!setup.triggerDelay.isEmpty())
        settings.delay = setup.triggerDelay.toDouble(&delayRead);
    if (settings.channel < 0 || settings.condition < 0 || settings.mode < 0 || !delayRead) {
        *error = QStringLiteral("the set-up's trigger on \"%1\" cannot be used: its channel is "
                                "not recorded or its fields do not read")
                     .arg(setup.triggerChannel);
        return std::nullopt;
    }
    return settings;
}

// Each preset's channels join the chosen ones (with those the trees bring along), and its
// derived channels replace any of their titles.
bool addPresets(const QStringList &keys, ChannelRows &rows, std::vector<DerivedChannel> &derived,
                QString *error)
{
    QStringList titles;
    for (const ScopeChannel &ch : channelsOf(rows))
        titles << ch.title;
    for (const QString &key : keys) {
        const std::optional<RobotPreset> preset = RobotPresets::fromKey(key);
        if (!preset) {
            *error = QStringLiteral("--preset: there is no preset \"%1\"").arg(key);
            return false;
        }
        titles += RobotPresets::requiredChannels(*preset);
        for (const DerivedChannel &channel : RobotPresets::channels(*preset)) {
            derived.erase(std::remove_if(derived.begin(), derived.end(),
                                         [&channel](const DerivedChannel &d) {
                                             return d.title == channel.title;
                                         }),
                          derived.end());
            derived.push_back(channel);
        }
    }
    QString reason;
    if (!rowsForChannels(channelsChoosing(titles), rows, reason)) {
        *error = QStringLiteral("--preset: %1").arg(reason);
        return false;
    }
    return true;
}

QString startTimeName(const QString &fileName)
{
    QString name = fileName;
    return name.replace(QStringLiteral("%t"),
                        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss")));
}

} // namespace

RecorderOptions::Outcome RecorderOptions::parse(const QStringList &arguments,
                                                RecorderOptions &options, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Records the robot controller's channels without a screen: a window kept in memory, "
        "a capture around every trigger firing, everything to disk if asked. SIGINT and "
        "SIGTERM end the run with every file whole.\n\n"
        "Exit codes: 0 ended as asked (signal, duration, capture, robot error with "
        "--stop-when-error); 1 out of memory; 2 bad options or set-up; 3 no controller library, "
        "or another process samples the controller; 4 the controller refused the channel list; "
        "5 writing a file failed; 6 the controller was lost.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({kSetup, kChannels, kPreset, kPeriod, kTrigger, kRepeat, kKeep, kCaptures,
                       kRecordTo, kRotateMinutes, kRotateMb, kExact, kDuration, kStopWhenError,
                       kRetry, kControllerTimeout, kStatus, kJson, kListChannels});
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return Outcome::Bad;
    }
    if (parser.isSet(kListChannels)) {
        QTextStream out(stdout);
        for (const OfferedChannel &offered : offeredChannels())
            out << offered.channel.title << '\n';
        return Outcome::Shown;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        QTextStream(stdout) << (parser.isSet(help)
                                    ? parser.helpText()
                                    : QCoreApplication::applicationName() + " " +
                                          QCoreApplication::applicationVersion() + "\n");
        return Outcome::Shown;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments()[0]);
        return Outcome::Bad;
    }

    options = RecorderOptions();
    options.periodMs = ScopeLimits::kDefaultPeriodMs;
    ChannelRows rows;
    std::vector<DerivedChannel> derived;
    ScopeSetup setup;
    if (parser.isSet(kSetup) &&
        !applySetup(parser.value(kSetup), options, rows, derived, setup, error))
        return Outcome::Bad;
    if (parser.isSet(kChannels)) {
        const QStringList titles =
            parser.values(kChannels).join(',').split(',', Qt::SkipEmptyParts);
        QStringList trimmed;
        for (const QString &title : titles)
            trimmed << title.trimmed();
        QString reason;
        if (!rowsForChannels(trimmed, rows, reason)) {
            *error = QStringLiteral("--channels: %1").arg(reason);
            return Outcome::Bad;
        }
    }
    if (parser.isSet(kPreset) && !addPresets(parser.values(kPreset), rows, derived, error))
        return Outcome::Bad;
    for (const ScopeChannel &ch : channelsOf(rows)) {
        options.channels.push_back(ch);
        options.indexes.push_back(ch.binding.scopeIndex);
    }
    if (options.channels.empty()) {
        *error = QStringLiteral("no channel is chosen: give --channels or a --setup with channels");
        return Outcome::Bad;
    }
    if (int(options.channels.size()) > ScopeLimits::kMaxChannels) {
        *error = QStringLiteral("the set-up holds %1 channels; a recording holds at most %2")
                     .arg(options.channels.size())
                     .arg(ScopeLimits::kMaxChannels);
        return Outcome::Bad;
    }
    DerivedChannelSet set;
    set.setChannels(derived);
    QStringList leftOut;
    options.derived = set.compileAfter(options.channels, &leftOut);
    for (const QString &line : leftOut)
        options.notes << QStringLiteral("derived channel left out: %1").arg(line);
    QStringList recorded;
    for (const ScopeChannel &ch : options.channels)
        recorded << ch.title;

    if (parser.isSet(kTrigger))
        options.trigger = TriggerSpec::parse(parser.value(kTrigger), recorded, error);
    else
        options.trigger = setupTrigger(setup, recorded, error);
    if (!options.trigger && !error->isEmpty())
        return Outcome::Bad;

    int keep = options.captures.keep;
    int rotateMinutes = 0;
    int rotateMb = 0;
    int timeoutSeconds = kDefaultControllerTimeoutSeconds;
    options.statusSeconds = kDefaultStatusSeconds;
    if (!readInt(parser, kPeriod, ScopeLimits::kMinPeriodMs, ScopeLimits::kMaxPeriodMs,
                 options.periodMs, error) ||
        !readInt(parser, kKeep, 1, TriggerOptions::kMaxKept, keep, error) ||
        !readInt(parser, kRotateMinutes, 1, 100000, rotateMinutes, error) ||
        !readInt(parser, kRotateMb, 1, 1000000, rotateMb, error) ||
        !readInt(parser, kRetry, 1, 86400, options.retrySeconds, error) ||
        !readInt(parser, kControllerTimeout, 1, 3600, timeoutSeconds, error) ||
        !readInt(parser, kStatus, 0, 86400, options.statusSeconds, error))
        return Outcome::Bad;
    options.controllerTimeoutMs = timeoutSeconds * 1000;
    options.captures.keep = keep;
    if (parser.isSet(kRepeat))
        options.captures.repeat = true;
    if (parser.isSet(kCaptures))
        options.captures.folder = parser.value(kCaptures);
    if (parser.isSet(kDuration)) {
        const std::optional<double> seconds = secondsOf(parser.value(kDuration));
        if (!seconds) {
            *error =
                QStringLiteral("--duration takes a time such as 90, 15m, 12h or 3d, not \"%1\"")
                    .arg(parser.value(kDuration));
            return Outcome::Bad;
        }
        options.durationSeconds = *seconds;
    }
    options.exactValues = parser.isSet(kExact) || setup.exactValues;
    if (parser.isSet(kRecordTo)) {
        FileRecordingOptions file;
        file.fileName = startTimeName(parser.value(kRecordTo));
        file.rotateMinutes = rotateMinutes;
        file.rotateMegabytes = rotateMb;
        file.exactValues = options.exactValues;
        options.recordTo = file;
    } else if (rotateMinutes > 0 || rotateMb > 0) {
        *error = QStringLiteral("--rotate-minutes and --rotate-mb need --record-to");
        return Outcome::Bad;
    }
    options.stopWhenError = parser.isSet(kStopWhenError);
    options.json = parser.isSet(kJson);
    if (!options.trigger && !options.recordTo)
        options.notes << QStringLiteral("neither --trigger nor --record-to: nothing is saved");
    return Outcome::Run;
}
