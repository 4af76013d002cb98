#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QwtPlot;

// The plot as the operator sees it (axes, curves, cursors), rendered through
// QwtPlotRenderer at its on-screen size. The mouse tracker is not part of it, nor is the curve
// under the mouse on the value axis: the axis names only a unit every drawn curve has. A plot
// with a legend gets one that lists every drawn curve and no hidden one.
// GUI thread only.
namespace PlotImage {

QImage render(QwtPlot *plot);

// File dialog filters for saving, PNG first; SVG when the build has Qt's SVG module.
QStringList saveFilters();

// Writes PNG, or SVG for a ".svg" name when available, through SafeFileWriter (replacing);
// false with `error` set otherwise.
bool save(QwtPlot *plot, const QString &fileName, QString *error);

} // namespace PlotImage
