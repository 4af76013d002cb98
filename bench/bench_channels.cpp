// What a property getter costs: channels() of a scope holding 36 curves of 1M samples each,
// against the same scope holding 1k. The getter names the curves; it never copies samples.
#include "OffscreenBenchmarkMain.h"
#include "ScopeFile.h"
#include "TarnPlugin_Scope.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

constexpr int kCurves = 36;

// Kept across the runs of one size; let go of before the application ends.
std::map<int, std::unique_ptr<TarnPlugin_Scope>> scopes;

// A scope showing an imported recording of `rows` rows over 36 joint channels.
std::unique_ptr<TarnPlugin_Scope> scopeHolding(int rows, const QTemporaryDir &dir)
{
    QVector<double> times(rows);
    for (int i = 0; i < rows; ++i)
        times[i] = i;
    QVector<ScopeFileCurve> curves;
    for (int k = 0; k < kCurves; ++k) {
        ScopeFileCurve curve;
        curve.title = QString("J%1 Actual ACS %2").arg(k % 6 + 1).arg(k);
        curve.binding.axis = k % 6;
        curve.binding.linkItem = 2;
        curve.binding.unit = "ACS(deg)";
        curve.x = times; // shared, not copied
        curve.y = QVector<double>(rows, k * 0.5);
        curves << curve;
    }
    const QString file = dir.filePath(QString("rows_%1.csv").arg(rows));
    QString error;
    if (ScopeFile::save(file, curves, ScopeFile::Progress(), &error) != ScopeFile::Outcome::Done) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file), qPrintable(error));
        std::exit(1);
    }
    auto scope = std::make_unique<TarnPlugin_Scope>();
    if (!scope->importFromFile(file, &error)) {
        std::fprintf(stderr, "cannot import %s: %s\n", qPrintable(file), qPrintable(error));
        std::exit(1);
    }
    QFile::remove(file);
    return scope;
}

void BM_Channels(benchmark::State &state)
{
    static QTemporaryDir dir;
    const int rows = static_cast<int>(state.range(0));
    std::unique_ptr<TarnPlugin_Scope> &scope = scopes[rows];
    if (!scope)
        scope = scopeHolding(rows, dir);
    for (auto _ : state)
        benchmark::DoNotOptimize(scope->channels());
    if (scope->channels().size() != kCurves)
        state.SkipWithError("the scope does not hold 36 curves");
}
BENCHMARK(BM_Channels)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv, [] { scopes.clear(); });
}
