#pragma once

#include <qwt_plot_zoomer.h>

// Rubber-band zoom on the plot canvas. Ignores selections under 30 pixels in both
// directions so that clicks do not zoom. The zoom stack and bindings are the library's;
// the plot puts its own ranges back at the zoom base. A child of the canvas; GUI thread.
class Zoomer : public QwtPlotZoomer
{
public:
    explicit Zoomer(QWidget *canvas);

protected:
    bool accept(QPolygon &points) const override;
};
