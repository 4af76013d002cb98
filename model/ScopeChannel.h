#pragma once

#include "ScopeCatalog.h"

#include <QString>

#include <map>
#include <vector>

// One recordable channel of a selection: what channel set-up binds to a curve slot.
struct ScopeChannel
{
    QString title;
    int scopeIndex = 0;
    int axis = -1;
    int linkItem = LINK_NONE;
    int endEffItem = ENDEFF_NONE;
    QString unit;
};

using ComponentSelection = std::map<emAXIS, int>;
using LinkSelection = std::map<emLINK, int>;     // item -> index base
using EndEffSelection = std::map<emENDEFF, int>; // item -> index base

// The channels of a selection in curve order: joints J1..J6 with their link items,
// then X..RZ with their end-effector items, then the component items 0..18, 31, 32.
// The index bases are taken from the selections, as the dialog delivers them.
std::vector<ScopeChannel> selectedChannels(const ComponentSelection &components,
                                           const LinkSelection &links,
                                           const EndEffSelection &endEffectors);
