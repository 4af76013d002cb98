#pragma once

#include <QObject>

#include <vector>

class QwtPlotMarker;
class QwtScope;

// The marks where the controller's clock stepped back during the recording, each labelled
// "controller time stepped back by … ms". Kept in recorded time, so they move with the data
// while the live view scrolls; a mark that left the window goes. A child of the plot; its
// markers belong to the plot's item list. GUI thread only.
class TimeStepMarks : public QObject
{
    Q_OBJECT

public:
    explicit TimeStepMarks(QwtScope *plot);
    ~TimeStepMarks() override;

    void add(double recordedTime, double backMs);
    void clear();

private:
    struct Mark
    {
        double recordedTime;
        QwtPlotMarker *marker;
    };
    void follow();

    QwtScope *m_plot;
    std::vector<Mark> m_marks;
};
