#pragma once

#include <QObject>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QVector>

#include <qwt_series_data.h>

#include <array>
#include <optional>

class CursorEdgeMark;
class CursorReadout;
class QwtPlotMarker;
class QwtScope;

// A curve's value at a time, linear between the two samples around it (times ascending).
// False outside the samples' span or next to a sample that is not finite.
bool valueAtTime(const QwtSeriesData<QPointF> &samples, double time, double &value);

// What the cursors read: their times on the time axis and, per visible curve, the value at
// each placed cursor.
struct CursorReading
{
    struct Curve
    {
        QString title;
        QString unit;
        bool has1 = false;
        bool has2 = false;
        double value1 = 0.0;
        double value2 = 0.0;
    };
    bool placed1 = false;
    bool placed2 = false;
    double time1 = 0.0;
    double time2 = 0.0;
    QVector<Curve> curves;

    bool hasSpan() const { return placed1 && placed2; }
    double deltaTime() const { return time2 - time1; }
};

// Two vertical measurement cursors on the time axis with a compact read-out that the operator
// drags anywhere on the canvas (it starts in the top-left corner). A cursor is kept in
// recorded time (the plot's time origin plus the shown time), so it stays on the same moment
// of the data while the live view scrolls, and leaves on the left with it; a cursor outside
// the shown time range gets a mark with its name at that edge of the canvas. Markers, edge
// marks and read-out are plot items (they appear in saved images); the plot owns them.
// A child of the plot; GUI thread only.
class MeasurementCursors : public QObject
{
    Q_OBJECT

public:
    explicit MeasurementCursors(QwtScope *plot);

    // Puts cursor 0 or 1 at a shown time and replots.
    void place(int cursor, double shownTime);
    // Takes both away; the plain tracker is all that is left.
    void remove();
    bool isPlaced(int cursor) const;
    bool anyPlaced() const { return isPlaced(0) || isPlaced(1); }
    double shownTime(int cursor) const;

    CursorReading reading() const;
    // At most one row per visible curve, as many as keep the read-out within a part of the
    // canvas's height; a last row counts the curves left out.
    QString readoutText() const;
    // Where the read-out is on the canvas now; empty while no cursor is placed.
    QRect readoutRect() const;
    // With the recorded time of the trigger's instant, the read-out also gives each cursor's
    // time from it; none takes that away.
    void setTriggerTime(std::optional<double> recordedTime);

protected:
    // Drags the read-out: a left press on it is the operator's, not the zoomer's.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();
    bool dragReadout(QEvent *event);
    QRectF canvasRect() const;
    QString readoutHead(const CursorReading &r) const;
    int readoutRowBudget(int headLines) const;

    QwtScope *m_plot;
    // Kept apart from the plot: the canvas still sends events while the plot is destroyed.
    QWidget *m_canvas;
    std::array<QwtPlotMarker *, 2> m_markers{};    // owned by the plot's item list
    std::array<CursorEdgeMark *, 2> m_edgeMarks{}; // owned by the plot's item list
    std::array<bool, 2> m_placed{};
    std::array<double, 2> m_recordedTime{};
    CursorReadout *m_readout = nullptr; // owned by the plot's item list
    std::optional<QPointF> m_dragGrip;  // where the read-out was taken, from its top-left
    std::optional<double> m_triggerTime;
};
