#include "PlotImage.h"

#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#ifdef SCOPE_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace {

void renderInto(QwtPlot *plot, QPaintDevice &device, const QRectF &rect)
{
    QPainter painter(&device);
    QwtPlotRenderer renderer;
    renderer.render(plot, &painter, rect);
}

bool isSvgName(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

#ifdef SCOPE_HAVE_SVG
bool saveSvg(QwtPlot *plot, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file);
        generator.setSize(plot->size());
        generator.setViewBox(QRect(QPoint(0, 0), plot->size()));
        generator.setTitle(plot->windowTitle());
        renderInto(plot, generator, QRectF(QPointF(0, 0), plot->size()));
    }
    if (!file.flush() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
#endif

} // namespace

QImage PlotImage::render(QwtPlot *plot)
{
    const qreal ratio = plot->devicePixelRatioF();
    QImage image(plot->size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(plot->palette().window().color());
    renderInto(plot, image, QRectF(QPointF(0, 0), plot->size()));
    return image;
}

QStringList PlotImage::saveFilters()
{
    QStringList filters{QStringLiteral("PNG image (*.png)")};
#ifdef SCOPE_HAVE_SVG
    filters << QStringLiteral("SVG image (*.svg)");
#endif
    return filters;
}

bool PlotImage::save(QwtPlot *plot, const QString &fileName, QString *error)
{
    if (isSvgName(fileName)) {
#ifdef SCOPE_HAVE_SVG
        return saveSvg(plot, fileName, error);
#else
        *error = QStringLiteral("SVG is not available in this build");
        return false;
#endif
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!render(plot).save(&file, "PNG") || !file.flush() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
