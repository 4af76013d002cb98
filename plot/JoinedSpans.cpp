#include "JoinedSpans.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The rows of `a` that `b` does not show: at most a stretch above and one below it.
std::pair<RowSpan, RowSpan> rowsLeft(const RowSpan &a, const RowSpan &b)
{
    if (b.isEmpty())
        return {a, RowSpan()};
    return {RowSpan{a.top, std::min(a.bottom, b.top - 1)},
            RowSpan{std::max(a.top, b.bottom + 1), a.bottom}};
}

// Where the run of each row now open began, by row; -1 when closed.
class OpenRuns
{
public:
    OpenRuns(int firstRow, int lastRow)
        : m_firstRow(firstRow), m_since(static_cast<std::size_t>(lastRow - firstRow + 1), -1)
    {}

    void open(const RowSpan &rows, int x)
    {
        for (int row = rows.top; row <= rows.bottom; ++row)
            since(row) = x;
    }

    // Rows that began together end as one rectangle.
    void close(const RowSpan &rows, int x, QVector<QRect> &rects)
    {
        int row = rows.top;
        while (row <= rows.bottom) {
            const int start = since(row);
            int end = row;
            while (end + 1 <= rows.bottom && since(end + 1) == start)
                ++end;
            rects.append(QRect(start, row, x - start, end - row + 1));
            for (int k = row; k <= end; ++k)
                since(k) = -1;
            row = end + 1;
        }
    }

private:
    int &since(int row) { return m_since[static_cast<std::size_t>(row - m_firstRow)]; }

    int m_firstRow;
    std::vector<int> m_since;
};

} // namespace

QVector<QRect> joinedSpans(int left, const QVector<RowSpan> &spans)
{
    QVector<QRect> rects;
    int firstRow = INT_MAX;
    int lastRow = INT_MIN;
    for (const RowSpan &span : spans) {
        if (!span.isEmpty()) {
            firstRow = std::min(firstRow, span.top);
            lastRow = std::max(lastRow, span.bottom);
        }
    }
    if (firstRow > lastRow)
        return rects;
    OpenRuns runs(firstRow, lastRow);
    RowSpan previous;
    for (int k = 0; k <= spans.size(); ++k) {
        const RowSpan current = k < spans.size() ? spans.at(k) : RowSpan();
        const int x = left + k;
        if (!previous.isEmpty()) {
            const auto [above, below] = rowsLeft(previous, current);
            runs.close(above, x, rects);
            runs.close(below, x, rects);
        }
        if (!current.isEmpty()) {
            const auto [above, below] = rowsLeft(current, previous);
            runs.open(above, x);
            runs.open(below, x);
        }
        previous = current;
    }
    return rects;
}
