#pragma once

#include "DerivedChannel.h"

#include <QString>

// The bits of a status word, as derived channels read them (`bit("J1 status word", 3)`) and
// the lanes that show them: one derived channel of 0/1 steps per chosen bit, with the unit
// "bit", so that strips by unit give the lanes a strip of their own, and a trigger on the
// lane at 0.5 fires on the bit's edge.
//
// A word is read as the whole number the double holds: from -2^63 (negative words as two's
// complement, so a signed 32-bit word's bit 31 reads as set) to below 2^64. NaN, a fraction
// or a value out of that range is a gap (NaN), and so is a bit below what the double can
// tell apart (past 2^53 its low bits are rounded away). Plain functions, any thread.
class StatusBits
{
public:
    static constexpr int kBitCount = 64;

    // 0.0, 1.0, or NaN where the word does not say.
    static double bitOf(double word, int bit);
    // "J1 status word bit 3", or "J1 status word Enable" when named.
    static DerivedChannel lane(const QString &channel, int bit, const QString &name = QString());
};
