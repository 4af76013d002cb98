#pragma once

#include <qwt_plot_curve.h>

// A plot curve that holds and reports every sample but draws, of a long curve with
// ascending times, only what shows: the samples within the visible time range, reduced per
// pixel column to the first, lowest, highest and last one. Lines of one pixel come out as
// Qwt draws them from all samples. Anything else (unsorted times, fitted or filled curves,
// painters that do not round to pixels) is drawn by Qwt itself. GUI thread.
class ScopeCurve : public QwtPlotCurve
{
public:
    ScopeCurve() = default;

protected:
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;

private:
    bool drawsReduced(QPainter *painter) const;
};
