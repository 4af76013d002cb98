#include "TimeStepMarks.h"

#include "QwtScope.h"

#include <qwt_plot_marker.h>
#include <qwt_text.h>

namespace {

const QColor kStepColour(150, 0, 150);
constexpr double kMarkZ = 1000.0; // above grid and curves

} // namespace

TimeStepMarks::TimeStepMarks(QwtScope *plot) : QObject(plot), m_plot(plot)
{
    setObjectName(QStringLiteral("TimeStepMarks"));
    connect(plot, &QwtScope::aboutToReplot, this, &TimeStepMarks::follow);
}

TimeStepMarks::~TimeStepMarks() = default; // the plot deletes its items

void TimeStepMarks::add(double recordedTime, double backMs)
{
    auto *marker = new QwtPlotMarker(tr("Time step"));
    marker->setLineStyle(QwtPlotMarker::VLine);
    marker->setLinePen(kStepColour, 1.0, Qt::DotLine);
    marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    marker->setZ(kMarkZ);
    QwtText label(tr("controller time stepped back by %1 ms").arg(backMs, 0, 'f', 3));
    label.setColor(kStepColour);
    label.setBackgroundBrush(QColor(255, 255, 255, 225));
    marker->setLabel(label);
    marker->attach(m_plot);
    m_marks.push_back(Mark{recordedTime, marker});
}

void TimeStepMarks::clear()
{
    for (const Mark &mark : m_marks) {
        mark.marker->detach();
        delete mark.marker;
    }
    m_marks.clear();
}

void TimeStepMarks::follow()
{
    const double origin = m_plot->timeOrigin();
    for (auto mark = m_marks.begin(); mark != m_marks.end();) {
        if (mark->recordedTime < origin) {
            mark->marker->detach();
            delete mark->marker;
            mark = m_marks.erase(mark);
            continue;
        }
        mark->marker->setXValue(mark->recordedTime - origin);
        ++mark;
    }
}
