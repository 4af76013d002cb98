#include "ScopeAnnouncer.h"

#include <QThread>

ScopeAnnouncer::Call::Call(const ScopeAnnouncer &announcer, const char *function)
{
    if (QThread::currentThread() != announcer.m_scope->thread()) {
        qWarning("TarnPlugin_Scope::%s refused: called from a thread other than the widget's; "
                 "call the scope from the GUI thread (a queued connection or "
                 "QMetaObject::invokeMethod reaches it there)",
                 function);
        return;
    }
    m_state = announcer.m_state;
    m_scope = announcer.m_scope;
    ++m_state->depth;
}

// A slot that calls into the scope again holds its signals in the same queue, so they are
// emitted in the order they were raised.
ScopeAnnouncer::Call::~Call()
{
    if (!m_state)
        return;
    if (m_state->depth > 1) {
        --m_state->depth;
        return;
    }
    while (m_scope && !m_state->held.empty()) {
        const std::function<void()> signal = std::move(m_state->held.front());
        m_state->held.erase(m_state->held.begin());
        signal();
    }
    m_state->held.clear();
    --m_state->depth;
}

void ScopeAnnouncer::announce(std::function<void()> signal)
{
    if (m_state->depth == 0)
        signal();
    else
        m_state->held.push_back(std::move(signal));
}
