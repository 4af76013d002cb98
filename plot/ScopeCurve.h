#pragma once

#include "GapCurve.h"

// A plot curve that holds and reports every sample but draws, of a long curve with
// ascending times, only what shows: the samples within the visible time range, reduced per
// pixel column to the first, lowest, highest and last one. Lines of one pixel come out as
// Qwt draws them from all samples. Anything else (unsorted times, fitted or filled curves,
// painters that do not round to pixels) is drawn by Qwt itself. Samples that are not finite
// leave gaps. GUI thread.
class ScopeCurve : public GapCurve
{
public:
    ScopeCurve() = default;

    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

protected:
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;

private:
    bool drawsReduced(QPainter *painter) const;
};
