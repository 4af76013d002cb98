// Export and import of a full recording (36 curves over a 10 s window at 1 kHz) against
// the plain Qt way of doing the same: QString::number with a QTextStream, QString::split
// with toDouble. The speed-ups are printed after the table.
#include "ScopeFile.h"

#include <QStringList>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kRows = 10000;
constexpr int kCurves = 36;

QVector<ScopeFileCurve> recording()
{
    QVector<ScopeFileCurve> curves;
    for (int k = 0; k < kCurves; ++k) {
        ScopeFileCurve c;
        c.title = QString("J%1 Actual ACS").arg(k % 6 + 1);
        c.binding.axis = k % 6;
        c.binding.linkItem = 2;
        c.binding.unit = "ACS(deg)";
        for (int i = 0; i < kRows; ++i) {
            c.x << i * 1.001;
            c.y << (i % 1000) * 0.37 - k * 11.5;
        }
        curves << c;
    }
    return curves;
}

const QVector<ScopeFileCurve> &curves()
{
    static const QVector<ScopeFileCurve> recorded = recording();
    return recorded;
}

const QByteArray &fileBytes()
{
    static const QByteArray bytes = ScopeFile::toBytes(curves());
    return bytes;
}

QByteArray exportWithQtStream(const QVector<ScopeFileCurve> &curves)
{
    QByteArray bytes;
    QTextStream out(&bytes, QIODevice::WriteOnly);
    out.setCodec("UTF-8");
    out << "time";
    for (const ScopeFileCurve &c : curves)
        out << ',' << ScopeFile::headerField(c.title, c.binding);
    out << '\n';
    for (int row = 0; row < curves.first().x.size(); ++row) {
        out << QString::number(curves.first().x[row], 'f', 3);
        for (const ScopeFileCurve &c : curves)
            out << ',' << QString::number(c.y[row], 'f', 3);
        out << '\n';
    }
    out.flush();
    return bytes;
}

QVector<QVector<double>> importWithQtSplit(const QByteArray &bytes)
{
    const QStringList lines = QString::fromUtf8(bytes).split('\n', Qt::SkipEmptyParts);
    QVector<QVector<double>> columns(lines.first().count(',') + 1);
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(',');
        for (int k = 0; k < fields.size() && k < columns.size(); ++k)
            columns[k] << fields[k].toDouble();
    }
    return columns;
}

void BM_ExportBaseline(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(exportWithQtStream(curves()));
    state.SetBytesProcessed(state.iterations() * fileBytes().size());
}
BENCHMARK(BM_ExportBaseline)->Unit(benchmark::kMillisecond);

void BM_Export(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ScopeFile::toBytes(curves()));
    state.SetBytesProcessed(state.iterations() * fileBytes().size());
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

void BM_ImportBaseline(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(importWithQtSplit(fileBytes()));
    state.SetBytesProcessed(state.iterations() * fileBytes().size());
}
BENCHMARK(BM_ImportBaseline)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ScopeFile::fromBytes(fileBytes()));
    state.SetBytesProcessed(state.iterations() * fileBytes().size());
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

// The console table, then each speed-up against its baseline and the target it has.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            m_perSecond[run.benchmark_name()] = run.counters.at("bytes_per_second");
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printRatio("export", "BM_Export", "BM_ExportBaseline", 3.0);
        printRatio("import", "BM_Import", "BM_ImportBaseline", 4.0);
    }

private:
    void printRatio(const char *what, const std::string &fast, const std::string &base,
                    double target)
    {
        if (!m_perSecond.count(fast) || !m_perSecond.count(base))
            return;
        const double ratio = m_perSecond[fast] / m_perSecond[base];
        std::printf("%s: %.1f MB/s vs %.1f MB/s baseline, %.2fx (target >= %.0fx) %s\n", what,
                    m_perSecond[fast] / 1e6, m_perSecond[base] / 1e6, ratio, target,
                    ratio >= target ? "ok" : "MISSED");
    }

    std::map<std::string, double> m_perSecond;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
