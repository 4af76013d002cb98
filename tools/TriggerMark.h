#pragma once

#include <QObject>

#include <optional>

class QwtPlotMarker;
class QwtScope;

// The vertical mark at the instant the trigger fired, labelled with its time on the axis.
// Kept in recorded time, so it moves with the data while the live view scrolls, like the
// measurement cursors. A child of the plot; its marker belongs to the plot's item list.
// GUI thread only.
class TriggerMark : public QObject
{
    Q_OBJECT

public:
    explicit TriggerMark(QwtScope *plot);

    // `recordedTime` is the controller time of the sample that fired the trigger.
    void place(double recordedTime);
    void remove();
    bool isPlaced() const { return m_recordedTime.has_value(); }
    // Where the mark stands on the time axis now.
    double shownTime() const;

private:
    void follow();

    QwtScope *m_plot;
    QwtPlotMarker *m_marker;
    std::optional<double> m_recordedTime;
};
