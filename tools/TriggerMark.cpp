#include "TriggerMark.h"

#include "QwtScope.h"

#include <qwt_plot_marker.h>
#include <qwt_text.h>

namespace {

const QColor kTriggerColour(0, 110, 190);
constexpr double kMarkZ = 1000.0; // above grid and curves

} // namespace

TriggerMark::TriggerMark(QwtScope *plot)
    : QObject(plot), m_plot(plot), m_marker(new QwtPlotMarker(tr("Trigger")))
{
    setObjectName(QStringLiteral("TriggerMark"));
    m_marker->setLineStyle(QwtPlotMarker::VLine);
    m_marker->setLinePen(kTriggerColour, 2.0, Qt::DashLine);
    m_marker->setLabelAlignment(Qt::AlignRight | Qt::AlignBottom);
    m_marker->setZ(kMarkZ);
    m_marker->setVisible(false);
    m_marker->attach(plot);
    connect(plot, &QwtScope::aboutToReplot, this, &TriggerMark::follow);
}

void TriggerMark::place(double recordedTime)
{
    m_recordedTime = recordedTime;
    m_marker->setVisible(true);
    m_plot->replot();
}

void TriggerMark::remove()
{
    if (!m_recordedTime)
        return;
    m_recordedTime.reset();
    m_marker->setVisible(false);
    m_plot->replot();
}

double TriggerMark::shownTime() const
{
    return m_recordedTime ? *m_recordedTime - m_plot->timeOrigin() : 0.0;
}

void TriggerMark::follow()
{
    if (!m_recordedTime)
        return;
    const double shown = shownTime();
    m_marker->setXValue(shown);
    QwtText label(tr("Trigger, %1 ms").arg(QString::number(shown, 'g', 7)));
    label.setColor(kTriggerColour);
    label.setBackgroundBrush(QColor(255, 255, 255, 225));
    m_marker->setLabel(label);
}
