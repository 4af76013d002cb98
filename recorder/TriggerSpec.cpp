#include "TriggerSpec.h"

#include <QRegularExpression>

#include <cmath>

namespace {

std::optional<double> finiteNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<TriggerSettings> TriggerSpec::parse(const QString &text, const QStringList &recorded,
                                                  QString *error)
{
    // Titles hold no comparison sign, but may hold spaces and digits.
    static const QRegularExpression form(QStringLiteral("^(.+?)\\s*([<>])\\s*([^<>@]+?)\\s*"
                                                        "(?:@\\s*([^<>@]+?))?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        *error =
            QStringLiteral("the trigger \"%1\" does not read as CHANNEL>VALUE[@DELAY]").arg(text);
        return std::nullopt;
    }
    TriggerSettings settings;
    QString title = match.captured(1).trimmed();
    if (title.size() > 2 && title.startsWith('|') && title.endsWith('|')) {
        settings.absoluteValue = true;
        title = title.mid(1, title.size() - 2).trimmed();
    }
    settings.channel = int32_t(recorded.indexOf(title));
    if (settings.channel < 0) {
        *error = QStringLiteral("the trigger channel \"%1\" is not recorded").arg(title);
        return std::nullopt;
    }
    settings.condition =
        match.captured(2) == QLatin1String("<") ? TriggerSettings::Below : TriggerSettings::Above;
    const std::optional<double> threshold = finiteNumber(match.captured(3));
    if (!threshold) {
        *error =
            QStringLiteral("the trigger threshold \"%1\" is not a number").arg(match.captured(3));
        return std::nullopt;
    }
    settings.threshold = *threshold;
    if (match.capturedLength(4) > 0) {
        settings.delay = finiteNumber(match.captured(4));
        if (!settings.delay) {
            *error = QStringLiteral("the trigger delay \"%1\" is not a number of ms")
                         .arg(match.captured(4));
            return std::nullopt;
        }
    }
    return settings;
}
