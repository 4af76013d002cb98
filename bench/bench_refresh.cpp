// The refresh tick and the nearest-sample lookup against what they must stay close to:
// copying the windows once, and measuring every sample.
#include "ClosestSampleSearch.h"
#include "CurveStatistics.h"
#include "OffscreenBenchmarkMain.h"
#include "RefreshFixture.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kDerivedCurves = 12;

void BM_RefreshTick(benchmark::State &state)
{
    RefreshFixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        fixture.append(RefreshFixture::kRecordsPerRefresh);
        state.ResumeTiming();
        fixture.refresh();
    }
}
// Derived channels are twelve more curves to draw; their values come with the records.
void BM_RefreshTickDerived(benchmark::State &state)
{
    RefreshFixture fixture(static_cast<int>(state.range(0)), kDerivedCurves);
    for (auto _ : state) {
        state.PauseTiming();
        fixture.append(RefreshFixture::kRecordsPerRefresh);
        state.ResumeTiming();
        fixture.refresh();
    }
}
BENCHMARK(BM_RefreshTickDerived)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_RefreshTick)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One fixture per size for the figures that leave its samples alone, built once: an hour
// takes a while to fill. Each figure starts with the whole window in view.
// Emptied before the application goes, which the plots need.
std::map<int, std::unique_ptr<RefreshFixture>> wholeWindows;

RefreshFixture &wholeWindow(int samples)
{
    std::unique_ptr<RefreshFixture> &fixture = wholeWindows[samples];
    if (!fixture)
        fixture = std::make_unique<RefreshFixture>(samples);
    fixture->plot().setAxisScale(QwtPlot::xBottom, 0.0, samples - 1.0);
    fixture->refresh();
    return *fixture;
}

// A refresh with no new samples, over the whole window, and a zoom into one second of it:
// both should cost about the same whatever the window holds.
void BM_RefreshWhole(benchmark::State &state)
{
    RefreshFixture &fixture = wholeWindow(static_cast<int>(state.range(0)));
    for (auto _ : state)
        fixture.refresh();
}
BENCHMARK(BM_RefreshWhole)
    ->Arg(10000)
    ->Arg(1000000)
    ->Arg(3600000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first refresh of the whole window at a new time scale, as after zooming back out or
// a resize: nothing the curves kept applies, every column is read again.
void BM_RescaleWhole(benchmark::State &state)
{
    const int samples = static_cast<int>(state.range(0));
    QwtScope &plot = wholeWindow(samples).plot();
    bool shifted = false;
    for (auto _ : state) {
        const double shift = shifted ? 0.5 * samples / RefreshFixture::kWidth : 0.0;
        plot.setAxisScale(QwtPlot::xBottom, shift, samples - 1.0 + shift);
        plot.replot();
        QCoreApplication::processEvents();
        shifted = !shifted;
    }
}
BENCHMARK(BM_RescaleWhole)->Arg(10000)->Arg(3600000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZoomSecond(benchmark::State &state)
{
    const int samples = static_cast<int>(state.range(0));
    QwtScope &plot = wholeWindow(samples).plot();
    int second = 0;
    for (auto _ : state) {
        const double from = (second * 1000.0) + 0.5;
        plot.setAxisScale(QwtPlot::xBottom, from, from + 1000.0);
        plot.replot();
        QCoreApplication::processEvents();
        second = (second + 1) % (samples / 1000 - 1);
    }
}
BENCHMARK(BM_ZoomSecond)->Arg(10000)->Arg(3600000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The statistics table's figures for every curve over the whole window.
void BM_StatisticsWhole(benchmark::State &state)
{
    const int samples = static_cast<int>(state.range(0));
    RefreshFixture &fixture = wholeWindow(samples);
    for (auto _ : state) {
        for (QwtPlotItem *item : fixture.plot().itemList(QwtPlotItem::Rtti_PlotCurve)) {
            const QwtSeriesData<QPointF> &data = *static_cast<QwtPlotCurve *>(item)->data();
            benchmark::DoNotOptimize(CurveStatistics::over(data, 0.0, samples));
        }
    }
}
BENCHMARK(BM_StatisticsWhole)->Arg(3600000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One copy of the time column and all 36 value columns.
void BM_MemcpyWindows(benchmark::State &state)
{
    const auto count = static_cast<std::size_t>(state.range(0)) * (RefreshFixture::kChannels + 1);
    std::vector<double> from(count, 1.0);
    std::vector<double> to(count);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), count * sizeof(double));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyWindows)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

std::vector<QPoint> cursorPositions()
{
    std::vector<QPoint> positions;
    for (int x = 1; x <= 5; ++x) {
        for (int y = 1; y <= 5; ++y)
            positions.emplace_back(RefreshFixture::kWidth * x / 6, RefreshFixture::kHeight * y / 6);
    }
    return positions;
}

QVector<SearchCurve> searchCurves(QwtScope &plot)
{
    QVector<SearchCurve> curves;
    for (QwtPlotItem *item : plot.itemList(QwtPlotItem::Rtti_PlotCurve))
        curves.append({static_cast<QwtPlotCurve *>(item)->data(), true, std::nullopt});
    return curves;
}

// Every sample of every curve, as the tracker used to search.
ClosestSample bruteForce(const QVector<SearchCurve> &curves, const QwtScaleMap &xMap,
                         const QwtScaleMap &yMap, const QPoint &cursor)
{
    ClosestSample best;
    for (int position = 0; position < curves.size(); ++position) {
        const QwtSeriesData<QPointF> &samples = *curves.at(position).samples;
        for (size_t i = 0; i < samples.size(); ++i) {
            QPoint pixel;
            if (!canvasPixel(xMap, yMap, samples.sample(i), pixel))
                continue;
            const double dx = pixel.x() - cursor.x();
            const double dy = pixel.y() - cursor.y();
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance < best.distance) {
                best = ClosestSample();
                best.position = position;
                best.index = static_cast<int>(i);
                best.distance = distance;
            }
        }
    }
    return best;
}

template <typename Search> void lookups(benchmark::State &state, Search search)
{
    RefreshFixture fixture(static_cast<int>(state.range(0)));
    const QVector<SearchCurve> curves = searchCurves(fixture.plot());
    const QwtScaleMap xMap = fixture.plot().canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = fixture.plot().canvasMap(QwtPlot::yLeft);
    const std::vector<QPoint> positions = cursorPositions();
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(search(curves, xMap, yMap, positions[next]));
        next = (next + 1) % positions.size();
    }
}

void BM_TrackerLookup(benchmark::State &state)
{
    lookups(state, findClosestSample);
}
BENCHMARK(BM_TrackerLookup)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TrackerBruteForce(benchmark::State &state)
{
    lookups(state, bruteForce);
}
BENCHMARK(BM_TrackerBruteForce)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runOffscreenBenchmarks(argc, argv, [] { wholeWindows.clear(); });
}
