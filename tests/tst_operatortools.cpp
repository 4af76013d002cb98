#include "CurveColours.h"
#include "CurveStatisticsTable.h"
#include "MeasurementCursors.h"
#include "PlotImage.h"
#include "ScopeContextMenu.h"
#include "ScopeSetupFile.h"
#include "ScopeTestSupport.h"
#include "SpectrumView.h"
#include "XyView.h"
#include "Zoomer.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMainWindow>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

#include <memory>

using ScopeTest::child;
using ScopeTest::plotOf;

namespace {

constexpr double kFirstTime = 1000.0; // controller time of sample 0; samples are 10 ms apart

// Checks the components' Target ACS rows in the channel dialog and confirms.
void selectTargetAcs(TarnPlugin_Scope *scope, const QList<int> &components)
{
    auto *dialog = scope->findChild<QScopeSetting *>();
    dialog->setCheckedIds(QScopeSetting::Tree::Components, components);
    dialog->setCheckedIds(QScopeSetting::Tree::Links, {LINK_TargetACS});
    child<QAbstractButton>(dialog, "Kvel_Scope_btn_SetOK")->click();
}

// Records samples first .. first+count-1, sample k with the value k; starts sampling first.
void record(TarnPlugin_Scope *scope, int first, int count)
{
    if (!scope->isSampling())
        QVERIFY(ScopeTest::startFlushed(scope));
    TarnSim::Batch batch;
    for (int k = first; k < first + count; ++k)
        batch.records.push_back({kFirstTime + k * 10.0, {double(k)}});
    TarnSim::queueBatch(batch);
    QTRY_COMPARE(TarnSim::pendingBatches(), size_t(0));
}

// The colours of the curves on the plot, in slot order.
QList<QColor> pensOf(QwtScope *plot)
{
    QList<QColor> colours;
    for (const QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve))
        colours << static_cast<const QwtPlotCurve *>(item)->pen().color();
    return colours;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QStringList loadSetup(TarnPlugin_Scope *scope, const QString &path)
{
    auto *load = scope->findChild<QAction *>("ScopeAction_LoadSetup");
    return ScopeTest::runAnswering([load] { load->trigger(); }, path);
}

double lastShown(QwtPlotCurve *curve)
{
    return curve->sample(curve->dataSize() - 1).y();
}

// A bare plot, active and focused, with time 0..1000 ms and `curves` curves over 0..500 ms;
// its tools are its child.
std::unique_ptr<QwtScope> toolPlot(int curves, QSize size = QSize(800, 600))
{
    auto plot = std::make_unique<QwtScope>();
    plot->setFixedSize(size);
    plot->setXScale(0.0, 1000.0, 100.0);
    for (int slot = 0; slot < curves; ++slot) {
        CurveBinding binding;
        binding.slot = slot;
        binding.unit = "deg";
        plot->addCurve(slot, QStringLiteral("J%1 position").arg(slot + 1), binding);
        double lo = 0.0, hi = 0.0;
        plot->setCurveSamples(slot, {0.0, 500.0}, {double(slot), 2.0 * slot}, lo, hi);
    }
    new ScopeContextMenu(plot.get(), plot.get());
    plot->show();
    QApplication::setActiveWindow(plot.get());
    if (!QTest::qWaitForWindowActive(plot.get()))
        return nullptr;
    plot->canvas()->setFocus();
    plot->replot();
    return plot;
}

ScopeContextMenu *toolsOf(QwtScope *plot)
{
    return plot->findChild<ScopeContextMenu *>();
}

// The offscreen platform makes no drags of QTest's mouse: events go directly. Presses and
// releases are of the left button; `held` says whether it is down during a move.
void mouse(QWidget *canvas, QEvent::Type type, QPoint pos, bool held = false)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, canvas->mapToGlobal(pos), button,
                      held || type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &event);
}

} // namespace

class tst_OperatorTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName("TarnScopeTest");
        QCoreApplication::setApplicationName("tst_operatortools");
    }

    void init()
    {
        QSettings().clear();
        TarnSim::reset();
        TarnSim::setScripted(true);
    }

    // Kept when the widget goes, brought back by the next one: channels and the colours they
    // were shown in (where a new scope would draw others), period, trigger, view.
    void setupComesBack()
    {
        QList<QColor> shown;
        {
            TarnPlugin_Scope first;
            first.setPersistSetup(true);
            child<QLineEdit>(&first, "ScopePlugin_edit_PeriodTime")->setText("2500");
            selectTargetAcs(&first, {AXIS_J1, AXIS_J2});
            QVERIFY(first.addDerivedChannel("diff", R"("J1 Target ACS" - "J2 Target ACS")", "deg"));
            shown = pensOf(plotOf(&first));
            child<QComboBox>(&first, "Kvel_Scope_cmb_TriggerSel")->setCurrentIndex(1);
            child<QComboBox>(&first, "Kvel_Scope_cmb_TriggerCondition")->setCurrentIndex(1);
            child<QLineEdit>(&first, "Kvel_Scope_edit_TriggerThreshold")->setText("1.5");
            child<QAbstractButton>(&first, "cb_Trigger")->click();
            first.setStripView(true);
            first.setWallClockTime(true);
            first.findChild<XyView *>()->setChoices({"J2 Target ACS", "diff", true});
            first.findChild<SpectrumView *>()->setChoices(
                {"diff", SpectrumWindow::Hann, SpectrumScale::Decibel});
        }
        TarnPlugin_Scope scope;
        QwtScope *plot = plotOf(&scope);
        QVERIFY(plot->itemList(QwtPlotItem::Rtti_PlotCurve).isEmpty());
        scope.setProperty("persistSetup", true);
        QCOMPARE(shown.size(), 3);
        QCOMPARE(pensOf(plot), shown);
        QCOMPARE(plot->xRange(), 2500.0);
        QVERIFY(scope.isStripView());
        QVERIFY(scope.property("wallClockTime").toBool());
        QVERIFY(scope.findChild<QAction *>("ScopeAction_WallClockTime")->isChecked());
        QCOMPARE(child<QComboBox>(&scope, "Kvel_Scope_cmb_TriggerSel")->currentIndex(), 1);
        QCOMPARE(child<QComboBox>(&scope, "Kvel_Scope_cmb_TriggerCondition")->currentText(), "<");
        QCOMPARE(child<QLineEdit>(&scope, "Kvel_Scope_edit_TriggerThreshold")->text(), "1.5");
        QVERIFY(child<QAbstractButton>(&scope, "cb_Trigger")->isChecked());
        QCOMPARE(scope.derivedChannels(), QStringList{"diff"});
        QCOMPARE(scope.channels().last(), QString("diff"));
        const XyView::Choices xy = scope.findChild<XyView *>()->choices();
        QVERIFY(xy.x == "J2 Target ACS" && xy.y == "diff" && xy.equalScales);
        const SpectrumView::Choices spectrum = scope.findChild<SpectrumView *>()->choices();
        QVERIFY(spectrum.curve == "diff" && spectrum.window == SpectrumWindow::Hann &&
                spectrum.scale == SpectrumScale::Decibel);
    }

    // Threshold and delay come back exactly, whichever locale typed them and whichever loads
    // them: a set-up holds them as code writes them, with a point. Older set-ups hold the
    // field's text as it was typed: it reads as typing does, an empty threshold is 0 as it
    // was, and text that does not read is named and changes nothing.
    void setupNumbersComeBack_data()
    {
        QTest::addColumn<bool>("older"); // the texts stored by an older scope, not typed
        QTest::addColumn<QLocale>("typedIn");
        QTest::addColumn<QLocale>("loadedIn");
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<double>("thresholdRead");
        QTest::addColumn<QString>("delayRead"); // as code reads it; empty for none
        QTest::addColumn<QString>("skipped");   // empty when all of it was taken
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale french(QLocale::French, QLocale::France);
        const auto row = [](const char *name, bool older, const QLocale &typedIn,
                            const QLocale &loadedIn, const char *threshold, const char *delay,
                            double thresholdRead, const char *delayRead, const char *skipped = "") {
            QTest::newRow(name) << older << typedIn << loadedIn << QString(threshold)
                                << QString(delay) << thresholdRead << QString(delayRead)
                                << QString(skipped);
        };
        row("German to English", false, german, english, "40,5", "-2,5", 40.5, "-2.5");
        row("French to German", false, french, german, "0,1", "", 0.1, "");
        row("English to French", false, english, french, "-1e-7", "1000", -1e-7, "1000");
        row("older, empty fields", true, english, english, "", "", 0.0, "");
        row("older, decimal comma in German", true, german, german, "12,5", "-3,25", 12.5, "-3.25");
        // Where the comma groups thousands it is named, never read as 12.5 or 125.
        row("older, comma in English", true, english, english, "12,5", "-3", 9.0, "-3",
            "trigger threshold \"12,5\"");
        row("older, no numbers", true, german, german, "abc", "1.000,5", 9.0, "4",
            "trigger threshold \"abc\"; trigger delay \"1.000,5\"");
    }
    void setupNumbersComeBack()
    {
        QFETCH(bool, older);
        QFETCH(QString, threshold);
        QFETCH(QString, delay);
        QFETCH(QString, skipped);
        if (older) {
            ScopeSetup setup;
            setup.triggerThreshold = threshold;
            setup.triggerDelay = delay;
            QSettings().setValue("TarnScope/numbers/setup", QString::fromUtf8(setup.toJson()));
        } else {
            TarnPlugin_Scope first;
            first.setObjectName("numbers");
            QFETCH(QLocale, typedIn);
            first.setLocale(typedIn);
            first.setPersistSetup(true);
            child<QLineEdit>(&first, "Kvel_Scope_edit_TriggerThreshold")->setText(threshold);
            child<QLineEdit>(&first, "Kvel_Scope_edit_TriggerDelay")->setText(delay);
        }
        TarnPlugin_Scope scope;
        scope.setObjectName("numbers");
        QFETCH(QLocale, loadedIn);
        scope.setLocale(loadedIn);
        scope.setTriggerThreshold(9.0);
        scope.setTriggerDelay("4");
        if (!skipped.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable("TarnPlugin_Scope: remembered set-up "
                                                          "restored in part; skipped: " +
                                                          skipped));
        scope.setPersistSetup(true);
        QFETCH(double, thresholdRead);
        QVERIFY(scope.triggerThreshold() == thresholdRead);
        QTEST(scope.triggerDelay(), "delayRead");
    }

    // A remembered set-up over the channel limit (an older scope's) comes back without a
    // box that no one may be there to answer: what fits stays, the rest is said in the log,
    // and only a set-up the scope can record is remembered again.
    void rememberedSetupOverTheLimit()
    {
        using namespace ScopeTest;
        {
            TarnPlugin_Scope source;
            checkComponents(&source,
                            {AXIS_CurFSM, AXIS_J1, AXIS_J2, AXIS_J3, AXIS_J4, AXIS_J5, AXIS_J6});
            checkLinks(&source, {LINK_TargetACS, LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO,
                                 LINK_ActPosPDO, LINK_TargetCur});
            ScopeSetup setup;
            setup.components = dialogOf(&source)->checkedIds(QScopeSetting::Tree::Components);
            setup.links = dialogOf(&source)->checkedIds(QScopeSetting::Tree::Links);
            QSettings().setValue("TarnScope/crowded/setup", QString::fromUtf8(setup.toJson()));
        }
        {
            TarnPlugin_Scope scope;
            scope.setObjectName("crowded");
            ModalDialogAnswerer answerer;
            answerer.start();
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("restored in part; skipped: the channels: 37"));
            scope.setPersistSetup(true);
            QCOMPARE(answerer.messages(), QStringList());
            QVERIFY(scope.channels().isEmpty());
            scope.setPeriod(1234);
            QVERIFY(scope.setChannels({"J1 Target ACS"}));
            checkComponents(&scope, {AXIS_J2, AXIS_J3, AXIS_J4, AXIS_J5, AXIS_J6, AXIS_CurFSM});
            checkLinks(&scope, {LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO, LINK_ActPosPDO,
                                LINK_TargetCur});
            scope.setPeriod(4321);
        }
        const QString remembered = QSettings().value("TarnScope/crowded/setup").toString();
        QVERIFY(remembered.contains("1234") && !remembered.contains("4321"));
    }

    // The colours the channels were shown in come back with a set-up saved to a file.
    void setupFileKeepsChannelColours()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("setup.json");
        QList<QColor> shown;
        {
            TarnPlugin_Scope first;
            selectTargetAcs(&first, {AXIS_J1, AXIS_J2});
            shown = pensOf(plotOf(&first));
            auto *save = first.findChild<QAction *>("ScopeAction_SaveSetup");
            ScopeTest::runAnswering([save] { save->trigger(); }, path);
        }
        TarnPlugin_Scope scope;
        QCOMPARE(loadSetup(&scope, path), QStringList());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(pensOf(plotOf(&scope)), shown);
    }

    // A set-up saved before channel colours were kept loads as it did, and says nothing of
    // colours: a channel on the plot keeps its colour, a new one differs from it.
    void olderSetupWithoutColoursLoads()
    {
        TarnPlugin_Scope scope;
        selectTargetAcs(&scope, {AXIS_J2});
        QwtScope *plot = plotOf(&scope);
        const QColor j2 = plot->curve(0)->pen().color();
        ScopeSetup setup;
        setup.components = {AXIS_J1, AXIS_J2};
        setup.links = {LINK_TargetACS};
        QJsonObject older = QJsonDocument::fromJson(setup.toJson()).object();
        QVERIFY(older.contains("colours"));
        older.remove("colours");
        QTemporaryDir dir;
        writeFile(dir.filePath("older.json"), QJsonDocument(older).toJson());
        QCOMPARE(loadSetup(&scope, dir.filePath("older.json")), QStringList());
        QCOMPARE(plot->curve(1)->title().text(), QString("J2 Target ACS"));
        QCOMPARE(plot->curve(1)->pen().color(), j2);
        QVERIFY(deltaE76(plot->curve(0)->pen().color(), j2) >= kMinCurveDeltaE);
    }

    // A channel keeps its colour when its slot moves, and a file's curves take the colours
    // their channels had live, whichever slots they hold now.
    void importedCurvesTakeTheirChannelsColours()
    {
        QTemporaryDir dir;
        TarnPlugin_Scope scope;
        scope.show();
        selectTargetAcs(&scope, {AXIS_J1, AXIS_J2});
        record(&scope, 0, 3);
        scope.stop();
        QwtScope *plot = plotOf(&scope);
        const QList<QColor> live = pensOf(plot);
        QVERIFY(scope.exportToFile(dir.filePath("run.csv")));
        selectTargetAcs(&scope, {AXIS_J2, AXIS_J3});
        QCOMPARE(plot->curve(0)->title().text(), QString("J2 Target ACS"));
        QCOMPARE(plot->curve(0)->pen().color(), live.at(1));
        QVERIFY(scope.importFromFile(dir.filePath("run.csv")));
        QCOMPARE(pensOf(plot), live);
    }

    // Two unnamed scopes never share a remembered set-up: the second is told, and the first
    // one's set-up is what comes back.
    void unnamedScopesDoNotShareASetup()
    {
        auto first = std::make_unique<TarnPlugin_Scope>();
        first->setPersistSetup(true);
        selectTargetAcs(first.get(), {AXIS_J1});
        auto second = std::make_unique<TarnPlugin_Scope>();
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("second scope without an objectName"));
        second->setPersistSetup(true);
        selectTargetAcs(second.get(), {AXIS_J1, AXIS_J2, AXIS_J3});
        first.reset();
        second.reset();

        TarnPlugin_Scope scope;
        scope.setPersistSetup(true);
        QCOMPARE(plotOf(&scope)->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
    }

    void setupFromElsewhere_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("links"); // the link rows taken; "-" when it is no set-up
        QTest::addColumn<QString>("skipped");
        const auto links = [](int version, const char *rows) {
            return QString(R"({"format":"tarn-scope-setup","version":%1,"links":[%2]})")
                .arg(version)
                .arg(rows)
                .toUtf8();
        };
        QTest::newRow("unknown link id")
            << links(1, R"({"id":1,"name":"Target ACS"},{"id":99,"name":"Gripper"})") << "1"
            << R"(link "Gripper" (id 99))";
        QTest::newRow("no set-up") << QByteArray(R"({"time":1})") << "-"
                                   << "not a scope set-up";
        const auto colours = [](const char *field) {
            return QString(R"({"format":"tarn-scope-setup","version":1,"colours":%1})")
                .arg(field)
                .toUtf8();
        };
        QTest::newRow("a colour that is none")
            << colours("{\"J1 Target ACS\":\"#12345\",\"J2 Target ACS\":\"#123456\"}") << ""
            << "the colour of J1 Target ACS";
        QTest::newRow("colours that are no list of channels") << colours("[\"#123456\"]") << ""
                                                              << "the channel colours";
    }

    void setupFromElsewhere()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, skipped);
        ScopeSetup setup;
        QStringList why;
        QStringList links;
        const bool read = ScopeSetup::fromJson(json, setup, why);
        for (int id : setup.links)
            links << QString::number(id);
        QTEST(read ? links.join(' ') : QString("-"), "links");
        QVERIFY2(why.join("; ").contains(skipped), qPrintable(why.join("; ")));
    }

    // Cursors stay on their moments while the live view scrolls under them; a frozen view keeps
    // what it shows while recording goes on, and Stop shows all of it.
    void liveViewScrollsUnderTheCursorsAndFreezes()
    {
        TarnPlugin_Scope scope;
        scope.show(); // a hidden scope draws nothing while it samples
        child<QLineEdit>(&scope, "ScopePlugin_edit_PeriodTime")->setText("200");
        selectTargetAcs(&scope, {AXIS_J1});
        record(&scope, 0, 30);
        QwtScope *plot = plotOf(&scope);
        QTRY_VERIFY(plot->timeOrigin() > kFirstTime);
        const double origin = plot->timeOrigin();
        MeasurementCursors *cursors = scope.findChild<ScopeContextMenu *>()->cursors();
        cursors->place(0, 150.0);
        QCOMPARE(cursors->reading().curves.at(0).value1, (origin + 150.0 - kFirstTime) / 10);
        record(&scope, 30, 5);
        QTRY_VERIFY(plot->timeOrigin() > origin);
        QCOMPARE(cursors->shownTime(0), 150.0 - (plot->timeOrigin() - origin));
        QCOMPARE(cursors->reading().curves.at(0).value1, (origin + 150.0 - kFirstTime) / 10);

        QTRY_COMPARE(lastShown(plot->curve(0)), 34.0);
        scope.setViewFrozen(true);
        record(&scope, 35, 5);
        QTest::qWait(1000); // more than two refreshes of the live view
        QCOMPARE(lastShown(plot->curve(0)), 34.0);
        child<QAbstractButton>(&scope, "ScopePlugin_btn_StopScope")->click();
        QVERIFY(!scope.isViewFrozen());
        QCOMPARE(lastShown(plot->curve(0)), 39.0);
    }

    // After a click on the plot the host's Save and Copy still fire (no ambiguous overload
    // with the plot's tools), and the plot keeps its plain keys.
    void hostKeepsItsStandardShortcuts()
    {
        QMainWindow window;
        auto *scope = new TarnPlugin_Scope(&window);
        window.setCentralWidget(scope);
        QStringList fired;
        for (const QKeySequence &keys :
             {QKeySequence(QKeySequence::Save), QKeySequence(QKeySequence::Copy)}) {
            auto *action = new QAction(keys.toString(), &window);
            action->setShortcut(keys);
            connect(action, &QAction::triggered, [&fired, keys] { fired << keys.toString(); });
            window.addAction(action);
        }
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget *canvas = plotOf(scope)->canvas();
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, canvas->rect().center());
        QTRY_COMPARE(QApplication::focusWidget(), canvas);

        QTest::keyClick(canvas, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(canvas, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(fired, (QStringList{QKeySequence(QKeySequence::Save).toString(),
                                     QKeySequence(QKeySequence::Copy).toString()}));
        QTest::keyClick(canvas, Qt::Key_1);
        QVERIFY(scope->findChild<ScopeContextMenu *>()->cursors()->isPlaced(0));
    }

    void readoutStaysWhereItIsPut_data()
    {
        QTest::addColumn<QPoint>("move");
        QTest::newRow("a little right and down") << QPoint(150, 90);
        QTest::newRow("far past the bottom-right corner") << QPoint(2000, 2000);
    }

    // 27 curves: the read-out stays a part of the canvas. Dragged, it stays where it was put
    // (and the zoomer does not take the drag); a smaller plot keeps it whole inside, and
    // back at the old size it is where it was. Saved images show it.
    void readoutStaysWhereItIsPut()
    {
        auto plot = toolPlot(27);
        QVERIFY(plot);
        QWidget *canvas = plot->canvas();
        MeasurementCursors *cursors = toolsOf(plot.get())->cursors();
        cursors->place(0, 100.0);
        cursors->place(1, 400.0);
        const QRect before = cursors->readoutRect();
        QVERIFY(!before.isEmpty());
        QVERIFY(before.height() <= canvas->contentsRect().height() / 2);
        QVERIFY(cursors->readoutText().contains(" more "));

        QFETCH(QPoint, move);
        mouse(canvas, QEvent::MouseButtonPress, before.center());
        mouse(canvas, QEvent::MouseMove, before.center() + move, true);
        mouse(canvas, QEvent::MouseButtonRelease, before.center() + move);
        QCOMPARE(plot->zoomer()->zoomRectIndex(), 0u);
        const QRect moved = cursors->readoutRect();
        const QRect area = canvas->contentsRect().adjusted(8, 8, -8, -8);
        QVERIFY(area.contains(moved));
        const QPoint expected(
            qBound(area.left(), before.left() + move.x(), area.right() + 1 - moved.width()),
            qBound(area.top(), before.top() + move.y(), area.bottom() + 1 - moved.height()));
        QVERIFY((moved.topLeft() - expected).manhattanLength() <= 2);

        plot->setFixedSize(560, 420);
        QCoreApplication::processEvents();
        plot->replot();
        QVERIFY(canvas->contentsRect().contains(cursors->readoutRect()));
        plot->setFixedSize(800, 600);
        QCoreApplication::processEvents();
        plot->replot();
        QCOMPARE(cursors->readoutRect(), moved);

        const QImage shown = PlotImage::render(plot.get());
        cursors->remove();
        const QImage plain = PlotImage::render(plot.get());
        const QRect inImage = moved.translated(canvas->pos());
        QVERIFY(shown.copy(inImage) != plain.copy(inImage));
    }

    void offScreenMark_data()
    {
        QTest::addColumn<double>("placed");
        QTest::addColumn<double>("scrolled"); // how far the time origin moves on afterwards
        QTest::addColumn<QString>("edge");
        QTest::newRow("in view") << 500.0 << 0.0 << "";
        QTest::newRow("before the shown range") << -40.0 << 0.0 << "left";
        QTest::newRow("after the shown range") << 1200.0 << 0.0 << "right";
        QTest::newRow("left behind by the live view") << 100.0 << 8557.5 << "left";
    }

    // A cursor outside the shown time range leaves a mark with its name at that edge.
    void offScreenMark()
    {
        QFETCH(double, placed);
        QFETCH(double, scrolled);
        auto plot = toolPlot(1);
        QVERIFY(plot);
        MeasurementCursors *cursors = toolsOf(plot.get())->cursors();
        plot->curve(0)->setVisible(false); // only the cursor draws in its colour
        cursors->place(1, placed);
        plot->setTimeOrigin(plot->timeOrigin() + scrolled);
        plot->replot();
        const QImage image = PlotImage::render(plot.get()).convertToFormat(QImage::Format_RGB32);
        const QRect canvas = plot->canvas()->geometry();
        const auto marked = [&](int x) { // a 20-pixel strip of the canvas
            const QImage strip = image.copy(x, canvas.top(), 20, canvas.height());
            const auto *pixels = reinterpret_cast<const QRgb *>(strip.constBits());
            return std::count(pixels, pixels + 20 * strip.height(), qRgb(0, 84, 166)) > 10;
        };
        QTEST(QString(marked(canvas.left() + 1)     ? "left"
                      : marked(canvas.right() - 20) ? "right"
                                                    : ""),
              "edge");
    }

    void cursorKeysOnlyOverTheCanvas_data()
    {
        QTest::addColumn<QString>("mouse");
        QTest::addColumn<bool>("placed");
        QTest::newRow("over the canvas") << "over" << true;
        QTest::newRow("never over the canvas") << "" << false;
        QTest::newRow("left the canvas") << "over, leave" << false;
        QTest::newRow("dragged past the right edge") << "over, drag out" << false;
    }

    // Key 2 puts cursor 2 at the mouse over the canvas, and nowhere when the mouse is not.
    void cursorKeysOnlyOverTheCanvas()
    {
        auto plot = toolPlot(1);
        QVERIFY(plot);
        QWidget *canvas = plot->canvas();
        const QPoint over(400, 200);
        QFETCH(QString, mouse);
        if (mouse.contains("over")) {
            QEnterEvent enter(over, over, canvas->mapToGlobal(over));
            QCoreApplication::sendEvent(canvas, &enter);
            ::mouse(canvas, QEvent::MouseMove, over);
        }
        if (mouse.contains("leave")) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(canvas, &leave);
        }
        if (mouse.contains("drag out")) {
            ::mouse(canvas, QEvent::MouseButtonPress, over);
            ::mouse(canvas, QEvent::MouseMove, QPoint(canvas->width() + 40, 210), true);
        }
        QTest::keyClick(canvas, Qt::Key_2);
        MeasurementCursors *cursors = toolsOf(plot.get())->cursors();
        QTEST(cursors->isPlaced(1), "placed");
        if (cursors->isPlaced(1))
            QVERIFY(std::abs(cursors->shownTime(1) -
                             plot->canvasMap(QwtPlot::xBottom).invTransform(over.x())) < 1e-9);
    }

    // The statistics open with every column in view, and keep the size the operator gives
    // them for the next showing.
    void statisticsShowAllColumnsAndKeepTheirSize()
    {
        auto plot = toolPlot(6);
        QVERIFY(plot);
        CurveStatisticsTable *statistics = toolsOf(plot.get())->statistics();
        statistics->showFor(plot.get());
        QVERIFY(QTest::qWaitForWindowExposed(statistics));
        auto *table = statistics->findChild<QTableWidget *>("ScopeStatisticsTable");
        QVERIFY(table->horizontalHeader()->length() <= table->viewport()->width());
        QVERIFY(table->verticalHeader()->length() <= table->viewport()->height());

        const QSize operators = statistics->size() + QSize(-40, 60);
        statistics->resize(operators);
        statistics->close();
        statistics->showFor(plot.get());
        QCOMPARE(statistics->size(), operators);
    }
};

QTEST_MAIN(tst_OperatorTools)
#include "tst_operatortools.moc"
