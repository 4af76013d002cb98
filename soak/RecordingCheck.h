#pragma once

#include <QString>
#include <QVector>

#include <cstddef>
#include <functional>
#include <vector>

// The time stamps the simulated controller delivered since the scope last sent an index
// list, batch by batch: what one recording may hold. Plain data, any thread.
class RecordingLog
{
public:
    void clear();
    void addBatch(const std::vector<double> &times);

    const std::vector<double> &times() const { return m_times; }
    // Index in times() of each batch's first record.
    const std::vector<std::size_t> &batchStarts() const { return m_batchStarts; }
    bool isEmpty() const { return m_times.empty(); }

private:
    std::vector<double> m_times;
    std::vector<std::size_t> m_batchStarts;
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
    bool lastBatchMayMiss = false; // stopped by the widget itself, maybe during a read
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
    bool lastBatchMissed = false; // the tolerated late batch was indeed not shown
    bool firstBatchDropped = false;
};

// Checks that the curves hold a run of delivered records in order, each exactly once,
// ending where the run ended and starting where the time window (or the capture) began,
// with every value the controller gave for its channel at that time.
// `sample` gives the controller's value of an index at a time.
RecordingVerdict checkRecording(const RecordingLog &log, const RecordingRules &rules,
                                const std::vector<CurveSamples> &curves,
                                const std::function<double(int, double)> &sample);
