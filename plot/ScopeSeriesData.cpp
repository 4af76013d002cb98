#include "ScopeSeriesData.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// How close to a whole number of pixels a slide must be to count as whole.
constexpr double kWholePixel = 1e-6;
// Beyond this, a slide leaves nothing of what was drawn and would not fit an int.
constexpr double kPixelShiftLimit = 1e9;

// Times ascend: between finite ends every value is finite, and the ends are the extremes.
// Saves a walk over every chunk's summary for each of the curves sharing the time column.
SampleExtremes timeExtremes(const ColumnSnapshot &x, int size)
{
    if (!x.isAscending() || size == 0 || !std::isfinite(x.at(0)) || !std::isfinite(x.at(size - 1)))
        return x.extremes(0, size);
    SampleExtremes extremes;
    extremes.least = x.at(0);
    extremes.leastIndex = 0;
    extremes.greatest = x.at(size - 1);
    // The first of equal times.
    int below = 0;
    int at = size - 1;
    while (at - below > 1) {
        const int middle = below + (at - below) / 2;
        if (x.at(middle) < extremes.greatest)
            below = middle;
        else
            at = middle;
    }
    extremes.greatestIndex = x.at(below) < extremes.greatest ? at : below;
    return extremes;
}

} // namespace

ScopeSeriesData::ScopeSeriesData(ColumnSnapshot x, double xOrigin, ColumnSnapshot y,
                                 TimeDrawing drawing)
    : m_x(std::move(x)), m_y(std::move(y)), m_xOrigin(xOrigin), m_drawing(drawing),
      m_size(std::min(m_x.size(), m_y.size())), m_xExtremes(timeExtremes(m_x, m_size)),
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

double ScopeSeriesData::drawingOrigin(const QwtScaleMap &timeMap) const
{
    if (m_drawing == TimeDrawing::Exact)
        return m_xOrigin;
    const double perPixel = std::abs((timeMap.s2() - timeMap.s1()) / (timeMap.p2() - timeMap.p1()));
    if (!std::isfinite(perPixel) || perPixel <= 0.0)
        return m_xOrigin;
    const double aligned = std::floor(m_xOrigin / perPixel) * perPixel;
    return std::isfinite(aligned) && aligned <= m_xOrigin ? aligned : m_xOrigin;
}

std::optional<int> ScopeSeriesData::wholePixelShift(double earlier, double now,
                                                    const QwtScaleMap &timeMap)
{
    const double pixels =
        (now - earlier) * (timeMap.p2() - timeMap.p1()) / (timeMap.s2() - timeMap.s1());
    if (!std::isfinite(pixels) || std::abs(pixels) > kPixelShiftLimit ||
        std::abs(pixels - std::round(pixels)) > kWholePixel)
        return std::nullopt;
    return static_cast<int>(std::round(pixels));
}
