#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"

#include <QPointer>
#include <QThread>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_scale_div.h>

#include <memory>

using namespace ScopeTest;

class tst_ScopeWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sixChannelsBindInOrder();
    void channelLimit_data();
    void channelLimit();
    void emptySelectionSendsEmptyList();
    void confirmingTwiceDoesNotDoubleTheTriggerList();
    void startBeforeAnyConfirmationFillsTheTriggerList();
    void rebindingWhileSamplingKeepsValuesWithTheirTimes();
    void batchReadWhileTheControllerTakesTheListIsDropped();

    void appendTrimsToTheWindow();
    void nullChannelGetsNoSamples();
    void valueAxisCentring_data();
    void valueAxisCentring();

    void periodEdit_data();
    void periodEdit();
    void periodEditRefusesASeventhDigit();

    void startAndStopSwitchButtonsAndKeepTheThread();
    void stopKeepsTheLastWindow();
    void hostStopsOnDisconnectByName();
    void startShowsCurvesHiddenThroughTheLegend();
    void settingDialogGeometry();

    void destroyWhileSampling();
    void destroyWhileTheControllerReadHangs();

private:
    void selectJointChannels(int joints, std::initializer_list<int> linkItems);
    QVector<double> yAxisRange() const;

    std::unique_ptr<TarnPlugin_Scope> m_scope;
};

void tst_ScopeWidget::initTestCase()
{
    // Offscreen fonts are large; with them the dialog could not shrink to the sizes the
    // widget asks for.
    QFont font = QApplication::font();
    font.setPixelSize(9);
    QApplication::setFont(font);
}

void tst_ScopeWidget::init()
{
    TarnSim::reset();
    TarnSim::setScripted(true);
    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->resize(1137, 620);
    m_scope->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_scope.get()));
}

void tst_ScopeWidget::cleanup()
{
    m_scope.reset();
}

void tst_ScopeWidget::selectJointChannels(int joints, std::initializer_list<int> linkItems)
{
    for (int j = 0; j < joints; ++j)
        checkComponents(m_scope.get(), {AXIS_J1 + j});
    checkLinks(m_scope.get(), linkItems);
}

QVector<double> tst_ScopeWidget::yAxisRange() const
{
    const QwtScaleDiv &div = plotOf(m_scope.get())->axisScaleDiv(QwtPlot::yLeft);
    return {div.lowerBound(), div.upperBound()};
}

void tst_ScopeWidget::sixChannelsBindInOrder()
{
    checkComponents(m_scope.get(), {AXIS_J1, AXIS_J2, AXIS_X, AXIS_CurFSM});
    checkLinks(m_scope.get(), {LINK_TargetACS, LINK_ActualCur});
    checkEndEffectors(m_scope.get(), {ENDEFF_TargetPCS});
    confirmSelection(m_scope.get());

    const QStringList titles{"J1 Target ACS", "J1 Actual Cur", "J2 Target ACS",
                             "J2 Actual Cur", "X Target PCS",  "CurFSM"};
    QCOMPARE(TarnSim::lastIndexes(), (std::vector<int>{43, 73, 44, 74, 19, 1}));
    QwtScope *plot = plotOf(m_scope.get());
    const QwtPlotItemList curves = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), titles.size());
    auto *list = child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel");
    QCOMPARE(list->count(), titles.size());
    for (int slot = 0; slot < titles.size(); ++slot) {
        QCOMPARE(curves[slot]->title().text(), titles[slot]);
        QCOMPARE(plot->curveBinding(slot).slot, slot);
        QCOMPARE(list->itemText(slot), titles[slot]);
        QCOMPARE(list->itemData(slot), QVariant(slot));
    }
    QCOMPARE(plot->curveBinding(1).unit, QString("CUR(A)"));
    QCOMPARE(plot->curveBinding(4).axis, 0);
    QCOMPARE(plot->curveBinding(4).endEffItem, int(ENDEFF_TargetPCS));
    QCOMPARE(plot->curveBinding(5).unit, QString("FSM"));
}

void tst_ScopeWidget::channelLimit_data()
{
    QTest::addColumn<bool>("extraChannel");
    QTest::addColumn<bool>("sampling");
    QTest::newRow("36 channels are accepted") << false << false;
    QTest::newRow("37 channels are refused") << true << false;
    QTest::newRow("37 channels are refused while sampling") << true << true;
}

void tst_ScopeWidget::channelLimit()
{
    QFETCH(bool, extraChannel);
    QFETCH(bool, sampling);
    checkComponents(m_scope.get(), {AXIS_CurFSM});
    confirmSelection(m_scope.get());
    QCOMPARE(TarnSim::lastIndexes(), std::vector<int>{1});
    if (sampling)
        start(m_scope.get());

    selectJointChannels(6, {LINK_TargetACS, LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO,
                            LINK_ActPosPDO, LINK_TargetCur});
    if (!extraChannel)
        checkRows(m_scope.get(), "Kvel_Scope_tree_SetComponent", {AXIS_CurFSM}, false);
    MessageBoxAnswer answer;
    if (extraChannel)
        answerNextMessageBox(&answer);
    confirmSelection(m_scope.get());

    auto *list = child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel");
    QwtScope *plot = plotOf(m_scope.get());
    if (!extraChannel) {
        QVERIFY(!answer.shown);
        QCOMPARE(TarnSim::lastIndexes().size(), std::size_t(36));
        QCOMPARE(list->count(), 36);
        QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 36);
        return;
    }
    QVERIFY(answer.shown);
    QCOMPARE(answer.title, QString::fromUtf8("当前设置通道超出最大通道数"));
    QCOMPARE(answer.text, QString::fromUtf8("当前设置通道数 37 ,超出最大通道数 36 !"));
    // A refused set-up changes nothing: list, curves and controller keep the last set-up.
    QCOMPARE(TarnSim::lastIndexes(), std::vector<int>{1});
    QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
    QCOMPARE(list->count(), 1);
    QCOMPARE(m_scope->isSampling(), sampling);
    if (!sampling) { // a refused Start leaves the scope stopped
        MessageBoxAnswer atStart;
        answerNextMessageBox(&atStart);
        start(m_scope.get());
        QVERIFY(atStart.shown);
        QVERIFY(!m_scope->isSampling());
        QCOMPARE(plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 1);
    }

    // The next accepted set-up fills the list again.
    checkRows(m_scope.get(), "Kvel_Scope_tree_SetComponent", {AXIS_CurFSM}, false);
    confirmSelection(m_scope.get());
    QCOMPARE(list->count(), 36);
}

void tst_ScopeWidget::emptySelectionSendsEmptyList()
{
    checkComponents(m_scope.get(), {AXIS_J1});
    checkLinks(m_scope.get(), {LINK_TargetACS});
    confirmSelection(m_scope.get());
    checkRows(m_scope.get(), "Kvel_Scope_tree_SetComponent", {AXIS_J1}, false);
    confirmSelection(m_scope.get());
    QCOMPARE(TarnSim::lastIndexes(), std::vector<int>{});
    QCOMPARE(TarnSim::callCounts().setScopeIndexs, uint64_t(2));
    QVERIFY(plotOf(m_scope.get())->hasNoData());
    QCOMPARE(plotOf(m_scope.get())->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 0);
}

void tst_ScopeWidget::confirmingTwiceDoesNotDoubleTheTriggerList()
{
    selectJointChannels(2, {LINK_TargetACS});
    confirmSelection(m_scope.get());
    confirmSelection(m_scope.get());
    auto *list = child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel");
    QCOMPARE(list->count(), 2);
    start(m_scope.get());
    stop(m_scope.get());
    start(m_scope.get());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(1), QString("J2 Target ACS"));
}

void tst_ScopeWidget::startBeforeAnyConfirmationFillsTheTriggerList()
{
    selectJointChannels(1, {LINK_ActualACS});
    start(m_scope.get());
    auto *list = child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->itemText(0), QString("J1 Actual ACS"));
    QCOMPARE(TarnSim::lastIndexes(), std::vector<int>{49});
}

// While a slow controller takes a new index list, the batches it still delivers carry the
// old order; none of them may land in the curves of the new set-up.
void tst_ScopeWidget::batchReadWhileTheControllerTakesTheListIsDropped()
{
    selectJointChannels(1, {LINK_TargetACS});
    start(m_scope.get());
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    QTRY_VERIFY(TarnSim::callCounts().readScopeData > reads);
    checkLinks(m_scope.get(), {LINK_ActualACS});
    TarnSim::delayNextIndexList(300);
    TarnSim::queueBatch(constantBatch({0, 1, 2}, 7.0)); // read during the delay
    confirmSelection(m_scope.get());
    QCOMPARE(TarnSim::pendingBatches(), std::size_t(0));
    stop(m_scope.get());
    QCOMPARE(plotOf(m_scope.get())->curve(0)->dataSize(), size_t(0));
}

// Every value carries its own time stamp; after the dialog is confirmed mid-run, each
// curve must still pair every value with the stamp it came with.
void tst_ScopeWidget::rebindingWhileSamplingKeepsValuesWithTheirTimes()
{
    auto stampedBatch = [](double first) {
        TarnSim::Batch batch;
        for (int i = 0; i < 20; ++i)
            batch.records.push_back(constantBatch({first + i}, first + i).records.front());
        return batch;
    };
    selectJointChannels(1, {LINK_TargetACS});
    double t = 0;
    for (int i = 0; i < 60; ++i, t += 20)
        TarnSim::queueBatch(stampedBatch(t));
    start(m_scope.get());
    for (int round = 0; round < 5; ++round) {
        QTest::qWait(37);
        checkLinks(m_scope.get(), {round % 2 ? LINK_ActualCur : LINK_ActualACS});
        confirmSelection(m_scope.get());
    }
    QVERIFY(waitForBatchesConsumed(10000));
    QwtScope *plot = plotOf(m_scope.get());
    QTRY_VERIFY(plot->curve(0)->dataSize() > 0);
    stop(m_scope.get());
    const QwtPlotItemList curves = plot->itemList(QwtPlotItem::Rtti_PlotCurve);
    QCOMPARE(curves.size(), 3);
    for (int slot = 0; slot < curves.size(); ++slot) {
        const QVector<double> x = curveX(plot->curve(slot));
        const QVector<double> y = curveY(plot->curve(slot));
        for (int i = 0; i < x.size(); ++i)
            QCOMPARE(y[i] - x[i], y[0] - x[0]);
    }
}

void tst_ScopeWidget::appendTrimsToTheWindow()
{
    selectJointChannels(1, {LINK_TargetACS});
    TarnSim::queueBatch(constantBatch({0, 4000, 8000}, 1.0));
    TarnSim::queueBatch(constantBatch({12000}, 2.0));
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QwtPlotCurve *curve = plotOf(m_scope.get())->curve(0);
    QTRY_COMPARE(curveX(curve), (QVector<double>{0, 4000, 8000}));
    QCOMPARE(curveY(curve), (QVector<double>{1, 1, 2}));
}

void tst_ScopeWidget::nullChannelGetsNoSamples()
{
    checkComponents(m_scope.get(), {AXIS_NULL, AXIS_CurFSM});
    TarnSim::queueBatch(constantBatch({10, 20, 30}, 7.0));
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QwtScope *plot = plotOf(m_scope.get());
    QTRY_COMPARE(plot->curve(1)->dataSize(), size_t(3));
    QCOMPARE(plot->curveBinding(0).scopeIndex, 0);
    QCOMPARE(plot->curve(0)->dataSize(), size_t(0));
    QCOMPARE(curveX(plot->curve(1)), (QVector<double>{0, 10, 20}));
}

void tst_ScopeWidget::valueAxisCentring_data()
{
    QTest::addColumn<bool>("nullFirst");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<QVector<double>>("range");

    QTest::newRow("no channel holds samples")
        << true << QVector<double>{} << QVector<double>{-0.01, 0.01};
    QTest::newRow("constant 5") << false << QVector<double>{5, 5, 5} << QVector<double>{4.99, 5.01};
    QTest::newRow("0 to 100") << false << QVector<double>{0, 50, 100}
                              << QVector<double>{-0.5, 100.5};
    QTest::newRow("first slot empty, others 20 to 30")
        << true << QVector<double>{20, 25, 30} << QVector<double>{-0.15, 30.15};
}

void tst_ScopeWidget::valueAxisCentring()
{
    QFETCH(bool, nullFirst);
    QFETCH(QVector<double>, values);
    QFETCH(QVector<double>, range);

    if (nullFirst)
        checkComponents(m_scope.get(), {AXIS_NULL});
    if (!values.isEmpty())
        checkComponents(m_scope.get(), {AXIS_CurFSM, AXIS_LastFSM, AXIS_CurMS});
    TarnSim::Batch batch;
    for (int i = 0; i < qMax(1, values.size()); ++i)
        batch.records.push_back(constantBatch({double(i)}, values.value(i)).records.front());
    TarnSim::queueBatch(batch);
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QTRY_VERIFY(qAbs(yAxisRange()[0] - range[0]) < 1e-9 && qAbs(yAxisRange()[1] - range[1]) < 1e-9);
}

void tst_ScopeWidget::periodEdit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("step");

    QTest::newRow("empty") << "" << 10 << 1;
    QTest::newRow("0") << "0" << 10 << 1;
    QTest::newRow("7") << "7" << 10 << 1;
    QTest::newRow("10") << "10" << 10 << 1;
    QTest::newRow("11") << "11" << 11 << 1;
    QTest::newRow("15 steps by 1") << "15" << 15 << 1;
    QTest::newRow("999999") << "999999" << 999999 << 99999;
}

void tst_ScopeWidget::periodEdit()
{
    QFETCH(QString, text);
    QFETCH(int, period);
    QFETCH(int, step);

    auto *edit = child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime");
    QCOMPARE(edit->text(), QString("10000"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QwtScope *plot = plotOf(m_scope.get());
    QCOMPARE(plot->xRange(), double(period));
    const QwtScaleDiv &div = plot->axisScaleDiv(QwtPlot::xBottom);
    QCOMPARE(div.upperBound(), double(period));
    QCOMPARE(plot->axisStepSize(QwtPlot::xBottom), double(step));
}

void tst_ScopeWidget::periodEditRefusesASeventhDigit()
{
    auto *edit = child<QLineEdit>(m_scope.get(), "ScopePlugin_edit_PeriodTime");
    edit->selectAll();
    QTest::keyClicks(edit, "1234567");
    QCOMPARE(edit->text(), QString("123456"));
    QTest::keyClicks(edit, "x");
    QCOMPARE(edit->text(), QString("123456"));
}

void tst_ScopeWidget::startAndStopSwitchButtonsAndKeepTheThread()
{
    QWidget *scope = m_scope.get();
    auto visible = [scope](const char *name) {
        return child(scope, name)->isVisibleTo(scope);
    };
    auto enabled = [scope](const char *name) {
        return child(scope, name)->isEnabled();
    };
    QVERIFY(visible("ScopePlugin_btn_StartScope") && !visible("ScopePlugin_btn_StopScope"));
    auto *thread = scope->findChild<QThread *>();
    QVERIFY(thread && !thread->isRunning());

    start(scope);
    QVERIFY(!visible("ScopePlugin_btn_StartScope") && visible("ScopePlugin_btn_StopScope"));
    QVERIFY(!enabled("ScopePlugin_btn_ImportScope") && !enabled("ScopePlugin_btn_ExportScope"));
    QVERIFY(m_scope->isSampling());
    QVERIFY(thread->isRunning());

    stop(scope);
    QVERIFY(visible("ScopePlugin_btn_StartScope") && !visible("ScopePlugin_btn_StopScope"));
    QVERIFY(enabled("ScopePlugin_btn_ImportScope") && enabled("ScopePlugin_btn_ExportScope"));
    QVERIFY(!m_scope->isSampling());
    QTest::qWait(20);
    QVERIFY(thread->isRunning());

    start(scope);
    QCOMPARE(scope->findChildren<QThread *>().size(), 1);
    QCOMPARE(scope->findChild<QThread *>(), thread);
}

// Stop hands the curves every buffered record, however recently it arrived, and then
// reads nothing more.
void tst_ScopeWidget::stopKeepsTheLastWindow()
{
    selectJointChannels(1, {LINK_TargetACS});
    for (int first : {0, 100}) {
        TarnSim::Batch batch;
        for (int t = first; t < first + 100; ++t)
            batch.records.push_back(record(t, {double(t)}));
        TarnSim::queueBatch(batch);
    }
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    QTRY_VERIFY(TarnSim::callCounts().readScopeData > reads); // the last batch is appended
    stop(m_scope.get());
    QwtPlotCurve *curve = plotOf(m_scope.get())->curve(0);
    QCOMPARE(curve->dataSize(), size_t(200));
    QCOMPARE(curve->sample(199), QPointF(199, 199));

    TarnSim::queueBatch(constantBatch({200, 201}, 3.0));
    QTest::qWait(200);
    QCOMPARE(curve->dataSize(), size_t(200));
    QCOMPARE(TarnSim::pendingBatches(), std::size_t(1)); // stopped: nothing is read
}

void tst_ScopeWidget::hostStopsOnDisconnectByName()
{
    start(m_scope.get());
    QVERIFY(m_scope->isSampling());
    QVERIFY(QMetaObject::invokeMethod(m_scope.get(), "slot_Disconnected2Mox"));
    QVERIFY(!m_scope->isSampling());
    QVERIFY(child(m_scope.get(), "ScopePlugin_btn_StartScope")->isVisibleTo(m_scope.get()));
}

void tst_ScopeWidget::startShowsCurvesHiddenThroughTheLegend()
{
    selectJointChannels(1, {LINK_TargetACS, LINK_ActualACS});
    confirmSelection(m_scope.get());
    QwtScope *plot = plotOf(m_scope.get());
    QwtPlotCurve *curve = plot->curve(1);
    auto *legend = m_scope->findChild<QwtLegend *>();
    QVERIFY(legend);
    auto *label = qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(curve)));
    QVERIFY(label);
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!curve->isVisible());
    QVERIFY(plot->curve(0)->isVisible());
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(curve->isVisible());

    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!curve->isVisible());
    start(m_scope.get());
    QVERIFY(plot->curve(1)->isVisible());
}

void tst_ScopeWidget::settingDialogGeometry()
{
    m_scope->setGeometry(40, 30, 1200, 900);
    click(m_scope.get(), "ScopePlugin_btn_Setting");
    QScopeSetting *dialog = dialogOf(m_scope.get());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->size(), QSize(600, 750));
    const QPoint p = m_scope->mapToGlobal(m_scope->pos());
    QCOMPARE(dialog->pos(), QPoint(300 + p.x(), 75 + p.y()));
    QVERIFY(!dialog->isModal());
}

void tst_ScopeWidget::destroyWhileSampling()
{
    TarnSim::setScripted(false);
    selectJointChannels(6, {LINK_TargetACS, LINK_ActualACS});
    start(m_scope.get());
    QTRY_VERIFY(TarnSim::callCounts().readScopeData > 3);
    QPointer<QThread> thread = m_scope->findChild<QThread *>();
    m_scope.reset();
    QVERIFY(thread.isNull());
}

void tst_ScopeWidget::destroyWhileTheControllerReadHangs()
{
    selectJointChannels(1, {LINK_TargetACS});
    TarnSim::queueBatch(constantBatch({0, 1}, 1.0));
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    const uint64_t reads = TarnSim::callCounts().readScopeData;
    TarnSim::queueBatch(constantBatch({2, 3}, 1.0)); // delivered after the widget is gone
    TarnSim::blockNextRead(1500);
    QTRY_VERIFY(TarnSim::callCounts().readScopeData > reads);

    QPointer<QThread> thread = m_scope->findChild<QThread *>();
    QElapsedTimer timer;
    timer.start();
    m_scope.reset();
    QVERIFY2(timer.elapsed() < 1000, "the destructor must not wait for the hanging read");
    QVERIFY(!thread.isNull());                       // abandoned, still inside the read
    QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 5000); // deletes itself once the read returns
}

QTEST_MAIN(tst_ScopeWidget)
#include "tst_scopewidget.moc"
