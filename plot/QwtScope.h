#pragma once

#include "ChannelColours.h"
#include "ColumnSnapshot.h"
#include "CurveBinding.h"
#include "CurveLayer.h"
#include "ScopeChannel.h"
#include "ScopeCurve.h"
#include "ScopeLimits.h"
#include "ScopeRecording.h"
#include "ScopeSeriesData.h"
#include "UnitStrips.h"
#include "WallClockMapping.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <array>
#include <vector>

class QwtPlotGrid;
class ScopeDataTracker;
class StripFrames;
class StripScaleDraw;
class WallClockScaleEngine;
class Zoomer;

// The scope's plot: 48 fixed curve slots, each with the binding of the channel that feeds
// it, and the axis ranges its users set, which are put back whenever the zoom returns to
// its base. Shown as one plot (the default) or as stacked strips, one per unit, that share
// the time axis and each fit their visible curves. Owns its curves by value; the grid belongs to
// the plot's item list, zoomer and tracker to the canvas. The plot itself belongs to its Qt parent.
// GUI thread only; a replot with much to read reads its curves' samples on a few threads of
// its own, which it waits for.
class QwtScope : public QwtPlot
{
    Q_OBJECT

public:
    explicit QwtScope(QWidget *parent = nullptr);
    ~QwtScope() override;

    void setXScale(double min, double max, double step);
    double xRange() const { return m_dXRange; }
    void setYScale(double min, double max);
    // The value range centred on [low, high], widened by 1 % and at least 0.01 either side.
    void setYScaleAround(double low, double high);
    double yMin() const { return m_dYMin; }
    double yMax() const { return m_dYMax; }

    // A curve of no channel of its own (a compared one), in a colour apart from the others.
    void addCurve(int slot, QString title, CurveBinding binding);
    // The channels' curves, each in its channel's colour (see ChannelColours).
    void addChannelCurves(const std::vector<ScopeChannel> &channels);
    void clearCurves();
    ChannelColours &channelColours() { return m_channelColours; }
    CurveBinding curveBinding(int slot) const;
    // Gives the slot's curve the samples and widens the stored value range to hold them.
    // The outputs receive the least and greatest finite value; they are left alone when the
    // slot is out of range, x or y is empty, or no value is finite.
    void setCurveSamples(int slot, const QVector<double> &x, const QVector<double> &y,
                         double &yMinOut, double &yMaxOut);
    // The same over shared columns, without copying them: the curve reports x - xOrigin.
    // The live window draws on whole pixels (see ScopeSeriesData::TimeDrawing).
    // No line joins a sample of `timeBreaks` to the one before (see ScopeSeriesData).
    void setCurveSamples(int slot, const ColumnSnapshot &x, double xOrigin, const ColumnSnapshot &y,
                         double &yMinOut, double &yMaxOut,
                         ScopeSeriesData::TimeDrawing drawing = ScopeSeriesData::TimeDrawing::Exact,
                         const QVector<int> &timeBreaks = {});
    bool hasNoData() const;

    // Stacked strips, one per unit; the zoom then acts on time only.
    void setStripView(bool on);
    bool isStripView() const { return m_bStripView; }
    const UnitStrips &strips() const { return m_strips; }
    // The single plot's value axis fits the visible curves instead of all of them.
    void setScaleToVisible(bool on);
    bool scalesToVisible() const { return m_bScaleToVisible; }

    // Ranges set while zoomed in are stored and shown when the zoom returns to its base.
    bool isZoomedIn() const;
    void refreshZoom();
    void resetZoom();

    // Attaches a curve for each of the recording's whose slot has none: channels in their
    // colours, compared curves dashed in colours apart. Detaching is the caller's clearCurves.
    void attachCurvesOf(const ScopeRecording &recording);
    // Shows the recording's samples on its attached curves, its time origin at 0; the
    // live window draws on whole pixels. The least and greatest finite value shown.
    SampleExtremes showSamplesOf(const ScopeRecording &recording,
                                 ScopeSeriesData::TimeDrawing drawing);

    // The value-axis title names a unit only when every shown curve has it. Otherwise it
    // names the curve under the mouse with its unit ("J3 Actual Cur: CUR(A)"), and is blank
    // (as at start) when the tracker finds none. The strips show their own units and the
    // axis none. Every replot brings it up to date.
    void showCommonUnit();
    // The title without the curve under the mouse, as a saved image shows it.
    QString commonUnitTitle() const;

    // Recorded time of the sample shown at time 0: the widget shows times relative to the
    // oldest buffered sample. Measurement cursors use it to stay with the data.
    void setTimeOrigin(double origin);
    double timeOrigin() const { return m_dTimeOrigin; }

    // The recorded time `recordedTime` was the moment `wallClock` (invalid: unknown, as for
    // a cleared plot). The plot's times follow it as the time origin moves.
    void setWallClock(double recordedTime, const QDateTime &wallClock);
    // Plot times on the wall clock; unknown until setWallClock gave a valid moment.
    WallClockMapping wallClock() const;
    // The time axis in local time of day instead of ms, where the wall clock is known; where
    // it is not, the axis keeps ms and its title says why.
    void setWallClockTime(bool on);
    bool wallClockTime() const { return m_bWallClockTime; }

    // The curve of a slot, nullptr out of range.
    QwtPlotCurve *curve(int slot);
    // The slot of one of the plot's curves; -1 for any other item.
    int slotOf(const QwtPlotItem *item) const;
    // The slots no curve is attached to, lowest first.
    QList<int> freeSlots() const;
    // A dashed curve is one shown for comparison; clearCurves makes every curve solid again.
    void setCurveDashed(int slot, bool dashed);
    Zoomer *zoomer() const { return m_zoomer; }
    ScopeDataTracker *tracker() const { return m_tracker; }

    // Reads the curves' samples side by side, draws the items, the curves through their
    // layer, then lets go of the column ranges that no curve drew with.
    void drawItems(QPainter *painter, const QRectF &canvasRect,
                   const QwtScaleMap maps[QwtPlot::axisCnt]) const override;
    // The pixel columns the last replot drew curves in anew (see CurveLayer).
    int redrawnCurveColumns() const { return m_curveLayer.redrawnColumns(); }

signals:
    // Emitted by every replot before anything is drawn, so overlays can follow the data.
    void aboutToReplot();

public slots:
    void onZoomer(const QRectF &rect);
    void replot() override;
    // The value-axis title as if the slot's curve were under the mouse.
    void setYAxisUnit(int slot);

private:
    void showUnitOf(const QwtPlotCurve *curve);
    QString commonUnit() const;
    QString valueAxisTitle() const;
    void applyValueAxis();
    void arrangeStrips();
    SampleExtremes visibleValues() const;
    static bool isSlot(int slot) { return slot >= 0 && slot < ScopeLimits::kCurveSlots; }
    std::vector<const ScopeCurve *> curvesDrawnTogether() const;
    void readCurvesSideBySide(const QRectF &canvasRect,
                              const QwtScaleMap maps[QwtPlot::axisCnt]) const;
    void setupGrid();
    void showTimeAxis();
    void keepTimeLabelRoom(bool on);
    QString timeAxisTitle() const;
    void attachCurve(int slot, const QString &title, CurveBinding binding, const QColor &colour);
    QVector<QColor> attachedColours(int exceptSlot = -1) const;

    Zoomer *m_zoomer = nullptr;
    ScopeDataTracker *m_tracker = nullptr;
    QwtPlotGrid *m_grid = nullptr;
    StripFrames *m_stripFrames = nullptr;         // belongs to the plot's item list
    StripScaleDraw *m_stripScaleDraw = nullptr;   // belongs to the axis while the strips show
    WallClockScaleEngine *m_timeEngine = nullptr; // belongs to the plot
    UnitStrips m_strips;
    bool m_bStripView = false;
    bool m_bScaleToVisible = false;
    // Shared by the curves, so it outlives them; drawing const, it is kept for the next one.
    mutable ColumnRangeCache m_columnRanges;
    mutable CurveLayer m_curveLayer;
    std::array<ScopeCurve, ScopeLimits::kCurveSlots> m_curves;
    std::array<CurveBinding, ScopeLimits::kCurveSlots> m_bindings;
    ChannelColours m_channelColours;

    double m_dXMin = 0.0;
    double m_dXMax = 0.0;
    double m_dXStep = 0.0;
    double m_dXRange = 0.0;
    double m_dYMin = 0.0;
    double m_dYMax = 0.0;
    double m_dTimeOrigin = 0.0;
    WallClockMapping m_recordedWallClock; // in recorded times, not plot times
    WallClockMapping m_shownWallClock;    // what the time axis shows; unknown while in ms
    bool m_bWallClockTime = false;
    const QwtPlotCurve *m_hoveredCurve = nullptr; // one of m_curves, or none
};
