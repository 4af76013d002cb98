#pragma once

#include <QPoint>
#include <QPointF>
#include <QVector>

#include <qwt_scale_map.h>
#include <qwt_series_data.h>

#include <limits>
#include <optional>

// One curve as the nearest-sample search sees it. The samples are not owned; null or
// empty means the curve has nothing to offer. A curve drawn in a strip of its own maps its
// values through `valueMap` instead of the shared one.
struct SearchCurve
{
    const QwtSeriesData<QPointF> *samples = nullptr;
    bool visible = true;
    std::optional<QwtScaleMap> valueMap;
};

// Outcome of the search: the curve's position in the list searched, the sample index and
// the distance in canvas pixels. Position -1 when no visible curve holds a usable sample.
struct ClosestSample
{
    int position = -1;
    int index = -1;
    double distance = std::numeric_limits<double>::max();

    bool found() const { return position >= 0; }
};

// Canvas pixel of a plot point, rounded to whole pixels as QwtPlotPicker::transform does.
// Far-off positions are clamped to +-1e9 pixels so that rounding stays defined. Returns
// false for a point that has no pixel (a NaN or infinite coordinate).
bool canvasPixel(const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QPointF &point,
                 QPoint &pixel);

// The sample nearest to the cursor over the visible curves, by Euclidean distance
// sqrt(dx*dx + dy*dy) between whole-pixel positions. Ties go to the earlier curve in the
// list, and within a curve to the lower index. Hidden and empty curves and samples
// without a pixel are skipped. Curves of ScopeSeriesData whose x ascends are searched from
// the cursor outwards in logarithmic time plus what lies near; any other curve sample by
// sample. The answer is the same either way.
ClosestSample findClosestSample(const QVector<SearchCurve> &curves, const QwtScaleMap &xMap,
                                const QwtScaleMap &yMap, const QPoint &cursor);
