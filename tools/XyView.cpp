#include "XyView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_symbol.h>

#include <algorithm>

namespace {

void chooseText(QComboBox *box, const QString &text, int fallback)
{
    const int index = box->findText(text);
    box->setCurrentIndex(index >= 0 ? index : std::min(fallback, box->count() - 1));
}

} // namespace

XyView::XyView(Pair pair, CursorPoint cursorPoint, QWidget *parent)
    : QDialog(parent), m_pair(std::move(pair)), m_cursorPoint(std::move(cursorPoint)),
      m_x(new QComboBox(this)), m_y(new QComboBox(this)),
      m_equal(new QCheckBox(tr("Equal scales"), this)), m_summary(new QLabel(this)),
      m_plot(new QwtPlot(this)), m_path(new QwtPlotCurve), m_mark(new QwtPlotMarker)
{
    setObjectName(QStringLiteral("XyView"));
    setWindowTitle(tr("XY view"));
    m_x->setObjectName(QStringLiteral("Xy_cmb_X"));
    m_y->setObjectName(QStringLiteral("Xy_cmb_Y"));
    m_equal->setObjectName(QStringLiteral("Xy_cb_Equal"));
    m_summary->setObjectName(QStringLiteral("Xy_label_Summary"));
    m_plot->setCanvasBackground(Qt::white);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0.0, Qt::DotLine);
    grid->attach(m_plot);
    // Segments from point to point, so that a stretch's end never joins the next one's start.
    m_path->setStyle(QwtPlotCurve::Lines);
    m_path->setPen(QColor(0, 90, 170), 1.0);
    m_path->attach(m_plot);
    m_mark->setSymbol(
        new QwtSymbol(QwtSymbol::Ellipse, QColor(200, 60, 0), QPen(Qt::white), QSize(10, 10)));
    m_mark->attach(m_plot);

    const auto changed = [this] {
        m_shownKey.clear();
        refresh(m_stamp);
    };
    for (QComboBox *box : {m_x, m_y})
        connect(box, QOverload<int>::of(&QComboBox::activated), this, changed);
    connect(m_equal, &QCheckBox::toggled, this, [this] {
        scaleAxes();
        m_plot->replot();
    });

    auto *choices = new QHBoxLayout;
    choices->addWidget(new QLabel(tr("X:"), this));
    choices->addWidget(m_x, 1);
    choices->addWidget(new QLabel(tr("Y:"), this));
    choices->addWidget(m_y, 1);
    choices->addWidget(m_equal);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_summary);
    resize(560, 520);
}

void XyView::setChannels(const QStringList &titles)
{
    const QString x = m_x->count() > 0 ? m_x->currentText() : m_wanted.x;
    const QString y = m_y->count() > 0 ? m_y->currentText() : m_wanted.y;
    for (QComboBox *box : {m_x, m_y}) {
        box->clear();
        box->addItems(titles);
    }
    chooseText(m_x, x, 0);
    chooseText(m_y, y, 1);
}

XyView::Choices XyView::choices() const
{
    return {m_x->count() > 0 ? m_x->currentText() : m_wanted.x,
            m_y->count() > 0 ? m_y->currentText() : m_wanted.y, m_equal->isChecked()};
}

void XyView::setChoices(const Choices &choices)
{
    m_wanted = choices;
    if (m_x->count() > 0) {
        chooseText(m_x, choices.x, 0);
        chooseText(m_y, choices.y, 1);
    }
    m_equal->setChecked(choices.equalScales);
    m_shownKey.clear();
}

void XyView::refresh(const QString &recordingStamp)
{
    m_stamp = recordingStamp;
    const QString key = m_x->currentText() + '\n' + m_y->currentText() + '\n' + recordingStamp;
    if (key != m_shownKey) {
        m_shownKey = key;
        rebuildPath();
    }
    const std::optional<QPointF> at = m_cursorPoint(m_x->currentText(), m_y->currentText());
    m_mark->setVisible(at.has_value());
    if (at)
        m_mark->setValue(*at);
    m_plot->replot();
}

void XyView::rebuildPath()
{
    const std::optional<XyPath> path = m_pair(m_x->currentText(), m_y->currentText());
    QVector<QPointF> segments;
    m_bounds.reset();
    m_pointCount = 0;
    if (path) {
        const std::vector<QPointF> &points = path->points();
        const std::vector<int> &breaks = path->breaks();
        segments.reserve(int(points.size()) * 2);
        auto nextBreak = breaks.begin();
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (nextBreak != breaks.end() && *nextBreak == int(i)) {
                ++nextBreak;
                continue;
            }
            segments << points[i - 1] << points[i];
        }
        m_pointCount = int(points.size());
        for (const QPointF &p : points)
            m_bounds = m_bounds ? m_bounds->united(QRectF(p, QSizeF())) : QRectF(p, QSizeF());
    }
    m_path->setSamples(segments);
    m_plot->setAxisTitle(QwtPlot::xBottom, m_x->currentText());
    m_plot->setAxisTitle(QwtPlot::yLeft, m_y->currentText());
    m_summary->setText(path ? tr("%1 points").arg(m_pointCount)
                            : tr("Choose two recorded curves."));
    scaleAxes();
}

// Equal scales widen the narrower range so both axes show the same units per pixel.
void XyView::scaleAxes()
{
    if (!m_bounds) {
        m_plot->setAxisAutoScale(QwtPlot::xBottom);
        m_plot->setAxisAutoScale(QwtPlot::yLeft);
        return;
    }
    const QRectF ranges =
        m_equal->isChecked() ? XyPath::equalScale(*m_bounds, m_plot->canvas()->size()) : *m_bounds;
    m_plot->setAxisScale(QwtPlot::xBottom, ranges.left(), ranges.right());
    m_plot->setAxisScale(QwtPlot::yLeft, ranges.top(), ranges.bottom());
}
