#include "RecordingCheck.h"

#include <algorithm>

namespace {

constexpr std::size_t kValueChecksPerCurve = 500;
// The scope drops the reads that began before it sent an index list and the first one
// after, which may reach back before the list: with one read under way meanwhile, the
// first two batches delivered under a new list.
constexpr std::size_t kBatchesTheScopeMayDrop = 2;

struct Span
{
    std::size_t first = 0;
    std::size_t last = 0;
};

std::size_t batchEnd(const RecordingLog &log, std::size_t batch)
{
    const auto &starts = log.batchStarts();
    return (batch + 1 < starts.size() ? starts[batch + 1] : log.times().size()) - 1;
}

// Where the shown run may end: the last record delivered, or (capture closed by a
// trigger) the end of any batch; a batch read while the widget stopped itself may be
// missing.
std::vector<std::size_t> candidateEnds(const RecordingLog &log, const RecordingRules &rules)
{
    const std::size_t batches = log.batchStarts().size();
    std::vector<std::size_t> ends;
    if (rules.capture == RecordingRules::Capture::UntilTrigger) {
        for (std::size_t b = batches; b-- > 0;)
            ends.push_back(batchEnd(log, b));
        return ends;
    }
    ends.push_back(batchEnd(log, batches - 1));
    if (rules.lastBatchMayMiss && batches > 1)
        ends.push_back(batchEnd(log, batches - 2));
    return ends;
}

// Capture starts with one of the first batches read under the new index list, those the
// scope may drop aside. A trigger opens capture at the start of any batch.
bool isCaptureStart(const RecordingLog &log, const RecordingRules &rules, std::size_t i)
{
    const auto &starts = log.batchStarts();
    if (rules.capture == RecordingRules::Capture::FromTrigger)
        return std::binary_search(starts.begin(), starts.end(), i);
    const auto candidates =
        starts.begin() +
        static_cast<std::ptrdiff_t>(std::min(starts.size(), kBatchesTheScopeMayDrop + 1));
    return std::find(starts.begin(), candidates, i) != candidates;
}

QString checkSpan(const RecordingLog &log, const RecordingRules &rules, const Span &span,
                  const std::vector<CurveSamples> &curves,
                  const std::function<double(int, double)> &sample)
{
    const std::vector<double> &d = log.times();
    const double newest = d[span.last];
    if (newest - d[span.first] > rules.windowMax)
        return QString("oldest sample %1 lies outside the window ending at %2")
            .arg(d[span.first])
            .arg(newest);
    if (!isCaptureStart(log, rules, span.first) && !(newest - d[span.first - 1] > rules.windowMin))
        return QString("record %1, inside the window ending at %2, is missing")
            .arg(d[span.first - 1])
            .arg(newest);
    const QVector<double> &x = curves.front().x;
    for (int k = 0; k < x.size(); ++k) {
        if (x[k] != d[span.first + static_cast<std::size_t>(k)] - d[span.first])
            return QString("sample %1 has relative time %2, delivered was %3")
                .arg(k)
                .arg(x[k])
                .arg(d[span.first + static_cast<std::size_t>(k)] - d[span.first]);
    }
    const int step = std::max(1, x.size() / static_cast<int>(kValueChecksPerCurve));
    std::vector<int> positions;
    for (int k = 0; k < x.size(); k += step)
        positions.push_back(k);
    positions.push_back(x.size() - 1);
    for (const CurveSamples &curve : curves) {
        for (int k : positions) {
            const double t = d[span.first + static_cast<std::size_t>(k)];
            if (curve.y[k] != sample(curve.scopeIndex, t))
                return QString("index %1 at time %2 shows %3, the controller gave %4")
                    .arg(curve.scopeIndex)
                    .arg(t)
                    .arg(curve.y[k])
                    .arg(sample(curve.scopeIndex, t));
        }
    }
    return QString();
}

// For a failure report: where in the delivered records the curves' values actually sit.
QString locate(const RecordingLog &log, const std::vector<CurveSamples> &curves,
               const std::function<double(int, double)> &sample)
{
    const std::vector<double> &d = log.times();
    const auto n = static_cast<std::size_t>(curves.front().x.size());
    auto matches = [&](std::size_t i) {
        return std::all_of(curves.begin(), curves.end(), [&](const CurveSamples &c) {
            return c.y.front() == sample(c.scopeIndex, d[i]) &&
                   c.y.back() == sample(c.scopeIndex, d[i + n - 1]);
        });
    };
    for (std::size_t i = 0; i + n <= d.size(); ++i) {
        if (matches(i))
            return QString(" (the values match delivered records %1..%2 of %3..%4)")
                .arg(d[i])
                .arg(d[i + n - 1])
                .arg(d.front())
                .arg(d.back());
    }
    return QString(" (the values match no run of delivered records %1..%2)")
        .arg(d.front())
        .arg(d.back());
}

QString checkShape(const std::vector<CurveSamples> &curves)
{
    for (const CurveSamples &curve : curves) {
        if (curve.x != curves.front().x || curve.y.size() != curve.x.size())
            return QString("the curve of index %1 does not share the time column")
                .arg(curve.scopeIndex);
    }
    return QString();
}

} // namespace

void RecordingLog::clear()
{
    m_times.clear();
    m_batchStarts.clear();
}

void RecordingLog::addBatch(const std::vector<double> &times)
{
    if (times.empty())
        return;
    m_batchStarts.push_back(m_times.size());
    m_times.insert(m_times.end(), times.begin(), times.end());
}

RecordingVerdict checkRecording(const RecordingLog &log, const RecordingRules &rules,
                                const std::vector<CurveSamples> &curves,
                                const std::function<double(int, double)> &sample)
{
    RecordingVerdict verdict;
    const int n = curves.empty() ? 0 : curves.front().x.size();
    verdict.samples = static_cast<std::size_t>(n);
    verdict.error = checkShape(curves);
    if (!verdict.error.isEmpty())
        return verdict;
    if (n == 0) {
        const std::size_t mayMiss = kBatchesTheScopeMayDrop + (rules.lastBatchMayMiss ? 1 : 0);
        const bool mayBeEmpty =
            rules.capture != RecordingRules::Capture::Always || log.batchStarts().size() <= mayMiss;
        if (!mayBeEmpty)
            verdict.error = QString("no samples shown, %1 delivered").arg(log.times().size());
        verdict.lastBatchMissed = rules.lastBatchMayMiss && !log.isEmpty() &&
                                  rules.capture == RecordingRules::Capture::Always;
        return verdict;
    }
    if (log.isEmpty()) {
        verdict.error = QString("%1 samples shown, none delivered").arg(n);
        return verdict;
    }
    const std::vector<std::size_t> ends = candidateEnds(log, rules);
    for (std::size_t end : ends) {
        if (end + 1 < static_cast<std::size_t>(n))
            continue;
        const Span span{end + 1 - static_cast<std::size_t>(n), end};
        const QString error = checkSpan(log, rules, span, curves, sample);
        if (error.isEmpty()) {
            verdict.error.clear();
            verdict.lastBatchMissed = end != log.times().size() - 1 &&
                                      rules.capture != RecordingRules::Capture::UntilTrigger;
            verdict.firstBatchDropped =
                span.first != log.batchStarts()[0] &&
                rules.capture != RecordingRules::Capture::FromTrigger &&
                !(log.times()[end] - log.times()[span.first - 1] > rules.windowMin);
            return verdict;
        }
        if (verdict.error.isEmpty())
            verdict.error = error;
    }
    if (verdict.error.isEmpty())
        verdict.error =
            QString("%1 samples shown, only %2 delivered").arg(n).arg(log.times().size());
    verdict.error += locate(log, curves, sample);
    return verdict;
}
