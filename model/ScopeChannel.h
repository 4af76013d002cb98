#pragma once

#include "CurveBinding.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// One recordable channel of a selection: its title and the binding that feeds its curve
// slot (the slot is its position in the selection).
struct ScopeChannel
{
    QString title;
    CurveBinding binding;
};

using ComponentSelection = std::map<emAXIS, int>;
using LinkSelection = std::map<emLINK, int>;     // item -> index base
using EndEffSelection = std::map<emENDEFF, int>; // item -> index base

// The channels of a selection in curve order (slot k holds the k-th): joints J1..J6 with their link
// items, then X..RZ with their end-effector items, then the component items 0..18, 31, 32. The
// index bases are taken from the selections, as the dialog delivers them.
std::vector<ScopeChannel> selectedChannels(const ComponentSelection &components,
                                           const LinkSelection &links,
                                           const EndEffSelection &endEffectors);

// Every channel the three trees offer, in curve order, with the tree it is chosen from.
struct OfferedChannel
{
    ScopeChannel channel;
    QString family;
};
std::vector<OfferedChannel> offeredChannels();

// The unit of the channel titled so, given the unit a scope file holds for it: a unit an
// earlier version wrote for that channel reads as the channel's unit now, so old files show
// their curves as recorded today (in the same strips); any other unit stays as it was read.
QString currentUnit(const QString &title, const QString &unitRead);

// Whether one of the three trees offers a channel titled so.
bool isOfferedChannel(const QString &title);

// The rows (catalogue keys) of the three trees that choose a set of channels.
struct ChannelRows
{
    QList<int> components;
    QList<int> links;
    QList<int> endEffectors;
};
// The channels the rows choose, in curve order, as the channel dialog records them.
std::vector<ScopeChannel> channelsOf(const ChannelRows &rows);
// The rows that choose exactly the channels titled; false, with the reason in `error`, for
// an unknown title, more channels than a record carries, or a set the trees cannot choose
// alone (they record each chosen quantity for each chosen joint or component).
bool rowsForChannels(const QStringList &titles, ChannelRows &rows, QString &error);
// The channels the trees record when they choose every one titled: those, and those the same
// rows bring along (each chosen quantity for each chosen joint or component), in curve order.
// Titles no tree offers are left out.
QStringList channelsChoosing(const QStringList &titles);
