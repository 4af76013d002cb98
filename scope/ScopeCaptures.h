#pragma once

#include "ScopeFile.h"
#include "TriggerOptions.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <deque>

// One completed capture: where the trigger fired (controller time), on which channel and
// with which value, what the plot held when it completed, and the file it was saved to.
struct ScopeCapture
{
    double triggerTime = 0.0;
    QString channel;
    double value = 0.0;
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

    const TriggerOptions &options() const { return m_options; }
    void setOptions(const TriggerOptions &options);

    // Keeps the capture and saves it when a folder is set; false, with the reason, when the
    // file could not be written (the capture is kept all the same).
    bool add(ScopeCapture capture, QString *error);
    void clear();

    const std::deque<ScopeCapture> &kept() const { return m_kept; }
    int dropped() const { return m_nDropped; }

private:
    bool save(ScopeCapture &capture, QString *error) const;

    TriggerOptions m_options;
    std::deque<ScopeCapture> m_kept;
    int m_nDropped = 0;
};
