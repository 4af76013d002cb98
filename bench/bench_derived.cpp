// Derived channels beside sampling: 36 following-error channels over one second of 1 kHz
// records, record by record as acquisition evaluates them and column by column as a loaded
// recording is, against copying the same 36 input columns. The share of a core that one
// second of sampling costs is printed after the table.
#include "DerivedExpression.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 36;
constexpr int kRecordsPerSecond = 1000;

QStringList channelTitles()
{
    QStringList titles;
    for (int k = 0; k < kChannels; ++k)
        titles << QString("J%1 %2 ACS %3").arg(k % 6 + 1).arg(k % 2 ? "Actual" : "Target").arg(k);
    return titles;
}

// Derived channel k: the difference of two recorded channels, as a following error is.
std::vector<DerivedExpression> followingErrors()
{
    const QStringList titles = channelTitles();
    std::vector<DerivedExpression> expressions;
    for (int k = 0; k < kChannels; ++k) {
        const QString text = QString("\"%1\" - \"%2\"").arg(titles[k], titles[(k + 1) % kChannels]);
        expressions.push_back(*DerivedExpression::compile(text, titles));
    }
    return expressions;
}

double sampleValue(int record, int channel)
{
    return record * 0.001 + channel;
}

// Records as acquisition holds them: one row of all channels per record.
std::vector<double> records()
{
    std::vector<double> values;
    for (int record = 0; record < kRecordsPerSecond; ++record) {
        for (int channel = 0; channel < kChannels; ++channel)
            values.push_back(sampleValue(record, channel));
    }
    return values;
}

std::vector<std::vector<double>> columns()
{
    std::vector<std::vector<double>> values(kChannels);
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int record = 0; record < kRecordsPerSecond; ++record)
            values[channel].push_back(sampleValue(record, channel));
    }
    return values;
}

void countRecords(benchmark::State &state)
{
    state.counters["records_per_second"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kRecordsPerSecond, benchmark::Counter::kIsRate);
}

void BM_CopyColumnsBaseline(benchmark::State &state)
{
    const std::vector<std::vector<double>> in = columns();
    std::vector<std::vector<double>> out(kChannels, std::vector<double>(kRecordsPerSecond));
    for (auto _ : state) {
        for (int channel = 0; channel < kChannels; ++channel)
            std::copy(in[channel].begin(), in[channel].end(), out[channel].begin());
        benchmark::ClobberMemory();
    }
    countRecords(state);
}
BENCHMARK(BM_CopyColumnsBaseline);

void BM_DerivedByRecord(benchmark::State &state)
{
    const std::vector<DerivedExpression> expressions = followingErrors();
    const std::vector<double> in = records();
    std::vector<double> out(in.size());
    for (auto _ : state) {
        for (std::size_t row = 0; row < in.size(); row += kChannels) {
            for (int k = 0; k < kChannels; ++k)
                out[row + k] = expressions[k].evaluate(&in[row]);
        }
        benchmark::ClobberMemory();
    }
    countRecords(state);
}
BENCHMARK(BM_DerivedByRecord);

void BM_DerivedByColumn(benchmark::State &state)
{
    const std::vector<DerivedExpression> expressions = followingErrors();
    const std::vector<std::vector<double>> in = columns();
    std::vector<const double *> inputs;
    for (const std::vector<double> &column : in)
        inputs.push_back(column.data());
    std::vector<std::vector<double>> out(kChannels, std::vector<double>(kRecordsPerSecond));
    for (auto _ : state) {
        for (int k = 0; k < kChannels; ++k)
            expressions[k].evaluate(inputs, kRecordsPerSecond, out[k].data());
        benchmark::ClobberMemory();
    }
    countRecords(state);
}
BENCHMARK(BM_DerivedByColumn);

// The console table, then for each form the share of one core that a second of 1 kHz
// sampling costs and how many times the baseline copy that is.
class CoreShareReporter : public benchmark::ConsoleReporter
{
public:
    CoreShareReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            m_perSecond[run.benchmark_name()] = run.counters.at("records_per_second");
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printShare("by record", "BM_DerivedByRecord");
        printShare("by column", "BM_DerivedByColumn");
    }

private:
    void printShare(const char *what, const std::string &name)
    {
        const std::string base = "BM_CopyColumnsBaseline";
        if (!m_perSecond.count(name) || !m_perSecond.count(base))
            return;
        std::printf("%d derived channels %s: %.3f%% of a core per second of 1 kHz sampling; "
                    "copying their inputs takes %.4f%%, %.0fx less\n",
                    kChannels, what, 100.0 * kRecordsPerSecond / m_perSecond[name],
                    100.0 * kRecordsPerSecond / m_perSecond[base],
                    m_perSecond[base] / m_perSecond[name]);
    }

    std::map<std::string, double> m_perSecond;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    CoreShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
