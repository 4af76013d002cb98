#pragma once

#include "ClockOrigin.h"
#include "ColumnSnapshot.h"
#include "CurveBinding.h"
#include "ScopeFile.h"
#include "ScopeFileMeta.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <vector>

// One curve of a recording: the channel it shows and its values, index by index with its
// times. The columns are shared, never copied.
struct RecordedCurve
{
    QString title;
    CurveBinding binding; // its slot is the plot's curve slot
    ColumnSnapshot times; // on the recording's clock
    ColumnSnapshot values;
    bool compared = false; // another recording's curve, shown beside this one from time 0
    // The samples that follow a jump in time (a file recorded across Stop and Start, a
    // stretch cut out): shown as gaps, not as a line across. Ascending.
    QVector<int> timeBreaks;
};

// What one scope holds: the curves it recorded or loaded, the time shown as 0, how its clock
// stands against the controller's and the wall clock, and the trigger that cut it. The
// recorder makes it from its buffers, and files and captures from their contents; the plot
// only displays it, while export, the public curves and the channel list read it. A value
// over shared columns, so a copy costs no samples; any thread, one at a time.
class ScopeRecording
{
public:
    // The set-up's curves over the recorder's times, each with the values of its slot;
    // the oldest time is shown as 0. Times are the controller's.
    static ScopeRecording sampled(const QVector<ScopeFileCurve> &columns,
                                  const ColumnSnapshot &times,
                                  const std::vector<ColumnSnapshot> &slotValues,
                                  const ClockOrigin &clock);
    // A scope file's or a capture's curves, placed in time as its metadata says. Lets go
    // of each column of the content as it takes it over, so a long file is held only once.
    static ScopeRecording loaded(ScopeFileContent content, const ScopeFileMeta &meta);

    // Curves of another recording shown beside these, one in each of the given slots.
    void addCompared(const QVector<ScopeFileCurve> &curves, const QString &label,
                     const QList<int> &inSlots);

    // A curve computed from the others (a derived channel), in a slot of its own.
    void addComputed(RecordedCurve curve) { append(std::move(curve)); }

    const std::vector<RecordedCurve> &curves() const { return m_curves; }
    // The curves' titles in order, kept as curves come, so reading them copies no sample.
    const QStringList &titles() const { return m_titles; }
    bool hasSamples() const;
    // The time shown as 0: the oldest sample of a recording of this scope, 0 for a file.
    double timeOrigin() const { return m_timeOrigin; }
    double shownTimeOf(const RecordedCurve &curve, int index) const;
    // The greatest finite time shown, over all curves; nothing when there is none.
    std::optional<double> latestShownTime() const;
    // The last sample's time on the recording's clock; nothing when there is none.
    std::optional<double> lastTime() const;
    const ClockOrigin &clock() const { return m_clock; }
    // The trigger that cut it, as its file says; its instant on the recording's clock.
    const std::optional<ScopeFileTrigger> &trigger() const { return m_trigger; }
    std::optional<double> triggerTime() const;
    bool isLoaded() const { return m_bLoaded; }

    // The curves as a scope file carries them, times from the origin; curves over the same
    // times share one copy of them. Whole, or its rows [first, last) (see ScopeFile::save).
    QVector<ScopeFileCurve> fileCurves() const;
    QVector<ScopeFileCurve> fileCurves(int first, int last) const;
    int fileRowCount() const;
    // What the metadata beside that file says.
    ScopeFileMeta fileMeta(bool exactValues) const;

private:
    void append(RecordedCurve curve);

    std::vector<RecordedCurve> m_curves;
    QStringList m_titles;
    double m_timeOrigin = 0.0;
    // Controller time = the recording's time + this; unknown for a file that does not say.
    std::optional<double> m_controllerOffset;
    ClockOrigin m_clock;
    std::optional<ScopeFileTrigger> m_trigger;
    bool m_bLoaded = false;
};
