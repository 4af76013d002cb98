#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

// Holds back the widget's signals raised inside a call into it (its API, its slots, its
// events) until the outermost call ends. A host's slot then sees the scope whole and may
// delete it: the rest of the held signals go with it, and no code of the scope runs on after.
// A signal raised outside any call is emitted at once. Owned by the scope's inside; GUI thread.
class ScopeAnnouncer
{
    struct State
    {
        int depth = 0;
        std::vector<std::function<void()>> held;
    };

public:
    explicit ScopeAnnouncer(QObject *scope) : m_state(std::make_shared<State>()), m_scope(scope) {}

    // Held by the scope's code for the length of one call; emits the held signals as the
    // outermost one ends. Shares the state, so that it outlives a scope deleted meanwhile.
    // A call from a thread other than the scope's is refused: it is told in the log, and
    // the call is false and holds nothing.
    class Call
    {
    public:
        Call(const ScopeAnnouncer &announcer, const char *function);
        ~Call();
        Call(const Call &) = delete;
        Call &operator=(const Call &) = delete;
        explicit operator bool() const { return m_state != nullptr; }

    private:
        std::shared_ptr<State> m_state;
        QPointer<QObject> m_scope;
    };

    void announce(std::function<void()> signal);

private:
    std::shared_ptr<State> m_state;
    QObject *m_scope;
};
