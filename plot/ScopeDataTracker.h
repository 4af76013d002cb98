#pragma once

#include <qwt_plot_curve.h>
#include <qwt_plot_picker.h>

#include <limits>

// The sample nearest to the cursor, as last found. The curve belongs to the plot.
struct ClosestPoint
{
    QwtPlotCurve *curve = nullptr;
    int index = -1;
    double distance = std::numeric_limits<double>::max();

    void reset() { *this = ClosestPoint(); }
    // Checked against the curve's current size: it may have been given fewer samples since.
    bool isValid() const
    {
        return curve && index >= 0 && static_cast<size_t>(index) < curve->dataSize();
    }
    QPointF samplePoint() const { return isValid() ? curve->sample(index) : QPointF(); }
};

// Picker on the plot canvas that follows the mouse to the nearest recorded sample: marks it
// on a dotted cursor line and labels it with the curve's title, time and value, on the
// curve's colour; it tells the plot which curve is under the mouse (closestCurveChanged).
// The plot refreshes it after every replot, so a mouse at rest reads the samples of now.
// Presses and releases are left to the zoomer.
// A child of the canvas, created by the plot; GUI thread only.
class ScopeDataTracker : public QwtPlotPicker
{
    Q_OBJECT

public:
    explicit ScopeDataTracker(QWidget *canvas);

    void onMoved(const QPoint &pos);
    void calcClosestPoint(const QPoint &pos);
    void onItemAttached(QwtPlotItem *item, bool on);
    // Finds the closest sample again for the mouse's last position and redraws the label.
    void refresh();

    const ClosestPoint &closestPoint() const { return m_closest; }

    void drawRubberBand(QPainter *painter) const override;
    QRect trackerRect(const QFont &font) const override;

signals:
    // Another curve became the closest; none when no curve is near or the mouse left.
    void closestCurveChanged(const QwtPlotCurve *curve);

protected:
    void widgetMousePressEvent(QMouseEvent *event) override;
    void widgetMouseReleaseEvent(QMouseEvent *event) override;
    QwtText trackerTextF(const QPointF &pos) const override;

private:
    void onActivated(bool on);
    void forgetClosest();

    ClosestPoint m_closest;
};
