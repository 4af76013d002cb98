#include "ClosestSampleSearch.h"

#include "ScopeSeriesData.h"

#include <QtGlobal>

#include <algorithm>
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

namespace {

// The nearest sample of one curve: the lowest index among those at the least distance.
struct Candidate
{
    int index = -1;
    double distance = std::numeric_limits<double>::max();

    void offer(int i, double d)
    {
        if (d < distance || (d == distance && i < index)) {
            index = i;
            distance = d;
        }
    }
};

void scanSamples(const QwtSeriesData<QPointF> &samples, const QwtScaleMap &xMap,
                 const QwtScaleMap &yMap, const QPoint &cursor, int from, int to,
                 Candidate &candidate)
{
    for (int i = from; i < to; ++i) {
        QPoint pixel;
        if (canvasPixel(xMap, yMap, samples.sample(static_cast<size_t>(i)), pixel))
            candidate.offer(i, pixelDistance(pixel, cursor));
    }
}

// Gap between v and the interval spanned by a and b.
int gap(int v, int a, int b)
{
    return v < std::min(a, b) ? std::min(a, b) - v : v > std::max(a, b) ? v - std::max(a, b) : 0;
}

// Search over a curve whose x ascends: pixel columns then follow the sample order, so the
// search starts where the cursor's column is and walks outwards, chunk by chunk and within
// a chunk that may hold the answer block by block. It skips stretches whose pixel box lies
// farther than the best distance so far and stops where the horizontal distance alone is
// farther. Distances are computed as the scan over all samples computes them, and a box is
// never farther than any of its samples, so the answer is the same.
class AscendingSearch
{
public:
    AscendingSearch(const ScopeSeriesData &series, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QPoint &cursor, double bound)
        : m_series(series), m_xMap(xMap), m_yMap(yMap), m_cursor(cursor), m_bound(bound)
    {}

    Candidate run()
    {
        const int start = cursorIndex();
        for (int i = start; i < count() && visitChunk(i, chunkEnd(i), true);)
            i = chunkEnd(i);
        for (int i = start - 1; i >= 0 && visitChunk(columns().chunkStart(i), i + 1, false);)
            i = columns().chunkStart(i) - 1;
        return m_found;
    }

private:
    enum class Reach
    {
        Beyond, // this stretch and all beyond it are too far
        Clear,  // nothing in this stretch can be the answer
        Near    // its samples need a look
    };

    static int rounded(double mapped) { return qRound(qBound(-kPixelLimit, mapped, kPixelLimit)); }
    const ColumnSnapshot &columns() const { return m_series.y(); }
    int count() const { return m_series.count(); }
    int chunkEnd(int i) const { return std::min(columns().chunkEnd(i), count()); }
    int blockEnd(int i) const { return std::min(columns().blockEnd(i), count()); }
    int pixelX(int i) const { return rounded(m_xMap.transform(m_series.xAt(i))); }
    int pixelY(double value) const { return rounded(m_yMap.transform(value)); }
    double limit() const { return std::min(m_bound, m_found.distance); }
    static double reach(int dx, int dy) { return pixelDistance(QPoint(dx, dy), QPoint(0, 0)); }

    // The first sample whose column is at or past the cursor's, in the order of the samples.
    int cursorIndex() const
    {
        const bool rising = m_xMap.transform(1.0) >= m_xMap.transform(0.0);
        int low = 0;
        int high = count();
        while (low < high) {
            const int middle = low + (high - low) / 2;
            const int column = pixelX(middle);
            if (rising ? column < m_cursor.x() : column > m_cursor.x())
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

    Reach reachOf(int from, int to) const
    {
        const int dx = gap(m_cursor.x(), pixelX(from), pixelX(to - 1));
        if (reach(dx, 0) > limit())
            return Reach::Beyond;
        const SampleExtremes extremes = columns().extremes(from, to);
        if (!extremes.hasFinite())
            return Reach::Clear;
        const int dy = gap(m_cursor.y(), pixelY(extremes.least), pixelY(extremes.greatest));
        return reach(dx, dy) <= limit() ? Reach::Near : Reach::Clear;
    }

    // False once the columns alone are too far, which then holds beyond as well.
    bool visitBlock(int from, int to)
    {
        const Reach r = reachOf(from, to);
        if (r == Reach::Near)
            scanSamples(m_series, m_xMap, m_yMap, m_cursor, from, to, m_found);
        return r != Reach::Beyond;
    }

    bool visitChunk(int from, int to, bool outwardsRight)
    {
        const Reach r = reachOf(from, to);
        if (r != Reach::Near)
            return r != Reach::Beyond;
        if (outwardsRight) {
            for (int i = from; i < to; i = blockEnd(i)) {
                if (!visitBlock(i, std::min(blockEnd(i), to)))
                    return false;
            }
        } else {
            for (int i = to - 1; i >= from; i = columns().blockStart(i) - 1) {
                if (!visitBlock(std::max(columns().blockStart(i), from), i + 1))
                    return false;
            }
        }
        return true;
    }

    const ScopeSeriesData &m_series;
    const QwtScaleMap &m_xMap;
    const QwtScaleMap &m_yMap;
    QPoint m_cursor;
    double m_bound;
    Candidate m_found;
};

Candidate closestOnCurve(const QwtSeriesData<QPointF> &samples, const QwtScaleMap &xMap,
                         const QwtScaleMap &yMap, const QPoint &cursor, double bound)
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(&samples);
    if (series && series->isXAscending() && !xMap.transformation() && !yMap.transformation())
        return AscendingSearch(*series, xMap, yMap, cursor, bound).run();
    Candidate candidate;
    scanSamples(samples, xMap, yMap, cursor, 0, static_cast<int>(samples.size()), candidate);
    return candidate;
}

} // namespace

ClosestSample findClosestSample(const QVector<SearchCurve> &curves, const QwtScaleMap &xMap,
                                const QwtScaleMap &yMap, const QPoint &cursor)
{
    ClosestSample best;
    for (int position = 0; position < curves.size(); ++position) {
        const SearchCurve &curve = curves.at(position);
        if (!curve.visible || !curve.samples)
            continue;
        const Candidate found = closestOnCurve(*curve.samples, xMap, curve.valueMap.value_or(yMap),
                                               cursor, best.distance);
        if (found.index >= 0 && found.distance < best.distance) {
            best.position = position;
            best.index = found.index;
            best.distance = found.distance;
        }
    }
    return best;
}
