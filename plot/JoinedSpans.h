#pragma once

#include <QRect>
#include <QVector>

#include <climits>

// The rows one pixel column shows, top to bottom; none when top is below bottom.
struct RowSpan
{
    int top = INT_MAX;
    int bottom = INT_MIN;

    bool isEmpty() const { return top > bottom; }
};

// Rectangles that cover exactly the pixels of `spans` (pixel column left + k shows
// spans[k]), each pixel once. The rows that neighbouring columns share join into one
// rectangle, so that a band many columns wide fills as a few wide rectangles: the raster
// engine fills a rectangle row by row, and a one-pixel-wide span costs a call per row.
QVector<QRect> joinedSpans(int left, const QVector<RowSpan> &spans);
