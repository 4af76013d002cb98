#pragma once

#include "ColumnSnapshot.h"

#include <qwt_scale_map.h>
#include <qwt_series_data.h>

#include <QVector>

#include <optional>

// The samples of one curve: times and values from shared column snapshots, paired index
// by index up to the shorter of the two. Times are reported relative to an origin, worked
// out per sample instead of rewriting the column, so all curves share one time column.
// Owned by its curve; GUI thread.
class ScopeSeriesData : public QwtSeriesData<QPointF>
{
public:
    // How the curve is drawn in time: exactly, or, for a live window that slides by a
    // fraction of a pixel at every refresh, from an origin on whole pixels of the time
    // scale up to a pixel before xOrigin. Then each sample keeps its pixel column while the
    // window slides, and the line may lie up to a pixel right of its samples.
    enum class TimeDrawing
    {
        Exact,
        OnWholePixels
    };

    ScopeSeriesData(ColumnSnapshot x, double xOrigin, ColumnSnapshot y,
                    TimeDrawing drawing = TimeDrawing::Exact);

    size_t size() const override { return static_cast<size_t>(m_size); }
    QPointF sample(size_t i) const override
    {
        const int k = static_cast<int>(i);
        return QPointF(xAt(k), m_y.at(k));
    }
    QRectF boundingRect() const override;

    int count() const { return m_size; }
    double xAt(int i) const { return m_x.at(i) - m_xOrigin; }
    double yAt(int i) const { return m_y.at(i); }
    // Whether x never decreases from one sample to the next, so it can be searched.
    bool isXAscending() const { return m_x.isAscending(); }
    // The first index in [from, to) whose x is not less than `x`; needs ascending x.
    int lowerBoundX(double x, int from, int to) const;
    // Whether these are the samples of the views `x` and `y` with times from `xOrigin`.
    bool shows(const ColumnSnapshot &x, double xOrigin, const ColumnSnapshot &y) const
    {
        return m_x.isSameView(x) && m_y.isSameView(y) && m_xOrigin == xOrigin;
    }
    const ColumnSnapshot &xColumn() const { return m_x; }
    double xOrigin() const { return m_xOrigin; }
    TimeDrawing timeDrawing() const { return m_drawing; }
    // The time drawn at the scale's start under `timeMap`: xOrigin when drawn exactly, else
    // the whole pixel at or before it.
    double drawingOrigin(const QwtScaleMap &timeMap) const;
    // The whole pixels a curve drawn from the origin `earlier` moved left when drawn from
    // `now` under `timeMap`; none when it moved by a fraction of a pixel or too far to count.
    static std::optional<int> wholePixelShift(double earlier, double now,
                                              const QwtScaleMap &timeMap);
    const ColumnSnapshot &y() const { return m_y; }
    // Over every value, as ColumnSnapshot::extremes gives them.
    const SampleExtremes &yExtremes() const { return m_yExtremes; }
    // Whether any time or value is NaN or infinite (from the columns' summaries).
    bool hasNonFinite() const { return m_xExtremes.nonFinite || m_yExtremes.nonFinite; }
    // The samples that follow a jump in time, ascending: no line joins them to the one
    // before, as at a sample that is not finite.
    void setTimeBreaks(QVector<int> breaks) { m_timeBreaks = std::move(breaks); }
    const QVector<int> &timeBreaks() const { return m_timeBreaks; }

private:
    ColumnSnapshot m_x;
    ColumnSnapshot m_y;
    double m_xOrigin = 0.0;
    TimeDrawing m_drawing = TimeDrawing::Exact;
    int m_size = 0;
    // Over all samples; the snapshots never change.
    SampleExtremes m_xExtremes;
    SampleExtremes m_yExtremes;
    QVector<int> m_timeBreaks;
};
