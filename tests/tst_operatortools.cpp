#include "MeasurementCursors.h"
#include "ScopeContextMenu.h"
#include "ScopeSetupFile.h"
#include "ScopeTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QSettings>

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

double lastShown(QwtPlotCurve *curve)
{
    return curve->sample(curve->dataSize() - 1).y();
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

    // Kept when the widget goes, brought back by the next one: channels, period, trigger, view.
    void setupComesBack()
    {
        {
            TarnPlugin_Scope first;
            first.setPersistSetup(true);
            child<QLineEdit>(&first, "ScopePlugin_edit_PeriodTime")->setText("2500");
            selectTargetAcs(&first, {AXIS_J1, AXIS_J2});
            child<QComboBox>(&first, "Kvel_Scope_cmb_TriggerSel")->setCurrentIndex(1);
            child<QComboBox>(&first, "Kvel_Scope_cmb_TriggerCondition")->setCurrentIndex(1);
            child<QLineEdit>(&first, "Kvel_Scope_edit_TriggerThreshold")->setText("1.5");
            child<QAbstractButton>(&first, "cb_Trigger")->click();
            first.setStripView(true);
        }
        TarnPlugin_Scope scope;
        QwtScope *plot = plotOf(&scope);
        QVERIFY(plot->itemList(QwtPlotItem::Rtti_PlotCurve).isEmpty());
        scope.setProperty("persistSetup", true);
        QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 2);
        QCOMPARE(plot->xRange(), 2500.0);
        QVERIFY(scope.isStripView());
        QCOMPARE(child<QComboBox>(&scope, "Kvel_Scope_cmb_TriggerSel")->currentIndex(), 1);
        QCOMPARE(child<QComboBox>(&scope, "Kvel_Scope_cmb_TriggerCondition")->currentText(), "<");
        QCOMPARE(child<QLineEdit>(&scope, "Kvel_Scope_edit_TriggerThreshold")->text(), "1.5");
        QVERIFY(child<QAbstractButton>(&scope, "cb_Trigger")->isChecked());
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
};

QTEST_MAIN(tst_OperatorTools)
#include "tst_operatortools.moc"
