#include "ScopeSeriesData.h"

#include <algorithm>
#include <utility>

ScopeSeriesData::ScopeSeriesData(ColumnSnapshot x, double xOrigin, ColumnSnapshot y)
    : m_x(std::move(x)), m_y(std::move(y)), m_xOrigin(xOrigin),
      m_size(std::min(m_x.size(), m_y.size()))
{}

// As Qwt's own array data: worked out on first use only.
QRectF ScopeSeriesData::boundingRect() const
{
    if (d_boundingRect.width() < 0.0)
        d_boundingRect = qwtBoundingRect(*this);
    return d_boundingRect;
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
