#include "CursorReadout.h"

#include <QFont>

#include <qwt_text.h>

#include <algorithm>

namespace {

constexpr int kMargin = 8;

// Within [low, high - length], or at low where the length does not fit.
double keptWithin(double position, double length, double low, double high)
{
    return std::max(low, std::min(position, high - length));
}

} // namespace

CursorReadout::CursorReadout()
{
    setMargin(kMargin);
}

QRectF CursorReadout::rectIn(const QRectF &canvasRect) const
{
    const QRectF area = canvasRect.adjusted(margin(), margin(), -margin(), -margin());
    return textRect(area, text().textSize(QFont()));
}

void CursorReadout::moveTo(const QPointF &topLeft, const QRectF &canvasRect)
{
    const QRectF area = canvasRect.adjusted(margin(), margin(), -margin(), -margin());
    const QSizeF size = text().textSize(QFont());
    const QRectF box(QPointF(keptWithin(topLeft.x(), size.width(), area.left(), area.right()),
                             keptWithin(topLeft.y(), size.height(), area.top(), area.bottom())),
                     size);
    m_fromRight = box.center().x() > area.center().x();
    m_fromBottom = box.center().y() > area.center().y();
    m_distance = QPointF(m_fromRight ? area.right() - box.right() : box.left() - area.left(),
                         m_fromBottom ? area.bottom() - box.bottom() : box.top() - area.top());
}

QRectF CursorReadout::textRect(const QRectF &area, const QSizeF &textSize) const
{
    const double x = m_fromRight ? area.right() - textSize.width() - m_distance.x()
                                 : area.left() + m_distance.x();
    const double y = m_fromBottom ? area.bottom() - textSize.height() - m_distance.y()
                                  : area.top() + m_distance.y();
    return QRectF(QPointF(keptWithin(x, textSize.width(), area.left(), area.right()),
                          keptWithin(y, textSize.height(), area.top(), area.bottom())),
                  textSize);
}
