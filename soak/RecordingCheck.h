#pragma once

#include "DeliveredReads.h"

#include <QString>
#include <QVector>

#include <cstddef>
#include <functional>
#include <vector>

// The reads the simulated controller delivered since the scope's last Start or confirmed
// set-up, while it sampled: what one recording may hold. Plain data, any thread.
class RecordingLog
{
public:
    void clear();
    void addRead(const DeliveredRead &read);
    // The scope has subscribed: the reads noted meanwhile and the first ones after may reach
    // back before it, and it may drop them.
    void noteSubscribed();

    const DeliveredReads &reads() const { return m_reads; }
    const std::vector<double> &times() const { return m_reads.times(); }
    bool isEmpty() const { return m_reads.isEmpty(); }
    std::size_t readsTheScopeMayDrop() const { return m_mayDrop; }

private:
    DeliveredReads m_reads;
    std::size_t m_mayDrop = 0;
};

// How a recording was run, which decides what its buffers may hold.
struct RecordingRules
{
    enum class Capture
    {
        Always,
        FromTrigger,
        UntilTrigger
    };
    Capture capture = Capture::Always;
    double windowMin = 0.0; // the smallest and largest display period in force
    double windowMax = 0.0;
    // The last reads noted that the scope may not have had when it stopped: those read
    // while it stopped, and one under way when the widget stopped itself.
    std::size_t lastReadsMayMiss = 0;
};

// One attached curve after Stop: x relative to the oldest buffered sample.
struct CurveSamples
{
    int scopeIndex = 0;
    QVector<double> x;
    QVector<double> y;
};

// What the check found; `error` is empty when the curves hold exactly what was delivered.
struct RecordingVerdict
{
    QString error;
    std::size_t samples = 0;      // records on the curves
    std::size_t gaps = 0;         // of them, gap records
    bool lastBatchMissed = false; // a tolerated late read was indeed not shown
    bool firstBatchDropped = false;
    bool startsWithGap = false;
};

// Checks that the curves hold a run of delivered records in order, each exactly once,
// ending where the run ended and starting where the time window (or the capture) began,
// with every value the controller gave for its channel at that time. A read dropped for a
// rebuilt controller list shows as one gap record (all values NaN) at its first record.
// `sample` gives the controller's value of an index at a time.
RecordingVerdict checkRecording(const RecordingLog &log, const RecordingRules &rules,
                                const std::vector<CurveSamples> &curves,
                                const std::function<double(int, double)> &sample);
