#include "QwtScope.h"

#include "ScopeDataTracker.h"
#include "ScopeFile.h"
#include "ScopeSeriesData.h"
#include "StripFrames.h"
#include "StripScaleDraw.h"
#include "WallClockScaleDraw.h"
#include "WallClockScaleEngine.h"
#include "Zoomer.h"

#include <QBrush>
#include <QColor>
#include <QPen>

#include <qwt_painter.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Keeps axis widths and steps finite, whatever the samples hold.
constexpr double kAxisLimit = 1e300;
// The value-axis title is never shorter: a blank one keeps the room a unit takes.
constexpr int kAxisTitleWidth = 12;
// Threads that read curves at once: reading waits on memory, and a few readers fill it.
constexpr std::size_t kReadingThreads = 4;
constexpr qint64 kSamplesWorthAThread = qint64(1) << 22;
const QLatin1String kWidestTimeOfDay("00:00:00.000");

double limitedToAxis(double value)
{
    return qBound(-kAxisLimit, value, kAxisLimit);
}

// Outward to the next tens, as "int(v) / 10 * 10 -+ 10" would give inside int range;
// fmod keeps it exact and defined for any finite value.
double widenedDownToTens(double value)
{
    const double whole = std::trunc(value);
    return whole - std::fmod(whole, 10.0) - 10.0;
}

double widenedUpToTens(double value)
{
    const double whole = std::trunc(value);
    return whole - std::fmod(whole, 10.0) + 10.0;
}

const QColor kCanvasColour(250, 250, 250, 255);
constexpr double kCurvePenWidth = 2.0;

int nextColourComponent()
{
    return std::rand() % 255;
}

QString titled(const QString &text)
{
    return text.leftJustified(kAxisTitleWidth, QLatin1Char(' '));
}

SampleExtremes valuesOf(const QwtPlotCurve &curve)
{
    const auto *series = dynamic_cast<const ScopeSeriesData *>(curve.data());
    return series ? series->y().extremes(0, series->count()) : SampleExtremes();
}

} // namespace

QwtScope::QwtScope(QWidget *parent)
    : QwtPlot(parent), m_channelColours(kCanvasColour, nextColourComponent)
{
    setupGrid();
    m_stripFrames = new StripFrames;
    m_stripFrames->setVisible(false);
    m_stripFrames->attach(this);

    // Created before the ranges are set: the zoomer's own base is never used, onZoomer puts
    // the stored ranges back instead.
    m_zoomer = new Zoomer(canvas());
    connect(m_zoomer, &QwtPlotZoomer::zoomed, this, &QwtScope::onZoomer);

    m_tracker = new ScopeDataTracker(canvas());
    connect(m_tracker, &ScopeDataTracker::closestCurveChanged, this, &QwtScope::showUnitOf);

    setCanvasBackground(QBrush(kCanvasColour));
    m_timeEngine = new WallClockScaleEngine;
    setAxisScaleEngine(QwtPlot::xBottom, m_timeEngine); // the plot deletes it
    setAxisScaleDraw(QwtPlot::xBottom, new WallClockScaleDraw(m_shownWallClock));
    setAxisTitle(QwtPlot::xBottom, timeAxisTitle());
    setAxisTitle(QwtPlot::yLeft, titled(QString()));

    setXScale(0.0, ScopeLimits::kDefaultPeriodMs, ScopeLimits::kDefaultPeriodMs / 10.0);
    setYScale(-10.0, 10.0);

    for (ScopeCurve &curve : m_curves)
        curve.shareColumnRanges(&m_columnRanges);
}

QwtScope::~QwtScope()
{
    // The curves are members: take them off the item list before the base class deletes
    // what is still attached.
    for (ScopeCurve &curve : m_curves)
        curve.detach();
}

void QwtScope::setupGrid()
{
    m_grid = new QwtPlotGrid; // the plot's item list deletes it with the plot
    m_grid->enableX(true);
    m_grid->enableY(true);
    m_grid->setMajorPen(QColor(Qt::black), 0.0, Qt::DotLine);
    m_grid->attach(this);
}

void QwtScope::setXScale(double min, double max, double step)
{
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(step))
        return;
    m_dXMin = limitedToAxis(min);
    m_dXMax = limitedToAxis(max);
    m_dXStep = step;
    m_dXRange = m_dXMax - m_dXMin;
    if (!isZoomedIn())
        setAxisScale(QwtPlot::xBottom, m_dXMin, m_dXMax, m_dXStep);
}

void QwtScope::setYScale(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max))
        return;
    m_dYMin = limitedToAxis(min);
    m_dYMax = limitedToAxis(max);
    applyValueAxis();
}

void QwtScope::setYScaleAround(double low, double high)
{
    const double centre = (high + low) / 2.0;
    const double half = std::max((high - low) * 1.01 / 2.0, 0.01);
    setYScale(centre - half, centre + half);
}

// The strips and the fit to visible curves follow the curves at every replot; the stored
// range is the described rule and stays as it is, for when the operator turns them off.
void QwtScope::applyValueAxis()
{
    if (m_bStripView) {
        setAxisScaleDiv(QwtPlot::yLeft, m_strips.scaleDiv());
        return;
    }
    if (isZoomedIn())
        return;
    double low = m_dYMin;
    double high = m_dYMax;
    const SampleExtremes visible = visibleValues();
    if (m_bScaleToVisible && visible.hasFinite()) {
        const double centre = (visible.greatest + visible.least) / 2.0;
        const double half = std::max((visible.greatest - visible.least) * 1.01 / 2.0, 0.01);
        low = limitedToAxis(centre - half);
        high = limitedToAxis(centre + half);
    }
    setAxisScale(QwtPlot::yLeft, low, high, (high - low) / 4);
}

SampleExtremes QwtScope::visibleValues() const
{
    SampleExtremes values;
    if (!m_bScaleToVisible)
        return values;
    for (const ScopeCurve &curve : m_curves) {
        if (curve.plot() && curve.isVisible())
            values.merge(valuesOf(curve), 0);
    }
    return values;
}

void QwtScope::setStripView(bool on)
{
    if (on == m_bStripView)
        return;
    m_bStripView = on;
    if (on) {
        m_stripScaleDraw = new StripScaleDraw;
        setAxisScaleDraw(QwtPlot::yLeft, m_stripScaleDraw); // the axis deletes the old one
    } else {
        m_stripScaleDraw = nullptr;
        setAxisScaleDraw(QwtPlot::yLeft, new QwtScaleDraw);
        for (ScopeCurve &curve : m_curves)
            curve.setBand(std::nullopt);
    }
    m_stripFrames->setVisible(on);
    resetZoom();
    showCommonUnit();
    replot();
}

void QwtScope::setScaleToVisible(bool on)
{
    m_bScaleToVisible = on;
    applyValueAxis();
    replot();
}

// Slots in order, so the strips keep their places while curves come and go.
void QwtScope::arrangeStrips()
{
    QVector<UnitStrips::Curve> curves;
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        const ScopeCurve &curve = m_curves[slot];
        if (curve.plot())
            curves.append({slot, m_bindings[slot].unit, curve.isVisible(), valuesOf(curve)});
    }
    m_strips = UnitStrips::arrange(curves);
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot)
        m_curves[slot].setBand(m_strips.bandOf(slot));
    m_stripScaleDraw->setStrips(m_strips);
    m_stripFrames->setStrips(m_strips);
}

void QwtScope::addCurve(int slot, QString title, CurveBinding binding)
{
    if (isSlot(slot))
        attachCurve(slot, title, std::move(binding),
                    m_channelColours.colourApart(attachedColours(slot)));
}

void QwtScope::addChannelCurves(const std::vector<ScopeChannel> &channels)
{
    std::vector<const ScopeChannel *> bound;
    QStringList titles;
    QStringList derived;
    for (const ScopeChannel &channel : channels) {
        if (isSlot(channel.binding.slot)) {
            bound.push_back(&channel);
            titles << channel.title;
            if (channel.binding.computed)
                derived << channel.title;
        }
    }
    const QVector<QColor> colours =
        m_channelColours.colourTogether(titles, attachedColours(), derived);
    for (std::size_t k = 0; k < bound.size(); ++k)
        attachCurve(bound[k]->binding.slot, bound[k]->title, bound[k]->binding,
                    colours.at(static_cast<int>(k)));
}

void QwtScope::attachCurve(int slot, const QString &title, CurveBinding binding,
                           const QColor &colour)
{
    ScopeCurve &curve = m_curves[slot];
    curve.setTitle(title);
    curve.setPen(colour, kCurvePenWidth, Qt::SolidLine);
    curve.attach(this);
    curve.setVisible(true);
    m_bindings[slot] = std::move(binding);
}

QVector<QColor> QwtScope::attachedColours(int exceptSlot) const
{
    QVector<QColor> colours;
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        if (slot != exceptSlot && m_curves[slot].plot())
            colours << m_curves[slot].pen().color();
    }
    return colours;
}

void QwtScope::clearCurves()
{
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        ScopeCurve &curve = m_curves[slot];
        curve.setSamples(QVector<double>(), QVector<double>());
        curve.setVisible(false);
        curve.detach();
        setCurveDashed(slot, false);
        m_bindings[slot].reset();
    }
    setYScale(-10.0, 10.0);
    m_dTimeOrigin = 0.0;
    m_recordedWallClock = WallClockMapping();
    showTimeAxis();
}

CurveBinding QwtScope::curveBinding(int slot) const
{
    return isSlot(slot) ? m_bindings[slot] : CurveBinding();
}

void QwtScope::setCurveSamples(int slot, const QVector<double> &x, const QVector<double> &y,
                               double &yMinOut, double &yMaxOut)
{
    if (!isSlot(slot) || x.isEmpty() || y.isEmpty())
        return;
    setCurveSamples(slot, ColumnSnapshot::fromVector(x), 0.0, ColumnSnapshot::fromVector(y),
                    yMinOut, yMaxOut);
}

void QwtScope::setCurveSamples(int slot, const ColumnSnapshot &x, double xOrigin,
                               const ColumnSnapshot &y, double &yMinOut, double &yMaxOut,
                               ScopeSeriesData::TimeDrawing drawing, const QVector<int> &timeBreaks)
{
    if (!isSlot(slot) || x.isEmpty() || y.isEmpty())
        return;
    // The same samples again (a refresh with nothing new) keep the curve's summaries and
    // what it keeps for drawing them.
    const auto *series = dynamic_cast<const ScopeSeriesData *>(m_curves[slot].data());
    if (!series || !series->shows(x, xOrigin, y) || series->timeDrawing() != drawing) {
        auto *fresh = new ScopeSeriesData(x, xOrigin, y, drawing);
        fresh->setTimeBreaks(timeBreaks);
        m_curves[slot].setSamples(fresh); // the curve owns it
        series = fresh;
    }

    // NaN or infinite samples never move the value axis.
    const SampleExtremes &range = series->yExtremes();
    if (!range.hasFinite())
        return;
    yMaxOut = range.greatest;
    yMinOut = range.least;

    bool widened = false;
    if (range.greatest > m_dYMax) {
        m_dYMax = range.greatest;
        widened = true;
    }
    if (m_dYMin > range.least) {
        m_dYMin = range.least;
        widened = true;
    }
    if (widened)
        setYScale(widenedDownToTens(m_dYMin), widenedUpToTens(m_dYMax));
}

void QwtScope::setYAxisUnit(int slot)
{
    if (isSlot(slot))
        showUnitOf(&m_curves[slot]);
}

void QwtScope::showCommonUnit()
{
    const QString title = valueAxisTitle();
    if (axisTitle(QwtPlot::yLeft).text() != title)
        setAxisTitle(QwtPlot::yLeft, title);
}

QString QwtScope::commonUnitTitle() const
{
    return titled(m_bStripView ? QString() : commonUnit());
}

// None when no curve is shown or two shown curves differ: a unit on the axis must hold for
// every curve drawn against it.
QString QwtScope::commonUnit() const
{
    std::optional<QString> unit;
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        if (!m_curves[slot].plot() || !m_curves[slot].isVisible())
            continue;
        if (unit && *unit != m_bindings[slot].unit)
            return QString();
        unit = m_bindings[slot].unit;
    }
    return unit.value_or(QString());
}

QString QwtScope::valueAxisTitle() const
{
    const QString unit = m_bStripView ? QString() : commonUnit();
    const int hovered = slotOf(m_hoveredCurve);
    const bool hoveredShown =
        hovered >= 0 && m_curves[hovered].plot() && m_curves[hovered].isVisible();
    if (!unit.isEmpty() || m_bStripView || !hoveredShown)
        return titled(unit);
    const QString title = m_curves[hovered].title().text();
    const QString &curveUnit = m_bindings[hovered].unit;
    return titled(curveUnit.isEmpty() ? title : QStringLiteral("%1: %2").arg(title, curveUnit));
}

void QwtScope::setTimeOrigin(double origin)
{
    if (!std::isfinite(origin))
        return;
    m_dTimeOrigin = origin;
    showTimeAxis();
}

void QwtScope::setWallClock(double recordedTime, const QDateTime &wallClock)
{
    m_recordedWallClock = std::isfinite(recordedTime) && wallClock.isValid()
                              ? WallClockMapping{recordedTime, wallClock}
                              : WallClockMapping();
    showTimeAxis();
}

WallClockMapping QwtScope::wallClock() const
{
    if (!m_recordedWallClock.isKnown())
        return WallClockMapping();
    return {m_recordedWallClock.plotTime - m_dTimeOrigin, m_recordedWallClock.wallClock};
}

void QwtScope::setWallClockTime(bool on)
{
    if (on == m_bWallClockTime)
        return;
    m_bWallClockTime = on;
    showTimeAxis();
    replot();
}

// A new mapping gets a new scale draw (the axis lays out its labels again) and the ticks are
// divided again where it puts them; the ranges stay as they are, zoomed or not.
void QwtScope::showTimeAxis()
{
    const WallClockMapping shown = m_bWallClockTime ? wallClock() : WallClockMapping();
    if (shown != m_shownWallClock) {
        m_shownWallClock = shown;
        m_timeEngine->setMapping(shown);
        setAxisScaleDraw(QwtPlot::xBottom, new WallClockScaleDraw(shown));
        keepTimeLabelRoom(shown.isKnown());
        if (isZoomedIn())
            setAxisScale(QwtPlot::xBottom, m_zoomer->zoomRect().left(),
                         m_zoomer->zoomRect().right());
        else
            setAxisScale(QwtPlot::xBottom, m_dXMin, m_dXMax, m_dXStep);
    }
    const QString title = timeAxisTitle();
    if (axisTitle(QwtPlot::xBottom).text() != title)
        setAxisTitle(QwtPlot::xBottom, title);
}

// Ticks on the wall clock move with the data, and the labels at the ends with them: room
// for the widest label at either end keeps the canvas from changing width as they go.
void QwtScope::keepTimeLabelRoom(bool on)
{
    QwtScaleWidget *axis = axisWidget(QwtPlot::xBottom);
    const int room = on ? axis->fontMetrics().horizontalAdvance(kWidestTimeOfDay) / 2 + 1 : 0;
    axis->setMinBorderDist(room, room);
}

QString QwtScope::timeAxisTitle() const
{
    if (!m_bWallClockTime)
        return tr("time(ms)");
    if (!m_shownWallClock.isKnown())
        return tr("time(ms); wall-clock time unknown for this recording");
    return tr("wall-clock time (%1)")
        .arg(m_shownWallClock.at(0.0).toLocalTime().date().toString(Qt::ISODate));
}

bool QwtScope::hasNoData() const
{
    for (const QwtPlotItem *item : itemList(QwtPlotItem::Rtti_PlotCurve)) {
        if (static_cast<const QwtPlotCurve *>(item)->dataSize() > 0)
            return false;
    }
    return true;
}

// While the operator is zoomed in, new ranges are only stored: the live refresh must not
// undo the zoom. The zoom base shows them.
bool QwtScope::isZoomedIn() const
{
    return m_zoomer && m_zoomer->zoomRectIndex() > 0;
}

void QwtScope::refreshZoom()
{
    emit m_zoomer->zoomed(m_zoomer->zoomRect());
}

void QwtScope::resetZoom()
{
    m_zoomer->zoom(0);
}

void QwtScope::attachCurvesOf(const ScopeRecording &recording)
{
    std::vector<ScopeChannel> channels;
    for (const RecordedCurve &curve : recording.curves()) {
        const int slot = curve.binding.slot;
        if (!isSlot(slot) || m_curves[slot].plot())
            continue;
        if (!curve.compared) {
            channels.push_back({curve.title, curve.binding});
            continue;
        }
        addCurve(slot, curve.title, curve.binding);
        setCurveDashed(slot, true);
    }
    addChannelCurves(channels);
}

SampleExtremes QwtScope::showSamplesOf(const ScopeRecording &recording,
                                       ScopeSeriesData::TimeDrawing drawing)
{
    setTimeOrigin(recording.timeOrigin());
    SampleExtremes shown;
    for (const RecordedCurve &curve : recording.curves()) {
        // Left alone when the curve shows no finite value.
        double least = std::numeric_limits<double>::quiet_NaN();
        double greatest = least;
        const double origin = curve.compared ? 0.0 : recording.timeOrigin();
        setCurveSamples(curve.binding.slot, curve.times, origin, curve.values, least, greatest,
                        drawing, curve.timeBreaks);
        shown.add(least, 0);
        shown.add(greatest, 0);
    }
    return shown;
}

QwtPlotCurve *QwtScope::curve(int slot)
{
    return isSlot(slot) ? &m_curves[slot] : nullptr;
}

QList<int> QwtScope::freeSlots() const
{
    QList<int> free;
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        if (!m_curves[slot].plot())
            free << slot;
    }
    return free;
}

void QwtScope::setCurveDashed(int slot, bool dashed)
{
    if (!isSlot(slot))
        return;
    QPen pen = m_curves[slot].pen();
    pen.setStyle(dashed ? Qt::DashLine : Qt::SolidLine);
    m_curves[slot].setPen(pen);
}

int QwtScope::slotOf(const QwtPlotItem *item) const
{
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        if (item == &m_curves[slot])
            return slot;
    }
    return -1;
}

void QwtScope::showUnitOf(const QwtPlotCurve *curve)
{
    m_hoveredCurve = curve;
    showCommonUnit();
}

void QwtScope::drawItems(QPainter *painter, const QRectF &canvasRect,
                         const QwtScaleMap maps[QwtPlot::axisCnt]) const
{
    if (QwtPainter::roundingAlignment(painter))
        readCurvesSideBySide(canvasRect, maps);
    const std::vector<const ScopeCurve *> curves = curvesDrawnTogether();
    for (const QwtPlotItem *item : itemList()) {
        if (!item->isVisible())
            continue;
        if (curves.empty() || slotOf(item) < 0)
            CurveLayer::drawItem(painter, *item, canvasRect, maps);
        else if (item == curves.front())
            m_curveLayer.draw(painter, canvasRect, maps, curves);
    }
    m_columnRanges.forgetUnasked();
}

// The visible curves in drawing order, when no other item is drawn between them; none else.
std::vector<const ScopeCurve *> QwtScope::curvesDrawnTogether() const
{
    std::vector<const ScopeCurve *> curves;
    bool interrupted = false;
    for (const QwtPlotItem *item : itemList()) {
        if (!item->isVisible())
            continue;
        const int slot = slotOf(item);
        if (slot < 0) {
            interrupted = !curves.empty();
            continue;
        }
        if (interrupted)
            return {};
        curves.push_back(&m_curves[static_cast<std::size_t>(slot)]);
    }
    return curves;
}

// Over long windows, reading the samples is most of a replot, and it waits on memory far more
// than on the processor: when there is much to read, the curves are read by a few threads at
// once, each curve by one, and then drawn from what they kept.
void QwtScope::readCurvesSideBySide(const QRectF &canvasRect,
                                    const QwtScaleMap maps[QwtPlot::axisCnt]) const
{
    std::vector<std::pair<const ScopeCurve *, ColumnRanges>> readings;
    qint64 samples = 0;
    for (const ScopeCurve &curve : m_curves) {
        if (!curve.plot() || !curve.isVisible())
            continue;
        const std::optional<ScopeCurve::Reading> reading =
            curve.readingFor(maps[curve.xAxis()], canvasRect);
        if (reading && reading->samples > 0) {
            readings.emplace_back(&curve, reading->ranges);
            samples += reading->samples;
        }
    }
    // What fits the caches is read faster than a thread starts; the curves then read on
    // their own as they draw.
    if (samples < kSamplesWorthAThread)
        return;
    const std::size_t threads =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kReadingThreads);
    const auto readShare = [&readings, threads](std::size_t share) {
        for (std::size_t k = share; k < readings.size(); k += threads)
            readings[k].first->read(readings[k].second);
    };
    const std::size_t shares = std::min(threads, readings.size());
    std::vector<std::thread> helpers;
    for (std::size_t share = 1; share < shares; ++share) {
        try {
            helpers.emplace_back(readShare, share);
        } catch (const std::system_error &) {
            // No thread to be had: this one reads what is left.
            for (std::size_t left = share; left < shares; ++left)
                readShare(left);
            break;
        }
    }
    readShare(0);
    for (std::thread &helper : helpers)
        helper.join();
}

void QwtScope::replot()
{
    if (m_bStripView)
        arrangeStrips();
    applyValueAxis();
    showCommonUnit();
    emit aboutToReplot();
    QwtPlot::replot();
    // The read-out under a mouse at rest follows the new samples or scales. (The zoomer
    // replots while the constructor makes it, before the tracker.)
    if (m_tracker)
        m_tracker->refresh();
}

void QwtScope::onZoomer(const QRectF &)
{
    if (m_zoomer->zoomRectIndex() == 0)
        setAxisScale(QwtPlot::xBottom, m_dXMin, m_dXMax, m_dXStep);
    replot(); // puts the value axis back
}
