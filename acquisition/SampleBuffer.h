#pragma once

#include "SampleColumn.h"
#include "SampleSnapshot.h"
#include "ScopeLimits.h"
#include "ScopeRecord.h"

#include <array>

// The scope's sample buffers: record time stamps and one value column per curve slot,
// trimmed to the display window. Owned by the scope's recorder; not locked itself: the
// recorder guards it with its data lock, which the acquisition thread (append) and the GUI
// thread (clear, read, routing) both take.
class SampleBuffer
{
public:
    SampleBuffer();

    // The controller index bound to each slot; only slots with an index in 1..182
    // receive values. Record value k feeds slot k.
    void setSlotIndex(int slot, int scopeIndex);
    // A slot past the controller's channels that receives the values the scope computes.
    void setComputedSlot(int slot);
    void clearSlotIndexes();
    // Width of the time window in ms: how far the newest time stamp may be from the oldest.
    void setWindow(double widthMs) { m_window = widthMs; }

    // A record without a finite time stamp cannot be placed in the window and is dropped.
    // Stamps come in rising order (the controller link keeps them so): trimming walks from
    // the oldest.
    void appendRecord(const ScopeRecord &record);
    // Empties every column; the slot indexes and the window stay.
    void clear();
    // Drops the records stamped before `time`, or after it; the record at `time` stays.
    void dropBefore(double time);
    void dropAfter(double time);

    // Cheap whatever the buffer holds; take it under the buffer's lock, read it anywhere.
    SampleSnapshot snapshot() const;

    const SampleColumn &times() const { return m_vecTime; }
    const SampleColumn &channel(int slot) const
    {
        return m_vecChannel.at(static_cast<std::size_t>(slot));
    }

private:
    int excessAtFront() const;

    SampleColumn m_vecTime;
    std::array<SampleColumn, ScopeLimits::kCurveSlots> m_vecChannel;
    std::array<bool, ScopeLimits::kCurveSlots> m_receives{};
    double m_window = ScopeLimits::kDefaultPeriodMs;
};
