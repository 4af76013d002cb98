#include "StripFrames.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

constexpr double kFramesZ = 5.0; // above the grid, below the curves
constexpr int kTitleMargin = 4;

} // namespace

StripFrames::StripFrames()
{
    setZ(kFramesZ);
    setItemAttribute(Legend, false);
    setItemAttribute(AutoScale, false);
}

void StripFrames::setStrips(const UnitStrips &strips)
{
    m_strips = strips;
}

void StripFrames::draw(QPainter *painter, const QwtScaleMap &, const QwtScaleMap &yMap,
                       const QRectF &canvasRect) const
{
    painter->save();
    painter->setPen(QPen(QColor(120, 120, 120), 1.0));
    for (int boundary = 1; boundary < m_strips.count(); ++boundary) {
        const double y = yMap.transform(boundary);
        painter->drawLine(QPointF(canvasRect.left(), y), QPointF(canvasRect.right(), y));
    }
    const QFontMetrics metrics(painter->font());
    for (int index = 0; index < m_strips.count(); ++index) {
        const UnitStrips::Strip &strip = m_strips.strip(index);
        const QString title = strip.unit.isEmpty()
                                  ? QCoreApplication::translate("StripFrames", "(no unit)")
                                  : strip.unit;
        const double top = yMap.transform(m_strips.count() - index);
        QRectF box(canvasRect.left() + kTitleMargin, top + kTitleMargin,
                   metrics.horizontalAdvance(title) + 2 * kTitleMargin,
                   metrics.height() + kTitleMargin);
        painter->fillRect(box, QColor(255, 255, 255, 210));
        painter->setPen(QColor(40, 40, 40));
        painter->drawText(box, Qt::AlignCenter, title);
    }
    painter->restore();
}
