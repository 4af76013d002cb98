#pragma once

#include "PixelColumnReduction.h"

#include <QImage>
#include <QPen>
#include <QRect>

#include <qwt_plot.h>
#include <qwt_scale_map.h>

#include <array>
#include <optional>
#include <vector>

class QPainter;
class QwtPlotItem;
class ScopeCurve;

// The curves of a plot drawn into an image of the canvas that is kept between replots: when
// a live window slid by whole pixels, the image slides with it and only the columns where a
// curve changed are drawn again. Over a long window, filling dense curves that had not
// changed was most of each refresh. Partly only while every curve is filled as spans (see
// ColumnSpans), whose pixels follow from their columns alone; a stroked curve that changed
// is drawn again whole, with the others. Whatever else changes how the curves look (canvas,
// scales, pens, which curves show) draws them straight onto the canvas once; when it holds
// to the next replot, they go through the image again. Pens that blend (see-through or
// antialiased) always draw straight, so the pixels are those of drawing straight. Owned by
// the plot; GUI thread.
class CurveLayer
{
public:
    // Draws `curves`, visible and in the order of the plot's items, as QwtPlot draws items.
    void draw(QPainter *painter, const QRectF &canvasRect, const QwtScaleMap maps[QwtPlot::axisCnt],
              const std::vector<const ScopeCurve *> &curves);
    // The pixel columns the last draw drew curves in anew: the canvas' width when it drew
    // them whole.
    int redrawnColumns() const { return m_redrawnColumns; }

    // One item with its own antialiasing, as QwtPlot::drawItems draws each.
    static void drawItem(QPainter *painter, const QwtPlotItem &item, const QRectF &canvasRect,
                         const QwtScaleMap maps[QwtPlot::axisCnt]);

private:
    using Scale = std::array<double, 4>; // s1, s2, p1, p2

    // What decides a curve's pixels besides the columns it draws through.
    struct CurveLook
    {
        const ScopeCurve *curve = nullptr;
        QPen pen;
        bool antialiased = false;
        Scale time{};
        Scale value{};

        bool operator==(const CurveLook &other) const;
    };

    struct Look
    {
        QRect canvas;
        qreal pixelRatio = 1.0;
        std::vector<CurveLook> curves;

        bool operator==(const Look &other) const;
        bool opaque() const;
    };

    static Look lookOf(const QPainter &painter, const QRectF &canvasRect,
                       const QwtScaleMap maps[QwtPlot::axisCnt],
                       const std::vector<const ScopeCurve *> &curves);
    static bool imageServes(QPainter &painter);
    static bool drawnColumnsOf(const std::vector<const ScopeCurve *> &curves,
                               const QRectF &canvasRect, const QwtScaleMap maps[QwtPlot::axisCnt],
                               std::vector<PixelColumns> &columns);
    std::optional<double> drawingOrigin(const std::vector<const ScopeCurve *> &curves,
                                        const QwtScaleMap maps[QwtPlot::axisCnt]) const;
    int pixelShiftTo(std::optional<double> origin) const;
    std::vector<bool> changedColumns(const std::vector<PixelColumns> &columns, int shift) const;
    static bool drawnAsSpans(const CurveLook &look, const PixelColumns &columns);
    void slideImage(int shift);
    void redraw(const std::vector<bool> &changed, const QRectF &canvasRect,
                const QwtScaleMap maps[QwtPlot::axisCnt],
                const std::vector<const ScopeCurve *> &curves);
    void forgetImage();
    void drawStraight(QPainter *painter, const QRectF &canvasRect,
                      const QwtScaleMap maps[QwtPlot::axisCnt],
                      const std::vector<const ScopeCurve *> &curves);

    std::optional<Look> m_look; // of the last draw
    QImage m_image;             // the curves through m_columns; null when they went straight
    std::vector<PixelColumns> m_columns; // per curve of m_look
    std::optional<double> m_drawingOrigin;
    int m_redrawnColumns = 0;
};
