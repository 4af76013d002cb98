#pragma once

#include "ColumnSnapshot.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class BitEdge
{
    Rising,
    Falling
};

struct BitLane
{
    int bit = 0;
    QString label; // its name, or "bit 3"
};

// Chosen bits of a status-word curve as 0/1 steps, read from the curve's column as they
// are asked for (32 lanes of a million records would otherwise be 256 MB). A value made by
// whoever shows the lanes, on that thread.
//
// A word is read as the whole number the double holds: from -2^63 (negative words as two's
// complement, so a signed 32-bit word's bit 31 reads as set) to below 2^64. NaN, a fraction
// or a value out of that range is a gap (NaN) in every lane, and so is a bit below what
// the double can tell apart (past 2^53 its low bits are rounded away).
class BitLanes
{
public:
    static constexpr int kBitCount = 64;

    // One lane per bit, labelled names[i] where that is given and not empty. Nothing, and a
    // message, for a bit outside 0..63.
    static std::optional<BitLanes> of(const ColumnSnapshot &words, const std::vector<int> &bits,
                                      const QStringList &names, QString *error);

    // 0.0, 1.0, or NaN where the word does not say.
    static double bitOf(double word, int bit);
    // Whether the bit rose (or fell) from one value to the next; never across a gap.
    static bool isEdge(double before, double after, int bit, BitEdge edge);
    static QString defaultLabel(int bit);

    const std::vector<BitLane> &lanes() const { return m_lanes; }
    int sampleCount() const { return m_words.size(); }
    // NaN outside the column too.
    double valueAt(int lane, int index) const;
    // The lane's steps over the records [first, last), clipped to the column.
    std::vector<double> values(int lane, int first, int last) const;

private:
    BitLanes(const ColumnSnapshot &words, std::vector<BitLane> lanes);

    ColumnSnapshot m_words;
    std::vector<BitLane> m_lanes;
};
