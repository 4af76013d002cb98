#include "WallClockScaleDraw.h"

#include <qwt_text.h>

#include <algorithm>

namespace {

constexpr int kMsDecimals = 3;

int msOfDay(const QDateTime &moment)
{
    return moment.toLocalTime().time().msecsSinceStartOfDay();
}

// The fewest decimals of a second that show this ms of the day exactly.
int decimalsFor(int ms)
{
    int decimals = 0;
    for (int unit = 1000; decimals < kMsDecimals && ms % unit != 0; unit /= 10)
        ++decimals;
    return decimals;
}

} // namespace

WallClockScaleDraw::WallClockScaleDraw(const WallClockMapping &mapping) : m_mapping(mapping) {}

QwtText WallClockScaleDraw::label(double plotTime) const
{
    if (!m_mapping.isKnown())
        return QwtScaleDraw::label(plotTime);
    const QTime time = m_mapping.at(plotTime).toLocalTime().time();
    QString text = time.toString(QStringLiteral("hh:mm:ss"));
    const int decimals = decimalsForTicks();
    if (decimals > 0)
        text += QLatin1Char('.') + QString::number(time.msec())
                                       .rightJustified(kMsDecimals, QLatin1Char('0'))
                                       .left(decimals);
    return QwtText(text);
}

// All labels with the same digits, so neighbours read alike.
int WallClockScaleDraw::decimalsForTicks() const
{
    int decimals = 0;
    for (double tick : scaleDiv().ticks(QwtScaleDiv::MajorTick))
        decimals = std::max(decimals, decimalsFor(msOfDay(m_mapping.at(tick))));
    return decimals;
}
