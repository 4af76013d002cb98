#pragma once

#include "ScopeCatalog.h"

#include <QString>

// The controller channel that feeds one curve slot of the plot. A plain value; the plot
// keeps one per slot, the scope file carries it without the scope index.
struct CurveBinding
{
    int scopeIndex = 0;
    int axis = -1; // -1: the slot carries no channel
    int slot = 0;
    int linkItem = LINK_NONE;
    int endEffItem = ENDEFF_NONE;
    QString unit;
    // Filled by the scope's own computation (a derived channel), not by the controller.
    bool computed = false;

    // Whether records fill the slot with values.
    bool carriesData() const { return computed || ScopeCatalog::carriesData(scopeIndex); }

    void reset() { *this = CurveBinding(); }

    bool operator==(const CurveBinding &other) const
    {
        return scopeIndex == other.scopeIndex && axis == other.axis && slot == other.slot &&
               linkItem == other.linkItem && endEffItem == other.endEffItem && unit == other.unit &&
               computed == other.computed;
    }
    bool operator!=(const CurveBinding &other) const { return !(*this == other); }
};
