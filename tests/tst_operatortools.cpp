#include "CurveColours.h"
#include "CurveStatisticsTable.h"
#include "MeasurementCursors.h"
#include "PlotMouse.h"
#include "ScopeContextMenu.h"
#include "ScopeLimits.h"
#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"
#include "Zoomer.h"

#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

#include <qwt_scale_map.h>

#include <cmath>
#include <memory>

using namespace ScopeTest;

namespace {

constexpr int kSamples = 50;
constexpr double kStepMs = 10.0;
constexpr double kFirstTime = 1000.0;

// The scripted signals, as a function of the sample number.
double signal0(int k)
{
    return 0.01 * k * k - 3.0;
}
double signal1(int k)
{
    return std::sin(k * 0.3) * 5.0 + 2.0;
}

// Linear between samples, computed here from the signals, not from the curves.
double expectedAt(double (*signal)(int), double shownTime)
{
    const int k = static_cast<int>(std::floor(shownTime / kStepMs));
    const double share = shownTime / kStepMs - k;
    return signal(k) + share * (signal(k + 1) - signal(k));
}

bool near(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::max(1.0, std::abs(expected));
}

QString settingsKey()
{
    return QStringLiteral("TarnScope/TarnPlugin_Scope/setup");
}

} // namespace

// The operator's tools driven through the plot's context menu and canvas shortcuts, on a
// scope that recorded scripted signals (J1 and J2 " Target ACS", sample k at 10 k ms).
class tst_OperatorTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rightClickKeepsZoomingOut();
    void cursorsReadTheData_data();
    void cursorsReadTheData();
    void cursorsStayWithTheDataWhileItScrolls();
    void statisticsOfTheVisibleRange();
    void imageSavedAndCopied();
    void freezeHoldsTheViewWhileRecordingGoesOn();
    void setupRoundTrip();
    void setupFromElsewhereSaysWhatItSkipped_data();
    void setupFromElsewhereSaysWhatItSkipped();
    void persistedSetupComesBack();
    void valueAxisUnitAfterSetup();
    void coloursReadOnTheCanvas_data();
    void coloursReadOnTheCanvas();
    void labelsAreNeverNarrowerThanTheirText();

private:
    void selectJ1J2TargetAcs();
    void record(int first, int count);
    QWidget *canvas() const { return plotOf(m_scope.get())->canvas(); }
    QMenu *openMenu(const QPoint &pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void trigger(const char *action, const QPoint &pos = QPoint(300, 200));
    int pixelOf(double shownTime) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TarnPlugin_Scope> m_scope;
};

void tst_OperatorTools::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("TarnScopeTest"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_operatortools"));
}

void tst_OperatorTools::init()
{
    QSettings().clear();
    TarnSim::reset();
    TarnSim::setScripted(true);
    m_dir = std::make_unique<QTemporaryDir>();
    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->resize(1137, 620);
    m_scope->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_scope.get()));
}

void tst_OperatorTools::cleanup()
{
    m_scope.reset();
    m_dir.reset();
}

void tst_OperatorTools::selectJ1J2TargetAcs()
{
    checkComponents(m_scope.get(), {AXIS_J1, AXIS_J2});
    checkLinks(m_scope.get(), {LINK_TargetACS});
    confirmSelection(m_scope.get());
}

// Samples first .. first+count-1 of both signals; stops unless asked to go on.
void tst_OperatorTools::record(int first, int count)
{
    TarnSim::Batch batch;
    for (int k = first; k < first + count; ++k)
        batch.records.push_back(
            ScopeTest::record(kFirstTime + k * kStepMs, {signal0(k), signal1(k)}));
    TarnSim::queueBatch(batch);
    if (!m_scope->isSampling())
        start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
}

QMenu *tst_OperatorTools::openMenu(const QPoint &pos, Qt::KeyboardModifiers modifiers)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, canvas()->mapToGlobal(pos), modifiers);
    QCoreApplication::sendEvent(canvas(), &event);
    auto *menu = canvas()->findChild<QMenu *>(QStringLiteral("ScopeContextMenu"));
    return menu && menu->isVisible() ? menu : nullptr;
}

void tst_OperatorTools::trigger(const char *action, const QPoint &pos)
{
    QMenu *menu = openMenu(pos);
    QVERIFY(menu);
    for (QAction *a : menu->actions()) {
        if (a->objectName() == QLatin1String(action)) {
            menu->hide();
            a->trigger();
            return;
        }
    }
    QFAIL(action);
}

int tst_OperatorTools::pixelOf(double shownTime) const
{
    return qRound(plotOf(m_scope.get())->canvasMap(QwtPlot::xBottom).transform(shownTime));
}

void tst_OperatorTools::rightClickKeepsZoomingOut()
{
    selectJ1J2TargetAcs();
    QVERIFY(openMenu(QPoint(200, 100)));
    canvas()->findChild<QMenu *>()->hide();

    Zoomer *zoomer = plotOf(m_scope.get())->zoomer();
    PlotMouse::dragRect(canvas(), QPoint(100, 50), QSize(200, 150));
    QCOMPARE(zoomer->zoomRectIndex(), 1);
    PlotMouse::send(canvas(), QEvent::MouseButtonPress, QPoint(150, 80), Qt::RightButton,
                    Qt::RightButton);
    QVERIFY(!openMenu(QPoint(150, 80)));
    PlotMouse::send(canvas(), QEvent::MouseButtonRelease, QPoint(150, 80), Qt::RightButton,
                    Qt::NoButton);
    QCOMPARE(zoomer->zoomRectIndex(), 0);

    PlotMouse::dragRect(canvas(), QPoint(100, 50), QSize(200, 150));
    QVERIFY(openMenu(QPoint(150, 80), Qt::ControlModifier));
    QCOMPARE(zoomer->zoomRectIndex(), 1);
}

void tst_OperatorTools::cursorsReadTheData_data()
{
    QTest::addColumn<double>("t1");
    QTest::addColumn<double>("t2");
    QTest::newRow("both inside, between samples") << 103.0 << 377.0;
    QTest::newRow("second before the first") << 420.0 << 55.0;
    QTest::newRow("second after the last sample") << 200.0 << 800.0;
}

void tst_OperatorTools::cursorsReadTheData()
{
    QFETCH(double, t1);
    QFETCH(double, t2);
    selectJ1J2TargetAcs();
    record(0, kSamples);
    stop(m_scope.get());

    trigger("ScopeAction_Cursor1", QPoint(pixelOf(t1), 120));
    trigger("ScopeAction_Cursor2", QPoint(pixelOf(t2), 160));
    const MeasurementCursors *cursors = m_scope->findChild<ScopeContextMenu *>()->cursors();
    const CursorReading r = cursors->reading();
    QVERIFY(r.hasSpan());
    // The cursor lands on the clicked pixel: within half a pixel's time of the asked one.
    const QwtScaleMap map = plotOf(m_scope.get())->canvasMap(QwtPlot::xBottom);
    const double pixelMs = std::abs(map.invTransform(1) - map.invTransform(0));
    QVERIFY(std::abs(r.time1 - t1) <= pixelMs);
    QVERIFY(std::abs(r.time2 - t2) <= pixelMs);
    QCOMPARE(r.curves.size(), 2);

    const double lastShown = (kSamples - 1) * kStepMs;
    double (*const kSignals[])(int) = {signal0, signal1};
    for (int c = 0; c < 2; ++c) {
        const CursorReading::Curve &curve = r.curves.at(c);
        QCOMPARE(curve.unit, QStringLiteral("ACS(deg)"));
        QVERIFY(curve.has1 && near(curve.value1, expectedAt(kSignals[c], r.time1)));
        QCOMPARE(curve.has2, r.time2 <= lastShown);
        if (curve.has2)
            QVERIFY(near(curve.value2, expectedAt(kSignals[c], r.time2)));
    }
    const QString text = cursors->readoutText();
    const double dt = r.time2 - r.time1;
    QVERIFY2(text.contains(QString::number(dt, 'g', 6) + " ms"), qPrintable(text));
    QVERIFY2(text.contains(QString::number(1000.0 / dt, 'g', 6) + " Hz"), qPrintable(text));

    trigger("ScopeAction_RemoveCursors");
    QVERIFY(!cursors->anyPlaced());
}

void tst_OperatorTools::cursorsStayWithTheDataWhileItScrolls()
{
    ScopeTest::child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->setText("200");
    selectJ1J2TargetAcs();
    record(0, 30);
    QwtScope *plot = plotOf(m_scope.get());
    QTRY_VERIFY(plot->timeOrigin() > kFirstTime);
    const double origin = plot->timeOrigin();
    trigger("ScopeAction_Cursor1", QPoint(pixelOf(150.0), 100));
    const double placed = m_scope->findChild<ScopeContextMenu *>()->cursors()->shownTime(0);
    const double recordedValue = expectedAt(signal0, placed + origin - kFirstTime);

    record(30, 5);
    QTRY_VERIFY(plot->timeOrigin() > origin);
    const MeasurementCursors *cursors = m_scope->findChild<ScopeContextMenu *>()->cursors();
    QVERIFY(near(cursors->shownTime(0), placed - (plot->timeOrigin() - origin)));
    QVERIFY(near(cursors->reading().curves.at(0).value1, recordedValue));
    stop(m_scope.get());
}

void tst_OperatorTools::statisticsOfTheVisibleRange()
{
    selectJ1J2TargetAcs();
    record(0, kSamples);
    stop(m_scope.get());
    PlotMouse::dragRect(canvas(), QPoint(pixelOf(95.0), 20),
                        QSize(pixelOf(305.0) - pixelOf(95.0), 200));
    const QwtInterval shown = plotOf(m_scope.get())->axisInterval(QwtPlot::xBottom);

    // Zoomed in, the right click zooms out: the shortcut opens the table.
    canvas()->setFocus();
    QTest::keyClick(canvas(), Qt::Key_S);
    auto *table = m_scope->findChild<QTableWidget *>(QStringLiteral("ScopeStatisticsTable"));
    QVERIFY(table && table->isVisible());
    QCOMPARE(table->rowCount(), 2);
    double (*const kSignals[])(int) = {signal0, signal1};
    for (int c = 0; c < 2; ++c) {
        QVector<double> v;
        for (int k = 0; k < kSamples; ++k) {
            if (k * kStepMs >= shown.minValue() && k * kStepMs <= shown.maxValue())
                v << kSignals[c](k);
        }
        const double lo = *std::min_element(v.begin(), v.end());
        const double hi = *std::max_element(v.begin(), v.end());
        double sum = 0.0;
        double squares = 0.0;
        for (double x : v) {
            sum += x;
            squares += x * x;
        }
        const double expected[] = {
            double(v.size()), lo, hi, sum / v.size(), std::sqrt(squares / v.size()), hi - lo};
        for (int column = 2; column < 8; ++column) {
            const double cell = table->item(c, column)->text().toDouble();
            const double want = expected[column - 2];
            QVERIFY2(std::abs(cell - want) <= 1e-5 * std::max(1.0, std::abs(want)),
                     qPrintable(QStringLiteral("row %1 column %2: %3 vs %4")
                                    .arg(c)
                                    .arg(column)
                                    .arg(cell)
                                    .arg(want)));
        }
        QCOMPARE(table->item(c, 1)->text(), QStringLiteral("ACS(deg)"));
    }
    click(m_scope->findChild<QDialog *>(QStringLiteral("ScopeStatisticsDialog")),
          "ScopeStatisticsCopy");
    const QStringList lines = QApplication::clipboard()->text().trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(2).split('\t').size(), 8);
}

void tst_OperatorTools::imageSavedAndCopied()
{
    selectJ1J2TargetAcs();
    record(0, kSamples);
    stop(m_scope.get());
    QwtScope *plot = plotOf(m_scope.get());
    const QColor curveColour = plot->curve(0)->pen().color();

    ModalAnswer dialog;
    answerNextFileDialog(&dialog, m_dir->filePath("plot"));
    trigger("ScopeAction_SaveImage");
    QVERIFY(dialog.shown);
    QImage saved(m_dir->filePath("plot.png"));
    QCOMPARE(saved.size(), plot->size() * plot->devicePixelRatioF());

    trigger("ScopeAction_CopyImage");
    const QImage copied = QApplication::clipboard()->image();
    QCOMPARE(copied.size(), saved.size());
    int curvePixels = 0;
    for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < copied.width(); ++x)
            curvePixels += QColor(copied.pixel(x, y)) == curveColour;
    }
    QVERIFY2(curvePixels > 50, "the curve is drawn into the image");
}

void tst_OperatorTools::freezeHoldsTheViewWhileRecordingGoesOn()
{
    selectJ1J2TargetAcs();
    record(0, 20);
    QwtPlotCurve *curve = plotOf(m_scope.get())->curve(0);
    QTRY_COMPARE(int(curve->dataSize()), 20);

    canvas()->setFocus();
    QTest::keyClick(canvas(), Qt::Key_F);
    QVERIFY(m_scope->isViewFrozen());
    record(20, 15);
    QTest::qWait(1000); // more than two curve refreshes of the live view
    QCOMPARE(int(curve->dataSize()), 20);

    stop(m_scope.get());
    QVERIFY(!m_scope->isViewFrozen());
    QCOMPARE(int(curve->dataSize()), 35);
    QCOMPARE(curveY(curve).last(), signal0(34));
}

void tst_OperatorTools::setupRoundTrip()
{
    selectJ1J2TargetAcs();
    ScopeTest::child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime")->setText("2500");
    ScopeTest::child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel")->setCurrentIndex(1);
    ScopeTest::child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerCondition")
        ->setCurrentIndex(1);
    ScopeTest::child<QLineEdit>(m_scope.get(), "Kvel_Scope_edit_TriggerThreshold")->setText("1.5");
    click(m_scope.get(), "cb_Trigger");
    ModalAnswer save;
    answerNextFileDialog(&save, m_dir->filePath("setup"));
    trigger("ScopeAction_SaveSetup");
    QVERIFY(QFile::exists(m_dir->filePath("setup.json")));

    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->show();
    ModalAnswer load;
    answerNextFileDialog(&load, m_dir->filePath("setup.json"));
    MessageBoxAnswer warning;
    answerNextMessageBox(&warning);
    trigger("ScopeAction_LoadSetup");
    QVERIFY(load.shown);
    QVERIFY(!warning.shown);
    QwtScope *plot = plotOf(m_scope.get());
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2);
    QCOMPARE(plot->xRange(), 2500.0);
    QCOMPARE(
        ScopeTest::child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel")->currentIndex(), 1);
    QCOMPARE(ScopeTest::child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerCondition")
                 ->currentText(),
             QStringLiteral("<"));
    QCOMPARE(ScopeTest::child<QLineEdit>(m_scope.get(), "Kvel_Scope_edit_TriggerThreshold")->text(),
             QStringLiteral("1.5"));
    QVERIFY(ScopeTest::child<QAbstractButton>(m_scope.get(), "cb_Trigger")->isChecked());
}

void tst_OperatorTools::setupFromElsewhereSaysWhatItSkipped_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("curves");
    QTest::addColumn<QString>("skipped");
    const QByteArray head =
        R"({"format":"tarn-scope-setup","version":1,"components":[{"id":25,"name":"J1"}],)";
    QTest::newRow("unknown link id")
        << head + R"("links":[{"id":1,"name":"Target ACS"},{"id":99,"name":"Gripper"}]})" << 1
        << "link \"Gripper\" (id 99)";
    QTest::newRow("id that names another row here")
        << head + R"("links":[{"id":1,"name":"Actual ACS"},{"id":2,"name":"Actual ACS"}]})" << 1
        << "link \"Actual ACS\" (id 1)";
    QTest::newRow("newer version")
        << QByteArray(
               R"({"format":"tarn-scope-setup","version":2,"components":[{"id":25,"name":"J1"}],"links":[{"id":1}],"periodMs":"fast"})")
        << 1 << "format version";
    QTest::newRow("not a set-up") << QByteArray("{\"time\":1}") << 0 << "not a scope set-up";
}

void tst_OperatorTools::setupFromElsewhereSaysWhatItSkipped()
{
    QFETCH(QByteArray, json);
    QFETCH(int, curves);
    QFETCH(QString, skipped);
    QFile file(m_dir->filePath("other.json"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
    file.close();
    ModalAnswer load;
    answerNextFileDialog(&load, file.fileName());
    MessageBoxAnswer warning;
    answerNextMessageBox(&warning);
    trigger("ScopeAction_LoadSetup");
    QTRY_VERIFY(warning.shown);
    QCOMPARE(warning.title, QStringLiteral("Warning"));
    QVERIFY2(warning.text.startsWith("ERROR:") && warning.text.contains(skipped),
             qPrintable(warning.text));
    QCOMPARE(plotOf(m_scope.get())->itemList(QwtPlotItem::Rtti_PlotCurve).size(), curves);
}

void tst_OperatorTools::persistedSetupComesBack()
{
    m_scope->setPersistSetup(true);
    selectJ1J2TargetAcs();
    QVERIFY(QSettings().contains(settingsKey()));
    m_scope = std::make_unique<TarnPlugin_Scope>();
    QCOMPARE(plotOf(m_scope.get())->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 0);
    QVERIFY(m_scope->setProperty("persistSetup", true));
    QCOMPARE(plotOf(m_scope.get())->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2);
}

void tst_OperatorTools::valueAxisUnitAfterSetup()
{
    QwtScope *plot = plotOf(m_scope.get());
    selectJ1J2TargetAcs();
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("ACS(deg)    "));
    checkLinks(m_scope.get(), {LINK_TargetJointVel});
    confirmSelection(m_scope.get());
    QCOMPARE(plot->axisTitle(QwtPlot::yLeft).text(), QString(12, ' '));
}

void tst_OperatorTools::coloursReadOnTheCanvas_data()
{
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<double>("ratio");
    QTest::newRow("near the canvas") << QColor(241, 252, 249) << 1.0;
    QTest::newRow("black") << QColor(Qt::black) << 20.1;
    QTest::newRow("mid grey") << QColor(128, 128, 128) << 3.8;
}

void tst_OperatorTools::coloursReadOnTheCanvas()
{
    QFETCH(QColor, colour);
    QFETCH(double, ratio);
    const QColor canvas(250, 250, 250);
    QCOMPARE(std::round(contrastRatio(colour, canvas) * 10.0) / 10.0, ratio);
    // A first draw too close to the canvas is drawn again.
    int draw = 0;
    const int components[] = {241, 252, 249, colour.red(), colour.green(), colour.blue()};
    const QColor drawn = readableColour(canvas, [&] { return components[draw++ % 6]; });
    QVERIFY(contrastRatio(drawn, canvas) >= 3.0);
    QCOMPARE(drawn == colour, ratio >= 3.0);
    for (int slot = 0; slot < ScopeLimits::kCurveSlots; ++slot)
        QVERIFY(contrastRatio(plotOf(m_scope.get())->curve(slot)->pen().color(), canvas) >= 3.0);
}

void tst_OperatorTools::labelsAreNeverNarrowerThanTheirText()
{
    QFont font = m_scope->font();
    font.setPointSize(font.pointSize() * 2);
    m_scope->setFont(font);
    m_scope->resize(600, 620);
    QApplication::processEvents();
    for (QLabel *label :
         ScopeTest::child(m_scope.get(), "ScopePageFrame_Setting")->findChildren<QLabel *>()) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(label->width() >= needed, qPrintable(label->objectName()));
    }
}

QTEST_MAIN(tst_OperatorTools)
#include "tst_operatortools.moc"
