// Appending must cost the same per record whatever the window holds: a full window
// trims one entry per append.
#include "SampleBuffer.h"
#include "ScopeLimits.h"
#include "TriggerSettings.h"

#include <benchmark/benchmark.h>

namespace {

void BM_AppendFullWindow(benchmark::State &state)
{
    const auto samples = static_cast<double>(state.range(0));
    SampleBuffer buffer;
    buffer.setWindow(samples - 1.0);
    for (int slot = 0; slot < ScopeLimits::kMaxChannels; ++slot)
        buffer.setSlotIndex(slot, 43 + slot);
    ScopeRecord record;
    for (double t = 0; t < samples; ++t) {
        record.dTime = t;
        buffer.appendRecord(record);
    }
    for (auto _ : state) {
        record.dTime += 1.0;
        buffer.appendRecord(record);
    }
    benchmark::DoNotOptimize(buffer.times().size());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendFullWindow)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);

void BM_TriggerBatch(benchmark::State &state)
{
    std::vector<ScopeRecord> batch(static_cast<std::size_t>(state.range(0)));
    for (std::size_t i = 0; i < batch.size(); ++i)
        batch[i].dValue[3] = static_cast<double>(i % 17) - 8.0;
    TriggerSettings settings;
    settings.channel = 3;
    settings.threshold = 100.0;
    settings.absoluteValue = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(firingPosition(settings, batch));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TriggerBatch)->Arg(51)->Arg(10000);

} // namespace

BENCHMARK_MAIN();
