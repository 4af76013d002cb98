#pragma once

#include "DerivedChannel.h"
#include "DerivedExpression.h"
#include "ScopeChannel.h"

#include <QStringList>

#include <vector>

// The derived channels one scope computes, in the order added, and their compiling against
// the channels it records: each reads those channels and the derived channels before it.
// Counted against the plot's curve slots, not the controller's channels. Owned by the scope;
// GUI thread (the compiled expressions then go to the acquisition thread).
class DerivedChannelSet
{
public:
    const std::vector<DerivedChannel> &channels() const { return m_channels; }
    QStringList titles() const;
    const DerivedChannel *find(const QString &title) const;

    // Adds `channel`, or replaces the one of its title; false with the reason, changing
    // nothing, for an empty title or expression, a title a recorded channel has, no curve
    // slot left beside the `recorded` channels, or an expression that does not compile
    // against them.
    bool add(const DerivedChannel &channel, const QStringList &recorded, QString *error);
    bool remove(const QString &title);
    // As a set-up holds them; checked when compiled.
    void setChannels(std::vector<DerivedChannel> channels) { m_channels = std::move(channels); }

    // The expressions of the channels that compile against `recorded` and fit the slots
    // beside them, in order; `kept` gets their definitions, `leftOut` one line for each of
    // the others ("J3 error: Unknown channel "J3 Target ACS" at 1").
    std::vector<DerivedExpression> compile(const QStringList &recorded,
                                           std::vector<DerivedChannel> *kept,
                                           QStringList *leftOut) const;
    // The same against the recorded `channels`, each kept channel appended to them as a
    // computed one in the slot after them.
    std::vector<DerivedExpression> compileAfter(std::vector<ScopeChannel> &channels,
                                                QStringList *leftOut) const;

private:
    std::vector<DerivedChannel> m_channels;
};
