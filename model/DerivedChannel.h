#pragma once

#include <QString>

// A channel computed from recorded ones: its title and unit as a curve shows them, and the
// expression over the recorded channels' quoted titles, e.g. "J3 Target ACS" - "J3 Actual ACS".
// A plain value, copied freely between threads.
struct DerivedChannel
{
    QString title;
    QString unit;
    QString expression;

    friend bool operator==(const DerivedChannel &a, const DerivedChannel &b)
    {
        return a.title == b.title && a.unit == b.unit && a.expression == b.expression;
    }
    friend bool operator!=(const DerivedChannel &a, const DerivedChannel &b) { return !(a == b); }
};
