#include "ColumnSpans.h"

#include "JoinedSpans.h"

#include <QPainter>

#include <algorithm>

namespace {

// The curves' own pen. A wider one strokes sharp peaks flat at the sample, where a span
// would stick out by half its width.
constexpr int kSpanPenWidth = 2;
// Pixel columns (and rows) that the pen covers around a point, before and after it: with
// pixel centres inside the pen's square, [x - 1, x] for x.
constexpr int kCoveredBefore = kSpanPenWidth / 2;
constexpr int kCoveredAfter = kSpanPenWidth - kCoveredBefore - 1;

// Each column's rows, widened by the pen.
QVector<RowSpan> penRows(const PixelColumns &columns)
{
    QVector<RowSpan> rows(columns.size());
    for (int k = 0; k < columns.size(); ++k)
        rows[k] =
            RowSpan{columns.at(k).top() - kCoveredBefore, columns.at(k).bottom() + kCoveredAfter};
    return rows;
}

} // namespace

bool areNeighbouring(const PixelColumns &columns)
{
    for (int k = 1; k < columns.size(); ++k) {
        if (columns.at(k).x != columns.at(k - 1).x + 1)
            return false;
    }
    return true;
}

bool drawsAsSpans(const QPainter &painter, const PixelColumns &columns)
{
    return drawsAsSpans(painter.pen(), painter.testRenderHint(QPainter::Antialiasing), columns);
}

bool drawsAsSpans(const QPen &pen, bool antialiased, const PixelColumns &columns)
{
    return !columns.isEmpty() && pen.style() == Qt::SolidLine &&
           pen.brush().style() == Qt::SolidPattern && pen.color().alpha() == 255 &&
           pen.widthF() == kSpanPenWidth && !antialiased && areNeighbouring(columns);
}

QVector<QRect> columnSpans(const PixelColumns &columns, const QRect &clipRect)
{
    if (columns.isEmpty())
        return {};
    const int firstX = columns.first().x;
    const int left = std::max(firstX - kCoveredBefore, clipRect.left());
    const int right = std::min(columns.last().x + kCoveredAfter, clipRect.right());
    const QVector<RowSpan> widened = penRows(columns);
    QVector<RowSpan> spans;
    spans.reserve(std::max(right - left + 1, 0));
    for (int pixel = left; pixel <= right; ++pixel) {
        const int from = std::max(pixel - kCoveredAfter - firstX, 0);
        const int to = std::min(pixel + kCoveredBefore - firstX, int(columns.size()) - 1);
        RowSpan rows;
        for (int k = from; k <= to; ++k) {
            rows.top = std::min(rows.top, widened.at(k).top);
            rows.bottom = std::max(rows.bottom, widened.at(k).bottom);
        }
        rows.top = std::max(rows.top, clipRect.top());
        rows.bottom = std::min(rows.bottom, clipRect.bottom());
        spans.append(rows);
    }
    return joinedSpans(left, spans);
}

void drawColumnSpans(QPainter *painter, const PixelColumns &columns, const QRectF &clipRect)
{
    // Only what the clip lets through: a plot may draw a few columns again.
    QRect within = clipRect.toAlignedRect();
    if (painter->hasClipping())
        within &= painter->clipBoundingRect().toAlignedRect();
    const QVector<QRect> spans = columnSpans(columns, within);
    painter->save();
    painter->setBrush(painter->pen().color());
    painter->setPen(Qt::NoPen);
    painter->drawRects(spans);
    painter->restore();
}
