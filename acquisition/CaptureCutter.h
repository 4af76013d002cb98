#pragma once

#include "ScopeRecord.h"
#include "TriggerSettings.h"

#include <deque>
#include <optional>
#include <vector>

// One capture as it was cut from the records: the trigger that opened it and the records of
// its window, in arrival order (gap records included).
struct CutCapture
{
    TriggerSettings trigger; // as it was when it fired
    double instant = 0.0;    // controller time of the sample that fired it
    double value = 0.0;      // the trigger channel's sample there
    double from = 0.0;       // the window's bounds, controller time
    double until = 0.0;
    // False when the recording ended before the window was full.
    bool whole = true;
    std::vector<ScopeRecord> records;
};

// Cuts capture windows out of the records as they arrive, so a capture holds exactly the
// records from `instant + delay` for one period (open grab) or the period up to it (end grab),
// whatever the screen does. Without a delay the whole firing batch opens an open grab and
// the records before it close an end grab, as the recording itself does. Keeps the records a
// window may reach back to. Owned by the scope's recorder; acquisition thread, under the
// recorder's trigger lock.
class CaptureCutter
{
public:
    void setPeriod(double periodMs) { m_dPeriod = periodMs; }
    // Forgets the history and any open window (a new run or set-up).
    void reset();

    // Opens a window for a trigger that fired at batch[firing], in the stretch of the batch
    // that began at `stretch` (after a re-arm, the rest of the batch); the records before the
    // firing must have been fed already.
    void open(const TriggerSettings &trigger, const std::vector<ScopeRecord> &batch,
              std::size_t stretch, std::size_t firing);
    bool isOpen() const { return m_open.has_value(); }
    // Feeds batch[first..last) as history and to the open window. Returns where feeding
    // stopped because the window completed (the records before that position were fed), or
    // nothing when all were fed. The completed capture waits in takeCompleted().
    std::optional<std::size_t> feed(const std::vector<ScopeRecord> &batch, std::size_t first,
                                    std::size_t last, const TriggerSettings &current);
    // Completes the open window with what it holds (the recording ended).
    void closeEarly();
    std::vector<CutCapture> takeCompleted();

private:
    bool pastWindow(double time) const;
    void complete(bool whole);
    void keepHistory(const ScopeRecord &record, const TriggerSettings &current);

    double m_dPeriod = 1000.0;
    std::deque<ScopeRecord> m_history;
    std::optional<CutCapture> m_open;
    bool m_bUntilInclusive = true;
    std::vector<CutCapture> m_completed;
};
