#pragma once

#include "ColumnRangeCache.h"
#include "GapCurve.h"
#include "ReducedCurveCache.h"
#include "StripBand.h"

#include <optional>

// A plot curve that holds and reports every sample but draws, of a long curve with
// ascending times, only what shows: the samples within the visible time range, reduced per
// pixel column to the first, lowest, highest and last one, kept for the next replot while
// samples and time scale stay. Lines of one pixel come out as Qwt draws them from all
// samples; the curves' own two-pixel lines fill one span per column where the curve is
// dense, within a pixel of the stroked line. Anything else (unsorted times, fitted or filled
// curves, painters that do not round to pixels) is drawn by Qwt itself. Samples that are not finite
// leave gaps. In the strip view it draws its values in its strip's band. GUI thread, but
// for read().
class ScopeCurve : public GapCurve
{
public:
    ScopeCurve() = default;

    // None: values go through the value axis, as in the single plot.
    void setBand(const std::optional<StripBand> &band) { m_band = band; }
    // The map from this curve's values to canvas pixels, given the value axis' map.
    QwtScaleMap valueMap(const QwtScaleMap &axisMap) const
    {
        return m_band ? m_band->valueMap(axisMap) : axisMap;
    }

    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

    // Curves over one time column share which samples fall in which pixel column: the plot
    // that holds them hands its own cache to each; none, the default, keeps the curve's own.
    void shareColumnRanges(ColumnRangeCache *shared) { m_sharedRanges = shared; }

    // Reading the samples is most of drawing a long curve, and each curve reads its own: a
    // plot may work out what the next draw with `xMap` over `canvasRect` will use before it
    // draws, several curves side by side. First, on the GUI thread, which samples fall in
    // which column and how many samples are to be read anew (none when the draw would not
    // reduce)...
    struct Reading
    {
        ColumnRanges ranges;
        qint64 samples = 0;
    };
    std::optional<Reading> readingFor(const QwtScaleMap &xMap, const QRectF &canvasRect) const;
    // ...then, on one thread at a time that the GUI thread waits for, the values in them.
    void read(const ColumnRanges &ranges) const;

    // The pixel columns the next draw with these maps over `canvasRect` draws the whole curve
    // through; none when it would draw otherwise (unreduced, in pieces, with symbols). No
    // samples draw no columns.
    std::optional<PixelColumns> drawnColumns(const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                             const QRectF &canvasRect) const;
    // Where its time axis begins as drawn, for a curve drawn on whole pixels (see
    // ScopeSeriesData::TimeDrawing); none for one drawn exactly.
    std::optional<double> drawingOrigin(const QwtScaleMap &xMap) const;

    // Other samples: the kept reduction of the old ones goes.
    void dataChanged() override;

    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

protected:
    void drawLines(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                   const QRectF &canvasRect, int from, int to) const override;

private:
    bool drawsReduced(QPainter *painter) const;
    bool reducible() const;
    // The series when the draw reduces it whole, in one piece.
    const ScopeSeriesData *reducedWhole() const;
    bool reducedColumns(const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &clipRect,
                        int from, int to, PixelColumns &columns) const;
    QRectF clipRectFor(const QRectF &canvasRect, const QPen &pen) const;
    ColumnRangeCache &columnRanges() const;

    std::optional<StripBand> m_band;
    mutable ReducedCurveCache m_reduced;
    mutable ColumnRangeCache m_ownRanges;
    ColumnRangeCache *m_sharedRanges = nullptr;
};
