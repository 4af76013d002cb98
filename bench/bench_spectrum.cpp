// The amplitude spectrum of a stretch as long as a recording gets (the view redraws it after
// each zoom), alone and drawn in its window, against reading its values once.
#include "AmplitudeSpectrum.h"
#include "OffscreenBenchmarkMain.h"
#include "SpectrumView.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

struct Curve
{
    ColumnSnapshot times;
    ColumnSnapshot values;
};

// 1 kHz, a vibration and its harmonic over a drift.
Curve vibration(int samples)
{
    QVector<double> times(samples);
    QVector<double> values(samples);
    for (int i = 0; i < samples; ++i) {
        times[i] = i;
        values[i] = 0.001 * i + 2.0 * std::sin(0.314 * i) + 0.5 * std::sin(0.754 * i);
    }
    return {ColumnSnapshot::fromVector(times), ColumnSnapshot::fromVector(values)};
}

void BM_Spectrum(benchmark::State &state)
{
    const Curve curve = vibration(static_cast<int>(state.range(0)));
    const SpectrumOptions options;
    for (auto _ : state) {
        QString error;
        const auto spectrum = AmplitudeSpectrum::compute(curve.times, curve.values, 0,
                                                         curve.values.size(), options, &error);
        if (!spectrum) {
            state.SkipWithError(qPrintable(error));
            break;
        }
        benchmark::DoNotOptimize(spectrum->peaks().data());
    }
}
// A round length, and a prime one that is padded to it.
BENCHMARK(BM_Spectrum)->Arg(1000000)->Arg(999983)->Unit(benchmark::kMillisecond);

// What the operator waits for: the spectrum computed and drawn in the Spectrum window.
void BM_SpectrumShown(benchmark::State &state)
{
    const Curve curve = vibration(static_cast<int>(state.range(0)));
    SpectrumView view(
        [&curve](const QString &, const SpectrumOptions &options, QString *error) {
            return AmplitudeSpectrum::compute(curve.times, curve.values, 0, curve.values.size(),
                                              options, error);
        },
        nullptr);
    view.setChannels({QStringLiteral("J3 Actual Cur")});
    view.show();
    for (auto _ : state) {
        view.refresh();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SpectrumShown)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SumValues(benchmark::State &state)
{
    const Curve curve = vibration(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double sum = 0.0;
        for (int i = 0; i < curve.values.size(); ++i)
            sum += curve.values.at(i);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_SumValues)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv);
}
