#pragma once

#include "UnitStrips.h"

#include <qwt_plot_item.h>

// Draws the strip view's frame on the canvas: a line between neighbouring strips and each
// strip's unit at its top left, where the axis has no room for one title per strip.
// Belongs to the plot's item list; GUI thread.
class StripFrames : public QwtPlotItem
{
public:
    StripFrames();

    void setStrips(const UnitStrips &strips);
    int rtti() const override { return Rtti_PlotUserItem + 1; }
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    UnitStrips m_strips;
};
