#include "ScopeCaptures.h"

#include "FileEntry.h"
#include "ScopeLimits.h"

#include <QDateTime>
#include <QDir>

#include <algorithm>

ScopeCaptures::ScopeCaptures(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ScopeCaptures"));
}

ScopeCapture ScopeCaptures::fromCut(const CutCapture &cut, const QVector<ScopeFileCurve> &columns,
                                    const ClockOrigin &origin)
{
    ScopeCapture capture;
    capture.triggerTime = cut.instant;
    capture.value = cut.value;
    if (cut.trigger.channel >= 0 && cut.trigger.channel < columns.size())
        capture.channel = columns.at(cut.trigger.channel).title;
    QVector<double> times;
    times.reserve(int(cut.records.size()));
    for (const ScopeRecord &record : cut.records)
        times.append(record.dTime);
    const int width = std::min(columns.size(), ScopeLimits::kCurveSlots);
    for (int k = 0; k < width; ++k) {
        ScopeFileCurve curve{columns.at(k).title, columns.at(k).binding, times, {}};
        curve.y.reserve(times.size());
        for (const ScopeRecord &record : cut.records)
            curve.y.append(record.dValue[k]);
        capture.curves.append(std::move(curve));
    }
    capture.meta = metaOf(capture, cut, origin);
    return capture;
}

// A capture's file holds controller times: its first row is its own origin.
ScopeFileMeta ScopeCaptures::metaOf(const ScopeCapture &capture, const CutCapture &cut,
                                    const ClockOrigin &origin)
{
    ScopeFileMeta meta;
    if (!cut.records.empty()) {
        const double first = cut.records.front().dTime;
        meta.firstRowTime = first;
        meta.controllerTime = first;
        meta.started = origin.wallClockAt(first);
    }
    for (const ScopeFileCurve &curve : capture.curves)
        meta.channels.append({curve.title, curve.binding.unit});
    ScopeFileTrigger trigger;
    trigger.channel = capture.channel;
    trigger.condition = cut.trigger.condition == TriggerSettings::Below ? "<" : ">";
    trigger.threshold = cut.trigger.threshold;
    trigger.absoluteValue = cut.trigger.absoluteValue;
    trigger.mode = cut.trigger.mode == TriggerSettings::EndGrab ? "end grab" : "open grab";
    trigger.delay = cut.trigger.delay;
    trigger.instant = cut.instant;
    trigger.value = cut.value;
    trigger.whole = cut.whole;
    meta.trigger = trigger;
    return meta;
}

void ScopeCaptures::setOptions(const TriggerOptions &options)
{
    m_options = options;
    m_options.keep = std::clamp(options.keep, 1, TriggerOptions::kMaxKept);
    while (int(m_kept.size()) > m_options.keep) {
        m_kept.pop_front();
        ++m_nDropped;
    }
    emit optionsChanged();
}

bool ScopeCaptures::add(ScopeCapture capture, QString *error)
{
    const bool saved = m_options.folder.isEmpty() || save(capture, error);
    m_kept.push_back(std::move(capture));
    if (int(m_kept.size()) > m_options.keep) {
        m_kept.pop_front();
        ++m_nDropped;
    }
    return saved;
}

void ScopeCaptures::clear()
{
    m_kept.clear();
    m_nDropped = 0;
}

namespace {

// Anything at the name, a link that leads nowhere included, or at its metadata's name, takes
// the name: a link there would lead the capture out of its folder.
bool isTaken(const QString &fileName)
{
    return FileEntry::at(fileName).exists() ||
           FileEntry::at(ScopeFileMeta::fileNameFor(fileName)).exists();
}

} // namespace

// Named from the moment it completed, to the millisecond; nothing at the name is ever
// replaced: the name gets a number instead, and the file is created as new.
bool ScopeCaptures::save(ScopeCapture &capture, QString *error) const
{
    const QDir folder(m_options.folder);
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        *error = tr("ERROR:Cannot write to %1: the folder cannot be made").arg(folder.path());
        return false;
    }
    const QString stem =
        "Tarn_Scope_Capture_" + QDateTime::currentDateTime().toString("yyyy_MM_dd_hh_mm_ss_zzz");
    QString fileName = folder.filePath(stem + ".csv");
    for (int n = 2; isTaken(fileName); ++n)
        fileName = folder.filePath(QString("%1_%2.csv").arg(stem).arg(n));
    QString reason;
    capture.meta.exactValues = m_format == ScopeFile::NumberFormat::Exact;
    if (ScopeFile::save(fileName, capture.curves, ScopeFile::Progress(), &reason, m_format,
                        SafeFileWriter::Mode::CreateNew) != ScopeFile::Outcome::Done) {
        *error = tr("ERROR:Cannot write %1: %2").arg(fileName, reason);
        return false;
    }
    if (!capture.meta.saveBeside(fileName, &reason)) {
        *error = tr("ERROR:Cannot write %1: %2").arg(ScopeFileMeta::fileNameFor(fileName), reason);
        return false;
    }
    capture.fileName = fileName;
    return true;
}
