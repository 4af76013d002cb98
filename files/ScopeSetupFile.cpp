#include "ScopeSetupFile.h"

#include "SafeFileReader.h"
#include "SafeFileWriter.h"
#include "ScopeCatalog.h"
#include "ScopeLimits.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace {

const char *const kFormat = "tarn-scope-setup";
// Larger files are not set-ups: one with every row checked takes a few kB.
constexpr qint64 kMaxSetupBytes = 1 << 20;

struct TreeRows
{
    const char *key;
    const char *label;
    int count;
    std::function<QString(int)> name;
};

TreeRows treeRows(const char *key)
{
    const ScopeCatalog &c = ScopeCatalog::instance();
    const QString which = QLatin1String(key);
    if (which == QLatin1String("links"))
        return {key, QT_TRANSLATE_NOOP("ScopeSetup", "link"), c.linkCount(), [&c](int k) {
                    return c.linkName(k).trimmed();
                }};
    if (which == QLatin1String("endEffectors"))
        return {key, QT_TRANSLATE_NOOP("ScopeSetup", "end effector"), c.endEffCount(), [&c](int k) {
                    return c.endEffName(k).trimmed();
                }};
    return {key, QT_TRANSLATE_NOOP("ScopeSetup", "component"), c.axisCount(), [&c](int k) {
                return c.axisName(k).trimmed();
            }};
}

QJsonArray rowsToJson(const char *key, const QList<int> &ids)
{
    const TreeRows rows = treeRows(key);
    QJsonArray array;
    for (int id : ids)
        array.append(QJsonObject{{"id", id}, {"name", rows.name(id)}});
    return array;
}

QList<int> rowsFromJson(const QJsonObject &root, const char *key, QStringList &skipped)
{
    const TreeRows rows = treeRows(key);
    QList<int> ids;
    for (const QJsonValue &value : root.value(QLatin1String(key)).toArray()) {
        const QJsonObject row = value.toObject();
        const int id = row.value("id").toInt(-1);
        const QString name = row.value("name").toString();
        const bool known = id >= 0 && id < rows.count;
        if (known && (name.isEmpty() || rows.name(id) == name.trimmed())) {
            ids << id;
            continue;
        }
        skipped << QCoreApplication::translate("ScopeSetup", "%1 \"%2\" (id %3)")
                       .arg(QCoreApplication::translate("ScopeSetup", rows.label), name,
                            row.contains("id") ? QString::number(row.value("id").toDouble())
                                               : QCoreApplication::translate("ScopeSetup", "none"));
    }
    return ids;
}

// A text field of the set-up's `group` ("trigger channel", "XY x").
void readString(const QJsonObject &object, const char *key, QString &out, QStringList &skipped,
                const char *group = "trigger")
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isString())
        out = value.toString();
    else if (!value.isUndefined())
        skipped << QStringLiteral("%1 %2").arg(QLatin1String(group), QLatin1String(key));
}

QJsonObject coloursToJson(const QMap<QString, QColor> &colours)
{
    QJsonObject object;
    for (auto it = colours.constBegin(); it != colours.constEnd(); ++it)
        object.insert(it.key(), it.value().name(QColor::HexRgb));
    return object;
}

QMap<QString, QColor> coloursFromJson(const QJsonValue &value, QStringList &skipped)
{
    QMap<QString, QColor> colours;
    if (value.isUndefined())
        return colours;
    if (!value.isObject()) {
        skipped << QCoreApplication::translate("ScopeSetup", "the channel colours");
        return colours;
    }
    const QJsonObject object = value.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const QColor colour(it.value().toString());
        if (colour.isValid())
            colours.insert(it.key(), colour);
        else
            skipped << QCoreApplication::translate("ScopeSetup", "the colour of %1").arg(it.key());
    }
    return colours;
}

const QStringList kSpectrumWindows{"flat top", "hann", "none"};

QJsonArray derivedToJson(const std::vector<DerivedChannel> &channels)
{
    QJsonArray array;
    for (const DerivedChannel &channel : channels)
        array.append(QJsonObject{
            {"title", channel.title}, {"unit", channel.unit}, {"expression", channel.expression}});
    return array;
}

// A row without a title or an expression, or with a title taken already, is skipped; whether
// an expression reads channels the set-up records is for the scope to say when it applies it.
std::vector<DerivedChannel> derivedFromJson(const QJsonValue &value, QStringList &skipped)
{
    std::vector<DerivedChannel> channels;
    if (value.isUndefined())
        return channels;
    QStringList titles;
    for (const QJsonValue &row : value.toArray()) {
        const QJsonObject object = row.toObject();
        DerivedChannel channel{object.value("title").toString().trimmed(),
                               object.value("unit").toString(),
                               object.value("expression").toString()};
        if (channel.title.isEmpty() || channel.expression.trimmed().isEmpty() ||
            titles.contains(channel.title) ||
            channels.size() >= std::size_t(ScopeLimits::kCurveSlots)) {
            skipped << QCoreApplication::translate("ScopeSetup", "derived channel \"%1\"")
                           .arg(channel.title);
            continue;
        }
        titles << channel.title;
        channels.push_back(channel);
    }
    if (!value.isArray())
        skipped << QCoreApplication::translate("ScopeSetup", "the derived channels");
    return channels;
}

} // namespace

QByteArray ScopeSetup::toJson() const
{
    const QJsonObject trigger{{"on", triggerOn},
                              {"channel", triggerChannel},
                              {"condition", triggerCondition},
                              {"mode", triggerMode},
                              {"threshold", triggerThreshold},
                              {"delay", triggerDelay},
                              {"absolute", triggerAbsolute},
                              {"repeat", triggerOptions.repeat},
                              {"keep", triggerOptions.keep},
                              {"folder", triggerOptions.folder}};
    const QJsonObject root{
        {"format", kFormat},
        {"version", kFormatVersion},
        {"components", rowsToJson("components", components)},
        {"links", rowsToJson("links", links)},
        {"endEffectors", rowsToJson("endEffectors", endEffectors)},
        {"periodMs", periodMs},
        {"trigger", trigger},
        {"view", QJsonObject{{"strips", stripView},
                             {"scaleToVisible", scaleToVisible},
                             {"wallClockTime", wallClockTime}}},
        {"files", QJsonObject{{"exactValues", exactValues}}},
        {"colours", coloursToJson(channelColours)},
        {"derivedChannels", derivedToJson(derivedChannels)},
        {"analysis",
         QJsonObject{{"xy", QJsonObject{{"x", xyX}, {"y", xyY}, {"equalScales", xyEqualScales}}},
                     {"spectrum", QJsonObject{{"curve", spectrumCurve},
                                              {"window", spectrumWindow},
                                              {"decibel", spectrumDecibel}}}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool ScopeSetup::fromJson(const QByteArray &json, ScopeSetup &setup, QStringList &skipped)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || root.value("format").toString() != kFormat) {
        skipped << QCoreApplication::translate("ScopeSetup", "everything: not a scope set-up");
        return false;
    }
    const int version = root.value("version").toInt(0);
    if (version != kFormatVersion)
        skipped << QCoreApplication::translate(
                       "ScopeSetup", "the format version: the file has %1, this scope reads %2; "
                                     "what matches was taken")
                       .arg(version)
                       .arg(kFormatVersion);

    setup = ScopeSetup();
    setup.components = rowsFromJson(root, "components", skipped);
    setup.links = rowsFromJson(root, "links", skipped);
    setup.endEffectors = rowsFromJson(root, "endEffectors", skipped);

    const QJsonValue period = root.value("periodMs");
    if (period.isDouble() && period.toDouble() >= ScopeLimits::kMinPeriodMs &&
        period.toDouble() <= ScopeLimits::kMaxPeriodMs)
        setup.periodMs = qRound(period.toDouble()); // the period edit takes whole ms
    else if (!period.isUndefined())
        skipped << QCoreApplication::translate("ScopeSetup", "period %1")
                       .arg(period.toVariant().toString());

    const QJsonObject trigger = root.value("trigger").toObject();
    setup.triggerOn = trigger.value("on").toBool(false);
    setup.triggerAbsolute = trigger.value("absolute").toBool(false);
    readString(trigger, "channel", setup.triggerChannel, skipped);
    readString(trigger, "condition", setup.triggerCondition, skipped);
    readString(trigger, "mode", setup.triggerMode, skipped);
    readString(trigger, "threshold", setup.triggerThreshold, skipped);
    readString(trigger, "delay", setup.triggerDelay, skipped);
    setup.triggerOptions.repeat = trigger.value("repeat").toBool(false);
    const int keep = trigger.value("keep").toInt(setup.triggerOptions.keep);
    if (keep >= 1 && keep <= TriggerOptions::kMaxKept)
        setup.triggerOptions.keep = keep;
    else
        skipped << QCoreApplication::translate("ScopeSetup", "trigger keep %1").arg(keep);
    readString(trigger, "folder", setup.triggerOptions.folder, skipped);

    const QJsonObject view = root.value("view").toObject();
    setup.stripView = view.value("strips").toBool(false);
    setup.scaleToVisible = view.value("scaleToVisible").toBool(false);
    setup.wallClockTime = view.value("wallClockTime").toBool(false);
    setup.exactValues = root.value("files").toObject().value("exactValues").toBool(false);
    setup.channelColours = coloursFromJson(root.value("colours"), skipped);
    setup.derivedChannels = derivedFromJson(root.value("derivedChannels"), skipped);
    const QJsonObject analysis = root.value("analysis").toObject();
    const QJsonObject xy = analysis.value("xy").toObject();
    readString(xy, "x", setup.xyX, skipped, "XY");
    readString(xy, "y", setup.xyY, skipped, "XY");
    setup.xyEqualScales = xy.value("equalScales").toBool(false);
    const QJsonObject spectrum = analysis.value("spectrum").toObject();
    readString(spectrum, "curve", setup.spectrumCurve, skipped, "spectrum");
    readString(spectrum, "window", setup.spectrumWindow, skipped, "spectrum");
    if (!kSpectrumWindows.contains(setup.spectrumWindow)) {
        skipped << QCoreApplication::translate("ScopeSetup", "spectrum window \"%1\"")
                       .arg(setup.spectrumWindow);
        setup.spectrumWindow = ScopeSetup().spectrumWindow;
    }
    setup.spectrumDecibel = spectrum.value("decibel").toBool(false);
    return true;
}

bool ScopeSetup::save(const QString &fileName, QString *error) const
{
    return SafeFileWriter::writeWhole(fileName, toJson(), SafeFileWriter::Mode::Replace, error);
}

bool ScopeSetup::load(const QString &fileName, ScopeSetup &setup, QStringList &skipped)
{
    QString error;
    const std::optional<QByteArray> json =
        SafeFileReader::readAll(fileName, kMaxSetupBytes, &error);
    if (json)
        return fromJson(*json, setup, skipped);
    skipped << QCoreApplication::translate("ScopeSetup", "everything: cannot read %1: %2")
                   .arg(fileName, error);
    return false;
}
