#include "ScopeSeriesData.h"

#include <algorithm>
#include <utility>

ScopeSeriesData::ScopeSeriesData(ColumnSnapshot x, double xOrigin, ColumnSnapshot y)
    : m_x(std::move(x)), m_y(std::move(y)), m_xOrigin(xOrigin),
      m_size(std::min(m_x.size(), m_y.size())), m_xExtremes(m_x.extremes(0, m_size)),
      m_yExtremes(m_y.extremes(0, m_size))
{}

// Qwt asks on every replot, even for axes it does not scale: the columns' summaries answer
// without a walk over the samples. Over finite values only; invalid when there is none.
QRectF ScopeSeriesData::boundingRect() const
{
    if (!m_xExtremes.hasFinite() || !m_yExtremes.hasFinite())
        return QRectF(1.0, 1.0, -2.0, -2.0);
    return QRectF(QPointF(m_xExtremes.least - m_xOrigin, m_yExtremes.least),
                  QPointF(m_xExtremes.greatest - m_xOrigin, m_yExtremes.greatest));
}

int ScopeSeriesData::lowerBoundX(double x, int from, int to) const
{
    int count = to - from;
    while (count > 0) {
        const int step = count / 2;
        const int middle = from + step;
        if (xAt(middle) < x) {
            from = middle + 1;
            count -= step + 1;
        } else {
            count = step;
        }
    }
    return from;
}
