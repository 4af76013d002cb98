#pragma once

#include "CurveBinding.h"

#include <QString>

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
