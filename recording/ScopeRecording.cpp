#include "ScopeRecording.h"

#include "ScopeLimits.h"
#include "TypicalStep.h"

#include <algorithm>
#include <cmath>

namespace {

// A step in time longer than this many sample periods is a jump; the period is the median
// of the steps, read at up to kStepsRead places spread over the column.
constexpr double kJumpPeriods = 4.0;
constexpr int kStepsRead = 4097;

QVector<int> timeJumpsIn(const ColumnSnapshot &times)
{
    const double step = typicalStep(times, kStepsRead);
    QVector<int> jumps;
    if (!(step > 0.0))
        return jumps;
    const double longest = kJumpPeriods * step;
    for (int i = 1; i < times.size(); ++i) {
        if (times.at(i) - times.at(i - 1) > longest)
            jumps.append(i);
    }
    return jumps;
}

} // namespace

ScopeRecording ScopeRecording::sampled(const QVector<ScopeFileCurve> &columns,
                                       const ColumnSnapshot &times,
                                       const std::vector<ColumnSnapshot> &slotValues,
                                       const ClockOrigin &clock)
{
    ScopeRecording recording;
    recording.m_controllerOffset = 0.0;
    recording.m_clock = clock;
    if (!times.isEmpty())
        recording.m_timeOrigin = times.at(0);
    for (const ScopeFileCurve &column : columns) {
        const auto slot = static_cast<std::size_t>(column.binding.slot);
        const ColumnSnapshot values =
            slot < slotValues.size() ? slotValues[slot] : ColumnSnapshot();
        recording.append({column.title, column.binding, times, values, false, {}});
    }
    return recording;
}

ScopeRecording ScopeRecording::loaded(ScopeFileContent content, const ScopeFileMeta &meta)
{
    ScopeRecording recording;
    recording.m_bLoaded = true;
    if (meta.firstRowTime && meta.controllerTime)
        recording.m_controllerOffset = *meta.controllerTime - *meta.firstRowTime;
    if (meta.firstRowTime && meta.started.isValid())
        recording.m_clock = ClockOrigin{*meta.firstRowTime, meta.started};
    recording.m_trigger = meta.trigger;
    const ColumnSnapshot times = ColumnSnapshot::fromVector(content.times); // shared by all
    content.times = QVector<double>();
    const QVector<int> jumps = timeJumpsIn(times);
    for (ScopeFileCurve &curve : content.curves) {
        recording.append(
            {curve.title, curve.binding, times, ColumnSnapshot::fromVector(curve.y), false, jumps});
        curve.y = QVector<double>();
    }
    return recording;
}

void ScopeRecording::addCompared(const QVector<ScopeFileCurve> &curves, const QString &label,
                                 const QList<int> &inSlots)
{
    // Curves over the same times share one copy of them, and so what the plot keeps of them.
    const QVector<double> *timesOf = nullptr;
    ColumnSnapshot times;
    QVector<int> jumps;
    for (int k = 0; k < curves.size() && k < inSlots.size(); ++k) {
        const ScopeFileCurve &curve = curves.at(k);
        if (!timesOf || curve.x != *timesOf) {
            timesOf = &curve.x;
            times = ColumnSnapshot::fromVector(curve.x);
            jumps = timeJumpsIn(times);
        }
        CurveBinding binding = curve.binding;
        binding.slot = inSlots.at(k);
        append({QString("%1 (%2)").arg(curve.title, label), binding, times,
                ColumnSnapshot::fromVector(curve.y), true, jumps});
    }
}

void ScopeRecording::append(RecordedCurve curve)
{
    m_titles << curve.title;
    m_curves.push_back(std::move(curve));
}

bool ScopeRecording::hasSamples() const
{
    return std::any_of(m_curves.begin(), m_curves.end(), [](const RecordedCurve &curve) {
        return !curve.times.isEmpty() && !curve.values.isEmpty();
    });
}

double ScopeRecording::shownTimeOf(const RecordedCurve &curve, int index) const
{
    return curve.times.at(index) - (curve.compared ? 0.0 : m_timeOrigin);
}

std::optional<double> ScopeRecording::latestShownTime() const
{
    std::optional<double> latest;
    const ColumnSnapshot *seen = nullptr;
    for (const RecordedCurve &curve : m_curves) {
        if (curve.times.isEmpty() || (seen && curve.times.isSameView(*seen)))
            continue;
        seen = &curve.times;
        const SampleExtremes range = curve.times.extremes(0, curve.times.size());
        if (!range.hasFinite())
            continue;
        const double shown = range.greatest - (curve.compared ? 0.0 : m_timeOrigin);
        latest = latest ? std::max(*latest, shown) : shown;
    }
    return latest;
}

std::optional<double> ScopeRecording::lastTime() const
{
    for (const RecordedCurve &curve : m_curves) {
        if (!curve.compared && !curve.times.isEmpty())
            return curve.times.at(curve.times.size() - 1);
    }
    return std::nullopt;
}

std::optional<double> ScopeRecording::triggerTime() const
{
    if (!m_trigger || !m_controllerOffset)
        return std::nullopt;
    return m_trigger->instant - *m_controllerOffset;
}

int ScopeRecording::fileRowCount() const
{
    int rows = 0;
    for (const RecordedCurve &curve : m_curves)
        rows = std::max(rows, std::min(curve.times.size(), curve.values.size()));
    return rows;
}

QVector<ScopeFileCurve> ScopeRecording::fileCurves() const
{
    return fileCurves(0, fileRowCount());
}

QVector<ScopeFileCurve> ScopeRecording::fileCurves(int first, int last) const
{
    QVector<ScopeFileCurve> curves;
    // Curves over the same times export one shared copy of them: an hour of 36 channels
    // would otherwise take as much memory again as its values.
    const RecordedCurve *timesOf = nullptr;
    QVector<double> times;
    for (const RecordedCurve &recorded : m_curves) {
        const int end = std::min({recorded.times.size(), recorded.values.size(), last});
        const int count = std::max(0, end - first);
        ScopeFileCurve curve{recorded.title, recorded.binding, {}, QVector<double>(count)};
        for (int i = 0; i < count; ++i)
            curve.y[i] = recorded.values.at(first + i);
        if (!timesOf || !recorded.times.isSameView(timesOf->times) ||
            recorded.compared != timesOf->compared || times.size() != count) {
            timesOf = &recorded;
            times.resize(count);
            for (int i = 0; i < count; ++i)
                times[i] = shownTimeOf(recorded, first + i);
        }
        curve.x = times;
        curves << curve;
    }
    return curves;
}

// Where the exported first row lay on the controller's clock and the wall clock, as far as
// either is known, and the trigger a shown capture was cut by.
ScopeFileMeta ScopeRecording::fileMeta(bool exactValues) const
{
    ScopeFileMeta meta;
    meta.exactValues = exactValues;
    meta.trigger = m_trigger;
    for (const RecordedCurve &curve : m_curves)
        meta.channels.append({curve.title, curve.binding.unit});
    if (m_curves.empty() || m_curves.front().times.isEmpty())
        return meta;
    const RecordedCurve &first = m_curves.front();
    const double firstTime = first.times.at(0);
    meta.firstRowTime = shownTimeOf(first, 0);
    if (first.compared)
        return meta;
    if (m_controllerOffset)
        meta.controllerTime = firstTime + *m_controllerOffset;
    meta.started = m_clock.wallClockAt(firstTime);
    return meta;
}
