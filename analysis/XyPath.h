#pragma once

#include "ScopeRecording.h"

#include <QPointF>
#include <QRectF>
#include <QSize>

#include <vector>

// One curve against another (a tool path as y over x), paired by time. Over one time column
// sample i of the one pairs with sample i of the other. Over different columns each x sample
// pairs with the y sample at exactly its time, the first if there are several, and with none
// where y has no sample at that time: nothing is interpolated, so every point is two
// recorded values. A value made by the view that shows it, on that thread.
class XyPath
{
public:
    static XyPath paired(const RecordedCurve &x, const RecordedCurve &y);

    // In x's order.
    const std::vector<QPointF> &points() const { return m_points; }
    // Ascending indexes of the points that begin a new stretch: after samples with no pair
    // (a gap in either curve, no y at that time) or a jump in x's time. Never 0.
    const std::vector<int> &breaks() const { return m_breaks; }

    // `ranges` (x from left to right, y from top to bottom) with the narrower one, in units
    // per pixel, widened about its centre so both axes show the same units per pixel in a
    // plot of `pixels`. Unchanged for an empty plot or ranges that are both single points.
    static QRectF equalScale(const QRectF &ranges, const QSize &pixels);

private:
    std::vector<QPointF> m_points;
    std::vector<int> m_breaks;
};
