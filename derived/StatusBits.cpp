#include "StatusBits.h"

#include <QCoreApplication>

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

double StatusBits::bitOf(double word, int bit)
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

DerivedChannel StatusBits::lane(const QString &channel, int bit, const QString &name)
{
    const QString label =
        name.isEmpty() ? QCoreApplication::translate("StatusBits", "bit %1").arg(bit) : name;
    return DerivedChannel{QStringLiteral("%1 %2").arg(channel, label), QStringLiteral("bit"),
                          QStringLiteral("bit(\"%1\", %2)").arg(channel).arg(bit)};
}
