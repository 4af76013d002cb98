#include "ChannelColours.h"
#include "ClosestSampleSearch.h"
#include "ColumnRangeCache.h"
#include "ColumnSpans.h"
#include "CurveColours.h"
#include "CurveStatisticsTable.h"
#include "FileEntry.h"
#include "JoinedSpans.h"
#include "MeasurementCursors.h"
#include "PixelColumnReduction.h"
#include "PlotImage.h"
#include "QwtScope.h"
#include "ScopeCatalog.h"
#include "ScopeChannel.h"
#include "ScopeContextMenu.h"
#include "ScopeCurve.h"
#include "ScopeDataTracker.h"
#include "ScopeFile.h"
#include "ScopeSeriesData.h"
#include "Zoomer.h"

#include <QClipboard>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_legend.h>
#include <qwt_painter.h>
#include <qwt_scale_div.h>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <thread>
#include <tuple>

Q_DECLARE_METATYPE(RowSpan)

using Samples = QVector<QPointF>;
using Values = QVector<double>;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

QwtScaleMap scaleMap(double s1, double s2, double p1, double p2)
{
    QwtScaleMap map;
    map.setScaleInterval(s1, s2);
    map.setPaintInterval(p1, p2);
    return map;
}

QwtInterval axisRange(QwtScope &plot, int axis)
{
    plot.updateAxes();
    return plot.axisScaleDiv(axis).interval();
}

QString yTitle(const QwtScope &plot)
{
    return plot.axisTitle(QwtPlot::yLeft).text();
}

void addCurve(QwtScope &plot, int slot, const Values &x, const Values &y, const QString &unit = "A")
{
    CurveBinding binding;
    binding.slot = slot;
    binding.unit = unit;
    plot.addCurve(slot, QStringLiteral("C%1").arg(slot), binding);
    double lo = 0.0, hi = 0.0;
    plot.setCurveSamples(slot, x, y, lo, hi);
}

// The catalogue's channels first..last (in curve order), bound to slots 0, 1, ...
std::vector<ScopeChannel> offeredRange(int first, int last)
{
    const std::vector<OfferedChannel> offered = offeredChannels();
    std::vector<ScopeChannel> channels;
    for (int k = first; k <= last; ++k) {
        ScopeChannel channel = offered.at(static_cast<std::size_t>(k)).channel;
        channel.binding.slot = static_cast<int>(channels.size());
        channels.push_back(channel);
    }
    return channels;
}

// "3-5" names the catalogue's channels 3 to 5.
std::vector<ScopeChannel> offeredRange(const QString &range)
{
    const QStringList bounds = range.split('-');
    return offeredRange(bounds.first().toInt(), bounds.last().toInt());
}

// Every attached curve reads on the canvas and differs from every other one.
QString colourClash(QwtScope &plot)
{
    const QColor canvas = plot.canvasBackground().color();
    const QwtPlotItemList curves = plot.itemList(QwtPlotItem::Rtti_PlotCurve);
    for (int k = 0; k < curves.size(); ++k) {
        const auto *curve = static_cast<const QwtPlotCurve *>(curves.at(k));
        const QColor colour = curve->pen().color();
        if (contrastRatio(colour, canvas) < kMinCurveContrast)
            return curve->title().text() + " does not read";
        for (int other = 0; other < k; ++other) {
            const auto *before = static_cast<const QwtPlotCurve *>(curves.at(other));
            const double difference = deltaE76(colour, before->pen().color());
            if (difference < kMinCurveDeltaE)
                return QString("%1 and %2: %3")
                    .arg(before->title().text(), curve->title().text())
                    .arg(difference);
        }
    }
    return QString();
}

// Samples as the widget's curves hold them: in shared columns, times from an origin.
ScopeSeriesData *columns(const Samples &samples, double origin = 0.0)
{
    Values x, y;
    for (const QPointF &p : samples) {
        x << p.x() + origin;
        y << p.y();
    }
    return new ScopeSeriesData(ColumnSnapshot::fromVector(x), origin,
                               ColumnSnapshot::fromVector(y));
}

// The offscreen platform makes no drags or hovering of QTest's mouse: events go directly.
void mouse(QWidget *canvas, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton,
           Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(type, pos, canvas->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &event);
}

// A rubber band of exactly `size` pixels, as QRect counts them, from (100, 100).
void drag(QWidget *canvas, QSize size)
{
    const QPoint end(99 + size.width(), 99 + size.height());
    mouse(canvas, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    mouse(canvas, QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
    mouse(canvas, QEvent::MouseButtonRelease, end, Qt::LeftButton);
}

void hover(QWidget *canvas, QPoint pos)
{
    QEnterEvent enter(pos, pos, canvas->mapToGlobal(pos));
    QCoreApplication::sendEvent(canvas, &enter);
    mouse(canvas, QEvent::MouseMove, pos);
}

// A curve whose samples lie at the given canvas pixels.
void addCurveAt(QwtScope &plot, int slot, const QVector<QPoint> &pixels, const QString &unit = "A")
{
    Values x, y;
    for (const QPoint &pixel : pixels) {
        x << plot.canvasMap(QwtPlot::xBottom).invTransform(pixel.x());
        y << plot.canvasMap(QwtPlot::yLeft).invTransform(pixel.y());
    }
    addCurve(plot, slot, x, y, unit);
    plot.replot();
}

QwtText trackerText(const QwtScope &plot, QPoint pos)
{
    return static_cast<const QwtPicker *>(plot.tracker())->trackerText(pos);
}

int pixelsOf(const QImage &image, QRgb colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const auto *pixels = reinterpret_cast<const QRgb *>(rgb.constBits());
    return int(std::count(pixels, pixels + rgb.width() * rgb.height(), colour));
}

// A right click at `pos`; the context menu it opens is closed again.
void openMenu(QWidget *canvas, QPoint pos)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, canvas->mapToGlobal(pos));
    QCoreApplication::sendEvent(canvas, &event);
    if (auto *menu = canvas->findChild<QMenu *>())
        menu->hide();
}

// Shown at a fixed size, so that canvas pixels map to known plot coordinates.
std::unique_ptr<QwtScope> shownPlot()
{
    auto plot = std::make_unique<QwtScope>();
    plot->setFixedSize(800, 600);
    plot->show();
    if (!QTest::qWaitForWindowExposed(plot.get()))
        return nullptr;
    plot->replot();
    return plot;
}

QImage rendered(const QwtPlotCurve &curve, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                const QRect &canvas = QRect(0, 0, 1137, 620))
{
    QImage image(1137, 620, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    curve.draw(&painter, xMap, yMap, canvas);
    return image;
}

// Whether every pixel drawn in `a` has one drawn in `b` at most `reach` pixels away.
bool drawnNear(const QImage &a, const QImage &b, int reach = 1)
{
    const auto drawn = [](const QImage &image, int x, int y) {
        return image.rect().contains(x, y) && image.pixel(x, y) != qRgb(255, 255, 255);
    };
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!drawn(a, x, y))
                continue;
            bool near = false;
            for (int dy = -reach; dy <= reach && !near; ++dy) {
                for (int dx = -reach; dx <= reach && !near; ++dx)
                    near = drawn(b, x + dx, y + dy);
            }
            if (!near) {
                qWarning("drawn at (%d, %d) only in one image", x, y);
                return false;
            }
        }
    }
    return true;
}

// A column over chunks that several views share, as the sample buffer's are.
std::shared_ptr<const ColumnSnapshot::ChunkList> sharedChunks(const Values &values)
{
    auto chunks = std::make_shared<ColumnSnapshot::ChunkList>();
    std::shared_ptr<SampleChunk> chunk;
    for (int i = 0; i < values.size(); ++i) {
        if ((i & SampleChunk::kMask) == 0) {
            chunk = std::make_shared<SampleChunk>();
            chunks->push_back(chunk);
        }
        chunk->put(i & SampleChunk::kMask, values.at(i));
    }
    return chunks;
}

// A sine with measurement noise, one value per sample, and the times 0, 1, 2, ... + `start`.
void noisySine(int count, double samplesPerRadian, unsigned seed, Values &x, Values &y,
               double start = 0.0)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.4);
    for (int i = 0; i < count; ++i) {
        x << start + i;
        y << 5.0 * std::sin(i / samplesPerRadian) + noise(random);
    }
}

// A view of the samples [from, from + count) as the sample buffer hands it out: from the
// chunk that holds the oldest sample.
ColumnSnapshot bufferView(const std::shared_ptr<const ColumnSnapshot::ChunkList> &chunks, int from,
                          int count, bool ascending)
{
    const int first = from / SampleChunk::kCapacity;
    auto list = std::make_shared<ColumnSnapshot::ChunkList>(chunks->begin() + first, chunks->end());
    return ColumnSnapshot(list, from % SampleChunk::kCapacity, count, ascending);
}

// A live window over the buffer's samples, its times from its oldest sample (`origin`), as
// the widget shows them.
ScopeSeriesData *liveWindow(const std::shared_ptr<const ColumnSnapshot::ChunkList> &x,
                            double origin,
                            const std::shared_ptr<const ColumnSnapshot::ChunkList> &y, int from,
                            int count)
{
    return new ScopeSeriesData(bufferView(x, from, count, true), origin,
                               bufferView(y, from, count, false),
                               ScopeSeriesData::TimeDrawing::OnWholePixels);
}

QImage rendered(const QwtPlotCurve &curve, double x0, double x1)
{
    QImage image(1137, 620, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    curve.draw(&painter, scaleMap(x0, x1, 0, image.width()), scaleMap(-8, 8, image.height(), 0),
               image.rect());
    return image;
}

// Whether a curve that drew `before` (over `xBefore`) and is then given `after` draws as a
// curve that never drew before.
bool drawsAsFresh(ScopeSeriesData *before, const std::function<ScopeSeriesData *()> &after,
                  const QwtScaleMap &xBefore, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                  const QRect &canvas = QRect(0, 0, 1137, 620))
{
    ScopeCurve kept, fresh;
    for (ScopeCurve *curve : {&kept, &fresh})
        curve->setPen(QPen(Qt::black, 2));
    kept.setSamples(before);
    rendered(kept, xBefore, scaleMap(-8, 8, 620, 0));
    kept.setSamples(after());
    fresh.setSamples(after());
    return rendered(kept, xMap, yMap, canvas) == rendered(fresh, xMap, yMap, canvas);
}

struct CurveSet
{
    std::vector<std::unique_ptr<QwtSeriesData<QPointF>>> data;
    QVector<SearchCurve> curves;

    void add(QwtSeriesData<QPointF> *samples, bool visible)
    {
        data.emplace_back(samples);
        curves.append({samples, visible, std::nullopt});
    }
};

// Every sample with a pixel (clamped to 1e9) as (squared distance, position, index); the
// least tuple is the answer.
ClosestSample bruteForce(const CurveSet &set, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                         QPoint cursor)
{
    std::vector<std::tuple<qint64, int, int>> candidates;
    for (int position = 0; position < set.curves.size(); ++position) {
        const QwtSeriesData<QPointF> *samples = set.curves[position].samples;
        for (int i = 0; set.curves[position].visible && i < int(samples->size()); ++i) {
            const QPointF p = samples->sample(i);
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                continue;
            const qint64 dx = qRound(qBound(-1e9, xMap.transform(p.x()), 1e9)) - cursor.x();
            const qint64 dy = qRound(qBound(-1e9, yMap.transform(p.y()), 1e9)) - cursor.y();
            candidates.emplace_back(dx * dx + dy * dy, position, i);
        }
    }
    if (candidates.empty())
        return ClosestSample();
    const auto &[squared, position, index] =
        *std::min_element(candidates.begin(), candidates.end());
    return {position, index, std::sqrt(double(squared))};
}

} // namespace

class tst_Plot : public QObject
{
    Q_OBJECT

private slots:
    // Curves of ascending time are searched from the cursor outwards, all others sample by
    // sample; both must give what the brute force gives, ties and hidden curves included.
    void closestMatchesBruteForce()
    {
        const QwtScaleMap xMap = scaleMap(0.0, 100.0, 0.0, 640.0);
        const QwtScaleMap yMap = scaleMap(-10.0, 10.0, 480.0, 0.0);
        std::mt19937 random(20240611);
        auto uniform = [&](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        for (int round = 0; round < 2000; ++round) {
            CurveSet set;
            Samples first;
            // Now and then long curves, whose blocks the ascending search skips.
            const int most = round % 50 == 0 ? 12000 : round % 10 == 0 ? 3000 : 40;
            for (int c = uniform(1, 6); c > 0; --c) {
                Samples samples;
                for (int i = uniform(0, most); i > 0; --i) {
                    // Coarse grids so that many samples share a pixel or a distance; half pixels.
                    samples.append({uniform(-8, 88) * 1.25 + uniform(0, 1) * 0.078125,
                                    uniform(-24, 24) * 0.5});
                    if (uniform(0, 4) == 0)
                        samples.append(samples.at(uniform(0, samples.size() - 1)));
                    if (uniform(0, 100) == 0) // no pixel, or one far off
                        samples.last().setY(std::array{kNaN, kInf, -kInf, 1e300}[uniform(0, 3)]);
                }
                if (set.data.empty())
                    first = samples;
                else if (uniform(0, 3) == 0) // the same samples as another curve
                    samples = first;
                const bool visible = uniform(0, 4) != 0;
                const int kind = uniform(0, 2); // plain, in columns, in columns by ascending time
                if (kind == 2)
                    std::sort(samples.begin(), samples.end(),
                              [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
                if (kind == 0)
                    set.add(new QwtPointSeriesData(samples), visible);
                else
                    set.add(columns(samples, 5000.0), visible);
            }
            const QPoint cursor(uniform(-20, 660), uniform(-20, 500));
            const ClosestSample expected = bruteForce(set, xMap, yMap, cursor);
            const ClosestSample found = findClosestSample(set.curves, xMap, yMap, cursor);
            QCOMPARE(found.position, expected.position);
            QCOMPARE(found.index, expected.index);
            QCOMPARE(found.distance, expected.distance);
        }
    }

    void widening_data()
    {
        QTest::addColumn<QwtInterval>("start");
        QTest::addColumn<Values>("y"); // at times 0, 1, 2: a fourth value has no time
        QTest::addColumn<QwtInterval>("axis");
        QTest::addColumn<QwtInterval>("out"); // 777..777 when untouched
        const double most = std::numeric_limits<double>::max();
        const QwtInterval base(-10, 10);
        QTest::newRow("-23 from -20..30 widens both ends")
            << QwtInterval(-20, 30) << Values{-23, 5, 0} << QwtInterval(-30, 40)
            << QwtInterval(-23, 5);
        QTest::newRow("bounds truncate before going to tens, never round")
            << base << Values{29.6, -19.5, 0} << QwtInterval(-20, 30) << QwtInterval(-19.5, 29.6);
        QTest::newRow("only samples with a time count")
            << base << Values{1, 1, 1, 500} << base << QwtInterval(1, 1);
        QTest::newRow("NaN and infinities do not move the range")
            << base << Values{kNaN, kInf, -kInf} << base << QwtInterval(777, 777);
        QTest::newRow("finite values among NaN still count")
            << base << Values{kNaN, 12, -kInf} << QwtInterval(-20, 20) << QwtInterval(12, 12);
        QTest::newRow("beyond int range keeps the rule")
            << base << Values{3000000007.5, -4000000001.0, 0}
            << QwtInterval(-4000000010, 3000000010) << QwtInterval(-4000000001, 3000000007.5);
        QTest::newRow("largest doubles give a finite range")
            << base << Values{most, -most, 0} << QwtInterval(-1e300, 1e300)
            << QwtInterval(-most, most);
    }

    void widening()
    {
        QFETCH(QwtInterval, start);
        QFETCH(Values, y);
        QwtScope plot;
        plot.setYScale(start.minValue(), start.maxValue());
        plot.addCurve(0, "T", CurveBinding());
        double lo = 777.0, hi = 777.0;
        plot.setCurveSamples(0, {0.0, 1.0, 2.0}, y, lo, hi);
        QCOMPARE(plot.curve(0)->dataSize(), size_t(3));
        QTEST(QwtInterval(lo, hi), "out");
        QTEST(axisRange(plot, QwtPlot::yLeft), "axis");
        QVERIFY(std::isfinite(plot.axisStepSize(QwtPlot::yLeft)));
    }

    // No slot outside 0..47 binds; empty samples change nothing; nor do non-finite scales.
    void ignoredInput()
    {
        QwtScope plot;
        addCurve(plot, 0, {0.0, 1.0, 2.0}, {1.0, 2.0, 3.0});
        double lo = 777.0, hi = 777.0;
        for (int slot : {48, -1}) {
            addCurve(plot, slot, {0, 1}, {-500, 500}, "B");
            plot.setYAxisUnit(slot);
            plot.setCurveSamples(slot, {0, 1}, {-500, 500}, lo, hi);
            QVERIFY(!plot.curve(slot));
        }
        plot.setCurveSamples(0, {}, {-500.0}, lo, hi);
        plot.setCurveSamples(0, {1.0}, {}, lo, hi);
        QCOMPARE(QwtInterval(lo, hi), QwtInterval(777, 777));
        QCOMPARE(plot.itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
        QCOMPARE(yTitle(plot), QString(12, ' '));
        QCOMPARE(plot.curve(0)->sample(2), QPointF(2.0, 3.0));
        plot.setXScale(0.0, kNaN, 1.0);
        plot.setXScale(0.0, 100.0, kInf);
        plot.setYScale(-kInf, 5.0);
        QCOMPARE(axisRange(plot, QwtPlot::xBottom), QwtInterval(0.0, 10000.0));
        QCOMPARE(axisRange(plot, QwtPlot::yLeft), QwtInterval(-10.0, 10.0));
    }

    // Listed in slot order; the value-axis title shows a unit the shown curves share.
    void curvesInSlotOrder()
    {
        QwtScope plot;
        plot.setXScale(0.0, 5000.0, 500.0);
        for (int slot = 0; slot < 3; ++slot)
            addCurve(plot, slot, {}, {});
        QVERIFY(plot.hasNoData());
        plot.showCommonUnit();
        QCOMPARE(yTitle(plot), QStringLiteral("A           "));
        addCurve(plot, 2, {0.0, 1.0}, {-25.0, 33.0}, "B");
        QVERIFY(!plot.hasNoData());
        plot.showCommonUnit();
        QCOMPARE(yTitle(plot), QString(12, ' '));
        plot.curve(2)->setVisible(false); // hidden through the legend, still holds data
        plot.showCommonUnit();
        QCOMPARE(yTitle(plot), QStringLiteral("A           "));
        const QwtPlotItemList curves = plot.itemList(QwtPlotItem::Rtti_PlotCurve);
        QCOMPARE(curves.size(), 3);
        for (int slot = 0; slot < 3; ++slot) {
            QCOMPARE(curves.at(slot), plot.curve(slot));
            QCOMPARE(plot.curve(slot)->title().text(), QStringLiteral("C%1").arg(slot));
            QCOMPARE(plot.curveBinding(slot).slot, slot);
        }
        for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot) // random colours, but readable
            QVERIFY(contrastRatio(plot.curve(slot)->pen().color(),
                                  plot.canvasBackground().color()) >= 3);

        plot.clearCurves();
        QVERIFY(plot.itemList(QwtPlotItem::Rtti_PlotCurve).isEmpty());
        QCOMPARE(plot.curve(2)->dataSize(), size_t(0));
        QVERIFY(plot.curveBinding(2) == CurveBinding());
    }

    // A plot may read a curve's samples on another thread before it draws: the curve must
    // then draw what it draws reading them itself, and the draw must find nothing left to read.
    void curveReadElsewhereDrawsTheSame()
    {
        Values x, y;
        noisySine(200000, 3000.0, 13, x, y);
        const QwtScaleMap xMap = scaleMap(50000, 150000, 0, 1137);
        const QwtScaleMap yMap = scaleMap(-8, 8, 620, 0);
        const QRectF canvas(0, 0, 1137, 620);
        ScopeCurve ahead, plain;
        for (ScopeCurve *curve : {&ahead, &plain}) {
            curve->setPen(QPen(Qt::black, 2));
            curve->setSamples(new ScopeSeriesData(ColumnSnapshot::fromVector(x), 0.0,
                                                  ColumnSnapshot::fromVector(y)));
        }
        const std::optional<ScopeCurve::Reading> reading = ahead.readingFor(xMap, canvas);
        QVERIFY(reading && reading->samples > 0);
        std::thread reader([&] { ahead.read(reading->ranges); });
        reader.join();
        QCOMPARE(ahead.readingFor(xMap, canvas)->samples, 0);
        QCOMPARE(rendered(ahead, xMap, yMap), rendered(plain, xMap, yMap));
        QCOMPARE(plain.readingFor(xMap, canvas)->samples, 0);
    }

    // Enough samples to be read by several threads: each curve must still draw its own.
    void plotReadsLongCurvesSideBySide()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        constexpr int kCurves = 5;
        constexpr int kSamples = 900000;
        Values x, unused;
        QVector<Values> values(kCurves);
        for (int k = 0; k < kCurves; ++k) {
            noisySine(kSamples, 20000.0 + 3000.0 * k, 20 + k, k == 0 ? x : unused, values[k]);
            for (double &value : values[k])
                value = value / 4.0 + 4.0 * k; // bands apart
        }
        const ColumnSnapshot times = ColumnSnapshot::fromVector(x);
        QVector<ColumnSnapshot> columns;
        double lo = 0.0, hi = 0.0;
        for (int k = 0; k < kCurves; ++k) {
            columns << ColumnSnapshot::fromVector(values[k]);
            plot->addCurve(k, QStringLiteral("C%1").arg(k), CurveBinding());
            plot->setCurveSamples(k, times, 0.0, columns[k], lo, hi);
        }
        plot->setXScale(0.0, kSamples, kSamples / 10.0);
        plot->replot();
        const QImage drawn = plot->canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect canvas = plot->canvas()->contentsRect();
        for (int k = 0; k < kCurves; ++k) {
            ScopeCurve alone;
            alone.setPen(plot->curve(k)->pen());
            alone.setSamples(new ScopeSeriesData(times, 0.0, columns[k]));
            QImage expected(drawn.size(), QImage::Format_RGB32);
            expected.fill(Qt::white);
            QPainter painter(&expected);
            alone.draw(&painter, plot->canvasMap(QwtPlot::xBottom), plot->canvasMap(QwtPlot::yLeft),
                       canvas);
            painter.end();
            const QRgb colour = alone.pen().color().rgb();
            int mismatches = 0;
            int lit = 0;
            for (int row = 0; row < drawn.height(); ++row) {
                for (int column = 0; column < drawn.width(); ++column) {
                    const bool inPlot = drawn.pixel(column, row) == colour;
                    const bool alonePixel = expected.pixel(column, row) == colour;
                    mismatches += inPlot != alonePixel ? 1 : 0;
                    lit += alonePixel ? 1 : 0;
                }
            }
            QVERIFY(lit > kCurves * 1000);
            QCOMPARE(mismatches, 0);
        }
    }

    void curvesRedrawOnlyWhatChanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("partly"); // whether some replot must draw only some columns
        QTest::newRow("window slides") << "slide" << true;
        QTest::newRow("window fills") << "fill" << true;
        // Stroked lines are drawn again whole whenever anything changed.
        QTest::newRow("window fills, zoomed to a few samples") << "fill zoomed" << false;
        QTest::newRow("a sparse window slides") << "sparse" << false;
        QTest::newRow("thin pens") << "thin" << false;
        // Pens that blend are drawn straight onto the canvas.
        QTest::newRow("see-through pens") << "see-through" << false;
        QTest::newRow("saved as an image between replots") << "image" << true;
        QTest::newRow("two device pixels a pixel") << "dense pixels" << true;
        QTest::newRow("window jumps") << "jump" << false;
        QTest::newRow("value axis moves") << "rescale" << true;
        QTest::newRow("a curve hides and shows") << "hide" << true;
        QTest::newRow("a dashed recording beside") << "compare" << false;
        QTest::newRow("a dashed live curve") << "dashed" << false;
        QTest::newRow("values with gaps") << "gaps" << false;
        QTest::newRow("strips") << "strips" << true;
    }

    // The plot keeps its curves' pixels between replots and draws again only the columns
    // where they changed: each replot must still show what a plot drawing it afresh shows.
    void curvesRedrawOnlyWhatChanged()
    {
        QFETCH(QString, change);
        QFETCH(bool, partly);
        constexpr int kCurves = 4;
        const std::array<QColor, kCurves> colours{Qt::red, Qt::blue, Qt::darkGreen, Qt::magenta};
        Values x, unused;
        std::vector<std::shared_ptr<const ColumnSnapshot::ChunkList>> values;
        for (int k = 0; k < kCurves; ++k) {
            Values y;
            noisySine(40000, 200.0 + 70.0 * k, 30 + k, k == 0 ? x : unused, y);
            for (int i = 0; i < y.size(); ++i)
                y[i] = change == "gaps" && k == 1 && i % 997 == 0 ? kNaN : y[i] / 2 + 3 * k - 4;
            values.push_back(sharedChunks(y));
        }
        const auto times = sharedChunks(x);
        Values recordedX, recordedY;
        noisySine(15000, 500.0, 40, recordedX, recordedY);
        const auto show = [&](QwtScope &plot, int step) {
            const bool slides = change == "slide" || change == "hide" || change == "dashed" ||
                                change == "thin" || change == "see-through" || change == "image" ||
                                change == "dense pixels";
            const int from = slides               ? 384 * step
                             : change == "sparse" ? 7 * step
                             : change == "jump"   ? 20000 * (step % 2)
                                                  : 0;
            const int count = change == "fill" || change == "compare" ? 8000 + 384 * step
                              : change == "fill zoomed"               ? 8000 + 40 * step
                                                                      : 15000;
            for (int k = 0; k < kCurves; ++k) {
                CurveBinding binding;
                binding.slot = k;
                binding.unit = k % 2 ? "Nm" : "A";
                plot.addCurve(k, QStringLiteral("C%1").arg(k), binding);
                QColor colour = colours[k];
                colour.setAlpha(change == "see-through" ? 128 : 255);
                plot.curve(k)->setPen(QPen(colour, change == "thin" ? 1 : 2));
                double lo = 0.0, hi = 0.0;
                plot.setCurveSamples(k, bufferView(times, from, count, true), x.at(from),
                                     bufferView(values[k], from, count, false), lo, hi,
                                     ScopeSeriesData::TimeDrawing::OnWholePixels);
            }
            if (change == "compare") {
                addCurve(plot, kCurves, recordedX, recordedY);
                plot.curve(kCurves)->setPen(QPen(Qt::black, 2));
                plot.setCurveDashed(kCurves, true);
            }
            plot.curve(2)->setVisible(change != "hide" || step != 1);
            plot.setCurveDashed(3, change == "dashed");
            if (change == "fill zoomed")
                plot.setXScale(7990.0, 8290.0, 50.0);
            else if (change == "sparse")
                plot.setXScale(0.0, 300.0, 50.0);
            else
                plot.setXScale(0.0, 14999.0, 1500.0);
            plot.setYScale(-8.0, change == "rescale" && step == 2 ? 10.0 : 8.0);
            plot.replot();
        };
        const auto newPlot = [&] {
            auto plot = shownPlot();
            if (plot && change == "strips")
                plot->setStripView(true);
            return plot;
        };
        auto live = newPlot();
        QVERIFY(live);
        // Made before any replot: making a plot shows it, which paints the others too.
        std::vector<std::unique_ptr<QwtScope>> fresh;
        for (int step = 0; step < 6; ++step) {
            fresh.push_back(newPlot());
            QVERIFY(fresh.back());
        }
        const auto width = [](const QwtScope &plot) {
            return plot.canvas()->contentsRect().width();
        };
        const auto picture = [&](QwtScope &plot) {
            if (change != "dense pixels")
                return plot.canvas()->grab().toImage();
            QImage image(plot.canvas()->size() * 2, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(2.0);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setClipRect(plot.canvas()->contentsRect()); // as the canvas paints
            QwtScaleMap maps[QwtPlot::axisCnt];
            for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
                maps[axis] = plot.canvasMap(axis);
            plot.drawItems(&painter, plot.canvas()->contentsRect(), maps);
            return image;
        };
        bool drewPartly = false;
        for (int step = 0; step < 6; ++step) {
            show(*live, step);
            const QImage drawn = picture(*live);
            drewPartly = drewPartly || live->redrawnCurveColumns() < width(*live);
            if (change == "image")
                QVERIFY(!PlotImage::render(live.get()).isNull());
            show(*fresh[step], step);
            QCOMPARE(drawn, picture(*fresh[step]));
            QCOMPARE(fresh[step]->redrawnCurveColumns(), width(*fresh[step]));
        }
        QCOMPARE(drewPartly, partly);
    }

    // The plot keeps the column ranges of each time column its curves draw over, and with
    // them the times: those of a recording no curve shows any more go at the next replot.
    void plotLetsGoOfTimesNoCurveDraws()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        Values values;
        for (int i = 0; i < 10000; ++i)
            values << i;
        std::shared_ptr<const ColumnSnapshot::ChunkList> chunks = sharedChunks(values);
        const std::weak_ptr<const ColumnSnapshot::ChunkList> old = chunks;
        const ColumnSnapshot live = ColumnSnapshot::fromVector(values);
        double lo = 0.0, hi = 0.0;
        plot->setXScale(0.0, 10000.0, 1000.0);
        plot->addCurve(0, QStringLiteral("live"), CurveBinding());
        plot->addCurve(1, QStringLiteral("compared"), CurveBinding());
        plot->setCurveSamples(0, live, 0.0, live, lo, hi);
        plot->setCurveSamples(1, ColumnSnapshot(chunks, 0, 10000, true), 0.0, live, lo, hi);
        chunks.reset();
        const auto drawn = [&] {
            plot->replot();
            plot->canvas()->repaint();
        };
        drawn();
        const ColumnSnapshot other = ColumnSnapshot::fromVector({0.0, 1.0});
        plot->setCurveSamples(1, other, 0.0, other, lo, hi);
        drawn();
        QVERIFY(old.expired());
    }

    // Curves attached out of slot order keep their own channels: in the statistics, the
    // cursor read-out and the tracker's unit.
    void curvesKnowTheirSlotWhateverTheListOrder()
    {
        QwtScope plot;
        addCurve(plot, 5, {0.0, 1.0}, {1.0, 2.0}, "deg");
        addCurve(plot, 2, {0.0, 1.0}, {3.0, 4.0}, "A");
        double from = 0.0, to = 0.0;
        const QVector<CurveStatisticsRow> rows = CurveStatisticsTable::visibleRows(&plot, from, to);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).title + rows.at(0).unit, QStringLiteral("C5deg"));
        MeasurementCursors cursors(&plot);
        cursors.place(0, 0.5);
        QCOMPARE(cursors.reading().curves.at(1).unit, QStringLiteral("A"));

        emit plot.tracker()->closestCurveChanged(plot.curve(5));
        QCOMPARE(yTitle(plot).trimmed(), QStringLiteral("C5: deg"));
    }

    // A small band is refused, a thin one grows to 11 pixels around its centre. Ranges set
    // while zoomed in leave the zoom as it is and are what the zoom base shows later.
    void zoom()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        const QwtScaleMap y = plot->canvasMap(QwtPlot::yLeft);
        drag(plot->canvas(), QSize(29, 29));
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 0u);
        drag(plot->canvas(), QSize(40, 5));
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 1u);
        QCOMPARE(qRound(y.transform(plot->zoomer()->zoomRect().bottom())), 97);
        QCOMPARE(qRound(y.transform(plot->zoomer()->zoomRect().top())), 107);
        const QwtInterval zoomedX = axisRange(*plot, QwtPlot::xBottom);
        const QwtInterval zoomedY = axisRange(*plot, QwtPlot::yLeft);
        plot->refreshZoom();
        QCOMPARE(axisRange(*plot, QwtPlot::xBottom), zoomedX);
        plot->setXScale(0.0, 2000.0, 200.0);
        plot->setYScale(-50.0, 50.0);
        QCOMPARE(axisRange(*plot, QwtPlot::xBottom), zoomedX);
        QCOMPARE(axisRange(*plot, QwtPlot::yLeft), zoomedY);
        plot->resetZoom();
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 0u);
        QCOMPARE(axisRange(*plot, QwtPlot::xBottom), QwtInterval(0.0, 2000.0));
        QCOMPARE(axisRange(*plot, QwtPlot::yLeft), QwtInterval(-50.0, 50.0));
    }

    void reducedDrawingMatchesQwt_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("x0"); // visible time range, relative to the oldest sample
        QTest::addColumn<double>("x1");
        QTest::addColumn<int>("penWidth");
        QTest::addColumn<bool>("spans"); // whether the curve is dense enough for spans
        const auto row = [](const char *name, const char *shape, int count, double x0, double x1,
                            int penWidth = 1, bool spans = false) {
            QTest::newRow(name) << QString(shape) << count << x0 << x1 << penWidth << spans;
        };
        row("100000 samples, all in view", "noise", 100000, 0.0, 100000.0);
        row("zoomed between two samples", "noise", 100000, 500.2, 500.8);
        row("window wider than the data", "noise", 20000, -5000.0, 40000.0);
        row("spikes far off the canvas", "spikes", 100000, 0.0, 100000.0);
        row("repeated time stamps", "repeats", 100000, 0.0, 50000.0);
        row("sparse, zoomed", "sparse", 300, 2000.0, 9000.0);
        row("a NaN value", "NaN", 50000, 0.0, 50000.0);
        // Columns of hundreds of samples answer from summaries of blocks and groups of them.
        row("700000 samples, all in view", "noise", 700000, 0.0, 700000.0);
        row("700000 samples, a second", "noise", 700000, 412345.6, 413345.6);
        row("700000 samples, a minute", "spikes", 700000, 98765.4, 158765.4);
        row("2 px", "noise", 100000, 0.0, 100000.0, 2, true);
        row("2 px, steep steps between columns", "steps", 2000, 0.0, 2000.0, 2, true);
        row("2 px, spikes far off the canvas", "spikes", 100000, 0.0, 100000.0, 2, true);
        row("2 px, window wider than the data", "noise", 20000, -5000.0, 40000.0, 2, true);
        row("3 px, stroked", "noise", 100000, 0.0, 100000.0, 3);
        row("2 px, sparse, stroked", "noise", 300, 0.0, 300.0, 2);
    }

    // The widget's curves draw through the pixel-column reduction; Qwt draws every sample as
    // one polyline. A one-pixel line must light the same pixels. A wide pen over a dense
    // curve fills one span per pixel column instead of stroking: its pixels must stay those
    // of the stroked line, give or take a pixel at its corners.
    void reducedDrawingMatchesQwt()
    {
        QFETCH(QString, shape);
        QFETCH(int, count);
        QFETCH(double, x0);
        QFETCH(double, x1);
        QFETCH(int, penWidth);
        std::mt19937 random(99);
        std::normal_distribution<double> noise(0.0, 0.4);
        Samples samples;
        for (int i = 0; i < count; ++i) {
            const double t = (shape == "repeats" ? i / 2 : i) * (shape == "sparse" ? 37.0 : 1.0);
            double y = 5.0 * std::sin(i / 3000.0) + noise(random);
            if (shape == "steps")
                y = (i / 50) % 2 ? 6.0 : -6.0;
            if (shape == "spikes" && i % 997 == 0)
                y = i % 2 ? 1e4 : -1e4;
            samples.append({t, y});
        }
        if (shape == "NaN")
            samples[count / 2].setY(kNaN);
        const QPen pen(Qt::darkBlue, penWidth);
        ScopeCurve reduced;
        GapCurve plain;
        reduced.setPen(pen);
        plain.setPen(pen);
        reduced.setSamples(columns(samples, 123456.789));
        plain.setSamples(columns(samples, 123456.789));
        const QwtScaleMap xMap = scaleMap(x0, x1, 0, 1137);
        const QwtScaleMap yMap = scaleMap(-8, 8, 620, 0);

        if (shape != "NaN") { // a value that is not finite is not reduced
            const auto &series = *static_cast<const ScopeSeriesData *>(reduced.data());
            ColumnRanges ranges;
            ReducedSamples values;
            PixelColumns pixels;
            QVERIFY(columnRangesOf(series, xMap, QRectF(-3, -3, 1143, 626), 0, count - 1, ranges));
            QVERIFY(reduceColumns(series, ranges, values));
            QVERIFY(mapToRows(values, yMap, pixels));
            QImage probe(1, 1, QImage::Format_RGB32);
            QPainter painter(&probe);
            painter.setPen(pen);
            QTEST(drawsAsSpans(painter, pixels), "spans");
        }

        QwtPainter::setPolylineSplitting(false);
        const QImage expected = rendered(plain, xMap, yMap);
        const QImage actual = rendered(reduced, xMap, yMap);
        QwtPainter::setPolylineSplitting(true);
        if (penWidth == 1) {
            QCOMPARE(actual, expected);
        } else {
            QVERIFY(drawnNear(actual, expected));
            QVERIFY(drawnNear(expected, actual));
        }
    }

    void joinedSpansCoverEachPixelOnce_data()
    {
        QTest::addColumn<QVector<RowSpan>>("spans");
        QTest::newRow("none") << QVector<RowSpan>{};
        QTest::newRow("all empty") << QVector<RowSpan>{RowSpan(), RowSpan()};
        QTest::newRow("one column") << QVector<RowSpan>{{3, 9}};
        QTest::newRow("flat band") << QVector<RowSpan>(50, RowSpan{10, 30});
        QTest::newRow("one row each") << QVector<RowSpan>{{5, 5}, {5, 5}, {6, 6}, {4, 4}};
        QTest::newRow("stairs up and down")
            << QVector<RowSpan>{{0, 4}, {2, 6}, {4, 8}, {2, 6}, {0, 4}, {9, 12}};
        QTest::newRow("gaps between columns")
            << QVector<RowSpan>{{1, 8}, RowSpan(), {1, 8}, RowSpan(), RowSpan(), {3, 3}};
        QTest::newRow("one inside the next") << QVector<RowSpan>{{4, 5}, {0, 9}, {4, 5}};
        std::mt19937 random(17);
        std::uniform_int_distribution<int> row(-20, 60);
        QVector<RowSpan> jagged;
        for (int k = 0; k < 300; ++k) {
            const int a = row(random);
            const int b = row(random);
            jagged.append(k % 37 == 5 ? RowSpan() : RowSpan{std::min(a, b), std::max(a, b)});
        }
        QTest::newRow("jagged") << jagged;
    }

    // Joined into wide rectangles, the spans must still light exactly their pixels, each
    // once (translucent pens would show a pixel filled twice).
    void joinedSpansCoverEachPixelOnce()
    {
        QFETCH(QVector<RowSpan>, spans);
        constexpr int kLeft = 7;
        constexpr int kTop = -25;
        QImage expected(320, 90, QImage::Format_Grayscale8);
        expected.fill(0);
        for (int k = 0; k < spans.size(); ++k) {
            for (int row = spans[k].top; row <= spans[k].bottom; ++row)
                expected.scanLine(row - kTop)[kLeft + k] = 1;
        }
        QImage actual(expected.size(), QImage::Format_Grayscale8);
        actual.fill(0);
        for (const QRect &rect : joinedSpans(kLeft, spans)) {
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    QVERIFY(actual.rect().contains(x, y - kTop));
                    ++actual.scanLine(y - kTop)[x];
                }
            }
        }
        QCOMPARE(actual, expected);
    }

    void keptReductionFollowsChanges_data()
    {
        QTest::addColumn<int>("offset"); // the second drawing's view of the shared columns
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("origin");
        QTest::addColumn<QwtInterval>("time");
        QTest::addColumn<QwtInterval>("values");
        QTest::addColumn<int>("canvasWidth");
        const QwtInterval time(0.0, 15000.0);
        const QwtInterval values(-8.0, 8.0);
        QTest::newRow("nothing changed") << 0 << 15000 << 0.0 << time << values << 1137;
        QTest::newRow("more samples") << 0 << 16000 << 0.0 << time << values << 1137;
        QTest::newRow("window slid") << 1000 << 15000 << 0.0 << time << values << 1137;
        QTest::newRow("origin moved") << 0 << 15000 << 700.0 << time << values << 1137;
        QTest::newRow("time axis moved")
            << 0 << 15000 << 0.0 << QwtInterval(3000.0, 18000.0) << values << 1137;
        QTest::newRow("value axis rescaled")
            << 0 << 15000 << 0.0 << time << QwtInterval(-4.0, 12.0) << 1137;
        QTest::newRow("canvas narrower") << 0 << 15000 << 0.0 << time << values << 700;
    }

    // A curve drawn again keeps its reduction only while that still shows its samples.
    void keptReductionFollowsChanges()
    {
        QFETCH(int, offset);
        QFETCH(int, size);
        QFETCH(double, origin);
        QFETCH(QwtInterval, time);
        QFETCH(QwtInterval, values);
        QFETCH(int, canvasWidth);
        Values x, y;
        noisySine(20000, 700.0, 3, x, y);
        const auto xChunks = sharedChunks(x);
        const auto yChunks = sharedChunks(y);
        const auto series = [&](int from, int count, double xOrigin) {
            return new ScopeSeriesData(ColumnSnapshot(xChunks, from, count, true), xOrigin,
                                       ColumnSnapshot(yChunks, from, count, false));
        };
        QVERIFY(drawsAsFresh(
            series(0, 15000, 0.0), [&] { return series(offset, size, origin); },
            scaleMap(0, 15000, 0, 1137), scaleMap(time.minValue(), time.maxValue(), 0, canvasWidth),
            scaleMap(values.minValue(), values.maxValue(), 620, 0), QRect(0, 0, canvasWidth, 620)));
    }

    void liveWindowTakesOverWholeColumns_data()
    {
        QTest::addColumn<int>("earlierOffset"); // where the window began at the last refresh
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("shown"); // the time the canvas shows
        QTest::newRow("slid within a chunk") << 0 << 384 << 15000 << 15000.0;
        QTest::newRow("first chunk dropped") << 3900 << 4284 << 15000 << 15000.0;
        QTest::newRow("slid by more than a chunk") << 0 << 8500 << 15000 << 15000.0;
        QTest::newRow("window still filling") << 0 << 0 << 16000 << 15000.0;
        QTest::newRow("slid back") << 384 << 0 << 15000 << 15000.0;
        // Then the columns now are at the same indexes as before, over other samples.
        QTest::newRow("a sample a pixel") << 0 << 384 << 15000 << 1137.0;
        // Times that jump further than any pixel count between two refreshes (a clock reset):
        // nothing is taken over.
        QTest::newRow("times jump beyond counting") << 0 << 385 << 15000 << 15000.0;
    }

    // A live window slides by fractions of a pixel; drawn on whole pixels, the columns it
    // takes over from the last refresh must draw as a fresh reduction does.
    void liveWindowTakesOverWholeColumns()
    {
        QFETCH(int, earlierOffset);
        QFETCH(int, offset);
        QFETCH(int, size);
        QFETCH(double, shown);
        Values x, y;
        noisySine(25000, 300.0, 5, x, y);
        if (QString(QTest::currentDataTag()) == "times jump beyond counting") {
            // The first sample past the canvas still maps to a pixel; the rest are far on.
            x[384] = 20000.0;
            for (int i = 385; i < x.size(); ++i)
                x[i] += 1e18;
        }
        const auto xChunks = sharedChunks(x);
        const auto yChunks = sharedChunks(y);
        const auto window = [&](int from, int count) {
            return liveWindow(xChunks, x.at(from), yChunks, from, count);
        };
        const QwtScaleMap xMap = scaleMap(0, shown, 0, 1137);
        QVERIFY(drawsAsFresh(
            window(earlierOffset, 15000), [&] { return window(offset, size); }, xMap, xMap,
            scaleMap(-8, 8, 620, 0)));
    }

    void curvesShareTheirColumnRanges_data()
    {
        QTest::addColumn<int>("otherFrom"); // where the second curve's window begins
        QTest::addColumn<int>("otherCount");
        QTest::newRow("one window") << 0 << 15000;
        QTest::newRow("a shorter window") << 0 << 9000;
        QTest::newRow("a later window") << 2100 << 15000;
    }

    // Curves over one time column ask for their pixel columns once between them: each must
    // still draw its own values, also when their windows differ and after both slid.
    void curvesShareTheirColumnRanges()
    {
        QFETCH(int, otherFrom);
        QFETCH(int, otherCount);
        Values x, first, second, unused;
        noisySine(25000, 300.0, 5, x, first);
        noisySine(25000, 90.0, 6, unused, second);
        const auto times = sharedChunks(x);
        const auto firstValues = sharedChunks(first);
        const auto secondValues = sharedChunks(second);
        const QwtScaleMap xMap = scaleMap(0, 15000, 0, 1137);
        const QwtScaleMap yMap = scaleMap(-8, 8, 620, 0);
        ColumnRangeCache shared;
        ScopeCurve a, b;
        for (ScopeCurve *curve : {&a, &b}) {
            curve->setPen(QPen(Qt::black, 2));
            curve->shareColumnRanges(&shared);
        }
        for (const int slid : {0, 384, 8500}) {
            const auto showFirst = [&] {
                return liveWindow(times, x.at(slid), firstValues, slid, 15000);
            };
            const auto showSecond = [&] {
                const int from = otherFrom + slid;
                return liveWindow(times, x.at(from), secondValues, from, otherCount);
            };
            a.setSamples(showFirst());
            b.setSamples(showSecond());
            const QImage drawnA = rendered(a, xMap, yMap);
            const QImage drawnB = rendered(b, xMap, yMap);
            ScopeCurve alone;
            alone.setPen(a.pen());
            alone.setSamples(showFirst());
            QCOMPARE(drawnA, rendered(alone, xMap, yMap));
            alone.setSamples(showSecond());
            QCOMPARE(drawnB, rendered(alone, xMap, yMap));
        }
    }

    // Drawn on whole pixels, a curve may lie a pixel right of its samples, not more:
    // also not after a zoom makes the pixels far shorter than when the samples were set.
    void wholePixelDrawingStaysWithinAPixel_data()
    {
        QTest::addColumn<QwtInterval>("time");
        QTest::newRow("the whole window") << QwtInterval(0.0, 100000.0);
        QTest::newRow("a second") << QwtInterval(41234.5, 42234.5);
        QTest::newRow("between two samples") << QwtInterval(500.2, 500.8);
    }

    void wholePixelDrawingStaysWithinAPixel()
    {
        QFETCH(QwtInterval, time);
        Values x, y;
        noisySine(100000, 3000.0, 11, x, y, 123456.789);
        const auto curve = [&](ScopeSeriesData::TimeDrawing drawing) {
            auto item = std::make_unique<ScopeCurve>();
            item->setSamples(new ScopeSeriesData(ColumnSnapshot::fromVector(x), 123456.789,
                                                 ColumnSnapshot::fromVector(y), drawing));
            return item;
        };
        const auto exact = curve(ScopeSeriesData::TimeDrawing::Exact);
        const auto aligned = curve(ScopeSeriesData::TimeDrawing::OnWholePixels);
        const QwtScaleMap xMap = scaleMap(time.minValue(), time.maxValue(), 0, 1137);
        const QwtScaleMap yMap = scaleMap(-8, 8, 620, 0);
        const QImage expected = rendered(*exact, xMap, yMap);
        const QImage actual = rendered(*aligned, xMap, yMap);
        // Points moved by up to a pixel move the rasterised lines between them by up to two.
        QVERIFY(drawnNear(actual, expected, 2));
        QVERIFY(drawnNear(expected, actual, 2));
    }

    // The kept reduction holds its samples: other samples must let the old ones go.
    void keptReductionLetsGoOfOldSamples()
    {
        Values values;
        for (int i = 0; i < 10000; ++i)
            values << i;
        std::shared_ptr<const ColumnSnapshot::ChunkList> chunks = sharedChunks(values);
        const std::weak_ptr<const ColumnSnapshot::ChunkList> old = chunks;
        ScopeCurve curve;
        curve.setSamples(new ScopeSeriesData(ColumnSnapshot(chunks, 0, 10000, true), 0.0,
                                             ColumnSnapshot(chunks, 0, 10000, true)));
        chunks.reset();
        rendered(curve, 0.0, 10000.0);
        curve.setSamples(columns({{0, 0}, {1, 1}}));
        QVERIFY(old.expired());
    }

    // A sample that is not finite, or a jump in time, leaves a gap, not a line across.
    void gapsBreakTheLine_data()
    {
        QTest::addColumn<bool>("jump");
        QTest::newRow("a value that is not a number") << false;
        QTest::newRow("a jump in time") << true;
    }
    void gapsBreakTheLine()
    {
        QFETCH(bool, jump);
        ScopeCurve curve;
        ScopeSeriesData *series = jump ? columns({{0, 0}, {1, 0}, {3, 0}, {4, 0}})
                                       : columns({{0, 0}, {1, 0}, {2, kNaN}, {3, 0}, {4, 0}});
        if (jump)
            series->setTimeBreaks({2});
        curve.setSamples(series);
        const QImage image = rendered(curve, 0.0, 4.0);
        const auto drawn = [&](double x) {
            return image.pixel(qRound(x * image.width() / 4), image.height() / 2) !=
                   qRgb(255, 255, 255);
        };
        QVERIFY(drawn(0.5) && drawn(3.5));
        QVERIFY(!drawn(1.5) && !drawn(2.5));
    }

    void trackerFollowsTheClosestVisibleCurve()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        const ScopeDataTracker *tracker = plot->tracker();
        const QPoint c = plot->canvas()->rect().center();
        const auto label = [&] {
            return trackerText(*plot, c).text();
        };
        hover(plot->canvas(), c);
        QVERIFY(!tracker->closestPoint().isValid());
        QVERIFY(label().isEmpty());

        // Closer in pixels beats closer in time.
        addCurveAt(*plot, 0, {c + QPoint(1, 90), c + QPoint(-40, 0)}, "A(u)");
        addCurveAt(*plot, 1, {c + QPoint(20, -20)}, "CURRENT(A)/TORQ");
        hover(plot->canvas(), c);
        QCOMPARE(tracker->closestPoint().curve, plot->curve(1));
        QCOMPARE(yTitle(*plot), QStringLiteral("C1: CURRENT(A)/TORQ"));
        QCOMPARE(tracker->rubberBandPen().color(), plot->curve(1)->pen().color());
        const QPointF p = plot->curve(1)->sample(0); // labelled with title, time and value
        for (const QString &part : {QString("&nbsp;C1<"), QString("x:%1<").arg(p.x(), 0, 'g'),
                                    QString("y:%1<").arg(p.y(), 0, 'f', 3)})
            QVERIFY2(label().contains(part), qPrintable(label()));

        plot->curve(1)->setVisible(false);
        hover(plot->canvas(), c + QPoint(1, 0));
        QCOMPARE(tracker->closestPoint().curve, plot->curve(0));
        QCOMPARE(tracker->closestPoint().index, 1);
        QCOMPARE(yTitle(*plot), QStringLiteral("A(u)        "));
        QCOMPARE(tracker->rubberBandPen().color(), plot->curve(0)->pen().color());

        addCurve(*plot, 0, {1.0}, {0.0}); // fewer samples than the index found
        QVERIFY(!tracker->closestPoint().isValid());
        QVERIFY(label().isEmpty());
        hover(plot->canvas(), c);
        QVERIFY(tracker->closestPoint().isValid());
        plot->clearCurves();
        QVERIFY(!tracker->closestPoint().curve);
    }

    // One strip per unit, in the order the units first come, each fitting its visible
    // curves only; hidden curves (values far off) set nothing.
    void stripsSplitByUnit_data()
    {
        QTest::addColumn<QStringList>("units"); // one curve per slot
        QTest::addColumn<QVector<bool>>("visible");
        QTest::addColumn<QStringList>("strips"); // top to bottom
        QTest::newRow("mixed") << QStringList{"deg", "A", "deg", " ", "A"}
                               << QVector<bool>{true, true, true, true, true}
                               << QStringList{"deg", "A", ""};
        QTest::newRow("hidden unit") << QStringList{"deg", "A", "deg"}
                                     << QVector<bool>{true, false, true} << QStringList{"deg"};
        QTest::newRow("hidden beside shown")
            << QStringList{"A", "A", "mm"} << QVector<bool>{false, true, true}
            << QStringList{"A", "mm"};
        QTest::newRow("padded unit")
            << QStringList{"VEL", " VEL"} << QVector<bool>{true, true} << QStringList{"VEL"};
        const ScopeCatalog &catalog = ScopeCatalog::instance();
        QTest::newRow("joint velocities and their acceleration")
            << QStringList{catalog.linkUnit(LINK_TargetJointVel),
                           catalog.linkUnit(LINK_JointFilAcc), catalog.linkUnit(LINK_JointFilVel)}
            << QVector<bool>{true, true, true}
            << QStringList{"VEL(deg/s)", QString::fromUtf8("ACC(deg/s²)")};
        QTest::newRow("flat") << QStringList{"FSM"} << QVector<bool>{true} << QStringList{"FSM"};
        QTest::newRow("none shown") << QStringList{"deg"} << QVector<bool>{false} << QStringList{};
    }

    void stripsSplitByUnit()
    {
        QFETCH(QStringList, units);
        QFETCH(QVector<bool>, visible);
        QFETCH(QStringList, strips);
        auto plot = shownPlot();
        QVERIFY(plot);
        const auto valuesOf = [&](int slot) -> Values {
            if (!visible.at(slot))
                return {1e6, 2e6};
            if (QString(QTest::currentDataTag()) == "flat")
                return {4663.0, 4663.0};
            return {slot * 100.0, slot * 100.0 + 50.0};
        };
        for (int slot = 0; slot < units.size(); ++slot) {
            addCurve(*plot, slot, {0.0, 100.0}, valuesOf(slot), units.at(slot));
            plot->curve(slot)->setVisible(visible.at(slot));
        }
        plot->setStripView(true);
        const UnitStrips &shown = plot->strips();
        QStringList shownUnits;
        for (int i = 0; i < shown.count(); ++i)
            shownUnits << shown.strip(i).unit;
        QCOMPARE(shownUnits, strips);
        QCOMPARE(axisRange(*plot, QwtPlot::yLeft), QwtInterval(0.0, qMax(1, strips.size())));

        double previousTop = shown.count();
        for (int i = 0; i < shown.count(); ++i) {
            const StripBand band = shown.strip(i).band;
            QVERIFY(band.axisHigh <= previousTop && band.axisLow < band.axisHigh);
            QVERIFY(band.high < 1e5 && band.low < band.high);
            previousTop = band.axisLow;
        }
        for (int slot = 0; slot < units.size(); ++slot) {
            const std::optional<StripBand> band = shown.bandOf(slot);
            QCOMPARE(band.has_value(), visible.at(slot));
            for (double value : valuesOf(slot))
                QVERIFY(!band || (band->low < value && value < band->high));
        }
        QCOMPARE(yTitle(*plot).trimmed(), QString());

        // The zoom acts on time only; the strips stay whole.
        drag(plot->canvas(), QSize(60, 40));
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 1u);
        QCOMPARE(axisRange(*plot, QwtPlot::yLeft), QwtInterval(0.0, qMax(1, strips.size())));
        plot->setStripView(false);
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 0u);
        for (int slot = 0; slot < units.size(); ++slot) { // one range for all curves again
            for (double value : valuesOf(slot))
                QVERIFY(axisRange(*plot, QwtPlot::yLeft).contains(value));
        }
    }

    // In the strips each curve has its own scale: the tracker finds the sample where it is
    // drawn, and never puts one curve's unit on the shared axis.
    void trackerReadsTheStrips()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        addCurve(*plot, 0, {0.0, 500.0, 1000.0}, {0.0, 1.0, 2.0}, "A");
        addCurve(*plot, 1, {0.0, 500.0, 1000.0}, {4000.0, 5000.0, 6000.0}, "deg");
        plot->setStripView(true);
        const auto *curve = dynamic_cast<const ScopeCurve *>(plot->curve(1));
        QVERIFY(curve);
        QPoint sample;
        QVERIFY(canvasPixel(plot->canvasMap(QwtPlot::xBottom),
                            curve->valueMap(plot->canvasMap(QwtPlot::yLeft)), curve->sample(1),
                            sample));
        QVERIFY(plot->canvas()->rect().contains(sample));
        hover(plot->canvas(), sample);
        QCOMPARE(plot->tracker()->closestPoint().curve, plot->curve(1));
        QCOMPARE(plot->tracker()->closestPoint().index, 1);
        QCOMPARE(yTitle(*plot).trimmed(), QString());
    }

    // "Scale to visible curves" leaves hidden curves out of the value range; off, the
    // range holds every curve, as the refresh sets it.
    void scaleToVisibleCurves_data()
    {
        QTest::addColumn<bool>("scaleToVisible");
        QTest::addColumn<bool>("bigShown");
        QTest::addColumn<bool>("rangeHoldsBig");
        QTest::newRow("off, hidden") << false << false << true;
        QTest::newRow("on, hidden") << true << false << false;
        QTest::newRow("on, shown") << true << true << true;
    }

    void scaleToVisibleCurves()
    {
        QFETCH(bool, scaleToVisible);
        QFETCH(bool, bigShown);
        QFETCH(bool, rangeHoldsBig);
        auto plot = shownPlot();
        QVERIFY(plot);
        addCurve(*plot, 0, {0.0, 100.0}, {0.0, 10.0});
        addCurve(*plot, 1, {0.0, 100.0}, {0.0, 500.0});
        plot->setYScaleAround(0.0, 500.0);
        plot->setScaleToVisible(scaleToVisible);
        plot->curve(1)->setVisible(bigShown);
        plot->replot();
        QCOMPARE(axisRange(*plot, QwtPlot::yLeft).contains(500.0), rangeHoldsBig);
        QVERIFY(axisRange(*plot, QwtPlot::yLeft).contains(10.0));
        plot->setScaleToVisible(false);
        QVERIFY(axisRange(*plot, QwtPlot::yLeft).contains(500.0));
    }

    // "Wall-clock time": ticks on round local times of day, each labelled with as many
    // decimals as the ticks need, for a loaded recording (origin 0) and a live window whose
    // origin has moved on; unknown or off, the axis keeps ms.
    void wallClockTimeAxis_data()
    {
        const QDateTime known(QDate(2024, 5, 3), QTime(14, 2, 11, 347));
        QTest::addColumn<bool>("on");
        QTest::addColumn<double>("timeOrigin");
        QTest::addColumn<double>("recordedTime"); // stood at `wallClock`
        QTest::addColumn<QDateTime>("wallClock");
        QTest::addColumn<double>("period");
        QTest::addColumn<double>("firstTick");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("title");
        QTest::newRow("loaded, seconds")
            << true << 0.0 << 0.0 << known << 10000.0 << 653.0
            << QStringList{"14:02:12", "14:02:13", "14:02:14", "14:02:15", "14:02:16",
                           "14:02:17", "14:02:18", "14:02:19", "14:02:20", "14:02:21"}
            << "wall-clock time (2024-05-03)";
        QTest::newRow("live, tenths")
            << true << 65000.0 << 60000.0 << known << 2000.0 << 53.0
            << QStringList{"14:02:16.4", "14:02:16.6", "14:02:16.8", "14:02:17.0", "14:02:17.2",
                           "14:02:17.4", "14:02:17.6", "14:02:17.8", "14:02:18.0", "14:02:18.2"}
            << "wall-clock time (2024-05-03)";
        QTest::newRow("live, quarters")
            << true << 65000.0 << 60000.0 << known << 2500.0 << 153.0
            << QStringList{"14:02:16.50", "14:02:16.75", "14:02:17.00", "14:02:17.25",
                           "14:02:17.50", "14:02:17.75", "14:02:18.00", "14:02:18.25",
                           "14:02:18.50", "14:02:18.75"}
            << "wall-clock time (2024-05-03)";
        QTest::newRow("past midnight")
            << true << 3000.0 << 0.0 << QDateTime(QDate(2024, 5, 3), QTime(23, 59, 58, 500))
            << 2000.0 << 100.0
            << QStringList{"00:00:01.6", "00:00:01.8", "00:00:02.0", "00:00:02.2", "00:00:02.4",
                           "00:00:02.6", "00:00:02.8", "00:00:03.0", "00:00:03.2", "00:00:03.4"}
            << "wall-clock time (2024-05-04)";
        QTest::newRow("unknown") << true << 0.0 << 0.0 << QDateTime() << 10000.0 << 0.0
                                 << QStringList()
                                 << "time(ms); wall-clock time unknown for this recording";
        QTest::newRow("off") << false << 0.0 << 0.0 << known << 10000.0 << 0.0 << QStringList()
                             << "time(ms)";
    }

    void wallClockTimeAxis()
    {
        QFETCH(bool, on);
        QFETCH(double, timeOrigin);
        QFETCH(double, recordedTime);
        QFETCH(QDateTime, wallClock);
        QFETCH(double, period);
        QFETCH(double, firstTick);
        QFETCH(QStringList, labels);
        QFETCH(QString, title);
        auto plot = shownPlot();
        QVERIFY(plot);
        plot->setXScale(0.0, period, period / 10.0);
        plot->setWallClock(recordedTime, wallClock);
        plot->setWallClockTime(on);
        plot->setTimeOrigin(timeOrigin);
        plot->replot();
        plot->updateAxes();
        QCOMPARE(plot->axisTitle(QwtPlot::xBottom).text(), title);
        const QList<double> ticks =
            plot->axisScaleDiv(QwtPlot::xBottom).ticks(QwtScaleDiv::MajorTick);
        QVERIFY(!ticks.isEmpty());
        QStringList shown;
        for (double tick : ticks)
            shown << plot->axisScaleDraw(QwtPlot::xBottom)->label(tick).text();
        if (labels.isEmpty()) {
            // Plot times in ms, as without the option.
            QCOMPARE(ticks.first(), 0.0);
            QCOMPARE(shown.first(), QwtScaleDraw().label(0.0).text());
            QCOMPARE(shown.last(), QwtScaleDraw().label(period).text());
            return;
        }
        QCOMPARE(shown, labels);
        QCOMPARE(ticks.first(), firstTick);
        // The axis still spans the plot times asked for.
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).interval(), QwtInterval(0.0, period));
    }

    void trackerLabelStaysInsideAndReads_data()
    {
        QTest::addColumn<QPoint>("fromCorner"); // negative: from the right or bottom edge
        QTest::addColumn<QColor>("colour");
        QTest::newRow("middle, yellow") << QPoint(300, 250) << QColor(255, 255, 0);
        QTest::newRow("right edge, navy") << QPoint(-4, 250) << QColor(0, 0, 128);
        QTest::newRow("top edge, grey") << QPoint(300, 3) << QColor(128, 128, 128);
        QTest::newRow("top-right corner, signal green") << QPoint(-4, 3) << QColor(69, 252, 16);
        QTest::newRow("bottom-left corner, dark red") << QPoint(3, -4) << QColor(150, 20, 20);
        QTest::newRow("middle, black") << QPoint(300, 250) << QColor(0, 0, 0);
        QTest::newRow("middle, white") << QPoint(300, 250) << QColor(255, 255, 255);
    }

    // The label is whole inside the canvas and clear of the cursor line, wherever the mouse
    // is. It sits on its curve's colour, in black or white, whichever reads better on it.
    void trackerLabelStaysInsideAndReads()
    {
        QFETCH(QPoint, fromCorner);
        QFETCH(QColor, colour);
        auto plot = shownPlot();
        QVERIFY(plot);
        QWidget *canvas = plot->canvas();
        const QPoint pos((fromCorner.x() + canvas->width()) % canvas->width(),
                         (fromCorner.y() + canvas->height()) % canvas->height());
        addCurveAt(*plot, 0, {pos});
        plot->curve(0)->setPen(QPen(colour, 2.0));
        plot->replot();
        hover(canvas, pos);
        const ScopeDataTracker *tracker = plot->tracker();
        QVERIFY(tracker->closestPoint().isValid());
        const QRect rect = tracker->trackerRect(tracker->trackerFont());
        QVERIFY(!rect.isEmpty());
        const bool clearOfTheCursorLine = rect.left() > pos.x() || rect.right() < pos.x();
        QVERIFY(canvas->rect().contains(rect) && clearOfTheCursorLine);

        const QwtText label = trackerText(*plot, pos);
        const QColor background = label.backgroundBrush().color();
        QCOMPARE(background, colour);
        QVERIFY(contrastRatio(label.color(), background) >= 4.5);
        QRegularExpressionMatchIterator fonts =
            QRegularExpression("color=\"(#[0-9a-f]{6})\"").globalMatch(label.text());
        int lines = 0;
        for (; fonts.hasNext(); ++lines)
            QCOMPARE(fonts.next().captured(1), label.color().name());
        QCOMPARE(lines, 3);
    }

    // After a zoom the label describes the sample under the unmoved mouse on the new scales.
    void trackerRefreshesAfterZoom()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        const QPoint c = plot->canvas()->rect().center();
        addCurveAt(*plot, 0, {c, c + QPoint(200, -150)});
        const QPointF aside = plot->curve(0)->sample(1);
        hover(plot->canvas(), c);
        QCOMPARE(plot->tracker()->closestPoint().index, 0);
        const QwtScaleMap x = plot->canvasMap(QwtPlot::xBottom);
        const QwtScaleMap y = plot->canvasMap(QwtPlot::yLeft);
        const QSizeF around(x.invTransform(40) - x.invTransform(0),
                            y.invTransform(0) - y.invTransform(40));
        plot->zoomer()->zoom(QRectF(aside - QPointF(around.width(), around.height()) / 2, around));
        QTRY_COMPARE(plot->tracker()->closestPoint().index, 1);
        const QString label = trackerText(*plot, c).text();
        QVERIFY2(label.contains(QString("x:%1<").arg(aside.x(), 0, 'g')), qPrintable(label));
    }

    // A mouse at rest reads the samples a replot brings, with no zoom or move; once it leaves
    // the canvas, no curve names the value axis.
    void trackerFollowsReplotsAndTheMouse()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        const QPoint c = plot->canvas()->rect().center();
        addCurveAt(*plot, 0, {c}, "A");
        addCurveAt(*plot, 1, {c + QPoint(200, -150)}, "deg");
        const QPointF under = plot->curve(0)->sample(0);
        const QPointF aside = plot->curve(1)->sample(0);
        hover(plot->canvas(), c);
        QCOMPARE(yTitle(*plot).trimmed(), QStringLiteral("C0: A"));

        double lo = 0.0, hi = 0.0; // inside the value range: the scales stay
        plot->setCurveSamples(0, {aside.x()}, {aside.y()}, lo, hi);
        plot->setCurveSamples(1, {under.x()}, {under.y()}, lo, hi);
        plot->replot();
        QCOMPARE(plot->tracker()->closestPoint().curve, plot->curve(1));
        const QString label = trackerText(*plot, c).text();
        QVERIFY2(label.contains("&nbsp;C1<"), qPrintable(label));
        QCOMPARE(yTitle(*plot).trimmed(), QStringLiteral("C1: deg"));

        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(plot->canvas(), &leave);
        QCOMPARE(yTitle(*plot), QString(12, ' '));
    }

    // The value axis names a unit only when every shown curve has it; otherwise the curve
    // under the mouse with its unit, else nothing. An image never names the curve under the
    // mouse; the strips show their own units and the axis none.
    void valueAxisTitle_data()
    {
        QTest::addColumn<QStringList>("units"); // of slots 0, 1, ...
        QTest::addColumn<QList<int>>("hidden");
        QTest::addColumn<int>("hovered"); // -1: no curve under the mouse
        QTest::addColumn<bool>("strips");
        QTest::addColumn<QString>("live");
        QTest::addColumn<QString>("image");
        const auto row = [](const char *name, const QStringList &units, const QList<int> &hidden,
                            int hovered, bool strips, const char *live, const char *image) {
            QTest::newRow(name) << units << hidden << hovered << strips << QString(live)
                                << QString(image);
        };
        const QStringList one{"deg", "deg"};
        const QStringList mixed{"CUR(A)", "deg", "CUR(A)"};
        row("one unit", one, {}, -1, false, "deg", "deg");
        row("one unit, hovering", one, {}, 1, false, "deg", "deg");
        row("mixed", mixed, {}, -1, false, "", "");
        row("mixed, hovering", mixed, {}, 2, false, "C2: CUR(A)", "");
        row("mixed, the odd one hidden", mixed, {1}, 1, false, "CUR(A)", "CUR(A)");
        row("mixed, hovering a hidden one", {"CUR(A)", "deg", "V"}, {1}, 1, false, "", "");
        row("none shown", {"deg"}, {0}, -1, false, "", "");
        row("strips, hovering", mixed, {}, 1, true, "", "");
        row("strips of one unit", one, {}, 0, true, "", "");
    }
    void valueAxisTitle()
    {
        QFETCH(QStringList, units);
        QFETCH(QList<int>, hidden);
        QFETCH(int, hovered);
        QFETCH(bool, strips);
        auto plot = shownPlot();
        QVERIFY(plot);
        for (int slot = 0; slot < units.size(); ++slot)
            addCurve(*plot, slot, {0.0, 5000.0}, {double(slot), -1.0}, units.at(slot));
        for (int slot : hidden)
            plot->curve(slot)->setVisible(false);
        plot->setStripView(strips);
        if (hovered >= 0)
            emit plot->tracker()->closestCurveChanged(plot->curve(hovered));
        plot->replot();
        QTEST(yTitle(*plot).trimmed(), "live");

        const QImage image = PlotImage::render(plot.get());
        QTEST(yTitle(*plot).trimmed(), "live"); // back on screen after the image
        emit plot->tracker()->closestCurveChanged(nullptr);
        QTEST(yTitle(*plot).trimmed(), "image");
        QCOMPARE(image, PlotImage::render(plot.get()));
    }

    void valueAtTime_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("value"); // empty when there is none
        QTest::newRow("between samples") << 2.5 << "2.5";
        QTest::newRow("before the first") << -0.1 << "";
        QTest::newRow("next to a NaN") << 25.0 << "";
        QTest::newRow("on a repeated time: the first") << 30.0 << "30";
        QTest::newRow("after a repeated time: the last") << 35.0 << "45";
        QTest::newRow("on the last") << 40.0 << "40";
    }

    void valueAtTime()
    {
        QFETCH(double, time);
        const QwtPointSeriesData samples(
            Samples{{0, 0}, {10, 10}, {20, kNaN}, {30, 30}, {30, 50}, {40, 40}});
        double value = 0.0;
        QTEST(::valueAtTime(samples, time, value) ? QString::number(value) : QString(), "value");
    }

    void cursors_data()
    {
        QTest::addColumn<double>("t1");
        QTest::addColumn<double>("t2");
        QTest::newRow("second before the first") << 420.0 << 55.0;
        QTest::newRow("second after the last sample") << 103.0 << 800.0;
    }

    // Placed through the context menu at the clicked pixel.
    void cursors()
    {
        QFETCH(double, t1);
        QFETCH(double, t2);
        auto plot = shownPlot();
        QVERIFY(plot);
        plot->setXScale(0.0, 1000.0, 100.0);
        plot->replot();
        const auto signal = [](int curve, double t) {
            return curve ? 5 - t * 0.01 : t * 0.02 - 3;
        };
        for (int slot = 0; slot < 2; ++slot) {
            Values x, y;
            for (double t = 0; t < 500; t += 10)
                x << t, y << signal(slot, t);
            addCurve(*plot, slot, x, y);
        }
        auto *tools = new ScopeContextMenu(plot.get(), plot.get());
        const auto placeAt = [&](const char *action, double time) {
            openMenu(plot->canvas(),
                     {qRound(plot->canvasMap(QwtPlot::xBottom).transform(time)), 120});
            tools->findChild<QAction *>(action)->trigger();
        };
        placeAt("ScopeAction_Cursor1", t1);
        placeAt("ScopeAction_Cursor2", t2);
        const CursorReading r = tools->cursors()->reading();
        QVERIFY(r.hasSpan());
        QVERIFY(std::abs(r.time1 - t1) < 1 && std::abs(r.time2 - t2) < 1); // a pixel is 1.3 ms
        QCOMPARE(r.curves.size(), 2);
        const QString text = tools->cursors()->readoutText();
        for (int c = 0; c < 2; ++c) {
            const CursorReading::Curve &curve = r.curves.at(c);
            QVERIFY(curve.has1 && std::abs(curve.value1 - signal(c, r.time1)) < 1e-9);
            QCOMPARE(curve.has2, r.time2 <= 490.0);
            const QString delta = QString::number(curve.value2 - curve.value1, 'g', 6);
            QVERIFY2(!curve.has2 || text.contains(delta + "</td></tr>"), qPrintable(text));
        }
        const double dt = r.time2 - r.time1;
        QVERIFY2(text.contains(QString::number(dt, 'g', 6) + " ms"), qPrintable(text));
        QVERIFY2(text.contains(QString::number(1000.0 / dt, 'g', 6) + " Hz"), qPrintable(text));
        placeAt("ScopeAction_RemoveCursors", 0.0);
        QVERIFY(!tools->cursors()->anyPlaced());
    }

    // Over the time axis as shown, both ends included; NaN and hidden curves left out.
    void statisticsOfTheVisibleRange()
    {
        QwtScope plot;
        addCurve(plot, 0, {0, 10, 20, 30, 40}, {2, kNaN, -4, 6, 1});
        addCurve(plot, 1, {0}, {100});
        addCurve(plot, 2, {0}, {100});
        plot.curve(1)->setVisible(false);
        CurveStatisticsTable table;
        const auto rows = [&](double from,
                              double to) { // channel, unit, count, min, max, mean, RMS, p-p
            plot.setXScale(from, to, 10.0);
            plot.replot();
            table.showFor(&plot);
            return table.text()
                .split('\n', Qt::SkipEmptyParts)
                .mid(2)
                .join(" | ")
                .replace('\t', ',');
        };
        QCOMPARE(rows(0, 40), QString("C0,A,4,-4,6,1.25,3.77492,10 | C2,A,1,100,100,100,100,0"));
        QCOMPARE(rows(20, 30), QString("C0,A,2,-4,6,1,5.09902,10 | C2,A,0,,,,,"));
        QCOMPARE(rows(5, 15), QString("C0,A,0,,,,, | C2,A,0,,,,,"));
    }

    void colourDifference_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("deltaE");
        QTest::newRow("same colour") << QColor(20, 19, 233) << QColor(20, 19, 233) << 0.0;
        QTest::newRow("black and white span L*") << QColor(Qt::black) << QColor(Qt::white) << 100.0;
        QTest::newRow("red and blue") << QColor(Qt::red) << QColor(Qt::blue) << 176.3;
        QTest::newRow("mid grey and white differ in L* only")
            << QColor(128, 128, 128) << QColor(Qt::white) << 46.4;
    }
    void colourDifference()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, deltaE);
        QVERIFY2(qAbs(deltaE76(a, b) - deltaE) < 0.1, qPrintable(QString::number(deltaE76(a, b))));
    }

    // Whatever the random generator gives, a full selection and compared curves in every
    // free slot all read on the canvas and differ.
    void curveColoursReadAndDiffer()
    {
        for (unsigned seed = 1; seed <= 60; ++seed) {
            std::srand(seed);
            QwtScope plot;
            plot.addChannelCurves(offeredRange(0, ScopeLimits::kMaxChannels - 1));
            for (int slot = ScopeLimits::kMaxChannels; slot < ScopeLimits::kCurveSlots; ++slot)
                plot.addCurve(slot, QStringLiteral("C%1 (capture 1)").arg(slot), CurveBinding());
            const QString clash = colourClash(plot);
            QVERIFY2(clash.isEmpty(), qPrintable(QString("seed %1: %2").arg(seed).arg(clash)));
        }
    }

    // The operator re-chooses (slots move), shows a selection without some channels and
    // comes back to them, or imports a file with them: every channel shown before has the
    // colour it had, and the curves shown together still differ.
    void channelsKeepTheirColours_data()
    {
        QTest::addColumn<QStringList>("selections"); // ranges of the catalogue's channels
        QTest::addColumn<bool>("lastImported");
        QTest::newRow("one added before the others") << QStringList{"1-2", "0-2"} << false;
        QTest::newRow("the first ones dropped") << QStringList{"0-5", "4-5"} << false;
        QTest::newRow("back after a selection without them")
            << QStringList{"0-1", "2-3", "0-3"} << false;
        QTest::newRow("a full selection shifted by one") << QStringList{"1-36", "0-35"} << false;
        QTest::newRow("a file with the channels in other slots")
            << QStringList{"3-6", "0-4"} << true;
    }
    void channelsKeepTheirColours()
    {
        QFETCH(QStringList, selections);
        QFETCH(bool, lastImported);
        std::srand(7);
        QwtScope plot;
        QHash<QString, QColor> firstShownIn;
        for (int step = 0; step < selections.size(); ++step) {
            const std::vector<ScopeChannel> channels = offeredRange(selections.at(step));
            plot.clearCurves();
            if (lastImported && step == selections.size() - 1) {
                ScopeFileContent file;
                for (const ScopeChannel &channel : channels)
                    file.curves.append({channel.title, channel.binding, {}, {}});
                plot.attachCurvesOf(ScopeRecording::loaded(file, ScopeFileMeta()));
            } else {
                plot.addChannelCurves(channels);
            }
            for (const ScopeChannel &channel : channels) {
                const QColor colour = plot.curve(channel.binding.slot)->pen().color();
                if (!firstShownIn.contains(channel.title))
                    firstShownIn.insert(channel.title, colour);
                QVERIFY2(colour == firstShownIn.value(channel.title),
                         qPrintable(QString("step %1: %2").arg(step).arg(channel.title)));
            }
            const QString clash = colourClash(plot);
            QVERIFY2(clash.isEmpty(), qPrintable(QString("step %1: %2").arg(step).arg(clash)));
        }
    }

    // Remembered colours of channels never shown together may clash: the channel shown last
    // keeps its colour, the other one gets a new one and keeps that from then on.
    void theChannelShownLastWinsAClash()
    {
        std::srand(3);
        ChannelColours colours(QColor(250, 250, 250), [] { return std::rand() % 255; });
        const QString a = "J1 Target ACS";
        const QString b = "J2 Target ACS";
        const QColor red(200, 0, 0);
        QVERIFY(colours.restore({{a, red}, {b, QColor(205, 0, 0)}}).isEmpty());
        QCOMPARE(colours.colourTogether({a}), QVector<QColor>{red});
        const QVector<QColor> together = colours.colourTogether({b, a});
        QCOMPARE(together.at(1), red);
        QVERIFY(deltaE76(together.at(0), red) >= kMinCurveDeltaE);
        QCOMPARE(colours.colourTogether({b}), QVector<QColor>{together.at(0)});
    }

    // A saved colour is taken only for a channel of the catalogue and only if it reads.
    void restoredColoursMustReadAndNameAChannel_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("taken");
        QTest::newRow("a channel") << "J3 Actual Cur" << QColor("#1f77b4") << true;
        QTest::newRow("no channel") << "Gripper" << QColor("#1f77b4") << false;
        QTest::newRow("the canvas's colour") << "J3 Actual Cur" << QColor(250, 250, 250) << false;
        QTest::newRow("no colour") << "J3 Actual Cur" << QColor() << false;
    }
    void restoredColoursMustReadAndNameAChannel()
    {
        QFETCH(QString, title);
        QFETCH(QColor, colour);
        QFETCH(bool, taken);
        ChannelColours colours(QColor(250, 250, 250), [] { return std::rand() % 255; });
        const QStringList refused = colours.restore({{title, colour}});
        QCOMPARE(refused.isEmpty(), taken);
        QCOMPARE(colours.assignment().contains(title), taken);
        const QColor shown = colours.colourTogether({title}).first();
        QVERIFY(contrastRatio(shown, QColor(250, 250, 250)) >= kMinCurveContrast);
        if (taken)
            QCOMPARE(shown, colour);
    }

    // The saved legend lists every drawn curve, however many, and no hidden one: each legend
    // icon is a block of its curve's colour, and curves without samples draw nothing else.
    void imageLegendListsTheDrawnCurves()
    {
        auto plot = shownPlot();
        QVERIFY(plot);
        auto *legend = new QwtLegend;
        legend->setDefaultItemMode(QwtLegendData::Checkable);
        plot->insertLegend(legend, QwtPlot::RightLegend);
        const QSet<int> hidden{3, 17, 18, 30, 34, 35};
        for (int slot = 0; slot < ScopeLimits::kMaxChannels; ++slot) {
            addCurve(*plot, slot, {}, {});
            plot->curve(slot)->setVisible(!hidden.contains(slot));
        }
        plot->replot();
        const QImage image = PlotImage::render(plot.get());
        QList<int> shown, drawn;
        for (int slot = 0; slot < ScopeLimits::kMaxChannels; ++slot) {
            if (pixelsOf(image, plot->curve(slot)->pen().color().rgb()) >= 40)
                shown << slot;
            if (!hidden.contains(slot))
                drawn << slot;
        }
        QCOMPARE(shown, drawn);
    }

    // The saved image holds the curve; a save that fails says why; copy fills the clipboard.
    void imageShowsTheCurve()
    {
        auto plot = shownPlot();
        addCurve(*plot, 0, {0.0, 5000.0, 10000.0}, {-8.0, 8.0, -8.0});
        QTemporaryDir dir;
        QString error;
        QVERIFY(PlotImage::save(plot.get(), dir.filePath("plot.png"), &error));
        const QImage image(dir.filePath("plot.png"));
        QVERIFY(pixelsOf(image, plot->curve(0)->pen().color().rgb()) > 50);
        (new ScopeContextMenu(plot.get(), plot.get()))->copyImage();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), image.size());
        QVERIFY(!PlotImage::save(plot.get(), dir.filePath("no/plot.png"), &error) &&
                !error.isEmpty());
        // A pipe or a link at the name is refused and stays as it was.
        const QString pipe = dir.filePath("pipe.png");
        const QString link = dir.filePath("link.png");
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0);
        QVERIFY(QFile::link(dir.filePath("plot.png"), link));
        QVERIFY(!PlotImage::save(plot.get(), pipe, &error) && error.contains("not a regular file"));
        QVERIFY(!PlotImage::save(plot.get(), link, &error) && error.contains("symbolic link"));
        QCOMPARE(FileEntry::at(pipe).kind, FileEntry::Kind::Special);
        QCOMPARE(FileEntry::at(link).kind, FileEntry::Kind::SymbolicLink);
    }
};

QTEST_MAIN(tst_Plot)
#include "tst_plot.moc"
