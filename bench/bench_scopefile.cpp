// Export and import of a full recording: 36 curves over a 10 s window at 1 kHz.
#include "ScopeFile.h"

#include <benchmark/benchmark.h>

namespace {

QVector<ScopeFileCurve> recording(int rows)
{
    QVector<ScopeFileCurve> curves;
    for (int k = 0; k < 36; ++k) {
        ScopeFileCurve c;
        c.title = QString("J%1 Actual ACS").arg(k % 6 + 1);
        c.binding.axis = k % 6;
        c.binding.linkItem = 2;
        c.binding.unit = "ACS(deg)";
        for (int i = 0; i < rows; ++i) {
            c.x << i;
            c.y << (i % 1000) * 0.37 - k;
        }
        curves << c;
    }
    return curves;
}

void BM_Export(benchmark::State &state)
{
    const QVector<ScopeFileCurve> curves = recording(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ScopeFile::toLines(curves));
    state.SetItemsProcessed(state.iterations() * state.range(0) * 36);
}
BENCHMARK(BM_Export)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State &state)
{
    const QStringList lines = ScopeFile::toLines(recording(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(ScopeFile::fromLines(lines));
    state.SetItemsProcessed(state.iterations() * state.range(0) * 36);
}
BENCHMARK(BM_Import)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
