#include "ScopeFile.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kAxisWithEndEffectorItem = 6; // axes 0..5 carry a link item

QString number(double value)
{
    return QString::number(value, 'f', 3);
}

QString withoutTerminator(QString line)
{
    if (line.endsWith(QLatin1String("\r\n")))
        line.chop(2);
    else if (line.endsWith(QLatin1Char('\n')))
        line.chop(1);
    return line;
}

} // namespace

QString ScopeFile::headerField(const QString &title, const CurveBinding &binding)
{
    const int item =
        binding.axis < kAxisWithEndEffectorItem ? binding.linkItem : binding.endEffItem;
    return title + QString("_%1_%2_%3")
                       .arg(QString::number(binding.axis), QString::number(item), binding.unit);
}

QStringList ScopeFile::toLines(const QVector<ScopeFileCurve> &curves)
{
    QStringList lines;
    if (curves.isEmpty())
        return lines;

    QString header = QStringLiteral("time");
    int rows = 0;
    for (const ScopeFileCurve &curve : curves) {
        rows = std::max(rows, static_cast<int>(std::min(curve.x.size(), curve.y.size())));
        header += QLatin1Char(',') + headerField(curve.title, curve.binding);
    }
    lines.reserve(rows + 1);
    lines << header + QLatin1Char('\n');
    for (int row = 0; row < rows; ++row)
        lines << rowOf(curves, row);
    return lines;
}

QString ScopeFile::rowOf(const QVector<ScopeFileCurve> &curves, int row)
{
    auto holds = [row](const ScopeFileCurve &c) {
        return std::min(c.x.size(), c.y.size()) > row;
    };
    QString line;
    const auto first = std::find_if(curves.begin(), curves.end(), holds);
    line += number(first->x.at(row));
    for (const ScopeFileCurve &curve : curves) {
        line += QLatin1Char(',');
        if (holds(curve))
            line += number(curve.y.at(row));
    }
    line += QLatin1Char('\n');
    return line;
}

double ScopeFile::parseNumber(const QString &field)
{
    bool ok = false;
    const double value = field.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

CurveBinding ScopeFile::parseHeaderField(const QString &field, int slot, QString *title)
{
    const QStringList parts = field.split(QLatin1Char('_'));
    CurveBinding binding;
    binding.slot = slot;
    *title = parts.at(0);
    if (parts.size() < 4) {
        binding.axis = 0;
        binding.unit = QStringLiteral("Unit");
        return binding;
    }
    binding.axis = parts.at(1).toInt();
    const int item = parts.at(2).toInt();
    if (binding.axis >= kAxisWithEndEffectorItem)
        binding.endEffItem = item;
    else
        binding.linkItem = item;
    binding.unit = parts.at(3);
    return binding;
}

ScopeFileContent ScopeFile::fromLines(const QStringList &lines)
{
    ScopeFileContent content;
    if (lines.isEmpty())
        return content;

    const QStringList header = withoutTerminator(lines.first()).split(QLatin1Char(','));
    for (const QString &field : header) {
        if (field == QLatin1String("time")) {
            content.hasTime = true;
            continue;
        }
        const int slot = content.curveCount++;
        if (slot >= kMaxCurves)
            continue;
        ScopeFileCurve curve;
        curve.binding = parseHeaderField(field, slot, &curve.title);
        content.curves << curve;
    }
    if (content.curveCount == 0)
        return content;

    // A column that runs out holds empty fields to the end; its curve ends where its
    // samples end instead of going on with zeros.
    QVector<int> lengths(content.curves.size(), 0);
    for (int i = 1; i < lines.size(); ++i) {
        QStringList fields = withoutTerminator(lines.at(i)).split(QLatin1Char(','));
        if (content.hasTime && fields.size() >= content.curveCount + 1)
            content.times << parseNumber(fields.takeFirst());
        for (int k = 0; k < content.curves.size(); ++k) {
            const QString field = k < fields.size() ? fields.at(k) : QString();
            content.curves[k].y << parseNumber(field);
            if (!field.trimmed().isEmpty())
                lengths[k] = content.curves[k].y.size();
        }
    }
    for (int k = 0; k < content.curves.size(); ++k)
        content.curves[k].y.resize(lengths[k]);
    return content;
}
