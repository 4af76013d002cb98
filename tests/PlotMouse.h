#pragma once

// Mouse input for a plot canvas. The offscreen platform does not turn QTest::mouseMove into
// drags or hovering, so the events are sent to the canvas directly.

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QtTest>

#include <qwt_plot.h>

namespace PlotMouse {

inline void send(QWidget *canvas, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
                 Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, canvas->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &event);
}

// A rubber band of exactly `size` pixels, as QRect counts them, from `topLeft`.
inline void dragRect(QWidget *canvas, const QPoint &topLeft, const QSize &size)
{
    const QPoint bottomRight = topLeft + QPoint(size.width() - 1, size.height() - 1);
    send(canvas, QEvent::MouseButtonPress, topLeft, Qt::LeftButton, Qt::LeftButton);
    send(canvas, QEvent::MouseMove, bottomRight, Qt::NoButton, Qt::LeftButton);
    send(canvas, QEvent::MouseButtonRelease, bottomRight, Qt::LeftButton, Qt::NoButton);
}

inline void click(QWidget *canvas, const QPoint &pos, Qt::MouseButton button)
{
    send(canvas, QEvent::MouseButtonPress, pos, button, button);
    send(canvas, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

inline void enter(QWidget *canvas, const QPoint &pos)
{
    QEnterEvent event(pos, pos, canvas->mapToGlobal(pos));
    QCoreApplication::sendEvent(canvas, &event);
}

inline void hover(QWidget *canvas, const QPoint &pos)
{
    send(canvas, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
}

// Shows the plot at a fixed size so that canvas pixels map to known plot coordinates.
inline bool showAt(QwtPlot *plot, const QSize &size = QSize(800, 600))
{
    plot->setFixedSize(size);
    plot->show();
    if (!QTest::qWaitForWindowExposed(plot))
        return false;
    plot->replot();
    return true;
}

} // namespace PlotMouse
