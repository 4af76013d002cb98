#include "CaptureCutter.h"

#include <algorithm>
#include <utility>

void CaptureCutter::reset()
{
    m_history.clear();
    m_open.reset();
}

void CaptureCutter::open(const TriggerSettings &trigger, const std::vector<ScopeRecord> &batch,
                         std::size_t stretch, std::size_t firing)
{
    if (m_open)
        complete(false); // armed again by hand before it was full
    CutCapture capture;
    capture.trigger = trigger;
    capture.instant = batch[firing].dTime;
    capture.value = batch[firing].dValue[trigger.channel];
    const bool openGrab = trigger.mode != TriggerSettings::EndGrab;
    // Without a delay the recording keeps or drops whole batches; the capture follows it.
    const double edge = trigger.delay ? capture.instant + *trigger.delay : batch[stretch].dTime;
    capture.from = openGrab ? edge : edge - m_dPeriod;
    capture.until = openGrab ? edge + m_dPeriod : edge;
    m_bUntilInclusive = openGrab || trigger.delay.has_value();
    m_open = std::move(capture);
    for (const ScopeRecord &record : m_history) {
        if (record.dTime >= m_open->from && !pastWindow(record.dTime))
            m_open->records.push_back(record);
    }
}

std::optional<std::size_t> CaptureCutter::feed(const std::vector<ScopeRecord> &batch,
                                               std::size_t first, std::size_t last,
                                               const TriggerSettings &current)
{
    if (m_open && !m_history.empty() && pastWindow(m_history.back().dTime)) {
        complete(true);
        return first;
    }
    for (std::size_t i = first; i < last; ++i) {
        const ScopeRecord &record = batch[i];
        keepHistory(record, current);
        if (!m_open)
            continue;
        if (pastWindow(record.dTime)) {
            complete(true);
            return i + 1;
        }
        if (record.dTime >= m_open->from)
            m_open->records.push_back(record);
    }
    return std::nullopt;
}

void CaptureCutter::closeEarly()
{
    if (m_open)
        complete(false);
}

std::vector<CutCapture> CaptureCutter::takeCompleted()
{
    return std::exchange(m_completed, {});
}

bool CaptureCutter::pastWindow(double time) const
{
    return m_bUntilInclusive ? time > m_open->until : time >= m_open->until;
}

void CaptureCutter::complete(bool whole)
{
    m_open->whole = whole;
    m_completed.push_back(std::move(*m_open));
    m_open.reset();
}

// A window reaches back at most one period before the moment the delay names, or before the
// firing batch.
void CaptureCutter::keepHistory(const ScopeRecord &record, const TriggerSettings &current)
{
    const double reach = m_dPeriod + std::max(0.0, -current.delay.value_or(0.0));
    m_history.push_back(record);
    while (m_history.front().dTime < record.dTime - reach)
        m_history.pop_front();
}
