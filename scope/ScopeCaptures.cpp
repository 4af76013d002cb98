#include "ScopeCaptures.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

ScopeCaptures::ScopeCaptures(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("ScopeCaptures"));
}

void ScopeCaptures::setOptions(const TriggerOptions &options)
{
    m_options = options;
    m_options.keep = std::clamp(options.keep, 1, TriggerOptions::kMaxKept);
    while (int(m_kept.size()) > m_options.keep) {
        m_kept.pop_front();
        ++m_nDropped;
    }
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

// Named from the moment it completed, to the millisecond; an existing file is never
// replaced: the name gets a number instead.
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
    for (int n = 2; QFileInfo::exists(fileName); ++n)
        fileName = folder.filePath(QString("%1_%2.csv").arg(stem).arg(n));
    QString reason;
    if (ScopeFile::save(fileName, capture.curves, ScopeFile::Progress(), &reason) !=
        ScopeFile::Outcome::Done) {
        *error = tr("ERROR:Cannot write %1: %2").arg(fileName, reason);
        return false;
    }
    capture.fileName = fileName;
    return true;
}
