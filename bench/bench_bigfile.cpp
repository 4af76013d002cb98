// Import of a one-hour recording (3.6 M rows of 36 curves at 1 kHz, about 1.2 GB of text),
// made in a temporary folder on first use. Each import runs in a child process, so its
// CPU time and its highest resident memory are its own; both are reported as counters:
// seconds of CPU (also the benchmark's time), bytes read, the peak beyond what the child
// held before, and the values as doubles that the peak is held against.
#include "ColumnSnapshot.h"
#include "ScopeFile.h"

#include "ProcessStatus.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

constexpr int kRows = 3600000;
constexpr int kCurves = 36;
constexpr int kRowsPerPiece = 8192;

// Values with the look of a recording: slow motion, a ripple and three decimals.
QVector<ScopeFileCurve> piece(int firstRow, int rows)
{
    QVector<ScopeFileCurve> curves(kCurves);
    for (int k = 0; k < kCurves; ++k) {
        ScopeFileCurve &c = curves[k];
        c.title = QString("J%1 Actual ACS").arg(k % 6 + 1);
        c.binding.axis = k % 6;
        c.binding.linkItem = 2;
        c.binding.unit = "ACS(deg)";
        for (int i = firstRow; i < firstRow + rows; ++i) {
            c.x << i;
            c.y << std::round((90.0 * std::sin(i * 1e-4 + k) + (i % 97) * 0.013) * 1000.0) / 1000.0;
        }
    }
    return curves;
}

QString bigFile()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("hour.csv");
    if (QFile::exists(path))
        return path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    for (int row = 0; row < kRows; row += kRowsPerPiece) {
        QByteArray bytes = ScopeFile::toBytes(piece(row, std::min(kRowsPerPiece, kRows - row)));
        if (row > 0)
            bytes.remove(0, bytes.indexOf('\n') + 1); // one header at the top
        file.write(bytes);
    }
    return path;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct ChildFigures
{
    double cpu = 0;
    double peak = 0;      // highest resident memory beyond the start
    double peakLater = 0; // the same, also over what `later` does
    double values = 0;    // values read, as doubles
};

// Runs `work` in a child process and brings back its figures. `later` runs after the CPU
// time is taken, for a second peak.
ChildFigures inChild(const std::function<double()> &work, const std::function<void()> &later)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // the peak starts from here
        clear.close();
        ChildFigures figures;
        const double before = statusBytes("VmRSS:");
        const double start = cpuSeconds();
        figures.values = work();
        figures.cpu = cpuSeconds() - start;
        figures.peak = statusBytes("VmHWM:") - before;
        if (later)
            later();
        figures.peakLater = statusBytes("VmHWM:") - before;
        const ssize_t written = write(pipeEnds[1], &figures, sizeof figures);
        _exit(written == sizeof figures ? 0 : 1);
    }
    close(pipeEnds[1]);
    ChildFigures figures;
    const ssize_t got = read(pipeEnds[0], &figures, sizeof figures);
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return got == sizeof figures ? figures : ChildFigures();
}

double valuesOf(const ScopeFileContent &content)
{
    double values = content.times.size();
    for (const ScopeFileCurve &c : content.curves)
        values += c.y.size();
    return values;
}

void report(benchmark::State &state, const ChildFigures &figures, const QString &path)
{
    state.SetIterationTime(figures.cpu);
    state.counters["cpu_s"] = figures.cpu;
    state.counters["file_bytes"] = static_cast<double>(QFile(path).size());
    state.counters["peak_bytes"] = figures.peak;
    state.counters["peak_with_columns_bytes"] = figures.peakLater;
    state.counters["raw_bytes"] = figures.values * sizeof(double);
    state.SetBytesProcessed(static_cast<int64_t>(QFile(path).size()));
}

// The loader, then the plot's columns made of what it read, as an import does.
void BM_ImportHour(benchmark::State &state)
{
    const QString path = bigFile();
    ScopeFileContent content;
    for (auto _ : state) {
        const ChildFigures figures = inChild(
            [&] {
                QString error;
                ScopeFile::load(path, &content, ScopeFile::Progress(), &error);
                return valuesOf(content);
            },
            [&] {
                std::vector<ColumnSnapshot> columns{ColumnSnapshot::fromVector(content.times)};
                content.times = QVector<double>();
                for (ScopeFileCurve &c : content.curves) {
                    columns.push_back(ColumnSnapshot::fromVector(c.y));
                    c.y = QVector<double>();
                }
                benchmark::DoNotOptimize(columns.data());
            });
        report(state, figures, path);
    }
}
BENCHMARK(BM_ImportHour)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// As loading was done before: the whole file read into memory, then parsed.
void BM_ImportHourWholeFile(benchmark::State &state)
{
    const QString path = bigFile();
    for (auto _ : state) {
        const ChildFigures figures = inChild(
            [&] {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly))
                    return 0.0;
                const std::optional<ScopeFileContent> content =
                    ScopeFile::fromBytes(file.readAll());
                return content ? valuesOf(*content) : 0.0;
            },
            {});
        report(state, figures, path);
    }
}
BENCHMARK(BM_ImportHourWholeFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
