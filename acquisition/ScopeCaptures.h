#pragma once

#include "CaptureCutter.h"
#include "ClockOrigin.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"
#include "TriggerOptions.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <deque>

// One completed capture: where the trigger fired (controller time), on which channel and
// with which value, what its file's metadata says (the trigger as it was, when it was
// recorded), the records of its window, and the file it was saved to.
struct ScopeCapture
{
    double triggerTime = 0.0;
    QString channel;
    double value = 0.0;
    ScopeFileMeta meta;
    QVector<ScopeFileCurve> curves;
    QString fileName; // empty when not saved
};

// The captures the trigger completed in this run, the newest last and at most the options'
// `keep` of them (the oldest go first, and the count of those gone is kept); with a folder,
// each is saved as a scope file as it completes, under a new name from its trigger time.
// Owned by the scope widget (a Qt child); GUI thread only.
class ScopeCaptures : public QObject
{
    Q_OBJECT

public:
    explicit ScopeCaptures(QObject *parent);

    // A capture of the recorder's, its columns named as the set-up names the record's values;
    // `origin` dates it.
    static ScopeCapture fromCut(const CutCapture &cut, const QVector<ScopeFileCurve> &columns,
                                const ClockOrigin &origin);

    const TriggerOptions &options() const { return m_options; }
    void setOptions(const TriggerOptions &options);

    // Keeps the capture and saves it when a folder is set; false, with the reason, when the
    // file could not be written (the capture is kept all the same).
    bool add(ScopeCapture capture, QString *error);
    void clear();
    void setNumberFormat(ScopeFile::NumberFormat format) { m_format = format; }

signals:
    void optionsChanged();

public:
    const std::deque<ScopeCapture> &kept() const { return m_kept; }
    int dropped() const { return m_nDropped; }

private:
    static ScopeFileMeta metaOf(const ScopeCapture &capture, const CutCapture &cut,
                                const ClockOrigin &origin);
    bool save(ScopeCapture &capture, QString *error) const;

    TriggerOptions m_options;
    std::deque<ScopeCapture> m_kept;
    int m_nDropped = 0;
    ScopeFile::NumberFormat m_format = ScopeFile::NumberFormat::ThreeDecimals;
};
