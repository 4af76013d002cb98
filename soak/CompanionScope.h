#pragma once

#include "DeliveredReads.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TarnPlugin_Scope;

// A scope beside the soak's main one, as on another tab of an integrator's HMI: it samples
// one of two fixed sets of joint channels through the process's one controller link, and
// after each stop its recording must hold the delivered records of its window, each once and
// in order, with its channels' values; a read dropped for a rebuilt controller list shows as
// one gap record. GUI thread only; owns its widget.
class CompanionScope
{
public:
    struct Figures
    {
        int checks = 0, refusedStarts = 0, refusedSetups = 0, rechosen = 0;
        uint64_t records = 0, gaps = 0;
    };

    // `set` 0: J1..J6 Target ACS; 1: J1..J6 Target ACS and Actual ACS. `collect` brings
    // `delivered`, every read the controller delivered, up to date.
    CompanionScope(const QString &name, int set, std::function<void()> collect,
                   const DeliveredReads &delivered);
    ~CompanionScope();

    QString name() const;
    bool isSampling() const;
    std::vector<int> indexes() const; // its channels' controller indexes, in curve order
    std::vector<int> otherSetIndexes() const;
    // Each returns what went otherwise than expected, or nothing. `fits`: whether the
    // channels fit beside the other sampling scopes'.
    QString start(bool fits);
    QString chooseOtherSet(bool fits); // refused only while sampling
    QString stopAndCheck();
    const Figures &figures() const { return m_figures; }

private:
    void noteSubscribing(const std::function<void()> &action);
    QString checkRecording(std::size_t readsBeforeStop);
    QString checkWindowStart(std::size_t first, double newest) const;

    std::unique_ptr<TarnPlugin_Scope> m_scope;
    int m_set;
    std::function<void()> m_collect;
    const DeliveredReads &m_delivered;
    std::size_t m_latestFirstRead = 0; // its recording may begin with a read up to this one
    QElapsedTimer m_sampling;
    Figures m_figures;
};
