#include "JoinedSpans.h"

#include <algorithm>
#include <deque>

namespace {

// Rows open since the same column, top to bottom.
struct OpenRun
{
    int top = 0;
    int bottom = 0;
    int since = 0;
};

// The open rows are always exactly those of the last column, a stretch, so rows only ever
// open and close at its two ends: the runs are kept in order and touched at the ends only,
// which costs a step per rectangle instead of one per pixel.
class OpenRuns
{
public:
    // Closes the rows above `row` at column x.
    void closeAbove(int row, int x, QVector<QRect> &rects)
    {
        while (!m_runs.empty() && m_runs.front().top < row) {
            OpenRun &run = m_runs.front();
            const int end = std::min(run.bottom, row - 1);
            rects.append(QRect(run.since, run.top, x - run.since, end - run.top + 1));
            if (end == run.bottom)
                m_runs.pop_front();
            else
                run.top = end + 1;
        }
    }

    // Closes the rows below `row` at column x.
    void closeBelow(int row, int x, QVector<QRect> &rects)
    {
        while (!m_runs.empty() && m_runs.back().bottom > row) {
            OpenRun &run = m_runs.back();
            const int start = std::max(run.top, row + 1);
            rects.append(QRect(run.since, start, x - run.since, run.bottom - start + 1));
            if (start == run.top)
                m_runs.pop_back();
            else
                run.bottom = start - 1;
        }
    }

    // Opens the rows of `rows` that are not open yet at column x.
    void openAround(const RowSpan &rows, const RowSpan &open, int x)
    {
        if (open.isEmpty()) {
            m_runs.push_back(OpenRun{rows.top, rows.bottom, x});
            return;
        }
        if (rows.top < open.top)
            m_runs.push_front(OpenRun{rows.top, open.top - 1, x});
        if (rows.bottom > open.bottom)
            m_runs.push_back(OpenRun{open.bottom + 1, rows.bottom, x});
    }

private:
    std::deque<OpenRun> m_runs;
};

} // namespace

QVector<QRect> joinedSpans(int left, const QVector<RowSpan> &spans)
{
    QVector<QRect> rects;
    OpenRuns runs;
    RowSpan open;
    for (int k = 0; k <= spans.size(); ++k) {
        const RowSpan current = k < spans.size() ? spans.at(k) : RowSpan();
        const int x = left + k;
        if (current.isEmpty()) {
            runs.closeAbove(INT_MAX, x, rects);
            open = RowSpan();
            continue;
        }
        runs.closeAbove(current.top, x, rects);
        runs.closeBelow(current.bottom, x, rects);
        // What stays open of the last column's rows.
        const RowSpan kept{std::max(open.top, current.top), std::min(open.bottom, current.bottom)};
        runs.openAround(current, kept, x);
        open = current;
    }
    return rects;
}
