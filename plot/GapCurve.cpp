#include "GapCurve.h"

#include <cmath>

void GapCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                          const QRectF &canvasRect, int from, int to) const
{
    if (to < 0)
        to = static_cast<int>(dataSize()) - 1;
    // Each run of finite samples is drawn as a curve of its own.
    int runStart = -1;
    for (int i = from; i <= to; ++i) {
        const QPointF p = sample(i);
        const bool finite = std::isfinite(p.x()) && std::isfinite(p.y());
        if (finite && runStart < 0)
            runStart = i;
        if (!finite && runStart >= 0) {
            QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, runStart, i - 1);
            runStart = -1;
        }
    }
    if (runStart >= 0)
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, runStart, to);
}
