#include "ScopeStateLine.h"

#include "ControllerLibrary.h"
#include "QwtScope.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QTime>

#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_text.h>

namespace {

const QColor kAlarmColour(190, 0, 0);
const QColor kOverlayBackground(255, 255, 255, 225);
constexpr double kOverlayZ = 1000.0; // above grid and curves
const QColor kStampColour(190, 0, 0, 55);
constexpr double kStampScale = 3.0;
constexpr double kStampZ = 1.0; // below grid (10) and curves (20)

QString clockTime()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
}

QString timeOnAxis(double ms)
{
    return QString::number(ms, 'g', 7);
}

// The form's row of figures has fixed widths that fill the strip at the form's size, so the
// state gets a row of its own above it; the form's row is kept whole, one level down.
QHBoxLayout *addStateRow(QFrame *statusStrip)
{
    auto *strip = qobject_cast<QBoxLayout *>(statusStrip->layout());
    if (!strip)
        return nullptr;
    auto *stateRow = new QHBoxLayout;
    auto *rows = new QVBoxLayout;
    rows->setSpacing(strip->spacing());
    rows->addLayout(stateRow);
    while (QLayoutItem *item = strip->takeAt(0)) {
        if (QLayout *formRow = item->layout())
            rows->addLayout(formRow);
        else
            rows->addItem(item);
    }
    strip->addLayout(rows);
    return stateRow;
}

} // namespace

ScopeStateLine::ScopeStateLine(QFrame *statusStrip, QwtScope *plot, QObject *parent)
    : QObject(parent), m_plot(plot)
{
    QHBoxLayout *stateRow = addStateRow(statusStrip);
    m_label = new QLabel(statusStrip);
    m_label->setObjectName(QStringLiteral("Kvel_Scope_lb_State"));
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_label->setWordWrap(true); // rather than cut off in a narrow window
    if (stateRow)
        stateRow->addWidget(m_label, 1);

    m_errorMark = new QwtPlotMarker(tr("Robot error"));
    m_errorMark->setLineStyle(QwtPlotMarker::VLine);
    m_errorMark->setLinePen(kAlarmColour, 2.0, Qt::SolidLine);
    m_errorMark->setLabelAlignment(Qt::AlignLeft | Qt::AlignBottom);
    m_errorMark->setZ(kOverlayZ);
    m_errorMark->setVisible(false);
    m_errorMark->attach(plot);

    if (ControllerLibrary::isSimulator())
        addSimulatorNotice(statusStrip, stateRow);
    showStopped();
}

// On the strip, left of the state, and on the plot, so that no screen or saved image
// of simulated data can pass for a robot's.
void ScopeStateLine::addSimulatorNotice(QFrame *statusStrip, QHBoxLayout *stateRow)
{
    const QString notice = tr("SIMULATED CONTROLLER");
    auto *label = new QLabel(notice, statusStrip);
    label->setObjectName(QStringLiteral("Kvel_Scope_lb_Simulated"));
    label->setToolTip(tr("The controller library %1 is a simulator: every value the scope "
                         "shows is simulated.")
                          .arg(ControllerLibrary::path()));
    label->setStyleSheet(QStringLiteral(
        "QLabel { color: white; background: #be0000; font-weight: bold; padding: 2px 6px; }"));
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (stateRow)
        stateRow->insertWidget(0, label);

    // A large faint stamp behind grid and curves: on every image, over nothing one reads.
    QwtText text(notice);
    text.setRenderFlags(Qt::AlignCenter);
    QFont font = text.font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * kStampScale);
    text.setFont(font);
    text.setColor(kStampColour);
    auto *onPlot = new QwtPlotTextLabel;
    onPlot->setText(text);
    onPlot->setZ(kStampZ);
    onPlot->attach(m_plot);
}

void ScopeStateLine::showStarted()
{
    forgetRecording();
    m_firedAt.clear();
    m_captures.clear();
    m_savedTo.clear();
    m_controllerNote.clear();
    m_bControllerAlarm = false;
    m_bErrorRaised = false;
}

void ScopeStateLine::showSampling(bool triggerArmed, bool capturing, const QString &triggerChannel)
{
    if (!triggerArmed && capturing)
        show(m_firedAt.isEmpty() ? tr("Sampling")
                                 : tr("Recording since trigger at %1").arg(m_firedAt),
             Tone::Running);
    else if (!triggerArmed)
        show(tr("Holding after trigger at %1 (press Stop to export)").arg(m_firedAt),
             Tone::Waiting);
    else if (capturing)
        show(triggerChannel.isEmpty() ? tr("Recording until trigger")
                                      : tr("Recording until trigger on %1").arg(triggerChannel),
             Tone::Running);
    else
        show(triggerChannel.isEmpty() ? tr("Waiting for trigger")
                                      : tr("Waiting for trigger on %1").arg(triggerChannel),
             Tone::Waiting);
}

void ScopeStateLine::showCaptures(int kept, int bound, int dropped)
{
    m_captures = tr("%1 of %2 captures kept").arg(kept).arg(bound);
    if (dropped > 0)
        m_captures += tr(", %1 oldest dropped").arg(dropped);
    refresh();
}

void ScopeStateLine::noteTriggerFired()
{
    m_firedAt = clockTime();
}

void ScopeStateLine::showRobotError(bool raised)
{
    m_bErrorRaised = raised;
    m_bRecordingSawError = m_bRecordingSawError || raised;
    refresh();
}

void ScopeStateLine::showFileRecording(const QString &text, bool alarm)
{
    m_fileRecording = text;
    m_bFileAlarm = alarm && !text.isEmpty();
    refresh();
}

void ScopeStateLine::showSavedTo(const QString &text)
{
    m_savedTo = text;
    refresh();
}

void ScopeStateLine::showControllerNote(const QString &text, bool alarm)
{
    m_controllerNote = text;
    m_bControllerAlarm = alarm && !text.isEmpty();
    refresh();
}

void ScopeStateLine::showLoaded(const QString &what)
{
    show(tr("Showing %1").arg(what), Tone::Plain);
}

void ScopeStateLine::showStopped()
{
    m_bErrorRaised = false;
    if (ControllerLibrary::isDisabled())
        show(tr("No controller: recordings are opened here, not sampled"), Tone::Plain);
    else if (!ControllerLibrary::isLoaded())
        show(tr("No controller library (%1)").arg(ControllerLibrary::loadError()), Tone::Alarm);
    else
        show(tr("Stopped"), Tone::Plain);
}

void ScopeStateLine::showStoppedByRobotError(std::optional<double> lastSampleTime,
                                             const QDateTime &lastSampleWallClock)
{
    m_bErrorRaised = false;
    m_bRecordingSawError = true;
    if (!lastSampleTime) {
        show(tr("Stopped by robot error at %1; nothing recorded").arg(clockTime()), Tone::Alarm);
        return;
    }
    markRecordingEnd(*lastSampleTime);
    if (!lastSampleWallClock.isValid()) {
        show(tr("Stopped by robot error at %1; last sample at %2 ms")
                 .arg(clockTime(), timeOnAxis(*lastSampleTime)),
             Tone::Alarm);
        return;
    }
    show(tr("Stopped by robot error at %1; last sample at %2 ms (%3)")
             .arg(clockTime(), timeOnAxis(*lastSampleTime),
                  lastSampleWallClock.toLocalTime().toString(QStringLiteral("hh:mm:ss.zzz"))),
         Tone::Alarm);
}

void ScopeStateLine::showControllerLost()
{
    m_bErrorRaised = false;
    show(tr("Controller lost at %1").arg(clockTime()), Tone::Alarm);
}

void ScopeStateLine::forgetRecording()
{
    m_bRecordingSawError = false;
    if (!m_errorMark->isVisible())
        return;
    m_errorMark->setVisible(false);
    m_plot->replot();
}

void ScopeStateLine::markRecordingEnd(double time)
{
    QwtText label(tr("Robot error, %1 ms").arg(timeOnAxis(time)));
    label.setColor(kAlarmColour);
    label.setBackgroundBrush(kOverlayBackground);
    m_errorMark->setLabel(label);
    m_errorMark->setXValue(time);
    m_errorMark->setVisible(true);
    m_plot->replot();
}

void ScopeStateLine::show(const QString &text, Tone tone)
{
    m_activity = text;
    m_tone = tone;
    refresh();
}

// Called on every refresh tick while sampling: the label is touched only when it changes.
void ScopeStateLine::refresh()
{
    static const QString styles[] = {
        QString(), QStringLiteral("QLabel { color: #006400; font-weight: bold; }"),
        QStringLiteral("QLabel { color: #a05a00; font-weight: bold; }"),
        QStringLiteral("QLabel { color: #be0000; font-weight: bold; }")};
    QString text = m_captures.isEmpty() ? m_activity : m_activity + "; " + m_captures;
    if (m_bErrorRaised)
        text = tr("%1; robot reports an error").arg(text);
    if (!m_controllerNote.isEmpty())
        text += "; " + m_controllerNote;
    const QString &file = m_fileRecording.isEmpty() ? m_savedTo : m_fileRecording;
    if (!file.isEmpty())
        text += " | " + file;
    const bool alarm = m_bErrorRaised || m_bFileAlarm || m_bControllerAlarm;
    const QString &style = styles[static_cast<int>(alarm ? Tone::Alarm : m_tone)];
    if (m_label->text() != text) {
        m_label->setText(text);
        m_label->setToolTip(text);
    }
    if (m_label->styleSheet() != style)
        m_label->setStyleSheet(style);
}
