#include "BitLanes.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kTwoTo53 = 9007199254740992.0;
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// Past 2^53 a double steps by 2^(exponent - 52): the bits below that are not known.
int lowestKnownBit(double word)
{
    const double magnitude = std::abs(word);
    return magnitude < kTwoTo53 ? 0 : std::ilogb(magnitude) - 52;
}

} // namespace

BitLanes::BitLanes(const ColumnSnapshot &words, std::vector<BitLane> lanes)
    : m_words(words), m_lanes(std::move(lanes))
{}

std::optional<BitLanes> BitLanes::of(const ColumnSnapshot &words, const std::vector<int> &bits,
                                     const QStringList &names, QString *error)
{
    std::vector<BitLane> lanes;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const int bit = bits[i];
        if (bit < 0 || bit >= kBitCount) {
            *error = QCoreApplication::translate(
                         "BitLanes", "A status word has bits 0 to %1; there is no bit %2.")
                         .arg(kBitCount - 1)
                         .arg(bit);
            return std::nullopt;
        }
        const QString name =
            static_cast<int>(i) < names.size() ? names.at(static_cast<int>(i)) : QString();
        lanes.push_back({bit, name.isEmpty() ? defaultLabel(bit) : name});
    }
    return BitLanes(words, std::move(lanes));
}

double BitLanes::bitOf(double word, int bit)
{
    constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
    if (!(word >= -kTwoTo63 && word < kTwoTo64) || std::trunc(word) != word || bit < 0 ||
        bit >= kBitCount || bit < lowestKnownBit(word))
        return kGap;
    const std::uint64_t pattern = word < 0.0
                                      ? static_cast<std::uint64_t>(static_cast<std::int64_t>(word))
                                      : static_cast<std::uint64_t>(word);
    return static_cast<double>((pattern >> bit) & 1U);
}

bool BitLanes::isEdge(double before, double after, int bit, BitEdge edge)
{
    const double from = bitOf(before, bit);
    const double to = bitOf(after, bit);
    // Comparisons with NaN are false: a gap is never an edge.
    return edge == BitEdge::Rising ? (from == 0.0 && to == 1.0) : (from == 1.0 && to == 0.0);
}

QString BitLanes::defaultLabel(int bit)
{
    return QCoreApplication::translate("BitLanes", "bit %1").arg(bit);
}

double BitLanes::valueAt(int lane, int index) const
{
    if (index < 0 || index >= m_words.size())
        return std::numeric_limits<double>::quiet_NaN();
    return bitOf(m_words.at(index), m_lanes.at(static_cast<std::size_t>(lane)).bit);
}

std::vector<double> BitLanes::values(int lane, int first, int last) const
{
    const int bit = m_lanes.at(static_cast<std::size_t>(lane)).bit;
    first = std::max(first, 0);
    last = std::min(last, m_words.size());
    std::vector<double> steps;
    steps.reserve(static_cast<std::size_t>(std::max(0, last - first)));
    for (int i = first; i < last; ++i)
        steps.push_back(bitOf(m_words.at(i), bit));
    return steps;
}
