#include "StatusReport.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString now()
{
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
}
} // namespace

StatusReport::StatusReport(bool json, std::FILE *out) : m_json(json), m_out(out) {}

void StatusReport::event(const QString &kind, const QString &text)
{
    if (m_json) {
        const QJsonObject line{{"time", now()}, {"event", kind}, {"text", text}};
        write(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
    } else {
        write(QStringLiteral("%1 %2: %3").arg(now(), kind, text));
    }
}

void StatusReport::status(const RecorderFigures &f)
{
    if (m_json) {
        const QJsonObject line{{"time", now()},
                               {"event", "status"},
                               {"records", double(f.records)},
                               {"lost", double(f.lost)},
                               {"captures", f.captures},
                               {"files", f.files},
                               {"file", f.file},
                               {"fileBytes", double(f.fileBytes)},
                               {"controller", f.controller}};
        write(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
        return;
    }
    QString text = QStringLiteral("%1 records, %2 lost, %3 captures, %4 files")
                       .arg(f.records)
                       .arg(f.lost)
                       .arg(f.captures)
                       .arg(f.files);
    if (!f.file.isEmpty())
        text +=
            QStringLiteral(" (%1, %2 MB)").arg(f.file).arg(double(f.fileBytes) / 1e6, 0, 'f', 1);
    text += QStringLiteral(", controller %1").arg(f.controller);
    write(QStringLiteral("%1 status: %2").arg(now(), text));
}

// Whole lines, each flushed: the journal and a collector see them as they come.
void StatusReport::write(const QString &line)
{
    const QByteArray bytes = (line + '\n').toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), m_out);
    std::fflush(m_out);
}
