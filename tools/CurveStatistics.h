#pragma once

#include <QPointF>
#include <QString>

#include <qwt_series_data.h>

// Figures of one curve over a time range: count, min, max, mean, RMS and peak-to-peak of the
// finite sample values whose time lies in the range (both ends included). A plain value,
// computed by a pure function; any thread.
struct CurveStatistics
{
    int count = 0;
    double min = 0.0;
    double max = 0.0;
    double mean = 0.0;
    double rms = 0.0;
    double peakToPeak = 0.0;

    bool isEmpty() const { return count == 0; }

    static CurveStatistics over(const QwtSeriesData<QPointF> &samples, double from, double to);
};

// A curve's row in the statistics table.
struct CurveStatisticsRow
{
    QString title;
    QString unit;
    CurveStatistics figures;
};
