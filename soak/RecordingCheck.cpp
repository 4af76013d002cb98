#include "RecordingCheck.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kValueChecksPerCurve = 500;
// The scope drops the reads that began before it subscribed and the first one after, which
// may reach back before it: with one read under way meanwhile, the first two reads.
constexpr std::size_t kReadsTheScopeMayDrop = 2;

// The reads whose last record (or, for a run that ends in a gap, first) may end the shown
// run: the last one, or one of those the scope may have missed at the stop; a capture closed
// by a trigger may end with any.
std::vector<std::size_t> candidateEndReads(const RecordingLog &log, const RecordingRules &rules)
{
    const std::size_t reads = log.reads().reads();
    std::vector<std::size_t> ends;
    const std::size_t count = rules.capture == RecordingRules::Capture::UntilTrigger
                                  ? reads
                                  : std::min(reads, rules.lastReadsMayMiss + 1);
    for (std::size_t k = 0; k < count; ++k)
        ends.push_back(reads - 1 - k);
    return ends;
}

// Capture starts with one of the first reads, those the scope may drop aside. A trigger
// opens capture at the start of any read.
bool isCaptureStart(const RecordingLog &log, const RecordingRules &rules, std::size_t record)
{
    const DeliveredReads &reads = log.reads();
    if (!reads.isReadStart(record))
        return false;
    return rules.capture == RecordingRules::Capture::FromTrigger ||
           reads.readOf(record) <= log.readsTheScopeMayDrop();
}

// Whether the delivered records before the run's first are rightly not on the curves: they
// left the window, or with the gap record of the read dropped before it.
bool startsRightly(const RecordingLog &log, const RecordingRules &rules, std::size_t first,
                   double newest)
{
    const DeliveredReads &reads = log.reads();
    const std::vector<double> &d = reads.times();
    if (isCaptureStart(log, rules, first) || newest - d[first - 1] > rules.windowMin)
        return true;
    if (!reads.isReadStart(first))
        return false;
    const std::size_t before = reads.readOf(first) - 1;
    return reads.mayHaveCarriedList(before) && newest - d[reads.startOf(before)] > rules.windowMin;
}

QString checkValues(const std::vector<CurveSamples> &curves, int k, double t, bool isGap,
                    const std::function<double(int, double)> &sample)
{
    for (const CurveSamples &curve : curves) {
        if (isGap && !std::isnan(curve.y[k]))
            return QString("the gap record at time %1 holds %2 for index %3")
                .arg(t)
                .arg(curve.y[k])
                .arg(curve.scopeIndex);
        if (!isGap && curve.y[k] != sample(curve.scopeIndex, t))
            return QString("index %1 at time %2 shows %3, the controller gave %4")
                .arg(curve.scopeIndex)
                .arg(t)
                .arg(curve.y[k])
                .arg(sample(curve.scopeIndex, t));
    }
    return QString();
}

// Checks the run of records on the curves that ends at delivered record `end`; on success
// `first` is where it begins.
QString checkRun(const RecordingLog &log, const RecordingRules &rules, std::size_t end,
                 const std::vector<CurveSamples> &curves,
                 const std::function<double(int, double)> &sample, std::size_t &first,
                 std::size_t &gaps)
{
    const DeliveredReads &reads = log.reads();
    const std::vector<double> &d = reads.times();
    const QVector<double> &x = curves.front().x;
    const QVector<double> &y = curves.front().y;
    const double newest = d[end];
    first = reads.find(newest - x.back());
    if (first == DeliveredReads::npos || first > end)
        return QString("no record was delivered %1 ms before %2").arg(x.back()).arg(newest);
    if (x.back() > rules.windowMax)
        return QString("oldest sample %1 lies outside the window ending at %2")
            .arg(d[first])
            .arg(newest);
    if (!startsRightly(log, rules, first, newest))
        return QString("record %1, inside the window ending at %2, is missing")
            .arg(d[first - 1])
            .arg(newest);
    const int step = std::max(1, x.size() / static_cast<int>(kValueChecksPerCurve));
    gaps = 0;
    std::size_t at = first;
    for (int k = 0; k < x.size(); ++k) {
        if (at >= d.size() || x[k] != d[at] - d[first])
            return QString("sample %1 has relative time %2, delivered was %3")
                .arg(k)
                .arg(x[k])
                .arg(at < d.size() ? QString::number(d[at] - d[first]) : QString("nothing"));
        const bool isGap = std::isnan(y[k]);
        gaps += isGap ? 1 : 0;
        if (isGap || k % step == 0 || k == x.size() - 1) {
            const QString error = checkValues(curves, k, d[at], isGap, sample);
            if (!error.isEmpty())
                return error;
        }
        at = reads.nextInRun(at, isGap);
        if (at == DeliveredReads::npos)
            return QString("a gap record at time %1, where no read dropped for a rebuilt "
                           "controller list began")
                .arg(d[first] + x[k]);
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
    m_reads.clear();
    m_mayDrop = kReadsTheScopeMayDrop;
}

void RecordingLog::addRead(const DeliveredRead &read)
{
    m_reads.add(read);
}

void RecordingLog::noteSubscribed()
{
    m_mayDrop = m_reads.reads() + kReadsTheScopeMayDrop;
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
    const std::size_t reads = log.reads().reads();
    if (n == 0) {
        const bool mayBeEmpty = rules.capture != RecordingRules::Capture::Always ||
                                reads <= log.readsTheScopeMayDrop() + rules.lastReadsMayMiss;
        if (!mayBeEmpty)
            verdict.error = QString("no samples shown, %1 delivered").arg(log.times().size());
        verdict.lastBatchMissed = rules.lastReadsMayMiss > 0 && !log.isEmpty() &&
                                  rules.capture == RecordingRules::Capture::Always;
        return verdict;
    }
    if (log.isEmpty()) {
        verdict.error = QString("%1 samples shown, none delivered").arg(n);
        return verdict;
    }
    const bool endsInGap = std::isnan(curves.front().y.back());
    for (std::size_t read : candidateEndReads(log, rules)) {
        const std::size_t end = endsInGap ? log.reads().startOf(read) : log.reads().endOf(read) - 1;
        std::size_t first = 0;
        std::size_t gaps = 0;
        const QString error = checkRun(log, rules, end, curves, sample, first, gaps);
        if (error.isEmpty()) {
            const std::vector<double> &d = log.times();
            verdict.error.clear();
            verdict.gaps = gaps;
            verdict.startsWithGap = std::isnan(curves.front().y.front());
            verdict.lastBatchMissed =
                read + 1 < reads && rules.capture != RecordingRules::Capture::UntilTrigger;
            verdict.firstBatchDropped = first != 0 &&
                                        rules.capture != RecordingRules::Capture::FromTrigger &&
                                        !(d[end] - d[first - 1] > rules.windowMin);
            return verdict;
        }
        if (verdict.error.isEmpty())
            verdict.error = error;
    }
    verdict.error += locate(log, curves, sample);
    return verdict;
}
