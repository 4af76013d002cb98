#pragma once

#include "UnitStrips.h"

#include <qwt_scale_draw.h>

// The value axis of the strip view: labels each tick with the value it stands for in its
// own strip. Owned by the plot's axis widget; GUI thread.
class StripScaleDraw : public QwtScaleDraw
{
public:
    void setStrips(const UnitStrips &strips);
    QwtText label(double axisValue) const override;

private:
    UnitStrips m_strips;
};
