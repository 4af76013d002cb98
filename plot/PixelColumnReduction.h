#pragma once

#include <QPolygonF>
#include <QRectF>

#include <qwt_scale_map.h>

class ScopeSeriesData;

// The polyline of samples [from, to] as Qwt would map it (whole pixels, repeated points
// dropped), cut to the samples whose x lies within `clipRect` (plus one on either side)
// and reduced per pixel column to its first, lowest, highest and last sample (M4, Jugel
// et al., VLDB 2014). A line of one pixel drawn through it covers the same pixels as one
// drawn through all samples. Returns false, leaving `polyline` alone, when that cannot be
// promised: x not ascending, a scale that is not linear, or a sample that has no pixel
// (NaN, infinite, or too far off to round).
bool reduceToPixelColumns(const ScopeSeriesData &series, const QwtScaleMap &xMap,
                          const QwtScaleMap &yMap, const QRectF &clipRect, int from, int to,
                          QPolygonF &polyline);
