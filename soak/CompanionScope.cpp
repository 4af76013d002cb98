#include "CompanionScope.h"

#include "QwtScope.h"
#include "ScopeChannel.h"
#include "TarnPlugin_Scope.h"
#include "TarnSim.h"

#include <QSignalSpy>

#include <cmath>

namespace {

constexpr int kPeriodMs = 10000;
// Long enough for the reads a start drops and a few more: the recording must hold some.
constexpr qint64 kSamplingThatRecordsMs = 1000;
// A scope drops the reads under way while it subscribes and the first one after.
constexpr std::size_t kReadsDroppedAfterSubscribing = 2;

QStringList jointChannels(int set)
{
    QStringList titles;
    for (int joint = 1; joint <= 6; ++joint) {
        titles << QString("J%1 Target ACS").arg(joint);
        if (set == 1)
            titles << QString("J%1 Actual ACS").arg(joint);
    }
    return titles;
}

} // namespace

CompanionScope::CompanionScope(const QString &name, int set, std::function<void()> collect,
                               const DeliveredReads &delivered)
    : m_scope(std::make_unique<TarnPlugin_Scope>()), m_set(set), m_collect(std::move(collect)),
      m_delivered(delivered)
{
    qRegisterMetaType<TarnPlugin_Scope::EndReason>();
    m_scope->setWindowTitle(name);
    m_scope->resize(800, 480);
    m_scope->show();
    m_scope->setPeriod(kPeriodMs);
    m_scope->setChannels(jointChannels(m_set));
}

CompanionScope::~CompanionScope() = default;

QString CompanionScope::name() const
{
    return m_scope->windowTitle();
}

bool CompanionScope::isSampling() const
{
    return m_scope->isSampling();
}

std::vector<int> CompanionScope::indexes() const
{
    const QwtScope *plot = m_scope->findChild<QwtScope *>();
    std::vector<int> indexes;
    for (int slot = 0; slot < m_scope->channels().size(); ++slot)
        indexes.push_back(plot->curveBinding(slot).scopeIndex);
    return indexes;
}

QString CompanionScope::chooseOtherSet(bool fits)
{
    const QStringList before = m_scope->channels();
    QString error;
    bool taken = false;
    noteSubscribing([&] { taken = m_scope->setChannels(jointChannels(1 - m_set), &error); });
    const QString what =
        QString("%1 sampling %2 channels, re-chosen ").arg(name()).arg(before.size());
    if (!isSampling() || fits) {
        if (!taken)
            return what + "and refused: " + error;
        m_set = 1 - m_set;
        m_sampling.start(); // its recording starts over
        ++m_figures.rechosen;
        return QString();
    }
    ++m_figures.refusedSetups;
    if (taken || !error.contains("other scopes use") || m_scope->channels() != before)
        return what + "and not refused beside the other scopes: " + error;
    return QString();
}

std::vector<int> CompanionScope::otherSetIndexes() const
{
    const QStringList titles = jointChannels(1 - m_set);
    std::vector<int> indexes(static_cast<std::size_t>(titles.size()), 0);
    for (const OfferedChannel &offered : offeredChannels()) {
        const int at = titles.indexOf(offered.channel.title);
        if (at >= 0)
            indexes[static_cast<std::size_t>(at)] = offered.channel.binding.scopeIndex;
    }
    return indexes;
}

QString CompanionScope::start(bool fits)
{
    QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
    QSignalSpy ended(m_scope.get(), &TarnPlugin_Scope::recordingEnded);
    noteSubscribing([this] { m_scope->start(); });
    QString said;
    for (const QList<QVariant> &error : errors)
        said += error.first().toString() + " ";
    const QString what = QString("%1 with %2 channels ").arg(name()).arg(indexes().size());
    if (fits) {
        m_sampling.start();
        return isSampling() ? QString() : what + "did not start: " + said;
    }
    ++m_figures.refusedStarts;
    const bool refused = !isSampling() && !ended.isEmpty() &&
                         ended.last().first().value<TarnPlugin_Scope::EndReason>() ==
                             TarnPlugin_Scope::SetupRefused &&
                         said.contains("other scopes use");
    return refused ? QString() : what + "was not refused beside the other scopes: " + said;
}

// The reads delivered while the scope subscribes, and the first after, may be missing from
// its recording's start.
void CompanionScope::noteSubscribing(const std::function<void()> &action)
{
    m_collect();
    action();
    m_collect();
    m_latestFirstRead = m_delivered.reads() + kReadsDroppedAfterSubscribing;
}

QString CompanionScope::stopAndCheck()
{
    m_collect();
    const std::size_t readsBeforeStop = m_delivered.reads();
    m_scope->stop();
    m_collect(); // a read delivered before the stop may not have been collected yet
    ++m_figures.checks;
    return checkRecording(readsBeforeStop);
}

// The records before the first one are rightly missing: before it subscribed, outside the
// window, or dropped with a gap record that left the window.
QString CompanionScope::checkWindowStart(std::size_t first, double newest) const
{
    const DeliveredReads &reads = m_delivered;
    const std::vector<double> &d = reads.times();
    if (newest - d[first] > kPeriodMs)
        return QString("its oldest record %1 lies outside the window ending at %2")
            .arg(d[first])
            .arg(newest);
    if (first == 0 || newest - d[first - 1] > kPeriodMs)
        return QString();
    if (reads.isReadStart(first)) {
        const std::size_t read = reads.readOf(first);
        if (read <= m_latestFirstRead)
            return QString();
        if (reads.mayHaveCarriedList(read - 1) && newest - d[reads.startOf(read - 1)] > kPeriodMs)
            return QString();
    }
    return QString("record %1, inside the window ending at %2, is missing")
        .arg(d[first - 1])
        .arg(newest);
}

QString CompanionScope::checkRecording(std::size_t readsBeforeStop)
{
    const DeliveredReads &delivered = m_delivered;
    const QList<TarnScopeCurveData> curves = m_scope->recordedCurves();
    const QString what = QString("%1 with %2 channels, sampled %3 ms: ")
                             .arg(name())
                             .arg(curves.size())
                             .arg(m_sampling.elapsed());
    const bool shouldHoldRecords = m_sampling.elapsed() > kSamplingThatRecordsMs;
    if (curves.isEmpty() || curves.first().times.isEmpty())
        return shouldHoldRecords ? what + "no records" : QString();
    const QwtScope *plot = m_scope->findChild<QwtScope *>();
    const QVector<double> &times = curves.first().times;
    const std::vector<double> &d = delivered.times();
    std::size_t at = delivered.find(times.first() + plot->timeOrigin());
    if (at == DeliveredReads::npos)
        return what + QString("its first record at %1 was never delivered")
                          .arg(times.first() + plot->timeOrigin());
    const QString start = checkWindowStart(at, times.last() + plot->timeOrigin());
    if (!start.isEmpty())
        return what + start;
    for (int i = 0; i < times.size(); ++i) {
        const double time = times[i] + plot->timeOrigin();
        if (at >= d.size() || d[at] != time)
            return what + QString("record %1 at %2, where the delivered run goes on at %3")
                              .arg(i)
                              .arg(time)
                              .arg(at < d.size() ? QString::number(d[at]) : QString("nothing"));
        const bool isGap = std::isnan(curves.first().values[i]);
        for (int slot = 0; slot < curves.size(); ++slot) {
            const double value = curves[slot].values[i];
            const int index = plot->curveBinding(slot).scopeIndex;
            if (curves[slot].times[i] != times[i] ||
                (isGap ? !std::isnan(value) : value != TarnSim::sampleValue(index, time)))
                return what + QString("%1 at %2 shows %3 (%4)")
                                  .arg(curves[slot].title)
                                  .arg(time)
                                  .arg(value)
                                  .arg(isGap ? QString("in a gap record")
                                             : QString("the controller gave %1")
                                                   .arg(TarnSim::sampleValue(index, time)));
        }
        m_figures.gaps += isGap ? 1 : 0;
        if (i + 1 < times.size())
            at = delivered.nextInRun(at, isGap);
        if (at == DeliveredReads::npos)
            return what + QString("a gap record at %1, where no read dropped for a rebuilt "
                                  "controller list began")
                              .arg(time);
    }
    m_figures.records += static_cast<uint64_t>(times.size());
    // Only the read under way at the stop may be missing.
    if (shouldHoldRecords && delivered.readOf(at) + 2 < readsBeforeStop)
        return what + QString("the recording ends at %1, %2 reads before the stop")
                          .arg(d[at])
                          .arg(readsBeforeStop - delivered.readOf(at));
    return QString();
}
