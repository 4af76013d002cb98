#include "FlowLayout.h"

#include <QWidget>

#include <algorithm>
#include <iterator>

FlowLayout::~FlowLayout()
{
    qDeleteAll(m_items);
}

void FlowLayout::replaceRowOf(QWidget *container)
{
    QLayout *row = container->layout();
    if (!row)
        return;
    auto *flow = new FlowLayout;
    flow->setContentsMargins(row->contentsMargins());
    flow->setSpacing(row->spacing());
    while (QLayoutItem *item = row->takeAt(0)) {
        if (item->widget())
            flow->addItem(item);
        else
            delete item;
    }
    delete row;
    container->setLayout(flow);
    container->updateGeometry(); // what its parent's layout knows of the row is gone
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
    invalidate();
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    invalidate();
    return m_items.takeAt(index);
}

int FlowLayout::heightForWidth(int width) const
{
    const QMargins margins = contentsMargins();
    int height = 0;
    for (const Row &row : rows(width - margins.left() - margins.right()))
        height += (height ? gap() : 0) + row.height;
    return height + margins.top() + margins.bottom();
}

QSize FlowLayout::minimumSize() const
{
    QSize size(0, 0);
    for (const QLayoutItem *item : shownItems())
        size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size.grownBy(margins);
}

// The narrowest width that keeps the items to two rows: a strip of groups reads well in two,
// and one row of them all may be wider than a host's panel.
QSize FlowLayout::sizeHint() const
{
    int narrow = 0;
    int wide = 0;
    for (const QLayoutItem *item : shownItems()) {
        narrow = std::max(narrow, item->sizeHint().width());
        wide += (wide ? gap() : 0) + item->sizeHint().width();
    }
    // Fewer rows never take a narrower width, so the search halves the range each step.
    while (narrow < wide) {
        const int middle = (narrow + wide) / 2;
        if (rows(middle).size() <= 2)
            wide = middle;
        else
            narrow = middle + 1;
    }
    const QMargins margins = contentsMargins();
    const int width = wide + margins.left() + margins.right();
    return QSize(width, heightForWidth(width));
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    int top = area.top();
    for (const Row &row : rows(area.width())) {
        int left = area.left();
        for (QLayoutItem *item : row.items) {
            const QSize hint = item->sizeHint();
            const int width =
                std::max(std::min(hint.width(), area.width()), item->minimumSize().width());
            item->setGeometry(
                QRect(left, top + (row.height - hint.height()) / 2, width, hint.height()));
            left += width + gap();
        }
        top += row.height + gap();
    }
}

QList<QLayoutItem *> FlowLayout::shownItems() const
{
    QList<QLayoutItem *> shown;
    std::copy_if(m_items.cbegin(), m_items.cend(), std::back_inserter(shown),
                 [](const QLayoutItem *item) { return !item->isEmpty(); });
    return shown;
}

// Each row takes as many items as fit in the width, at least one.
QVector<FlowLayout::Row> FlowLayout::rows(int width) const
{
    QVector<Row> rows;
    int right = 0;
    for (QLayoutItem *item : shownItems()) {
        const QSize hint = item->sizeHint();
        if (rows.isEmpty() || right + gap() + hint.width() > width) {
            rows.append(Row());
            right = hint.width();
        } else {
            right += gap() + hint.width();
        }
        rows.last().items.append(item);
        rows.last().height = std::max(rows.last().height, hint.height());
    }
    return rows;
}

int FlowLayout::gap() const
{
    return std::max(spacing(), 0);
}
