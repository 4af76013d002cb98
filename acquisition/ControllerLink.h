#pragma once

#include "ControllerTimeline.h"
#include "ScopeReadClient.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class DataCollector;
class LinkSubscriber;
class QLockFile;

// How the controller has answered lately.
struct LinkHealth
{
    // Since the last read that returned data (or since the link began).
    std::chrono::steady_clock::duration silence{};
    // The code of the last failed read while reads fail; 0 when none failed or a read hangs.
    int failureCode = 0;
};

// The robot's flags as last read; `reading` counts the reads that succeeded.
struct RobotFlagsReading
{
    uint64_t reading = 0;
    bool error = false;
};

// The process's one connection to the controller: the only caller of the controller SDK, on
// its acquisition thread. Every sampling scope subscribes with its channel list; the link
// sends the controller the union of the lists and hands each subscriber exactly its own
// columns, in its own order, on one timeline that never runs back.
//  - With one subscriber whose list changed, the controller gets exactly that list.
//  - With several, channels keep their places and new ones are appended, so a read under a
//    grown list is still good for the channels that were there; a list that would pass the
//    controller's 36 entries is rebuilt, and the one read that may mix orders is dropped for
//    every subscriber, each told of the gap.
//  - A subscriber's first read under its list is dropped: it reaches back before it.
// Made by the first scope that samples and gone with the last (each holds a shared pointer);
// it holds the process's claim on the controller library for that long, so a second process
// is refused rather than corrupting both. Its public functions are for the GUI threads; they
// never call the controller. Its lock is held while it hands records to subscribers, never
// during a controller call.
class ControllerLink : private ScopeReadClient
{
public:
    // The process's link, made if there is none; null with the reason when the controller
    // cannot be sampled (no library, another process samples it).
    static std::shared_ptr<ControllerLink> acquire(QString *error);
    ~ControllerLink() override;

    ControllerLink(const ControllerLink &) = delete;
    ControllerLink &operator=(const ControllerLink &) = delete;

    // Whether the subscriber's channels (controller indexes) fit beside every other
    // subscriber's within the controller's 36 entries; the reason when not.
    bool fits(const LinkSubscriber *subscriber, const std::vector<int> &indexes,
              QString *error) const;
    // Subscribes, or changes the subscriber's list: from the read after the controller
    // carries it, the subscriber's deliveries carry `generation`. Refused, with nothing
    // changed, when the channels do not fit.
    bool subscribe(LinkSubscriber *subscriber, const std::vector<int> &indexes, unsigned generation,
                   QString *error);
    // Once this returns, the subscriber is never called again.
    void unsubscribe(LinkSubscriber *subscriber);

    LinkHealth health() const;
    RobotFlagsReading robotFlags() const;
    // The index list the controller confirmed last.
    std::vector<int> indexList() const;

private:
    enum class ListChange
    {
        Exact,  // one subscriber's own list
        Grow,   // appended: the places before stay good
        Rebuild // places moved: the next read is dropped for all
    };
    struct Subscription
    {
        LinkSubscriber *sink = nullptr;
        std::vector<int> indexes;
        unsigned generation = 0;
        bool confirmed = false; // the controller's list carries it
        bool refused = false;   // waits for a new list from its subscriber
        std::vector<int> positions;
    };

    ControllerLink();
    bool claimController(QString *error);

    bool beginReadStep(ControllerRequest &request) override;
    void finishReadStep(const ControllerRequest &request, const ControllerAnswer &answer) override;

    std::optional<std::vector<int>> plannedList();
    void noteListAnswer(const std::vector<int> &sent, int result, std::vector<bool> &dropped);
    void confirmWaiting(std::vector<bool> &dropped);
    std::vector<int> positionsIn(const std::vector<int> &indexes) const;
    void deliverRead(const ControllerAnswer &answer, const std::vector<bool> &dropped,
                     const std::vector<bool> &gap);
    void noteFlags(const ControllerAnswer &answer);
    Subscription *find(const LinkSubscriber *subscriber);
    void shutDownCollector();

    mutable std::mutex m_mutex;
    std::vector<Subscription> m_subs;         // guarded by m_mutex
    std::vector<int> m_list;                  // guarded by m_mutex: what the controller carries
    ListChange m_sending = ListChange::Exact; // acquisition thread: the list in flight
    ControllerTimeline m_timeline;            // acquisition thread only
    RobotFlagsReading m_flags;                // guarded by m_mutex
    std::chrono::steady_clock::time_point m_lastFlagsRead; // acquisition thread only

    std::atomic<std::chrono::steady_clock::rep> m_lastData;
    std::atomic<int> m_failureCode{0};

    std::unique_ptr<QLockFile> m_claim;
    std::unique_ptr<DataCollector> m_pCollector;
};
