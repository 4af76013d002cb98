#pragma once

#include "WallClockMapping.h"

#include <qwt_scale_draw.h>

// The time axis in wall-clock time: each tick labelled with its local time of day,
// "hh:mm:ss.zzz", with only as many decimals as the ticks need. With an unknown mapping the
// ticks keep their plot time in ms. Owned by the plot's axis widget; GUI thread.
class WallClockScaleDraw : public QwtScaleDraw
{
public:
    explicit WallClockScaleDraw(const WallClockMapping &mapping);

    QwtText label(double plotTime) const override;

private:
    int decimalsForTicks() const;

    WallClockMapping m_mapping;
};
