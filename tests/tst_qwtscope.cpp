#include "GapCurve.h"
#include "PlotMouse.h"
#include "QwtScope.h"
#include "ScopeCurve.h"
#include "ScopeLimits.h"
#include "ScopeSeriesData.h"
#include "Zoomer.h"

#include <QtTest>

#include <qwt_legend.h>
#include <qwt_painter.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>
#include <qwt_text.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace {

const CurveBinding kFree;
constexpr double kUntouched = 777.0;

QwtInterval axisRange(QwtScope &plot, int axis)
{
    plot.updateAxes();
    return plot.axisScaleDiv(axis).interval();
}

QString valueAxisTitle(const QwtScope &plot)
{
    return plot.axisTitle(QwtPlot::yLeft).text();
}

int attachedCurves(const QwtScope &plot)
{
    return plot.itemList(QwtPlotItem::Rtti_PlotCurve).size();
}

CurveBinding binding(int slot, const QString &unit)
{
    CurveBinding b;
    b.scopeIndex = 43 + slot;
    b.axis = 25;
    b.slot = slot;
    b.linkItem = LINK_TargetACS;
    b.unit = unit;
    return b;
}

// A recording as the buffer holds it: controller times from some origin, and values.
struct Recording
{
    QVector<double> times;
    QVector<double> values;
};

enum class Shape
{
    Noise,   // a sine with noise, hundreds of samples per pixel column
    Spikes,  // now and then far beyond the value axis
    Repeats, // pairs of equal time stamps
    Sparse,  // fewer samples than pixel columns
    WithNaN, // one value without a pixel
};

Recording recording(Shape shape, int count)
{
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, 0.4);
    Recording r;
    const double step = shape == Shape::Sparse ? 37.0 : 1.0;
    for (int i = 0; i < count; ++i) {
        const double t = 123456.789 + (shape == Shape::Repeats ? (i / 2) : i) * step;
        double v = 5.0 * std::sin(i / 3000.0) + noise(random);
        if (shape == Shape::Spikes && i % 997 == 0)
            v = (i % 2 ? 1e4 : -1e4);
        if (shape == Shape::WithNaN && i == count / 2)
            v = std::numeric_limits<double>::quiet_NaN();
        r.times << t;
        r.values << v;
    }
    return r;
}

QImage rendered(const QwtPlotCurve &curve, double x0, double x1)
{
    constexpr int kWidth = 1137;
    constexpr int kHeight = 620;
    QwtScaleMap xMap;
    xMap.setScaleInterval(x0, x1);
    xMap.setPaintInterval(0, kWidth);
    QwtScaleMap yMap;
    yMap.setScaleInterval(-8.0, 8.0);
    yMap.setPaintInterval(kHeight, 0);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    curve.draw(&painter, xMap, yMap, QRectF(0, 0, kWidth, kHeight));
    return image;
}

int differingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            count += lineA[x] != lineB[x];
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(QVector<double>)
Q_DECLARE_METATYPE(Shape)

class tst_QwtScope : public QObject
{
    Q_OBJECT

private slots:
    void newPlot();
    void outOfRangeSlotIsNotBound();
    void addCurveBindsSlotsInOrder();
    void widening_data();
    void widening();
    void ignoredSamplesChangeNothing_data();
    void ignoredSamplesChangeNothing();
    void nonFiniteScalesIgnored();
    void unitTitle_data();
    void unitTitle();
    void clearCurvesFreesEverySlot();
    void destroyedWithAttachedCurvesAndLegend();
    void zoomAcceptance_data();
    void zoomAcceptance();
    void thinSelectionGrowsAroundItsCentre();
    void zoomReturnsToStoredRanges();
    void reducedDrawingMatchesQwt_data();
    void reducedDrawingMatchesQwt();
};

void tst_QwtScope::newPlot()
{
    QwtScope plot;
    QCOMPARE(attachedCurves(plot), 0);
    QVERIFY(plot.hasNoData());
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 10000.0));
    QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 1000.0);
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-10.0, 10.0));
    QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), 5.0);
    QCOMPARE(plot.xRange(), 10000.0);
    QCOMPARE(plot.axisTitle(QwtPlot::xBottom).text(), QStringLiteral("time(ms)"));
    QCOMPARE(valueAxisTitle(plot), QString(12, QLatin1Char(' ')));
    QCOMPARE(plot.canvasBackground().color(), QColor(250, 250, 250, 255));
    QCOMPARE(plot.curve(0)->pen().widthF(), 2.0);
    QVERIFY(plot.curve(0)->pen().color() != plot.curve(1)->pen().color());
    QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotGrid).size(), 1);
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot)
        QVERIFY(plot.curveBinding(slot) == kFree);
    QVERIFY(plot.zoomer()->parent() == plot.canvas());
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 0u);
}

void tst_QwtScope::outOfRangeSlotIsNotBound()
{
    QwtScope plot;
    for (int slot : {48, -1}) {
        plot.addCurve(slot, "T", binding(0, "ACS(deg)"));
        plot.setYAxisUnit(slot);
        QVERIFY(plot.curveBinding(slot) == kFree);
        QVERIFY(!plot.curve(slot));
    }
    QCOMPARE(attachedCurves(plot), 0);
    QCOMPARE(valueAxisTitle(plot), QString(12, QLatin1Char(' ')));
}

void tst_QwtScope::addCurveBindsSlotsInOrder()
{
    QwtScope plot;
    for (int slot = 0; slot < 3; ++slot)
        plot.addCurve(slot, QStringLiteral("C%1").arg(slot), binding(slot, "A"));

    const QwtPlotItemList curves = plot.itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 3);
    for (int slot = 0; slot < 3; ++slot) {
        QCOMPARE(curves.at(slot), plot.curve(slot));
        QVERIFY(plot.curve(slot)->isVisible());
        QCOMPARE(plot.curve(slot)->title().text(), QStringLiteral("C%1").arg(slot));
        QVERIFY(plot.curveBinding(slot) == binding(slot, "A"));
    }
    QVERIFY(plot.hasNoData());

    double lo = 0.0;
    double hi = 0.0;
    plot.setCurveSamples(2, {0.0}, {1.0}, lo, hi);
    plot.curve(2)->setVisible(false); // hidden through the legend, still holds data
    QVERIFY(!plot.hasNoData());
}

void tst_QwtScope::widening_data()
{
    QTest::addColumn<double>("startMin");
    QTest::addColumn<double>("startMax");
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("outMin");
    QTest::addColumn<double>("outMax");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double maxDouble = std::numeric_limits<double>::max();
    const QVector<double> t3{0.0, 1.0, 2.0};

    QTest::newRow("23.5 from -10..10 gives -20..30")
        << -10.0 << 10.0 << t3 << QVector<double>{0.0, 23.5, 1.0} << -20.0 << 30.0 << 0.0 << 23.5;
    QTest::newRow("-23 from -20..30 gives -30..40")
        << -20.0 << 30.0 << t3 << QVector<double>{-23.0, 5.0, 0.0} << -30.0 << 40.0 << -23.0 << 5.0;
    QTest::newRow("-3.7..4.2 inside -10..10 unchanged")
        << -10.0 << 10.0 << t3 << QVector<double>{-3.7, 4.2, 0.0} << -10.0 << 10.0 << -3.7 << 4.2;
    QTest::newRow("bounds truncate before going to tens, never round")
        << -10.0 << 10.0 << t3 << QVector<double>{29.6, -19.5, 0.0} << -20.0 << 30.0 << -19.5
        << 29.6;
    QTest::newRow("negative bounds truncate towards zero")
        << -100.0 << -50.0 << t3 << QVector<double>{-100.0, -23.0, -60.0} << -110.0 << -10.0
        << -100.0 << -23.0;
    QTest::newRow("only paired samples count")
        << -10.0 << 10.0 << QVector<double>{0.0} << QVector<double>{1.0, 500.0} << -10.0 << 10.0
        << 1.0 << 1.0;
    QTest::newRow("NaN and infinities do not move the range")
        << -10.0 << 10.0 << t3 << QVector<double>{nan, inf, -inf} << -10.0 << 10.0 << kUntouched
        << kUntouched;
    QTest::newRow("finite values among NaN still count")
        << -10.0 << 10.0 << t3 << QVector<double>{nan, 12.0, -inf} << -20.0 << 20.0 << 12.0 << 12.0;
    QTest::newRow("beyond int range keeps the rounding rule")
        << -10.0 << 10.0 << t3 << QVector<double>{3000000007.5, -4000000001.0, 0.0} << -4000000010.0
        << 3000000010.0 << -4000000001.0 << 3000000007.5;
    QTest::newRow("largest doubles give a finite range")
        << -10.0 << 10.0 << t3 << QVector<double>{maxDouble, -maxDouble, 0.0} << -1e300 << 1e300
        << -maxDouble << maxDouble;
}

void tst_QwtScope::widening()
{
    QFETCH(double, startMin);
    QFETCH(double, startMax);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);

    QwtScope plot;
    plot.setYScale(startMin, startMax);
    plot.addCurve(0, "T", binding(0, "A"));
    double outMin = kUntouched;
    double outMax = kUntouched;
    plot.setCurveSamples(0, x, y, outMin, outMax);

    QCOMPARE(plot.curve(0)->dataSize(), size_t(qMin(x.size(), y.size())));
    QTEST(plot.yMin(), "min");
    QTEST(plot.yMax(), "max");
    QTEST(outMin, "outMin");
    QTEST(outMax, "outMax");
    const QwtInterval axis = axisRange(plot, QwtPlot::yLeft);
    QTEST(axis.minValue(), "min");
    QTEST(axis.maxValue(), "max");
    QVERIFY(std::isfinite(plot.axisStepSize(QwtPlot::yLeft)));
}

void tst_QwtScope::ignoredSamplesChangeNothing_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QVector<double>>("x");
    QTest::addColumn<QVector<double>>("y");
    const QVector<double> far{-500.0, 500.0};
    QTest::newRow("slot 48") << 48 << QVector<double>{0.0, 1.0} << far;
    QTest::newRow("slot -1") << -1 << QVector<double>{0.0, 1.0} << far;
    QTest::newRow("empty time vector") << 0 << QVector<double>{} << far;
    QTest::newRow("empty value vector") << 0 << QVector<double>{1.0} << QVector<double>{};
}

// The curve, the stored range and both outputs stay as they were.
void tst_QwtScope::ignoredSamplesChangeNothing()
{
    QFETCH(int, slot);
    QFETCH(QVector<double>, x);
    QFETCH(QVector<double>, y);
    QwtScope plot;
    plot.addCurve(0, "T", binding(0, "A"));
    double lo = 0.0;
    double hi = 0.0;
    plot.setCurveSamples(0, {0.0, 1.0, 2.0}, {1.0, 2.0, 3.0}, lo, hi);

    lo = kUntouched;
    hi = kUntouched;
    plot.setCurveSamples(slot, x, y, lo, hi);
    QCOMPARE(plot.curve(0)->dataSize(), size_t(3));
    QCOMPARE(plot.curve(0)->sample(2), QPointF(2.0, 3.0));
    QCOMPARE(plot.yMin(), -10.0);
    QCOMPARE(plot.yMax(), 10.0);
    QCOMPARE(lo, kUntouched);
    QCOMPARE(hi, kUntouched);
}

void tst_QwtScope::nonFiniteScalesIgnored()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    QwtScope plot;
    plot.setXScale(0.0, nan, 1.0);
    plot.setXScale(0.0, 100.0, inf);
    plot.setYScale(-inf, 5.0);
    QCOMPARE(plot.xRange(), 10000.0);
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 10000.0));
    QCOMPARE(plot.yMin(), -10.0);
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-10.0, 10.0));
}

void tst_QwtScope::unitTitle_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("title");
    QTest::newRow("10 characters padded") << "VEL(deg/s)"
                                          << "VEL(deg/s)  ";
    QTest::newRow("15 characters cut") << "CURRENT(A)/TORQ"
                                       << "CURRENT(A)/T";
    QTest::newRow("exactly 12 kept") << "ACS(deg)/123"
                                     << "ACS(deg)/123";
    QTest::newRow("no unit") << ""
                             << "            ";
}

void tst_QwtScope::unitTitle()
{
    QFETCH(QString, unit);
    QwtScope plot;
    plot.addCurve(5, "T", binding(5, unit));
    plot.setYAxisUnit(5);
    QTEST(valueAxisTitle(plot), "title");
}

void tst_QwtScope::clearCurvesFreesEverySlot()
{
    QwtScope plot;
    plot.setXScale(0.0, 5000.0, 500.0);
    double lo = 0.0;
    double hi = 0.0;
    for (int slot = 0; slot < 3; ++slot) {
        plot.addCurve(slot, "T", binding(slot, "A"));
        plot.setCurveSamples(slot, {0.0, 1.0}, {-25.0, 33.0}, lo, hi);
    }
    QCOMPARE(plot.yMax(), 40.0);

    plot.clearCurves();
    QCOMPARE(attachedCurves(plot), 0);
    QVERIFY(plot.hasNoData());
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) {
        QCOMPARE(plot.curve(slot)->dataSize(), size_t(0));
        QVERIFY(!plot.curve(slot)->isVisible());
        QVERIFY(plot.curveBinding(slot) == kFree);
    }
    QCOMPARE(plot.yMin(), -10.0);
    QCOMPARE(plot.yMax(), 10.0);
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-10.0, 10.0));
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 5000.0));
}

void tst_QwtScope::destroyedWithAttachedCurvesAndLegend()
{
    auto plot = std::make_unique<QwtScope>();
    auto *legend = new QwtLegend;
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    plot->insertLegend(legend, QwtPlot::RightLegend);
    double lo = 0.0;
    double hi = 0.0;
    for (int slot = 0; slot < 3; ++slot) {
        plot->addCurve(slot, "T", binding(slot, "A"));
        plot->setCurveSamples(slot, {0.0, 1.0}, {2.0, 3.0}, lo, hi);
    }
    const QPointer<QwtLegend> watched(legend);
    plot.reset();
    QVERIFY(watched.isNull());
}

void tst_QwtScope::zoomAcceptance_data()
{
    QTest::addColumn<QSize>("band");
    QTest::addColumn<bool>("zooms");
    QTest::newRow("25x40 accepted") << QSize(25, 40) << true;
    QTest::newRow("40x25 accepted") << QSize(40, 25) << true;
    QTest::newRow("30x1 accepted") << QSize(30, 1) << true;
    QTest::newRow("25x29 rejected") << QSize(25, 29) << false;
    QTest::newRow("click") << QSize(1, 1) << false;
}

void tst_QwtScope::zoomAcceptance()
{
    QFETCH(QSize, band);
    QFETCH(bool, zooms);
    QwtScope plot;
    QVERIFY(PlotMouse::showAt(&plot));
    PlotMouse::dragRect(plot.canvas(), QPoint(100, 100), band);
    QCOMPARE(plot.zoomer()->zoomRectIndex(), zooms ? 1u : 0u);
}

void tst_QwtScope::thinSelectionGrowsAroundItsCentre()
{
    QwtScope plot;
    QVERIFY(PlotMouse::showAt(&plot));
    const QwtScaleMap xMap = plot.canvasMap(QwtPlot::xBottom);
    const QwtScaleMap yMap = plot.canvasMap(QwtPlot::yLeft);

    // 40 x 5 pixels from (100,100): centre (119,102), grown to 40 x 11 it spans y 97..107.
    PlotMouse::dragRect(plot.canvas(), QPoint(100, 100), QSize(40, 5));
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 1u);
    const QRectF zoomed = plot.zoomer()->zoomRect();
    QCOMPARE(qRound(xMap.transform(zoomed.left())), 100);
    QCOMPARE(qRound(xMap.transform(zoomed.right())), 139);
    QCOMPARE(qRound(yMap.transform(zoomed.bottom())), 97);
    QCOMPARE(qRound(yMap.transform(zoomed.top())), 107);
}

void tst_QwtScope::zoomReturnsToStoredRanges()
{
    QwtScope plot;
    QVERIFY(PlotMouse::showAt(&plot));
    plot.setXScale(0.0, 5000.0, 500.0);
    plot.setYScale(-50.0, 50.0);
    plot.replot();
    QWidget *canvas = plot.canvas();
    QSignalSpy zoomed(plot.zoomer(), SIGNAL(zoomed(const QRectF &)));

    PlotMouse::dragRect(canvas, QPoint(100, 100), QSize(200, 150));
    const QwtInterval zoomedX = axisRange(plot, QwtPlot::xBottom);
    const QwtInterval zoomedY = axisRange(plot, QwtPlot::yLeft);
    zoomed.clear();
    plot.refreshZoom();
    QCOMPARE(zoomed.count(), 1);
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 1u);
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), zoomedX);
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), zoomedY);

    PlotMouse::dragRect(canvas, QPoint(50, 50), QSize(100, 100));
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 2u);
    // Ranges set while zoomed in go to the axes at once and are what the base shows later.
    plot.setXScale(0.0, 2000.0, 200.0);
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 2000.0));

    PlotMouse::click(canvas, QPoint(10, 10), Qt::MiddleButton);
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 1u);
    QVERIFY(axisRange(plot, QwtPlot::xBottom) != QwtInterval(0.0, 2000.0));
    PlotMouse::click(canvas, QPoint(10, 10), Qt::MiddleButton);
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 0u);
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 2000.0));
    QCOMPARE(plot.axisStepSize(QwtPlot::xBottom), 200.0);
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-50.0, 50.0));
    QCOMPARE(plot.axisStepSize(QwtPlot::yLeft), 25.0);

    // Reset View runs onZoomer from a zoom and at the base alike.
    PlotMouse::dragRect(canvas, QPoint(100, 100), QSize(200, 150));
    plot.setYScale(-5.0, 15.0);
    zoomed.clear();
    plot.resetZoom();
    plot.resetZoom();
    QCOMPARE(zoomed.count(), 2);
    QCOMPARE(plot.zoomer()->zoomRectIndex(), 0u);
    QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 2000.0));
    QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-5.0, 15.0));
}

void tst_QwtScope::reducedDrawingMatchesQwt_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("x0"); // visible time range, relative to the oldest sample
    QTest::addColumn<double>("x1");

    QTest::newRow("100000 samples, all in view") << Shape::Noise << 100000 << 0.0 << 100000.0;
    QTest::newRow("zoomed into 600 of them") << Shape::Noise << 100000 << 49700.0 << 50300.0;
    QTest::newRow("zoomed between two samples") << Shape::Noise << 100000 << 500.2 << 500.8;
    QTest::newRow("window wider than the data") << Shape::Noise << 20000 << -5000.0 << 40000.0;
    QTest::newRow("spikes far off the canvas") << Shape::Spikes << 100000 << 0.0 << 100000.0;
    QTest::newRow("repeated time stamps") << Shape::Repeats << 100000 << 0.0 << 50000.0;
    QTest::newRow("sparse, zoomed") << Shape::Sparse << 300 << 2000.0 << 9000.0;
    QTest::newRow("a NaN value") << Shape::WithNaN << 50000 << 0.0 << 50000.0;
}

// The widget's curves draw through the reduction; plain Qwt draws every sample. Drawn as
// one polyline, one-pixel lines must come out the same. Qwt splits long polylines into
// pieces of seven points, whose square caps light a few pixels more wherever a piece
// happens to end; wider pens differ where Qt joins many short segments.
void tst_QwtScope::reducedDrawingMatchesQwt()
{
    QFETCH(Shape, shape);
    QFETCH(int, count);
    QFETCH(double, x0);
    QFETCH(double, x1);

    const Recording r = recording(shape, count);
    const ColumnSnapshot times = ColumnSnapshot::fromVector(r.times);
    const ColumnSnapshot values = ColumnSnapshot::fromVector(r.values);
    for (const bool split : {false, true}) {
        QwtPainter::setPolylineSplitting(split);
        for (const double width : {1.0, 2.0}) {
            ScopeCurve reduced;
            GapCurve plain; // Qwt drawing every sample, with the same gaps
            for (QwtPlotCurve *curve :
                 {static_cast<QwtPlotCurve *>(&reduced), static_cast<QwtPlotCurve *>(&plain)}) {
                curve->setPen(QColor(200, 30, 90), width, Qt::SolidLine);
                curve->setSamples(new ScopeSeriesData(times, r.times.first(), values));
            }
            const QImage expected = rendered(plain, x0, x1);
            const int differing = differingPixels(rendered(reduced, x0, x1), expected);
            const int pixels = expected.width() * expected.height();
            const int allowed = width == 2.0 ? pixels / 200 : split ? pixels / 10000 : 0;
            if (differing > allowed)
                QFAIL(qPrintable(QStringLiteral("%1 pixels differ, %2-pixel pen, %3")
                                     .arg(differing)
                                     .arg(width)
                                     .arg(split ? "split" : "one polyline")));
        }
    }
    QwtPainter::setPolylineSplitting(true);
}

QTEST_MAIN(tst_QwtScope)
#include "tst_qwtscope.moc"
