#include "ControllerLink.h"

#include "ControllerLibrary.h"
#include "DataCollector.h"
#include "LinkSubscriber.h"
#include "ScopeCatalog.h"
#include "ScopeLimits.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

// A cycle's own work is done in far less; this only bounds a thread that never ends.
constexpr int kShutdownPolls = 1000;
constexpr int kErrorFlag = 2; // position of the robot's error flag among the eight
constexpr auto kFlagsPeriod = std::chrono::milliseconds(250);

std::mutex &linkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::weak_ptr<ControllerLink> &processLink()
{
    static std::weak_ptr<ControllerLink> link;
    return link;
}

bool isCarried(const std::vector<int> &list, int index)
{
    return std::find(list.begin(), list.end(), index) != list.end();
}

// The channels a list asks the controller for: those with data, each once.
void addChannels(std::vector<int> &into, const std::vector<int> &indexes)
{
    for (int index : indexes) {
        if (ScopeCatalog::carriesData(index) && !isCarried(into, index))
            into.push_back(index);
    }
}

// Where the claim on a controller library lives: one file per library, in the user's
// runtime folder (the temporary folder where there is none).
QString claimPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray library = ControllerLibrary::path().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(library, QCryptographicHash::Sha1).toHex();
    return QDir(folder).filePath(
        QStringLiteral("tarnscope-controller-%1.lock").arg(QString::fromLatin1(hash.left(16))));
}

} // namespace

std::shared_ptr<ControllerLink> ControllerLink::acquire(QString *error)
{
    std::lock_guard<std::mutex> guard(linkMutex());
    if (std::shared_ptr<ControllerLink> link = processLink().lock())
        return link;
    if (!ControllerLibrary::isLoaded()) {
        if (error)
            *error = QCoreApplication::translate("ControllerLink", "No controller library (%1)")
                         .arg(ControllerLibrary::loadError());
        return nullptr;
    }
    std::shared_ptr<ControllerLink> link(new ControllerLink);
    if (!link->claimController(error))
        return nullptr;
    link->m_pCollector->start(QThread::InheritPriority);
    processLink() = link;
    return link;
}

ControllerLink::ControllerLink()
    : m_lastData(Clock::now().time_since_epoch().count()),
      m_pCollector(std::make_unique<DataCollector>(static_cast<ScopeReadClient *>(this), nullptr))
{
    DataCollector::reapAbandoned();
}

ControllerLink::~ControllerLink()
{
    shutDownCollector();
}

// Two processes sampling one controller would take each other's records and index lists.
bool ControllerLink::claimController(QString *error)
{
    m_claim = std::make_unique<QLockFile>(claimPath());
    m_claim->setStaleLockTime(0); // a claim is stale only when its process is gone
    if (m_claim->tryLock(0))
        return true;
    qint64 pid = 0;
    QString host;
    QString application;
    m_claim->getLockInfo(&pid, &host, &application);
    if (error) {
        *error = m_claim->error() == QLockFile::LockFailedError
                     ? QCoreApplication::translate(
                           "ControllerLink",
                           "Another process (id %1, %2) samples the controller through %3; "
                           "one process at a time can")
                           .arg(pid)
                           .arg(application, ControllerLibrary::path())
                     : QCoreApplication::translate("ControllerLink",
                                                   "Cannot claim the controller: %1 cannot be "
                                                   "written")
                           .arg(claimPath());
    }
    return false;
}

// Waits for the thread to end its cycle, which without the controller takes our own code
// only; one inside a controller call is abandoned rather than waited for, and can no longer
// call back into this link.
void ControllerLink::shutDownCollector()
{
    m_pCollector->stop();
    m_pCollector->quit();
    bool finished = m_pCollector->hasFinished();
    for (int polls = 0; !finished && polls < kShutdownPolls; ++polls) {
        if (m_pCollector->isCallingController())
            break;
        QThread::msleep(1);
        finished = m_pCollector->hasFinished();
    }
    if (finished)
        m_pCollector.reset();
    else
        m_pCollector.release()->abandon();
}

// ---- GUI threads -------------------------------------------------------------------

bool ControllerLink::fits(const LinkSubscriber *subscriber, const std::vector<int> &indexes,
                          QString *error) const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<int> others;
    for (const Subscription &sub : m_subs) {
        if (sub.sink != subscriber && !sub.refused)
            addChannels(others, sub.indexes);
    }
    const std::size_t used = others.size();
    addChannels(others, indexes);
    if (others.size() <= std::size_t(ScopeLimits::kMaxChannels))
        return true;
    if (error)
        *error = QCoreApplication::translate(
                     "ControllerLink",
                     "The controller records at most %1 channels for all scopes together: the "
                     "other scopes use %2, and these channels need %3 more")
                     .arg(ScopeLimits::kMaxChannels)
                     .arg(used)
                     .arg(others.size() - used);
    return false;
}

bool ControllerLink::subscribe(LinkSubscriber *subscriber, const std::vector<int> &indexes,
                               unsigned generation, QString *error)
{
    if (!fits(subscriber, indexes, error))
        return false;
    std::lock_guard<std::mutex> guard(m_mutex);
    Subscription *sub = find(subscriber);
    if (!sub) {
        m_subs.push_back(Subscription{subscriber, {}, 0, false, false, {}});
        sub = &m_subs.back();
    }
    sub->indexes = indexes;
    sub->generation = generation;
    sub->confirmed = false;
    sub->refused = false;
    sub->positions.clear();
    return true;
}

void ControllerLink::unsubscribe(LinkSubscriber *subscriber)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_subs.erase(
        std::remove_if(m_subs.begin(), m_subs.end(),
                       [subscriber](const Subscription &sub) { return sub.sink == subscriber; }),
        m_subs.end());
}

ControllerLink::Subscription *ControllerLink::find(const LinkSubscriber *subscriber)
{
    for (Subscription &sub : m_subs) {
        if (sub.sink == subscriber)
            return &sub;
    }
    return nullptr;
}

LinkHealth ControllerLink::health() const
{
    const Clock::time_point lastData{Clock::duration(m_lastData.load())};
    return LinkHealth{Clock::now() - lastData, m_failureCode.load()};
}

RobotFlagsReading ControllerLink::robotFlags() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_flags;
}

std::vector<int> ControllerLink::indexList() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_list;
}

// ---- acquisition thread ------------------------------------------------------------

bool ControllerLink::beginReadStep(ControllerRequest &request)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_subs.empty())
        return false;
    request.indexList = plannedList();
    const Clock::time_point now = Clock::now();
    if (now - m_lastFlagsRead >= kFlagsPeriod) {
        request.readRobotFlags = true;
        m_lastFlagsRead = now;
    }
    return true;
}

// The list the controller is to get before this read, if it needs another.
std::optional<std::vector<int>> ControllerLink::plannedList()
{
    std::vector<Subscription *> waiting;
    for (Subscription &sub : m_subs) {
        if (!sub.confirmed && !sub.refused)
            waiting.push_back(&sub);
    }
    if (waiting.empty())
        return std::nullopt;
    if (m_subs.size() == 1) {
        m_sending = ListChange::Exact;
        return waiting.front()->indexes;
    }
    std::vector<int> list = m_list;
    for (const Subscription *sub : waiting)
        addChannels(list, sub->indexes);
    if (list == m_list)
        return std::nullopt;
    if (list.size() <= std::size_t(ScopeLimits::kMaxChannels)) {
        m_sending = ListChange::Grow;
        return list;
    }
    // Compacted: what the confirmed subscribers use, in its places' order, then the rest.
    list.clear();
    for (int index : m_list) {
        for (const Subscription &sub : m_subs) {
            if (sub.confirmed && isCarried(sub.indexes, index) && !isCarried(list, index))
                list.push_back(index);
        }
    }
    for (const Subscription &sub : m_subs) {
        if (!sub.refused)
            addChannels(list, sub.indexes);
    }
    m_sending = ListChange::Rebuild;
    return list;
}

void ControllerLink::finishReadStep(const ControllerRequest &request,
                                    const ControllerAnswer &answer)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<bool> dropped(m_subs.size(), false);
    if (request.indexList)
        noteListAnswer(*request.indexList, answer.indexListResult, dropped);
    // A rebuilt list cost the running recordings this read; one that begins now lost nothing.
    const std::vector<bool> gap = dropped;
    confirmWaiting(dropped);
    noteFlags(answer);
    if (answer.readResult != 0) {
        m_failureCode = answer.readResult;
        return;
    }
    m_failureCode = 0;
    m_lastData = Clock::now().time_since_epoch().count();
    deliverRead(answer, dropped, gap);
}

// A refused list leaves the controller's as it was: the subscribers that needed the new one
// are told, and wait for another list of theirs.
void ControllerLink::noteListAnswer(const std::vector<int> &sent, int result,
                                    std::vector<bool> &dropped)
{
    if (result != 0) {
        for (Subscription &sub : m_subs) {
            if (sub.confirmed || sub.refused)
                continue;
            std::vector<int> needed;
            addChannels(needed, sub.indexes);
            const bool carried = std::all_of(needed.begin(), needed.end(),
                                             [this](int i) { return isCarried(m_list, i); });
            if (carried && m_sending != ListChange::Exact)
                continue;
            sub.refused = true;
            sub.sink->refuse(sub.generation, result);
        }
        return;
    }
    m_list = sent;
    if (m_sending != ListChange::Rebuild)
        return;
    for (std::size_t i = 0; i < m_subs.size(); ++i) {
        if (m_subs[i].confirmed) {
            m_subs[i].positions = positionsIn(m_subs[i].indexes);
            dropped[i] = true;
        }
    }
}

// A subscription whose channels the controller's list carries takes their places; the read
// now in hand reaches back before it and is dropped for it.
void ControllerLink::confirmWaiting(std::vector<bool> &dropped)
{
    for (std::size_t i = 0; i < m_subs.size(); ++i) {
        Subscription &sub = m_subs[i];
        if (sub.confirmed || sub.refused)
            continue;
        std::vector<int> needed;
        addChannels(needed, sub.indexes);
        if (!std::all_of(needed.begin(), needed.end(),
                         [this](int index) { return isCarried(m_list, index); }))
            continue;
        sub.positions = positionsIn(sub.indexes);
        sub.confirmed = true;
        dropped[i] = true;
    }
}

// Where each of the channels stands in the controller's list; -1 for one without data.
std::vector<int> ControllerLink::positionsIn(const std::vector<int> &indexes) const
{
    std::vector<int> positions;
    positions.reserve(indexes.size());
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        const auto place = std::find(m_list.begin(), m_list.end(), indexes[k]);
        positions.push_back(place == m_list.end() ? -1 : int(place - m_list.begin()));
    }
    // One scope's exact list keeps even its repeated and empty entries in place.
    if (m_list == indexes) {
        for (std::size_t k = 0; k < indexes.size(); ++k)
            positions[k] = int(k);
    }
    return positions;
}

void ControllerLink::deliverRead(const ControllerAnswer &answer, const std::vector<bool> &dropped,
                                 const std::vector<bool> &gap)
{
    std::vector<_ST_ReadScopeData> placed = answer.batch.records;
    std::vector<TimeStep> steps;
    for (_ST_ReadScopeData &record : placed) {
        std::optional<double> stepBack;
        record.dTime = m_timeline.place(record.dTime, &stepBack);
        if (stepBack)
            steps.push_back(TimeStep{record.dTime, *stepBack});
    }
    for (std::size_t i = 0; i < m_subs.size(); ++i) {
        Subscription &sub = m_subs[i];
        if (!sub.confirmed || sub.refused)
            continue;
        LinkDelivery delivery;
        delivery.generation = sub.generation;
        delivery.cpuLoad = answer.batch.cpuLoad;
        delivery.memKB = answer.batch.memKB;
        delivery.steps = steps;
        if (gap[i] && !placed.empty())
            delivery.gapAt = placed.front().dTime;
        if (!dropped[i]) {
            delivery.records.resize(placed.size());
            for (std::size_t r = 0; r < placed.size(); ++r) {
                _ST_ReadScopeData &out = delivery.records[r];
                out.dTime = placed[r].dTime;
                for (std::size_t k = 0; k < std::size_t(kScopeRecordValues); ++k) {
                    const int from = k < sub.positions.size() ? sub.positions[k] : -1;
                    out.dValue[k] = from >= 0 ? placed[r].dValue[from] : 0.0;
                }
            }
        }
        sub.sink->deliver(delivery);
    }
}

void ControllerLink::noteFlags(const ControllerAnswer &answer)
{
    if (!answer.flagsRead || answer.flagsResult != 0)
        return;
    ++m_flags.reading;
    m_flags.error = answer.flags[kErrorFlag] == 1;
}
