#include "Zoomer.h"

#include <QPen>

namespace {

constexpr int kMinSelectionSize = 30;
constexpr int kMinZoomSize = 11;

} // namespace

Zoomer::Zoomer(QWidget *canvas) : QwtPlotZoomer(canvas, true)
{
    setRubberBandPen(QPen(Qt::darkGreen));
}

bool Zoomer::accept(QPolygon &points) const
{
    if (points.count() < 2)
        return false;

    QRect rect = QRect(points.first(), points.last()).normalized();
    if (rect.width() < kMinSelectionSize && rect.height() < kMinSelectionSize)
        return false;

    const QPoint centre = rect.center();
    rect.setSize(rect.size().expandedTo(QSize(kMinZoomSize, kMinZoomSize)));
    rect.moveCenter(centre);

    points.resize(2);
    points[0] = rect.topLeft();
    points[1] = rect.bottomRight();
    return true;
}
