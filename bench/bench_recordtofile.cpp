// Recording to disk at 36 channels x 1 kHz: the process's CPU time for one second of records
// (the acquisition side's copy, the writer thread's formatting, writes and syncs), against
// formatting the same rows into memory in the same run.
#include "ScopeFileRecorder.h"
#include "ScopeFileWriter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr ScopeFile::NumberFormat kFormat = ScopeFile::NumberFormat::ThreeDecimals;

constexpr int kChannels = 36;
constexpr int kRecordsPerSecond = 1000;
constexpr int kRecordsPerRead = 51; // the acquisition thread reads about every 51 ms

QVector<ScopeFileCurve> columns()
{
    QVector<ScopeFileCurve> heads;
    for (int k = 0; k < kChannels; ++k) {
        ScopeFileCurve column;
        column.title = QString("J%1 Actual ACS").arg(k % 6 + 1);
        column.binding.axis = k % 6;
        column.binding.scopeIndex = 43 + k;
        column.binding.unit = "ACS(deg)";
        heads << column;
    }
    return heads;
}

double value(double time, int channel)
{
    return std::sin(time * 0.001 + channel) * 180.0;
}

// One read's records as the recorder copies them: time, then the bound values.
std::vector<double> readRows(double &time, int count)
{
    std::vector<double> rows;
    rows.reserve(static_cast<std::size_t>(count) * (kChannels + 1));
    for (int r = 0; r < count; ++r, time += 1.0) {
        rows.push_back(time);
        for (int k = 0; k < kChannels; ++k)
            rows.push_back(value(time, k));
    }
    return rows;
}

// Each iteration records one second of the robot in real time, reads 51 ms apart, so the
// writer syncs as often as it does in use; then waits until the writer has it all.
void BM_RecordOneSecond(benchmark::State &state)
{
    QTemporaryDir dir;
    FileRecordingOptions options;
    options.fileName = dir.filePath("bench.csv");
    QString error;
    auto recorder = ScopeFileRecorder::start(options, columns(), &error);
    if (!recorder) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    double time = 0.0;
    qint64 records = 0;
    for (auto _ : state) {
        for (int done = 0; done < kRecordsPerSecond; done += kRecordsPerRead) {
            const int count = std::min(kRecordsPerRead, kRecordsPerSecond - done);
            recorder->push(readRows(time, count), kChannels, ClockOrigin());
            records += count;
            std::this_thread::sleep_for(std::chrono::milliseconds(kRecordsPerRead));
        }
        while (recorder->status().records < records)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (recorder->status().dropped > 0)
        state.SkipWithError("records were dropped");
}
BENCHMARK(BM_RecordOneSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// The same second's rows formatted into memory: the work no recording can avoid.
void BM_FormatOneSecond(benchmark::State &state)
{
    QByteArray out;
    out.reserve(1 << 22);
    double time = 0.0;
    const double *values = nullptr;
    for (auto _ : state) {
        out.truncate(0);
        for (int done = 0; done < kRecordsPerSecond; done += kRecordsPerRead) {
            const int count = std::min(kRecordsPerRead, kRecordsPerSecond - done);
            const std::vector<double> rows = readRows(time, count);
            for (std::size_t r = 0; r < rows.size(); r += kChannels + 1) {
                const int start = out.size();
                out.resize(start + (kChannels + 1) * (ScopeFile::kMaxNumberChars + 1));
                char *p = ScopeFile::writeNumber(out.data() + start, rows[r], kFormat);
                values = rows.data() + r + 1;
                for (int k = 0; k < kChannels; ++k) {
                    *p++ = ',';
                    p = ScopeFile::writeNumber(p, values[k], kFormat);
                }
                *p++ = '\n';
                out.resize(static_cast<int>(p - out.constData()));
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_FormatOneSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
