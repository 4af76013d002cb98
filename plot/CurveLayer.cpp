#include "CurveLayer.h"

#include "ColumnSpans.h"
#include "ScopeCurve.h"
#include "ScopeSeriesData.h"

#include <QPainter>

#include <qwt_painter.h>
#include <qwt_plot_item.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Changed columns this close are drawn again in one go; each go draws every curve.
constexpr int kJoinedGap = 32;

// Columns beyond a changed column and its neighbours to draw again: a span covers its own
// column and the one before it.
constexpr int kSpanReach = 1;

std::array<double, 4> scaleOf(const QwtScaleMap &map)
{
    return {map.s1(), map.s2(), map.p1(), map.p2()};
}

bool sameRows(const PixelColumn &a, const PixelColumn &b)
{
    return a.count == b.count &&
           std::equal(a.rows.begin(), a.rows.begin() + a.count, b.rows.begin());
}

// Which canvas columns may have other pixels than before.
class Changes
{
public:
    Changes(int left, int width) : m_left(left), m_columns(static_cast<std::size_t>(width), false)
    {}

    // Columns [from, to] in painter coordinates, cut to the canvas.
    void mark(int from, int to)
    {
        const int first = std::max(from - m_left, 0);
        const int last = std::min(to - m_left, static_cast<int>(m_columns.size()) - 1);
        for (int x = first; x <= last; ++x)
            m_columns[static_cast<std::size_t>(x)] = true;
    }

    void markAll() { std::fill(m_columns.begin(), m_columns.end(), true); }
    bool any() const
    {
        return std::find(m_columns.begin(), m_columns.end(), true) != m_columns.end();
    }
    std::vector<bool> take() { return std::move(m_columns); }

private:
    int m_left = 0;
    std::vector<bool> m_columns;
};

// Marks where a curve drawn as spans through `now` may differ from it drawn through
// `before` and moved `shift` columns left: around each column that is new, gone or other,
// up to its neighbours, since each span joins its column to the next.
void markCurveChanges(const PixelColumns &before, int shift, const PixelColumns &now,
                      Changes &changes)
{
    const auto around = [&](const PixelColumns &columns, int k, int offset) {
        const int last = static_cast<int>(columns.size()) - 1;
        changes.mark(columns.at(std::max(k - 1, 0)).x + offset - kSpanReach,
                     columns.at(std::min(k + 1, last)).x + offset + kSpanReach);
    };
    int i = 0;
    int j = 0;
    while (i < before.size() || j < now.size()) {
        const bool gone =
            j == now.size() || (i < before.size() && before.at(i).x - shift < now.at(j).x);
        const bool added = !gone && (i == before.size() || now.at(j).x < before.at(i).x - shift);
        if (!gone && !added && sameRows(before.at(i), now.at(j))) {
            ++i;
            ++j;
            continue;
        }
        if (!added)
            around(before, i++, -shift);
        if (!gone)
            around(now, j++, 0);
    }
}

} // namespace

bool CurveLayer::CurveLook::operator==(const CurveLook &other) const
{
    return curve == other.curve && pen == other.pen && antialiased == other.antialiased &&
           time == other.time && value == other.value;
}

bool CurveLayer::Look::operator==(const Look &other) const
{
    return canvas == other.canvas && pixelRatio == other.pixelRatio && curves == other.curves;
}

// Where curves blend with what is under them, blending them in the image first and then onto
// the canvas would round otherwise than blending each onto the canvas.
bool CurveLayer::Look::opaque() const
{
    return std::all_of(curves.begin(), curves.end(), [](const CurveLook &look) {
        return look.pen.brush().isOpaque() && !look.antialiased;
    });
}

void CurveLayer::draw(QPainter *painter, const QRectF &canvasRect,
                      const QwtScaleMap maps[QwtPlot::axisCnt],
                      const std::vector<const ScopeCurve *> &curves)
{
    // A print or a scaled export: the image stays for the screen.
    if (!imageServes(*painter)) {
        drawStraight(painter, canvasRect, maps, curves);
        return;
    }
    Look look = lookOf(*painter, canvasRect, maps, curves);
    const bool steady = m_look && *m_look == look;
    m_look = std::move(look);
    std::vector<PixelColumns> columns;
    if (!steady || !m_look->opaque() || m_look->canvas.isEmpty() ||
        !drawnColumnsOf(curves, canvasRect, maps, columns)) {
        forgetImage();
        drawStraight(painter, canvasRect, maps, curves);
        return;
    }
    const std::optional<double> origin = drawingOrigin(curves, maps);
    std::vector<bool> changed;
    if (m_image.isNull()) {
        m_image =
            QImage(m_look->canvas.size() * m_look->pixelRatio, QImage::Format_ARGB32_Premultiplied);
        m_image.setDevicePixelRatio(m_look->pixelRatio);
        changed.assign(static_cast<std::size_t>(m_look->canvas.width()), true);
    } else {
        const int shift = pixelShiftTo(origin);
        changed = changedColumns(columns, shift);
        slideImage(shift);
    }
    m_columns = std::move(columns);
    m_drawingOrigin = origin;
    redraw(changed, canvasRect, maps, curves);
    painter->drawImage(QPointF(m_look->canvas.topLeft()), m_image);
}

void CurveLayer::drawItem(QPainter *painter, const QwtPlotItem &item, const QRectF &canvasRect,
                          const QwtScaleMap maps[QwtPlot::axisCnt])
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing,
                           item.testRenderHint(QwtPlotItem::RenderAntialiased));
    item.draw(painter, maps[item.xAxis()], maps[item.yAxis()], canvasRect);
    painter->restore();
}

CurveLayer::Look CurveLayer::lookOf(const QPainter &painter, const QRectF &canvasRect,
                                    const QwtScaleMap maps[QwtPlot::axisCnt],
                                    const std::vector<const ScopeCurve *> &curves)
{
    Look look;
    look.canvas = canvasRect.toAlignedRect();
    look.pixelRatio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    for (const ScopeCurve *curve : curves) {
        look.curves.push_back(
            {curve, curve->pen(), curve->testRenderHint(QwtPlotItem::RenderAntialiased),
             scaleOf(maps[curve->xAxis()]), scaleOf(curve->valueMap(maps[curve->yAxis()]))});
    }
    return look;
}

// The image holds whole pixels of the canvas as it is: not for printing, scaled painters or
// fractional pixel ratios.
bool CurveLayer::imageServes(QPainter &painter)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 0.0;
    return QwtPainter::roundingAlignment(&painter) &&
           painter.transform().type() == QTransform::TxNone && ratio >= 1.0 &&
           ratio == std::round(ratio);
}

bool CurveLayer::drawnColumnsOf(const std::vector<const ScopeCurve *> &curves,
                                const QRectF &canvasRect, const QwtScaleMap maps[QwtPlot::axisCnt],
                                std::vector<PixelColumns> &columns)
{
    for (const ScopeCurve *curve : curves) {
        std::optional<PixelColumns> drawn =
            curve->drawnColumns(maps[curve->xAxis()], maps[curve->yAxis()], canvasRect);
        if (!drawn)
            return false;
        columns.push_back(std::move(*drawn));
    }
    return true;
}

// The live curves share their time column: the first one drawn on whole pixels tells how
// the window slid.
std::optional<double> CurveLayer::drawingOrigin(const std::vector<const ScopeCurve *> &curves,
                                                const QwtScaleMap maps[QwtPlot::axisCnt]) const
{
    for (const ScopeCurve *curve : curves) {
        if (const std::optional<double> origin = curve->drawingOrigin(maps[curve->xAxis()]))
            return origin;
    }
    return std::nullopt;
}

// Columns the curves moved left since the last draw; none when they did not move by whole
// pixels, which then shows as changes.
int CurveLayer::pixelShiftTo(std::optional<double> origin) const
{
    if (!origin || !m_drawingOrigin || m_look->curves.empty())
        return 0;
    const Scale &time = m_look->curves.front().time;
    QwtScaleMap timeMap;
    timeMap.setScaleInterval(time[0], time[1]);
    timeMap.setPaintInterval(time[2], time[3]);
    const std::optional<int> pixels =
        ScopeSeriesData::wholePixelShift(*m_drawingOrigin, *origin, timeMap);
    const int width = m_look->canvas.width();
    return pixels ? std::clamp(*pixels, -width, width) : 0;
}

std::vector<bool> CurveLayer::changedColumns(const std::vector<PixelColumns> &columns,
                                             int shift) const
{
    const QRect &canvas = m_look->canvas;
    Changes changes(canvas.left(), canvas.width());
    // What slides in from beyond the image was never drawn.
    if (shift > 0)
        changes.mark(canvas.right() - shift + 1, canvas.right());
    else if (shift < 0)
        changes.mark(canvas.left(), canvas.left() - shift - 1);
    bool allSpans = true;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const CurveLook &look = m_look->curves[k];
        allSpans = allSpans && drawnAsSpans(look, m_columns[k]) && drawnAsSpans(look, columns[k]);
        markCurveChanges(m_columns[k], shift, columns[k], changes);
    }
    // Where a stroked line turns depends on more than the columns on either side (Qwt
    // strokes it in pieces of a few points, a clip moves where it starts): it is drawn again
    // whole, and with it everything under and over it.
    if (!allSpans && changes.any())
        changes.markAll();
    return changes.take();
}

// No columns draw nothing, whichever way.
bool CurveLayer::drawnAsSpans(const CurveLook &look, const PixelColumns &columns)
{
    return columns.isEmpty() || drawsAsSpans(look.pen, look.antialiased, columns);
}

void CurveLayer::slideImage(int shift)
{
    const int pixels = shift * static_cast<int>(m_look->pixelRatio);
    const int width = m_image.width();
    if (pixels == 0 || std::abs(pixels) >= width)
        return;
    const auto bytes = static_cast<std::size_t>(width - std::abs(pixels)) * sizeof(QRgb);
    const auto moved = static_cast<std::size_t>(std::abs(pixels)) * sizeof(QRgb);
    for (int y = 0; y < m_image.height(); ++y) {
        uchar *line = m_image.scanLine(y);
        if (pixels > 0)
            std::memmove(line, line + moved, bytes);
        else
            std::memmove(line + moved, line, bytes);
    }
}

void CurveLayer::redraw(const std::vector<bool> &changed, const QRectF &canvasRect,
                        const QwtScaleMap maps[QwtPlot::axisCnt],
                        const std::vector<const ScopeCurve *> &curves)
{
    const QRect &canvas = m_look->canvas;
    const int width = static_cast<int>(changed.size());
    QPainter painter(&m_image);
    painter.translate(-canvas.topLeft());
    m_redrawnColumns = 0;
    for (int x = 0; x < width;) {
        if (!changed[static_cast<std::size_t>(x)]) {
            ++x;
            continue;
        }
        int last = x;
        for (int next = x + 1; next < width && next - last <= kJoinedGap; ++next) {
            if (changed[static_cast<std::size_t>(next)])
                last = next;
        }
        const QRect run(canvas.left() + x, canvas.top(), last - x + 1, canvas.height());
        painter.setClipRect(run);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(run, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        for (const ScopeCurve *curve : curves)
            drawItem(&painter, *curve, canvasRect, maps);
        m_redrawnColumns += run.width();
        x = last + 1;
    }
}

void CurveLayer::forgetImage()
{
    m_image = QImage();
    m_columns.clear();
    m_drawingOrigin.reset();
}

void CurveLayer::drawStraight(QPainter *painter, const QRectF &canvasRect,
                              const QwtScaleMap maps[QwtPlot::axisCnt],
                              const std::vector<const ScopeCurve *> &curves)
{
    m_redrawnColumns = canvasRect.toAlignedRect().width();
    for (const ScopeCurve *curve : curves)
        drawItem(painter, *curve, canvasRect, maps);
}
