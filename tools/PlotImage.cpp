#include "PlotImage.h"

#include "QwtScope.h"
#include "SafeFileWriter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <qwt_abstract_legend.h>
#include <qwt_graphic.h>
#include <qwt_plot.h>
#include <qwt_plot_renderer.h>
#include <qwt_text.h>

#include <algorithm>

#ifdef SCOPE_HAVE_SVG
#include <QSvgGenerator>
#endif

namespace {

constexpr double kLegendMargin = 8.0;
constexpr double kLegendSpacing = 4.0;
constexpr QSizeF kLegendIcon(14.0, 8.0);

// The saved legend names exactly the curves that are drawn: the legend on screen also lists
// hidden ones and shows only as many as fit its scroll area.
QwtPlotItemList drawnCurves(const QwtPlot *plot)
{
    QwtPlotItemList drawn;
    for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
        if (item->isVisible())
            drawn << item;
    }
    return drawn;
}

// Entries run top to bottom in as many columns as all of them need.
struct LegendLayout
{
    int rows = 1;
    double rowHeight = 0.0;
    double columnWidth = 0.0;
    double width = 0.0;
};

LegendLayout legendLayout(const QwtPlotItemList &entries, const QFontMetricsF &metrics,
                          double height)
{
    LegendLayout layout;
    if (entries.isEmpty())
        return layout;
    layout.rowHeight = std::max(metrics.height(), kLegendIcon.height()) + kLegendSpacing;
    layout.rows = std::max(1, int((height - 2 * kLegendMargin) / layout.rowHeight));
    double widest = 0.0;
    for (const QwtPlotItem *item : entries)
        widest = std::max(widest, metrics.horizontalAdvance(item->title().text()));
    layout.columnWidth = kLegendIcon.width() + kLegendSpacing + widest + kLegendMargin;
    const int columns = (entries.size() + layout.rows - 1) / layout.rows;
    layout.width = columns * layout.columnWidth + kLegendMargin;
    return layout;
}

void paintLegend(QPainter &painter, const QwtPlotItemList &entries, const LegendLayout &layout,
                 const QPointF &topLeft)
{
    for (int i = 0; i < entries.size(); ++i) {
        const QPointF origin =
            topLeft + QPointF(kLegendMargin + (i / layout.rows) * layout.columnWidth,
                              kLegendMargin + (i % layout.rows) * layout.rowHeight);
        const QRectF icon(origin + QPointF(0.0, (layout.rowHeight - kLegendIcon.height()) / 2.0),
                          kLegendIcon);
        entries.at(i)->legendIcon(0, kLegendIcon).render(&painter, icon, Qt::KeepAspectRatio);
        const QRectF text(origin.x() + kLegendIcon.width() + kLegendSpacing, origin.y(),
                          layout.columnWidth, layout.rowHeight);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, entries.at(i)->title().text());
    }
}

// An image names no unit that not every drawn curve has: the curve the mouse is on names
// its own unit on the axis for the moment only.
class CommonUnitTitle
{
public:
    explicit CommonUnitTitle(QwtPlot *plot)
        : m_plot(qobject_cast<QwtScope *>(plot)), m_live(plot->axisTitle(QwtPlot::yLeft))
    {
        if (m_plot)
            m_plot->setAxisTitle(QwtPlot::yLeft, m_plot->commonUnitTitle());
    }
    ~CommonUnitTitle()
    {
        if (m_plot)
            m_plot->setAxisTitle(QwtPlot::yLeft, m_live);
    }
    CommonUnitTitle(const CommonUnitTitle &) = delete;
    CommonUnitTitle &operator=(const CommonUnitTitle &) = delete;

private:
    QwtScope *m_plot;
    QwtText m_live;
};

void renderInto(QwtPlot *plot, QPaintDevice &device, const QRectF &rect)
{
    const CommonUnitTitle title(plot);
    QPainter painter(&device);
    QwtPlotRenderer renderer;
    if (!plot->legend()) {
        renderer.render(plot, &painter, rect);
        return;
    }
    renderer.setDiscardFlag(QwtPlotRenderer::DiscardLegend, true);
    const QwtPlotItemList entries = drawnCurves(plot);
    const QFont font = plot->legend()->font();
    const LegendLayout layout = legendLayout(entries, QFontMetricsF(font, &device), rect.height());
    renderer.render(plot, &painter, rect.adjusted(0.0, 0.0, -layout.width, 0.0));
    painter.setFont(font);
    painter.setPen(plot->palette().color(QPalette::WindowText));
    paintLegend(painter, entries, layout, QPointF(rect.right() - layout.width, rect.top()));
}

bool isSvgName(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0;
}

#ifdef SCOPE_HAVE_SVG
bool saveSvg(QwtPlot *plot, const QString &fileName, QString *error)
{
    SafeFileWriter file;
    if (!file.open(fileName, SafeFileWriter::Mode::Replace, error))
        return false;
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&file.device());
        generator.setSize(plot->size());
        generator.setViewBox(QRect(QPoint(0, 0), plot->size()));
        generator.setTitle(plot->windowTitle());
        renderInto(plot, generator, QRectF(QPointF(0, 0), plot->size()));
    }
    if (file.device().error() != QFileDevice::NoError) {
        *error = file.device().errorString();
        return false;
    }
    return file.commit(error);
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
    QStringList filters{QCoreApplication::translate("PlotImage", "PNG image (*.png)")};
#ifdef SCOPE_HAVE_SVG
    filters << QCoreApplication::translate("PlotImage", "SVG image (*.svg)");
#endif
    return filters;
}

bool PlotImage::save(QwtPlot *plot, const QString &fileName, QString *error)
{
    if (isSvgName(fileName)) {
#ifdef SCOPE_HAVE_SVG
        return saveSvg(plot, fileName, error);
#else
        *error = QCoreApplication::translate("PlotImage", "SVG is not available in this build");
        return false;
#endif
    }
    SafeFileWriter file;
    if (!file.open(fileName, SafeFileWriter::Mode::Replace, error))
        return false;
    if (!render(plot).save(&file.device(), "PNG")) {
        *error = file.device().errorString();
        return false;
    }
    return file.commit(error);
}
