#pragma once

#include <QPointF>
#include <QRectF>

#include <qwt_plot_textlabel.h>

// The measurement cursors' read-out box on the canvas, where the operator dragged it. Its
// place is kept as a distance from the canvas corner nearest to it, so a box put in a corner
// stays there when the plot is resized, and it is always drawn whole inside the canvas (at
// the top-left when the canvas is smaller than the box). A plot item, so saved images show it.
// Owned by the plot's item list; GUI thread only.
class CursorReadout : public QwtPlotTextLabel
{
public:
    CursorReadout();

    // The box as drawn in a canvas of this rectangle.
    QRectF rectIn(const QRectF &canvasRect) const;
    // Puts the box's top-left corner at `topLeft`, kept inside the canvas.
    void moveTo(const QPointF &topLeft, const QRectF &canvasRect);

    QRectF textRect(const QRectF &area, const QSizeF &textSize) const override;

private:
    bool m_fromRight = false;
    bool m_fromBottom = false;
    QPointF m_distance; // from the anchored edges of the canvas, in pixels
};
