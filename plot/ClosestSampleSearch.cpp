#include "ClosestSampleSearch.h"

#include <QtGlobal>

#include <cmath>

namespace {

// Well inside int range; no canvas comes near it.
constexpr double kPixelLimit = 1e9;

bool roundedPixel(double mapped, int &pixel)
{
    if (std::isnan(mapped))
        return false;
    pixel = qRound(qBound(-kPixelLimit, mapped, kPixelLimit));
    return true;
}

double pixelDistance(const QPoint &a, const QPoint &b)
{
    const double dx = double(a.x()) - double(b.x());
    const double dy = double(a.y()) - double(b.y());
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

bool canvasPixel(const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QPointF &point,
                 QPoint &pixel)
{
    if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
        return false;
    int x = 0;
    int y = 0;
    if (!roundedPixel(xMap.transform(point.x()), x) || !roundedPixel(yMap.transform(point.y()), y))
        return false;
    pixel = QPoint(x, y);
    return true;
}

ClosestSample findClosestSample(const QVector<SearchCurve> &curves, const QwtScaleMap &xMap,
                                const QwtScaleMap &yMap, const QPoint &cursor)
{
    ClosestSample best;
    for (int position = 0; position < curves.size(); ++position) {
        const SearchCurve &curve = curves.at(position);
        if (!curve.visible || !curve.samples)
            continue;
        const size_t count = curve.samples->size();
        for (size_t i = 0; i < count; ++i) {
            QPoint pixel;
            if (!canvasPixel(xMap, yMap, curve.samples->sample(i), pixel))
                continue;
            const double distance = pixelDistance(pixel, cursor);
            if (distance < best.distance) {
                best.position = position;
                best.index = static_cast<int>(i);
                best.distance = distance;
            }
        }
    }
    return best;
}
