#pragma once

#include <qwt_plot_curve.h>

// A plot curve that leaves a gap at a sample that is not finite (a NaN read from a scope
// file or sent by the controller) instead of drawing towards a point no axis can place.
// Owned like any QwtPlotCurve; GUI thread only.
class GapCurve : public QwtPlotCurve
{
public:
    using QwtPlotCurve::QwtPlotCurve;

    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;
};
