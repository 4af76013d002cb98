#pragma once

#include "PixelColumnReduction.h"

#include <QPen>
#include <QRect>
#include <QVector>

class QPainter;

// A reduced curve drawn with a wide pen as the raster engine fills fastest: one span per
// pixel column instead of a stroke through four points per column, which costs the most
// where the curve fills its columns (an hour in one window). The spans cover the pixels
// of the stroked line, give or take a pixel at the corners of its caps and joins.

// Whether each column is the one right of the column before it.
bool areNeighbouring(const PixelColumns &columns);

// Whether `painter` can draw `columns` as spans: one run of neighbouring columns, and an
// opaque solid pen of 2 pixels, the curves' own, without antialiasing. Thinner pens stroke
// as fast and exactly.
bool drawsAsSpans(const QPainter &painter, const PixelColumns &columns);
// The same for a painter with `pen` and antialiasing as given.
bool drawsAsSpans(const QPen &pen, bool antialiased, const PixelColumns &columns);

// Rectangles covering the pixels that the pen drawn through `columns` covers, cut to
// `clipRect`. The pen spans two columns, so each column reaches from the lowest to the
// highest row of both, which also joins steep steps between them; rows shared by
// neighbouring columns join into one rectangle.
QVector<QRect> columnSpans(const PixelColumns &columns, const QRect &clipRect);

// Fills `columns`' spans in the painter's pen colour, within `clipRect` and the painter's clip.
void drawColumnSpans(QPainter *painter, const PixelColumns &columns, const QRectF &clipRect);
