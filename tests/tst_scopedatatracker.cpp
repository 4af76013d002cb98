#include "PlotMouse.h"
#include "QwtScope.h"
#include "ScopeDataTracker.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <qwt_text.h>

#include <memory>

using Offsets = QVector<QPoint>;

Q_DECLARE_METATYPE(Offsets)

class tst_ScopeDataTracker : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyPlotShowsNothing();
    void nearestSample_data();
    void nearestSample();
    void hiddenCurveSkippedAndTitleFollows();
    void clearCurvesResetsClosest();
    void curveGivenFewerSamplesIsNotRead();
    void label_data();
    void label();
    void markerOnCursorLine();
    void labelRectShiftedUpRight();

private:
    QWidget *canvas() const { return m_plot->canvas(); }
    QPoint centre() const { return QPoint(canvas()->width() / 2, canvas()->height() / 2); }
    QPointF plotPoint(const QPoint &pixel) const;
    void addCurveAt(int slot, const QString &unit, const Offsets &offsets);
    void hover(const QPoint &pos);
    QString valueAxisTitle() const { return m_plot->axisTitle(QwtPlot::yLeft).text(); }
    QwtText trackerLabel() const;
    QImage marker() const;
    bool markerIsBlank() const;

    std::unique_ptr<QwtScope> m_plot;
    bool m_entered = false;
};

void tst_ScopeDataTracker::init()
{
    m_plot = std::make_unique<QwtScope>();
    m_plot->setXScale(0.0, 100.0, 10.0);
    m_plot->setYScale(-10.0, 10.0);
    QVERIFY(PlotMouse::showAt(m_plot.get()));
    m_entered = false;
}

void tst_ScopeDataTracker::cleanup()
{
    m_plot.reset();
}

QPointF tst_ScopeDataTracker::plotPoint(const QPoint &pixel) const
{
    return QPointF(m_plot->canvasMap(QwtPlot::xBottom).invTransform(pixel.x()),
                   m_plot->canvasMap(QwtPlot::yLeft).invTransform(pixel.y()));
}

// A curve whose samples lie at the given pixel offsets from the canvas centre.
void tst_ScopeDataTracker::addCurveAt(int slot, const QString &unit, const Offsets &offsets)
{
    CurveBinding binding;
    binding.slot = slot;
    binding.axis = 0;
    binding.unit = unit;
    m_plot->addCurve(slot, QStringLiteral("curve%1").arg(slot), binding);
    QVector<double> x;
    QVector<double> y;
    for (const QPoint &offset : offsets) {
        const QPointF p = plotPoint(centre() + offset);
        x << p.x();
        y << p.y();
    }
    double lo = 0.0;
    double hi = 0.0;
    m_plot->setCurveSamples(slot, x, y, lo, hi);
    m_plot->replot();
}

void tst_ScopeDataTracker::hover(const QPoint &pos)
{
    if (!m_entered)
        PlotMouse::enter(canvas(), pos);
    m_entered = true;
    PlotMouse::hover(canvas(), pos);
}

QwtText tst_ScopeDataTracker::trackerLabel() const
{
    const QwtPicker *picker = m_plot->tracker();
    return picker->trackerText(centre());
}

QImage tst_ScopeDataTracker::marker() const
{
    QImage image(canvas()->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(m_plot->tracker()->rubberBandPen());
    m_plot->tracker()->drawRubberBand(&painter);
    return image;
}

bool tst_ScopeDataTracker::markerIsBlank() const
{
    QImage blank(canvas()->size(), QImage::Format_ARGB32);
    blank.fill(Qt::white);
    return marker() == blank;
}

void tst_ScopeDataTracker::emptyPlotShowsNothing()
{
    hover(centre());
    QVERIFY(m_plot->tracker()->isActive());
    QVERIFY(!m_plot->tracker()->closestPoint().isValid());
    QVERIFY(trackerLabel().isEmpty());
    QVERIFY(m_plot->tracker()->trackerRect(QFont()).isEmpty());
    QCOMPARE(valueAxisTitle(), QString(12, QLatin1Char(' ')));
    QVERIFY(markerIsBlank());
}

void tst_ScopeDataTracker::nearestSample_data()
{
    QTest::addColumn<Offsets>("slot0");
    QTest::addColumn<Offsets>("slot1");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("index");

    QTest::newRow("same distance in two curves: lower slot")
        << Offsets{{60, 60}, {3, 4}} << Offsets{{-5, 0}} << 0 << 1;
    QTest::newRow("same distance within a curve: lower index")
        << Offsets{{80, 0}, {0, 5}, {5, 0}, {-3, -4}} << Offsets{{40, 40}} << 0 << 1;
    QTest::newRow("closer in pixels beats closer in time")
        << Offsets{{1, 90}} << Offsets{{30, 0}} << 1 << 0;
}

void tst_ScopeDataTracker::nearestSample()
{
    QFETCH(Offsets, slot0);
    QFETCH(Offsets, slot1);
    QFETCH(int, slot);
    QFETCH(int, index);
    addCurveAt(0, "A", slot0);
    addCurveAt(1, "B", slot1);

    hover(centre());
    const ClosestPoint &closest = m_plot->tracker()->closestPoint();
    QCOMPARE(closest.curve, m_plot->curve(slot));
    QCOMPARE(closest.index, index);
}

void tst_ScopeDataTracker::hiddenCurveSkippedAndTitleFollows()
{
    addCurveAt(0, "A(u)", {{2, 0}});
    addCurveAt(1, "B(v)", {{0, 20}});

    hover(centre());
    QCOMPARE(m_plot->tracker()->closestPoint().curve, m_plot->curve(0));
    QCOMPARE(valueAxisTitle(), QStringLiteral("A(u)        "));
    QCOMPARE(m_plot->tracker()->rubberBandPen().color(), m_plot->curve(0)->pen().color());
    QCOMPARE(m_plot->tracker()->rubberBandPen().width(), 1);

    m_plot->curve(0)->setVisible(false);
    hover(centre() + QPoint(1, 0));
    QCOMPARE(m_plot->tracker()->closestPoint().curve, m_plot->curve(1));
    QCOMPARE(valueAxisTitle(), QStringLiteral("B(v)        "));
    QCOMPARE(m_plot->tracker()->rubberBandPen().color(), m_plot->curve(1)->pen().color());
}

void tst_ScopeDataTracker::clearCurvesResetsClosest()
{
    addCurveAt(0, "A", {{0, 0}});
    hover(centre());
    QVERIFY(m_plot->tracker()->closestPoint().isValid());

    m_plot->clearCurves();
    QVERIFY(!m_plot->tracker()->closestPoint().curve);
    QVERIFY(trackerLabel().isEmpty());
    QVERIFY(markerIsBlank());
}

void tst_ScopeDataTracker::curveGivenFewerSamplesIsNotRead()
{
    addCurveAt(0, "A", {{-40, 0}, {-30, 0}, {-20, 0}, {-10, 0}, {0, 0}});
    hover(centre());
    QCOMPARE(m_plot->tracker()->closestPoint().index, 4);

    double lo = 0.0;
    double hi = 0.0;
    m_plot->setCurveSamples(0, {1.0, 2.0}, {0.0, 0.0}, lo, hi);
    QVERIFY(!m_plot->tracker()->closestPoint().isValid());
    QVERIFY(trackerLabel().isEmpty());
}

void tst_ScopeDataTracker::label_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QString>("xText");
    QTest::addColumn<QString>("yText");
    QTest::newRow("1234.5 ms, -0.25") << 1234.5 << -0.25 << "x:1234.5"
                                      << "y:-0.250";
    QTest::newRow("12000000 ms in exponent form") << 12000000.0 << 3.0 << "x:1.2e+07"
                                                  << "y:3.000";
}

void tst_ScopeDataTracker::label()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QString, xText);
    QFETCH(QString, yText);
    m_plot->addCurve(0, "T", CurveBinding());
    double lo = 0.0;
    double hi = 0.0;
    m_plot->setCurveSamples(0, {x}, {y}, lo, hi);
    m_plot->replot();
    hover(centre());

    const QString font = QStringLiteral("<font color=\"#45fc10\" size=\"6\">");
    const QwtText text = trackerLabel();
    QCOMPARE(text.text(), QStringLiteral("<p align=\"left\">") + font + "&nbsp;T</font><br>" +
                              font + "&nbsp;&nbsp;" + xText + "</font><br>" + font +
                              "&nbsp;&nbsp;" + yText + "</font></p>");
    QCOMPARE(text.color(), QColor(Qt::black));
    QCOMPARE(text.borderPen(), QPen(QColor(15, 76, 117), 2));
    QCOMPARE(text.backgroundBrush(), QBrush(QColor(0, 31, 51, 100)));
    QCOMPARE(text.borderRadius(), 5.0);
}

void tst_ScopeDataTracker::markerOnCursorLine()
{
    addCurveAt(0, "A", {{20, -30}});
    const QPoint cursor = centre();
    hover(cursor);
    const QImage image = marker();
    const QRgb curveColour = m_plot->curve(0)->pen().color().rgb();

    int black = 0;
    for (int y = 0; y < image.height(); ++y)
        black += image.pixel(cursor.x(), y) == qRgb(0, 0, 0) ? 1 : 0;
    QVERIFY(black > image.height() / 5);

    // The box is centred on the cursor line at the sample's height, not at the sample.
    bool boxOnLine = false;
    for (int dx = -6; dx <= -4; ++dx)
        boxOnLine |= image.pixel(cursor.x() + dx, cursor.y() - 30) == curveColour;
    QVERIFY(boxOnLine);
    QVERIFY(image.pixel(cursor.x() + 20, cursor.y() - 30) != curveColour);
}

void tst_ScopeDataTracker::labelRectShiftedUpRight()
{
    addCurveAt(0, "A", {{0, 0}});
    hover(centre());
    const QFont font;
    const QRect base = m_plot->tracker()->QwtPicker::trackerRect(font);
    QVERIFY(!base.isEmpty());
    QCOMPARE(m_plot->tracker()->trackerRect(font), base.adjusted(15, -15, 25, -5));
}

QTEST_MAIN(tst_ScopeDataTracker)
#include "tst_scopedatatracker.moc"
