#include "ScopeFileMeta.h"

#include "SafeFileReader.h"
#include "SafeFileWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

const QString kFormat = QStringLiteral("tarnscope scope file metadata 1");
// Larger metadata is not ours: a file of 48 channels and a trigger takes a few kB.
constexpr qint64 kMaxBytes = 1 << 20;

// JSON has no NaN or infinity: such a number is left out, as unknown.
void putNumber(QJsonObject &object, const QString &key, std::optional<double> value)
{
    if (value && std::isfinite(*value))
        object.insert(key, *value);
}

std::optional<double> takeNumber(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

QJsonObject triggerObject(const ScopeFileTrigger &trigger)
{
    QJsonObject object{{"channel", trigger.channel},
                       {"condition", trigger.condition},
                       {"absoluteValue", trigger.absoluteValue},
                       {"mode", trigger.mode},
                       {"whole", trigger.whole}};
    putNumber(object, "threshold", trigger.threshold);
    putNumber(object, "delay", trigger.delay);
    putNumber(object, "instant", trigger.instant);
    putNumber(object, "value", trigger.value);
    return object;
}

std::optional<ScopeFileTrigger> triggerFrom(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<double> instant = takeNumber(object, "instant");
    if (!instant)
        return std::nullopt;
    ScopeFileTrigger trigger;
    trigger.channel = object.value("channel").toString();
    trigger.condition = object.value("condition").toString();
    trigger.threshold = takeNumber(object, "threshold").value_or(std::nan(""));
    trigger.absoluteValue = object.value("absoluteValue").toBool();
    trigger.mode = object.value("mode").toString();
    trigger.delay = takeNumber(object, "delay");
    trigger.instant = *instant;
    trigger.value = takeNumber(object, "value").value_or(std::nan(""));
    trigger.whole = object.value("whole").toBool(true);
    return trigger;
}

} // namespace

QString ScopeFileMeta::fileNameFor(const QString &scopeFileName)
{
    return scopeFileName + QStringLiteral(".json");
}

QByteArray ScopeFileMeta::toJson() const
{
    QJsonObject object{{"format", kFormat}, {"exactValues", exactValues}};
    if (started.isValid())
        object.insert("started", started.toUTC().toString(Qt::ISODateWithMs));
    putNumber(object, "firstRowTime", firstRowTime);
    putNumber(object, "controllerTime", controllerTime);
    QJsonArray list;
    for (const Channel &channel : channels)
        list.append(QJsonObject{{"title", channel.title}, {"unit", channel.unit}});
    object.insert("channels", list);
    if (trigger)
        object.insert("trigger", triggerObject(*trigger));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<ScopeFileMeta> ScopeFileMeta::fromJson(const QByteArray &bytes, QString *error)
{
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse);
    if (!document.isObject()) {
        *error = parse.error != QJsonParseError::NoError ? parse.errorString()
                                                         : QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value("format").toString() != kFormat) {
        *error = QStringLiteral("not scope file metadata");
        return std::nullopt;
    }
    ScopeFileMeta meta;
    meta.started = QDateTime::fromString(object.value("started").toString(), Qt::ISODateWithMs);
    meta.firstRowTime = takeNumber(object, "firstRowTime");
    meta.controllerTime = takeNumber(object, "controllerTime");
    meta.exactValues = object.value("exactValues").toBool();
    for (const QJsonValue &each : object.value("channels").toArray()) {
        const QJsonObject channel = each.toObject();
        meta.channels.append(
            Channel{channel.value("title").toString(), channel.value("unit").toString()});
    }
    meta.trigger = triggerFrom(object.value("trigger"));
    return meta;
}

bool ScopeFileMeta::saveBeside(const QString &scopeFileName, QString *error) const
{
    return SafeFileWriter::writeWhole(fileNameFor(scopeFileName), toJson(),
                                      SafeFileWriter::Mode::Replace, error);
}

std::optional<ScopeFileMeta> ScopeFileMeta::loadBeside(const QString &scopeFileName)
{
    QString error;
    const std::optional<QByteArray> bytes =
        SafeFileReader::readAll(fileNameFor(scopeFileName), kMaxBytes, &error);
    return bytes ? fromJson(*bytes, &error) : std::nullopt;
}

std::optional<double> ScopeFileMeta::fileTimeOf(double controllerTimeMs) const
{
    if (!firstRowTime || !controllerTime)
        return std::nullopt;
    return *firstRowTime + (controllerTimeMs - *controllerTime);
}
