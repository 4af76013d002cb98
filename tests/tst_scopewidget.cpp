#include "MeasurementCursors.h"
#include "ScopeContextMenu.h"
#include "ScopeTestSupport.h"
#include "TriggerMark.h"
#include "TriggerSettings.h"
#include "Zoomer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QThread>
#include <QTranslator>
#include <QTreeView>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_textlabel.h>
#include <qwt_scale_div.h>

#include <cstring>

using namespace ScopeTest;

// The widget as an operator drives it: selection, sampling, trigger, status and period,
// against scripted controller batches.
class tst_ScopeWidget : public QObject
{
    Q_OBJECT

    std::unique_ptr<TarnPlugin_Scope> m_scope;

    QWidget *scope() const { return m_scope.get(); }
    QwtScope *plot() const { return plotOf(scope()); }
    QComboBox *triggerList() const
    {
        return child<QComboBox>(scope(), "Kvel_Scope_cmb_TriggerSel");
    }
    int curveCount() const { return plot()->itemList(QwtPlotItem::Rtti_PlotCurve).size(); }
    QString label(const char *name) const { return child<QLabel>(scope(), name)->text(); }
    void selectJoints(int joints, std::initializer_list<int> linkItems)
    {
        for (int j = 0; j < joints; ++j)
            checkComponents(scope(), {AXIS_J1 + j});
        checkLinks(scope(), linkItems);
    }
    static void waitForReads(uint64_t count)
    {
        QTRY_VERIFY_WITH_TIMEOUT(TarnSim::callCounts().readScopeData >= count, 3000);
    }
    static void waitForFlagReads(uint64_t count)
    {
        QTRY_VERIFY_WITH_TIMEOUT(TarnSim::callCounts().readRobotFlags >= count, 3000);
    }
    void armTrigger(int condition, const QString &threshold, int mode, bool absolute)
    {
        auto *radio = child<QRadioButton>(scope(), "cb_Trigger");
        if (!radio->isChecked())
            QTest::mouseClick(radio, Qt::LeftButton);
        child<QComboBox>(scope(), "Kvel_Scope_cmb_TriggerCondition")->setCurrentIndex(condition);
        child<QComboBox>(scope(), "Kvel_Scope_cmb_TriggerFS")->setCurrentIndex(mode);
        child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerThreshold")->setText(threshold);
        child<QCheckBox>(scope(), "cb_AbsoluteValue")->setChecked(absolute);
    }

    QwtInterval axisInterval(int axis) const { return plot()->axisScaleDiv(axis).interval(); }
    static int cursorX(QLineEdit *edit)
    {
        return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    }
    // The labels, buttons, fields and boxes an operator sees, where they are on the widget.
    static QVector<QPair<QString, QRect>> shownControls(QWidget *widget)
    {
        QVector<QPair<QString, QRect>> shown;
        for (QWidget *w : widget->findChildren<QWidget *>()) {
            const bool control = qobject_cast<QLabel *>(w) || qobject_cast<QPushButton *>(w) ||
                                 qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w) ||
                                 qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w);
            // A combo box's own field is part of the box.
            if (control && w->isVisibleTo(widget) && !qobject_cast<QComboBox *>(w->parentWidget()))
                shown.append({w->objectName(), QRect(w->mapTo(widget, QPoint()), w->size())});
        }
        return shown;
    }

    QString stateLine() const { return label("Kvel_Scope_lb_State"); }
    // The marks on the plot that show, as "label@time".
    QStringList shownMarks() const
    {
        QStringList marks;
        for (QwtPlotItem *item : plot()->itemList(QwtPlotItem::Rtti_PlotMarker)) {
            const auto *mark = static_cast<QwtPlotMarker *>(item);
            if (mark->isVisible())
                marks << QString("%1@%2").arg(mark->label().text()).arg(mark->xValue());
        }
        return marks;
    }
    // A batch of one record: value k at record position k.
    static TarnSim::Batch positions(double time, std::initializer_list<double> values)
    {
        TarnSim::Batch b;
        b.records.push_back(record(time, 0.0));
        std::copy(values.begin(), values.end(), b.records.back().dValue);
        return b;
    }
    // Presses Start and gives any question it asks this answer; returns the questions.
    QStringList startAnswering(QMessageBox::StandardButton answer)
    {
        QStringList asked;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            asked << box->text();
            if (QAbstractButton *button = box->button(answer))
                button->click();
            else
                box->reject();
        });
        poll.start(10);
        start(scope());
        return asked;
    }
    // A recording of J1 Target ACS over 0..99 ms that "Stop when Error" ends.
    void recordUntilRobotError()
    {
        QTest::mouseClick(child<QCheckBox>(scope(), "cb_StopWhenError"), Qt::LeftButton);
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(stampedBatch(0, 100));
        QVERIFY(waitForBatchesConsumed());
        TarnSim::setErrorFlag(true);
        QTRY_VERIFY_WITH_TIMEOUT(!m_scope->isSampling(), 5000);
    }

private slots:
    void init() { m_scope = freshScope(); }
    void cleanup()
    {
        m_scope.reset();
        qDeleteAll(qApp->findChildren<QTranslator *>()); // each takes itself out as it goes
    }

    void channelsBindInOrder()
    {
        checkComponents(scope(), {AXIS_J1, AXIS_J2, AXIS_X, AXIS_CurFSM});
        checkLinks(scope(), {LINK_TargetACS, LINK_ActualCur});
        checkRows(scope(), "Kvel_Scope_tree_SetEndEffector", {ENDEFF_TargetPCS});
        confirmSelection(scope());
        confirmSelection(scope()); // a second confirmation does not double the list
        start(scope());

        const QStringList titles{"J1 Target ACS", "J1 Actual Cur", "J2 Target ACS",
                                 "J2 Actual Cur", "X Target PCS",  "CurFSM"};
        QTRY_COMPARE(TarnSim::lastIndexes(), (std::vector<int>{43, 73, 44, 74, 19, 1}));
        QCOMPARE(curveCount(), titles.size());
        QCOMPARE(triggerList()->count(), titles.size());
        for (int slot = 0; slot < titles.size(); ++slot) {
            QCOMPARE(plot()->curve(slot)->title().text(), titles[slot]);
            QCOMPARE(triggerList()->itemText(slot), titles[slot]);
            QCOMPARE(triggerList()->itemData(slot), QVariant(slot));
        }
        QCOMPARE(plot()->curveBinding(1).unit, QString("CUR(A)"));
        QCOMPARE(plot()->curveBinding(4).endEffItem, int(ENDEFF_TargetPCS));
    }

    // Start without a confirmation uses the checked rows, a set-up confirmed while sampling
    // goes to the controller at once. A stopped scope leaves the controller alone, and a
    // Start with nothing chosen is refused with a word, sending nothing.
    void selectionReachesTheControllerAtStartAndAtConfirmation()
    {
        selectJoints(1, {LINK_ActualACS});
        start(scope());
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{49});
        checkLinks(scope(), {LINK_TargetACS});
        confirmSelection(scope());
        QTRY_COMPARE(TarnSim::lastIndexes(), (std::vector<int>{43, 49}));
        checkRows(scope(), "Kvel_Scope_tree_SetLink", {LINK_TargetACS}, false);
        confirmSelection(scope());
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{49});
        stop(scope());
        start(scope()); // a restart does not add to the list
        QCOMPARE(triggerList()->count(), 1);
        stop(scope());
        checkComponents(scope(), {AXIS_J1}, false);
        const uint64_t lists = TarnSim::callCounts().setScopeIndexs;
        confirmSelection(scope());
        QTest::qWait(120);
        QCOMPARE(TarnSim::callCounts().setScopeIndexs, lists);
        const QStringList asked = startAnswering(QMessageBox::Ok);
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked.first().contains("No channel is chosen"), qPrintable(asked.first()));
        QVERIFY(!m_scope->isSampling());
        QTest::qWait(120);
        QCOMPARE(TarnSim::callCounts().setScopeIndexs, lists);
        QCOMPARE(curveCount(), 0);
        QCOMPARE(triggerList()->count(), 1);
        QCOMPARE(triggerList()->currentText(), QString("J1 Actual ACS (not recorded)"));
    }

    void channelLimit_data()
    {
        QTest::addColumn<bool>("extraChannel");
        QTest::addColumn<bool>("sampling");
        QTest::newRow("36 channels are accepted") << false << false;
        QTest::newRow("37 channels are refused") << true << false;
        QTest::newRow("37 channels are refused while sampling") << true << true;
    }
    void channelLimit()
    {
        QFETCH(bool, extraChannel);
        QFETCH(bool, sampling);
        checkComponents(scope(), {AXIS_CurFSM});
        confirmSelection(scope());
        if (sampling) {
            start(scope());
            QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{1});
        }
        selectJoints(6, {LINK_TargetACS, LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO,
                         LINK_ActPosPDO, LINK_TargetCur});
        if (!extraChannel)
            checkComponents(scope(), {AXIS_CurFSM}, false);
        const QStringList messages = clickAnswering(dialogOf(scope()), "Kvel_Scope_btn_SetOK");
        if (!extraChannel) { // CurFSM, chosen before, stays listed as not recorded
            QVERIFY(messages.isEmpty());
            start(scope());
            QTRY_COMPARE(TarnSim::lastIndexes().size(), std::size_t(36));
            QCOMPARE(triggerList()->count(), 37);
            QCOMPARE(triggerList()->currentText(), QString("CurFSM (not recorded)"));
            QCOMPARE(curveCount(), 36);
            return;
        }
        QCOMPARE(messages,
                 QStringList(QString::fromUtf8(
                     "当前设置通道超出最大通道数: 当前设置通道数 37 ,超出最大通道数 36 !")));
        // A refused set-up changes nothing.
        if (sampling)
            QCOMPARE(TarnSim::lastIndexes(), std::vector<int>{1});
        QCOMPARE(curveCount(), 1);
        QCOMPARE(triggerList()->count(), 1);
        QCOMPARE(m_scope->isSampling(), sampling);
        if (!sampling) { // a refused Start leaves the scope stopped
            QCOMPARE(clickAnswering(scope(), "ScopePlugin_btn_StartScope").size(), 1);
            QVERIFY(!m_scope->isSampling());
            QCOMPARE(curveCount(), 1);
        }
    }

    void translatedTexts_data()
    {
        QTest::addColumn<QString>("locale"); // empty: none asked for
        QTest::addColumn<bool>("english");
        QTest::newRow("no translation: the source texts") << QString() << false;
        QTest::newRow("en_GB installs the English texts") << "en_GB" << true;
        QTest::newRow("en_US installs the English texts") << "en_US" << true;
        QTest::newRow("de_DE has none: the source texts stay") << "de_DE" << false;
        QTest::newRow("zh_CN has none: the source texts stay") << "zh_CN" << false;
    }
    void translatedTexts()
    {
        QFETCH(QString, locale);
        QFETCH(bool, english);
        if (!locale.isEmpty())
            QCOMPARE(TarnPlugin_Scope::installTranslation(QLocale(locale)), english);
        m_scope = freshScope(); // a form takes its texts as it is built

        QCOMPARE(child<QCheckBox>(scope(), "cb_AbsoluteValue")->text(),
                 english ? QString("Absolute value") : QString::fromUtf8("绝对值"));
        QAbstractItemModel *links =
            child<QTreeView>(dialogOf(scope()), "Kvel_Scope_tree_SetLink")->model();
        QCOMPARE(indexOfId(links, LINK_FilSensedTor).data(Qt::ToolTipRole).toString(),
                 english ? QString("FilSensedTor: filtered sensed torque")
                         : QString("FilSensedTor"));
        QCOMPARE(indexOfId(links, LINK_FilSensedTor).data().toString(), QString("FilSensedTor"));
        QCOMPARE(dialogOf(scope())->windowTitle(),
                 english ? QString("Channels") : QString("QScopeSetting"));
        QCOMPARE(child<QAbstractButton>(scope(), "ScopePlugin_btn_Setting")->toolTip(),
                 QString("Choose the channels to record"));

        checkComponents(scope(), {AXIS_CurFSM});
        selectJoints(6, {LINK_TargetACS, LINK_ActualACS, LINK_ActualFilACS, LINK_TarPosPDO,
                         LINK_ActPosPDO, LINK_TargetCur});
        QSignalSpy errors(m_scope.get(), &TarnPlugin_Scope::errorOccurred);
        const QStringList messages = clickAnswering(dialogOf(scope()), "Kvel_Scope_btn_SetOK");
        const QString refusal =
            english ? QString("The selection has 37 channels, more than the maximum of 36!")
                    : QString::fromUtf8("当前设置通道数 37 ,超出最大通道数 36 !");
        const QString title = english ? QString("Too many channels selected")
                                      : QString::fromUtf8("当前设置通道超出最大通道数");
        QCOMPARE(messages, QStringList(title + ": " + refusal));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().toString(), refusal);
    }

    // While a slow controller takes a new index list, the GUI goes on, and the batch read
    // right after it may still carry the old order: it never lands in the new set-up's curves.
    void batchReadWhileTheControllerTakesTheListIsDropped()
    {
        selectJoints(1, {LINK_TargetACS});
        start(scope());
        waitForReads(TarnSim::callCounts().readScopeData + 1);
        checkLinks(scope(), {LINK_ActualACS});
        TarnSim::delayNextIndexList(300);
        TarnSim::queueBatch(batch({0, 1, 2}, 7.0)); // read right after the list
        QElapsedTimer confirming;
        confirming.start();
        confirmSelection(scope());
        QVERIFY2(confirming.elapsed() < 200, "the GUI must not wait for the controller");
        QTRY_COMPARE(TarnSim::pendingBatches(), std::size_t(0));
        stop(scope());
        QCOMPARE(plot()->curve(0)->dataSize(), size_t(0));
    }

    // After the dialog is confirmed mid-run, each curve still pairs every value with the
    // stamp it came with.
    void rebindingWhileSamplingKeepsValuesWithTheirTimes()
    {
        selectJoints(1, {LINK_TargetACS});
        for (int i = 0; i < 60; ++i)
            TarnSim::queueBatch(stampedBatch(i * 20, 20));
        start(scope());
        for (int round = 0; round < 5; ++round) {
            QTest::qWait(37);
            checkLinks(scope(), {round % 2 ? LINK_ActualCur : LINK_ActualACS});
            confirmSelection(scope());
        }
        QVERIFY(waitForBatchesConsumed(10000));
        QTRY_VERIFY(plot()->curve(0)->dataSize() > 0);
        stop(scope());
        QCOMPARE(curveCount(), 3);
        for (int slot = 0; slot < 3; ++slot) {
            QwtPlotCurve *curve = plot()->curve(slot);
            const QPointF first = curve->sample(0);
            for (size_t i = 0; i < curve->dataSize(); ++i) {
                const QPointF p = curve->sample(static_cast<int>(i));
                QCOMPARE(p.y() - p.x(), first.y() - first.x());
            }
        }
    }

    // The window trims to the period and the empty first slot stays empty; the value axis
    // spans what the channels hold, the empty slot counting as 0.
    void windowTrimsAndTheNullChannelStaysEmpty()
    {
        checkComponents(scope(), {AXIS_NULL, AXIS_CurFSM, AXIS_LastFSM});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(batch({0, 4000, 8000}, 20.0));
        TarnSim::queueBatch(batch({12000}, 30.0));
        QVERIFY(waitForBatchesConsumed());
        QTRY_COMPARE(points(plot()->curve(1)), QString("0:20 4000:20 8000:30"));
        QCOMPARE(plot()->curve(0)->dataSize(), size_t(0));
        const QwtScaleDiv &div = plot()->axisScaleDiv(QwtPlot::yLeft);
        QTRY_VERIFY(qAbs(div.lowerBound() + 0.15) < 1e-9 && qAbs(div.upperBound() - 30.15) < 1e-9);
    }

    // Stop hands the curves every buffered record, however recently it arrived, and then
    // reads nothing more.
    void stopKeepsTheLastWindow()
    {
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(stampedBatch(0, 100));
        TarnSim::queueBatch(stampedBatch(100, 100));
        QVERIFY(waitForBatchesConsumed());
        waitForReads(TarnSim::callCounts().readScopeData + 1);
        stop(scope());
        QwtPlotCurve *curve = plot()->curve(0);
        QCOMPARE(curve->dataSize(), size_t(200));
        QCOMPARE(curve->sample(199), QPointF(199, 199));
        const uint64_t reads = TarnSim::callCounts().readScopeData;
        TarnSim::queueBatch(batch({200, 201}, 3.0));
        QTest::qWait(120);
        QCOMPARE(TarnSim::callCounts().readScopeData, reads);
        QCOMPARE(curve->dataSize(), size_t(200));
    }

    // A typed period applies whole, on Enter, on leaving the field or after a pause, never
    // per keystroke; the form's slot applies the text it is given at once.
    void periodEdit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("step");
        const auto row = [](const char *name, const char *typed, const char *finish,
                            const char *shown, int period, int step) {
            QTest::newRow(name) << QString(typed) << QString(finish) << QString(shown) << period
                                << step;
        };
        row("below the minimum is used as 10, as typed", "7", "Enter", "7", 10, 1);
        row("11 on leaving the field", "11", "leave", "11", 11, 1);
        row("999999 after a pause", "999999", "pause", "999999", 999999, 99999);
        row("a seventh digit and letters are refused", "12345678x", "Enter", "123456", 123456,
            12345);
        row("an empty field applies nothing", "", "Enter", "", 10000, 1000);
        row("the slot by name takes an empty text as 10", "", "slot", "10000", 10, 1);
    }
    void periodEdit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(int, period);
        auto *edit = child<QLineEdit>(scope(), "ScopePlugin_edit_PeriodTime");
        QCOMPARE(edit->text(), QString("10000"));
        if (finish == "slot") {
            QVERIFY(QMetaObject::invokeMethod(scope(), "onSamplingScopTextChanged",
                                              Q_ARG(QString, typed)));
        } else {
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, typed);
            QCOMPARE(m_scope->period(), 10000);
        }
        if (finish == "Enter") {
            QTest::keyClick(edit, Qt::Key_Return);
        } else if (finish == "leave") {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(edit, &out);
        }
        QTRY_COMPARE(m_scope->period(), period);
        QTEST(edit->text(), "shown");
        plot()->replot(); // the axis takes a new scale at its next replot
        QCOMPARE(plot()->xRange(), double(period));
        QCOMPARE(plot()->axisScaleDiv(QwtPlot::xBottom).upperBound(), double(period));
        QTEST(int(plot()->axisStepSize(QwtPlot::xBottom)), "step");
    }

    // "20000" typed over "10000" while sampling passes through "2": records that arrive
    // meanwhile must not trim the recording to 10 ms. The wait below runs no event loop, so
    // the pause that applies a typed period cannot pass.
    void typingAPeriodWhileSamplingKeepsTheHistory()
    {
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(stampedBatch(0, 100));
        QVERIFY(waitForBatchesConsumed());
        QSignalSpy periods(m_scope.get(), &TarnPlugin_Scope::periodChanged);
        auto *edit = child<QLineEdit>(scope(), "ScopePlugin_edit_PeriodTime");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_2);
        TarnSim::queueBatch(stampedBatch(100, 100));
        QVERIFY(batchesConsumedWithoutEvents());
        QTest::keyClicks(edit, "0000");
        QTest::keyClick(edit, Qt::Key_Return);
        stop(scope());
        QCOMPARE(plot()->curve(0)->dataSize(), size_t(200));
        QCOMPARE(periods.size(), 1);
        QCOMPARE(periods.at(0).at(0).toInt(), 20000);
    }

    // The live refresh keeps the operator's zoom; Reset View and zooming out to the base
    // show the ranges the refresh set meanwhile.
    void zoomSurvivesTheLiveRefresh_data()
    {
        QTest::addColumn<bool>("resetView");
        QTest::newRow("Reset View") << true;
        QTest::newRow("zoomed out to the base") << false;
    }
    void zoomSurvivesTheLiveRefresh()
    {
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(stampedBatch(0, 100));
        QVERIFY(waitForBatchesConsumed());
        QTRY_COMPARE(plot()->curve(0)->dataSize(), size_t(100));
        const QRectF zoomed(10.0, 20.0, 30.0, 40.0);
        plot()->zoomer()->zoom(zoomed);
        TarnSim::queueBatch(stampedBatch(100, 900));
        QVERIFY(waitForBatchesConsumed());
        QTRY_COMPARE(plot()->curve(0)->dataSize(), size_t(1000));
        QCOMPARE(axisInterval(QwtPlot::xBottom), QwtInterval(10.0, 40.0));
        QCOMPARE(axisInterval(QwtPlot::yLeft), QwtInterval(20.0, 60.0));

        QFETCH(bool, resetView);
        if (resetView)
            click(scope(), "ScopePlugin_btn_ResetView");
        else
            plot()->zoomer()->zoom(-1);
        QCOMPARE(plot()->zoomer()->zoomRectIndex(), 0u);
        QCOMPARE(axisInterval(QwtPlot::xBottom), QwtInterval(0.0, 10000.0));
        QCOMPARE(axisInterval(QwtPlot::yLeft), QwtInterval(plot()->yMin(), plot()->yMax()));
        QVERIFY(plot()->yMax() > 999.0);
    }

    // Every field shows its longest number whole at the window's smallest size, also in a
    // font twice as large. QLineEdit scrolls a text that does not fit, so with the cursor at its
    // end the text would start left of the field's edge.
    void fieldsShowWholeNumbers_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fontScale");
        for (int scale : {1, 2}) {
            const char *const font = scale == 1 ? "" : ", font twice as large";
            QTest::addRow("period 999999%s", font) << "ScopePlugin_edit_PeriodTime"
                                                   << "999999" << scale;
            QTest::addRow("threshold -999999.999%s", font) << "Kvel_Scope_edit_TriggerThreshold"
                                                           << "-999999.999" << scale;
            QTest::addRow("delay -999999.999%s", font) << "Kvel_Scope_edit_TriggerDelay"
                                                       << "-999999.999" << scale;
        }
    }
    void fieldsShowWholeNumbers()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, fontScale);
        QFont font = scope()->font();
        font.setPointSizeF(font.pointSizeF() * fontScale);
        scope()->setFont(font);
        auto *edit = child<QLineEdit>(scope(), field.toLatin1().constData());
        edit->setText(text);
        scope()->resize(1, 1); // held at the form's minimum
        QVERIFY(QTest::qWaitFor([&] { return scope()->size() == scope()->minimumSize(); }));
        scope()->layout()->activate();

        edit->setCursorPosition(0);
        edit->grab(); // a paint places the text
        const int start = cursorX(edit);
        edit->setCursorPosition(text.size());
        edit->grab();
        const int shown = cursorX(edit) - start;
        QVERIFY2(shown >= edit->fontMetrics().horizontalAdvance(text) - 1,
                 qPrintable(QString("%1 of %2 px shown in a field %3 px wide")
                                .arg(shown)
                                .arg(edit->fontMetrics().horizontalAdvance(text))
                                .arg(edit->width())));
    }

    // Dropped on a host's form the scope fits a 1024 x 768 window beside the host's own
    // controls, wraps its strips rather than scroll sideways at 640 px, and on a 400 x 300
    // form scrolls; no two controls overlap at any of these sizes.
    void fitsAHostsPanel_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("fitsWidth");
        QTest::addColumn<bool>("fitsHeight");
        QTest::newRow("size hint") << QSize() << true << true;
        QTest::newRow("1000 x 600") << QSize(1000, 600) << true << true;
        QTest::newRow("640 x 480") << QSize(640, 480) << true << false;
        QTest::newRow("400 x 300") << QSize(400, 300) << false << false;
    }
    void fitsAHostsPanel()
    {
        QFETCH(QSize, size);
        QFETCH(bool, fitsWidth);
        QFETCH(bool, fitsHeight);
        QWidget form;
        auto *scope = new TarnPlugin_Scope(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents(); // the hints once fonts and plot are polished
        scope->resize(size.isValid() ? size : scope->sizeHint());
        form.resize(scope->size());
        QCoreApplication::processEvents();

        const auto shown = shownControls(scope);
        QVERIFY(shown.size() > 20);
        for (auto a = shown.cbegin(); a != shown.cend(); ++a) {
            for (auto b = std::next(a); b != shown.cend(); ++b)
                QVERIFY2(!a->second.intersects(b->second),
                         qPrintable(a->first + " overlaps " + b->first));
            const QRect &r = a->second;
            QVERIFY2(!fitsWidth || (r.left() >= 0 && r.right() < scope->width()),
                     qPrintable(a->first + " is cut off at the side"));
            QVERIFY2(!fitsHeight || (r.top() >= 0 && r.bottom() < scope->height()),
                     qPrintable(a->first + " is cut off below"));
        }
        QVERIFY2(scope->sizeHint().width() <= 1000 && scope->sizeHint().height() <= 600,
                 qPrintable(QString("size hint %1 x %2")
                                .arg(scope->sizeHint().width())
                                .arg(scope->sizeHint().height())));
        QVERIFY2(scope->minimumSizeHint().width() <= 640,
                 qPrintable(QString("minimum width %1").arg(scope->minimumSizeHint().width())));
    }

    // What an operator types or pastes in the threshold field, in three locales: the point
    // and the comma both mark decimals, nothing reads as a group separator, and text that
    // does not read is refused and leaves the threshold as it was.
    void typedThresholdReadsAlikeInEveryLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<double>("value");
        const struct
        {
            const char *text;
            bool reads;
            double value;
        } cases[] = {{"40.5", true, 40.5},   {"40,5", true, 40.5},        {"-0,25", true, -0.25},
                     {"+7", true, 7.0},      {"2,5E-3", true, 0.0025},    {"40,500", true, 40.5},
                     {"40.500", true, 40.5}, {"1.000,5", false, 0.0},     {"1,000.5", false, 0.0},
                     {"40 500", false, 0.0}, {"40\u202f500", false, 0.0}, {"", false, 0.0},
                     {"-", false, 0.0},      {"1e", false, 0.0},          {"abc", false, 0.0},
                     {"1e999", false, 0.0},  {"inf", false, 0.0},         {"0x10", false, 0.0}};
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France)}) {
            // Where the comma groups thousands it is no decimal mark.
            const bool commaGroups = locale.groupSeparator() == QLatin1Char(',');
            for (const auto &c : cases) {
                const bool reads = c.reads && !(commaGroups && std::strchr(c.text, ','));
                QTest::addRow("%s \"%s\"", qPrintable(locale.name()), c.text)
                    << locale << QString::fromUtf8(c.text) << reads << c.value;
            }
        }
    }
    void typedThresholdReadsAlikeInEveryLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, reads);
        QFETCH(double, value);
        scope()->setLocale(locale);
        m_scope->setTriggerThreshold(7.0);
        auto *edit = child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerThreshold");
        QString typed = text;
        int position = typed.size();
        QCOMPARE(edit->validator()->validate(typed, position) == QValidator::Acceptable, reads);
        edit->setText(text);
        QVERIFY2(m_scope->triggerThreshold() == (reads ? value : 7.0),
                 qPrintable(QString::number(m_scope->triggerThreshold(), 'g', 17)));
    }

    // A value set from code shows as the fewest digits that read back to it, with the
    // locale's decimal mark; typed back as shown, and through the delay's text, it is the
    // same number.
    void triggerNumbersShowTheShortestText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown"); // with a point
        const struct
        {
            double value;
            const char *shown;
        } cases[] = {{40.1, "40.1"},
                     {0.1 + 0.2, "0.30000000000000004"},
                     {-999999.999, "-999999.999"},
                     {1000000.0, "1000000"},
                     {2.5e-6, "0.0000025"},
                     {1e20, "1e+20"},
                     {-1.7976931348623157e308, "-1.7976931348623157e+308"},
                     {0.0, "0"}};
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France)}) {
            for (const auto &c : cases)
                QTest::addRow("%s %s", qPrintable(locale.name()), c.shown)
                    << locale << c.value << QString(c.shown);
        }
    }
    void triggerNumbersShowTheShortestText()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, shown);
        scope()->setLocale(locale);
        auto *threshold = child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerThreshold");
        auto *delay = child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerDelay");
        const QString onScreen = QString(shown).replace('.', locale.decimalPoint());

        m_scope->setTriggerThreshold(value);
        QCOMPARE(threshold->text(), onScreen);
        QVERIFY(m_scope->triggerThreshold() == value);
        m_scope->setTriggerThreshold(7.0);
        threshold->clear();
        QTest::keyClicks(threshold, onScreen);
        QCOMPARE(threshold->text(), onScreen);
        QVERIFY(m_scope->triggerThreshold() == value);

        m_scope->setTriggerDelay(shown);
        QCOMPARE(delay->text(), onScreen);
        QCOMPARE(m_scope->triggerDelay(), shown);
        delay->clear(); // no delay
        QCOMPARE(m_scope->triggerDelay(), QString());

        scope()->setLocale(QLocale::c());
        QCOMPARE(threshold->text(), shown);
    }

    void startAndStopSwitchButtons()
    {
        auto visible = [this](const char *name) {
            return child(scope(), name)->isVisibleTo(scope());
        };
        selectJoints(1, {LINK_TargetACS});
        start(scope());
        QVERIFY(!visible("ScopePlugin_btn_StartScope") && visible("ScopePlugin_btn_StopScope"));
        QVERIFY(!child(scope(), "ScopePlugin_btn_ExportScope")->isEnabled());
        QVERIFY(m_scope->isSampling());
        stop(scope());
        QVERIFY(visible("ScopePlugin_btn_StartScope") && !visible("ScopePlugin_btn_StopScope"));
        QVERIFY(child(scope(), "ScopePlugin_btn_ImportScope")->isEnabled());
        QVERIFY(!m_scope->isSampling());
    }

    void startShowsCurvesHiddenThroughTheLegend()
    {
        selectJoints(1, {LINK_TargetACS, LINK_ActualACS});
        confirmSelection(scope());
        QwtPlotCurve *curve = plot()->curve(1);
        auto *legend = scope()->findChild<QwtLegend *>();
        auto *label =
            qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot()->itemToInfo(curve)));
        QVERIFY(label);
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(!curve->isVisible() && plot()->curve(0)->isVisible());
        start(scope());
        QVERIFY(plot()->curve(1)->isVisible());
    }

    void destroyWhileTheControllerReadHangs()
    {
        selectJoints(1, {LINK_TargetACS});
        start(scope());
        waitForReads(2);
        const uint64_t reads = TarnSim::callCounts().readScopeData;
        TarnSim::queueBatch(batch({2, 3}, 1.0)); // delivered after the widget is gone
        TarnSim::blockNextRead(1500);
        waitForReads(reads + 1);
        QElapsedTimer timer;
        timer.start();
        m_scope.reset();
        QVERIFY2(timer.elapsed() < 200, "the destructor must not wait for the hanging read");
        // The abandoned read returns into nothing, and the next scope samples as usual.
        QTRY_COMPARE_WITH_TIMEOUT(TarnSim::pendingBatches(), std::size_t(0), 5000);
        m_scope = freshScope();
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(batch({4, 5}, 1.0));
        QVERIFY(waitForBatchesConsumed());
        QTRY_COMPARE(plot()->curve(0)->dataSize(), size_t(2));
    }

    // The trigger as the form's controls set it, over batches {1, 2}, {3, -9, 4}, {5, 6}.
    void triggerDecidesWhatIsKept_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("condition");
        QTest::addColumn<QString>("threshold");
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("capturingAfter");
        const int open = TriggerSettings::OpenGrab;
        QTest::newRow("open grab > 5 keeps the firing batch and what follows")
            << open << 0 << "5" << false << "0:5 1:6" << true;
        QTest::newRow("> 5 on magnitudes fires on -9")
            << open << 0 << "5" << true << "0:3 1:-9 2:4 3:5 4:6" << true;
        QTest::newRow("< an unreadable threshold, taken as 0")
            << open << 1 << "-" << false << "0:3 1:-9 2:4 3:5 4:6" << true;
        QTest::newRow("end grab keeps what came before and holds")
            << int(TriggerSettings::EndGrab) << 0 << "5" << false << "0:1 1:2 2:3 3:-9 4:4"
            << false;
    }
    void triggerDecidesWhatIsKept()
    {
        QFETCH(int, mode);
        QFETCH(int, condition);
        QFETCH(QString, threshold);
        QFETCH(bool, absolute);
        selectJoints(1, {LINK_TargetACS});
        confirmSelection(scope());
        armTrigger(condition, threshold, mode, absolute);
        QVERIFY(startFlushed(scope()));
        QVERIFY(m_scope->isTriggerArmed());
        QCOMPARE(m_scope->isCapturing(),
                 mode == TriggerSettings::EndGrab); // end grab records until
        double time = 0;
        for (const auto &values : {QVector<double>{1, 2}, {3, -9, 4}, {5, 6}}) {
            TarnSim::Batch b;
            for (double v : values)
                b.records.push_back(record(time++, v));
            TarnSim::queueBatch(b);
        }
        QVERIFY(waitForBatchesConsumed());
        QFETCH(QString, kept);
        QTRY_COMPARE(points(plot()->curve(0)), kept);
        QTEST(m_scope->isCapturing(), "capturingAfter");
        QVERIFY(!m_scope->isTriggerArmed() && m_scope->isSampling());
    }

    // Records 0..29 ms in three batches; J1 crosses "> 50" at 14 ms only, J2 carries each
    // record's time. The delay places the recording's start (open grab) or end (end grab)
    // exactly at instant + delay; an empty delay keeps whole batches as before.
    void triggerDelayBoundsTheRecording_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("kept"); // first..last time recorded
        const int open = TriggerSettings::OpenGrab;
        const int end = TriggerSettings::EndGrab;
        const auto row = [](const char *name, int mode, const char *delay, const char *kept) {
            QTest::newRow(name) << mode << QString(delay) << QString(kept);
        };
        row("open, no delay: the firing batch on", open, "", "10..29");
        row("open, 0: from the instant", open, "0", "14..29");
        row("open, -3: three ms of history", open, "-3", "11..29");
        row("open, -100: all the history held", open, "-100", "0..29");
        row("open, 5: from five ms after", open, "5", "19..29");
        row("end, no delay: up to the firing batch", end, "", "0..9");
        row("end, 0: up to the instant", end, "0", "0..14");
        row("end, 3: three ms after", end, "3", "0..17");
        row("end, -2: cut back before it", end, "-2", "0..12");
    }
    void triggerDelayBoundsTheRecording()
    {
        QFETCH(int, mode);
        QFETCH(QString, delay);
        selectJoints(2, {LINK_TargetACS});
        confirmSelection(scope());
        armTrigger(0, "50", mode, false);
        child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerDelay")->setText(delay);
        QVERIFY(startFlushed(scope()));
        for (int first : {0, 10, 20}) {
            TarnSim::Batch b;
            for (int t = first; t < first + 10; ++t) {
                _ST_ReadScopeData r{};
                r.dTime = t;
                r.dValue[0] = t == 14 ? 100.0 : 0.0;
                r.dValue[1] = t;
                b.records.push_back(r);
            }
            TarnSim::queueBatch(b);
        }
        QVERIFY(waitForBatchesConsumed());
        stop(scope());
        QwtPlotCurve *times = plot()->curve(1);
        QVERIFY(times->dataSize() > 0);
        const QString kept = QString("%1..%2")
                                 .arg(times->sample(0).y())
                                 .arg(times->sample(int(times->dataSize()) - 1).y());
        QTEST(kept, "kept");
        QCOMPARE(int(times->dataSize()),
                 kept.section("..", 1).toInt() - kept.section("..", 0, 0).toInt() + 1);
        auto *mark = scope()->findChild<TriggerMark *>();
        QVERIFY(mark->isPlaced());
        QCOMPARE(mark->shownTime(), 14.0 - plot()->timeOrigin());
        MeasurementCursors *cursors = scope()->findChild<ScopeContextMenu *>()->cursors();
        cursors->place(0, mark->shownTime() + 2.0);
        QVERIFY2(cursors->readoutText().contains("from trigger: 2 ms"),
                 qPrintable(cursors->readoutText()));
    }

    // While sampling the trigger arms again with the controls of now: no Stop and Start.
    void armingWhileSampling()
    {
        selectJoints(1, {LINK_TargetACS});
        confirmSelection(scope());
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(batch({0, 1}, 100.0));
        QVERIFY(waitForBatchesConsumed());
        QVERIFY(!m_scope->isTriggerArmed());
        armTrigger(0, "50", TriggerSettings::OpenGrab, false);
        m_scope->armTrigger();
        QVERIFY(m_scope->isTriggerArmed());
        QVERIFY(!m_scope->isCapturing());
        TarnSim::queueBatch(batch({2, 3}, 0.0));
        TarnSim::queueBatch(batch({4, 5}, 100.0));
        QVERIFY(waitForBatchesConsumed());
        QVERIFY(!m_scope->isTriggerArmed());
        QVERIFY(m_scope->isCapturing());
        QTRY_COMPARE(points(plot()->curve(0)), QString("0:100 1:100 4:100 5:100"));
    }

    void triggerChangesTakeEffectWithTheNextBatch()
    {
        selectJoints(1, {LINK_TargetACS});
        confirmSelection(scope());
        armTrigger(0, "1000", TriggerSettings::OpenGrab, false);
        QVERIFY(startFlushed(scope()));
        TarnSim::queueBatch(batch({0}, 7.0));
        QVERIFY(waitForBatchesConsumed());
        QVERIFY(m_scope->isTriggerArmed());
        child<QLineEdit>(scope(), "Kvel_Scope_edit_TriggerThreshold")->setText("6.5");
        TarnSim::queueBatch(batch({1}, 7.0));
        QVERIFY(waitForBatchesConsumed());
        QVERIFY(!m_scope->isTriggerArmed());
        QTRY_COMPARE(points(plot()->curve(0)), QString("0:7"));
        // Stop while waiting disarms and leaves capture on.
        armTrigger(0, "1000", TriggerSettings::OpenGrab, false);
        stop(scope());
        start(scope());
        QVERIFY(m_scope->isTriggerArmed());
        stop(scope());
        QVERIFY(!m_scope->isTriggerArmed() && m_scope->isCapturing());
        // A second click unchecks: the next run records without a trigger.
        QTest::mouseClick(child<QRadioButton>(scope(), "cb_Trigger"), Qt::LeftButton);
        start(scope());
        QVERIFY(!m_scope->isTriggerArmed() && m_scope->isCapturing());
    }

    // The largest memory figure the controller can report, in MB; stopped, the labels freeze.
    void loadLabels()
    {
        for (int i = 0; i < 200; ++i) { // once the script runs dry the load reads zero
            TarnSim::Batch load;
            load.cpuLoad = 12.3456;
            load.memKB = 4294967295u;
            TarnSim::queueBatch(load);
        }
        selectJoints(1, {LINK_TargetACS});
        start(scope());
        QTRY_VERIFY(label("Kvel_Scope_lb_ReadScopeCyc").toInt() > 0);
        QTRY_COMPARE(label("Kvel_Scope_lb_MoxCPU"), QString("12.346"));
        QCOMPARE(label("Kvel_Scope_lb_MoxMem"), QString("4194303.999"));
        // Stopped, the labels keep what they showed.
        stop(scope());
        const QString shown = label("Kvel_Scope_lb_MoxCPU") + label("Kvel_Scope_lb_ReadScopeCyc");
        TarnSim::setScripted(false); // the controller goes on reporting other figures
        QTest::qWait(400);
        QCOMPARE(label("Kvel_Scope_lb_MoxCPU") + label("Kvel_Scope_lb_ReadScopeCyc"), shown);
    }

    // One error, then quiet observations, then a second error: the second stops sampling.
    void stopsAtTheSecondErrorObservation()
    {
        QTest::mouseClick(child<QCheckBox>(scope(), "cb_StopWhenError"), Qt::LeftButton);
        selectJoints(1, {LINK_TargetACS});
        start(scope());
        waitForFlagReads(1);
        TarnSim::setErrorFlag(true);
        const uint64_t before = TarnSim::callCounts().readRobotFlags;
        waitForFlagReads(before + 1);
        TarnSim::setErrorFlag(false);
        waitForFlagReads(before + 4);
        QVERIFY(m_scope->isSampling());
        TarnSim::setErrorFlag(true);
        QTRY_VERIFY_WITH_TIMEOUT(!m_scope->isSampling(), 3000);
        // Stopping cleared the count: a new run needs two observations again.
        start(scope());
        waitForFlagReads(TarnSim::callCounts().readRobotFlags + 1);
        TarnSim::setErrorFlag(false);
        QVERIFY(m_scope->isSampling());
    }

    // On the simulated robot: what the controller sampled before Start's index list, or
    // before one confirmed while sampling, reaches neither the curves nor the trigger. The
    // old list has CurFSM (3) in slot 0 and LastFSM (2) in slot 1, the new one LastFSM in
    // slot 0: a trigger "> 2.5" on LastFSM fires only on a record in the old order.
    void nothingSampledBeforeTheIndexListIsRecorded_data()
    {
        QTest::addColumn<bool>("whileSampling");
        QTest::newRow("Start after a pause") << false;
        QTest::newRow("set-up confirmed while sampling") << true;
    }
    void nothingSampledBeforeTheIndexListIsRecorded()
    {
        QFETCH(bool, whileSampling);
        TarnSim::setScripted(false);
        checkComponents(scope(), {AXIS_CurFSM, AXIS_LastFSM});
        confirmSelection(scope());
        armTrigger(0, "2.5", TriggerSettings::EndGrab, false);
        triggerList()->setCurrentIndex(1);
        start(scope());
        waitForReads(TarnSim::callCounts().readScopeData + 3);
        QVERIFY(m_scope->isTriggerArmed());
        if (!whileSampling)
            stop(scope());
        checkComponents(scope(), {AXIS_CurFSM}, false);
        QElapsedTimer sinceList;
        sinceList.start();
        confirmSelection(scope());
        if (!whileSampling) {
            QTest::qWait(400); // the controller buffers meanwhile
            sinceList.start();
            start(scope());
        }
        QCOMPARE(triggerList()->currentText(), QString("LastFSM"));
        waitForReads(TarnSim::callCounts().readScopeData + 4);
        QVERIFY(m_scope->isTriggerArmed() && m_scope->isCapturing());
        stop(scope());
        const qint64 elapsed = sinceList.elapsed();
        QwtPlotCurve *curve = plot()->curve(0);
        QCOMPARE(curve->title().text(), QString("LastFSM"));
        QVERIFY(curve->dataSize() > 0);
        for (size_t i = 0; i < curve->dataSize(); ++i)
            QCOMPARE(curve->sample(static_cast<int>(i)).y(), 2.0);
        const double span = curve->sample(static_cast<int>(curve->dataSize() - 1)).x();
        QVERIFY2(span <= elapsed,
                 qPrintable(QString("%1 ms recorded in %2").arg(span).arg(elapsed)));
    }

    // The state line names each state as the recorder enters it.
    void stateLineFollowsTheScope()
    {
        QCOMPARE(stateLine(), QString("Stopped"));
        selectJoints(1, {LINK_TargetACS});
        confirmSelection(scope());
        QVERIFY(startFlushed(scope()));
        QCOMPARE(stateLine(), QString("Sampling"));
        stop(scope());
        QCOMPARE(stateLine(), QString("Stopped"));

        armTrigger(0, "5", TriggerSettings::OpenGrab, false);
        QVERIFY(startFlushed(scope()));
        QCOMPARE(stateLine(), QString("Waiting for trigger on J1 Target ACS"));
        TarnSim::queueBatch(batch({0}, 7.0));
        QTRY_VERIFY(QRegularExpression("^Recording since trigger at \\d\\d:\\d\\d:\\d\\d$")
                        .match(stateLine())
                        .hasMatch());
        stop(scope());

        armTrigger(0, "5", TriggerSettings::EndGrab, false);
        QVERIFY(startFlushed(scope()));
        QCOMPARE(stateLine(), QString("Recording until trigger on J1 Target ACS"));
        TarnSim::queueBatch(batch({0}, 7.0));
        QTRY_VERIFY(QRegularExpression("^Holding after trigger at \\d\\d:\\d\\d:\\d\\d "
                                       "\\(press Stop to export\\)$")
                        .match(stateLine())
                        .hasMatch());

        // Hosts stop the scope by slot name when the controller goes away.
        QVERIFY(QMetaObject::invokeMethod(scope(), "slot_Disconnected2Mox"));
        QVERIFY(QRegularExpression("^Controller lost at \\d\\d:\\d\\d:\\d\\d$")
                    .match(stateLine())
                    .hasMatch());
        QVERIFY(!m_scope->isSampling());
    }

    // On our simulator the strip and the plot (and so every saved image) say so.
    void simulatedControllerIsShown()
    {
        QCOMPARE(label("Kvel_Scope_lb_Simulated"), QString("SIMULATED CONTROLLER"));
        QVERIFY(child(scope(), "Kvel_Scope_lb_Simulated")->isVisible());
        QStringList onPlot;
        for (QwtPlotItem *item : plot()->itemList(QwtPlotItem::Rtti_PlotTextLabel)) {
            if (item->isVisible())
                onPlot << static_cast<QwtPlotTextLabel *>(item)->text().text();
        }
        QCOMPARE(onPlot, QStringList{"SIMULATED CONTROLLER"});
    }

    // A raised error shows whatever "Stop when Error" says; with it, the stop is marked at
    // the recording's last sample and the line keeps the time.
    void robotErrorIsShownWhileRaised()
    {
        selectJoints(1, {LINK_TargetACS});
        QVERIFY(startFlushed(scope()));
        TarnSim::setErrorFlag(true);
        QTRY_COMPARE(stateLine(), QString("Sampling; robot reports an error"));
        TarnSim::setErrorFlag(false);
        QTRY_COMPARE(stateLine(), QString("Sampling"));
        QVERIFY(m_scope->isSampling());
        QVERIFY(shownMarks().isEmpty());
        stop(scope());

        const QTime before = QTime::currentTime();
        recordUntilRobotError();
        const QTime after = QTime::currentTime();
        // The last sample's real time: the one read delivered it, between Start and Stop.
        const QRegularExpressionMatch line =
            QRegularExpression("^Stopped by robot error at \\d\\d:\\d\\d:\\d\\d; last "
                               "sample at 99 ms \\((\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d)\\)$")
                .match(stateLine());
        QVERIFY2(line.hasMatch(), qPrintable(stateLine()));
        const QTime lastSample = QTime::fromString(line.captured(1), "hh:mm:ss.zzz");
        QVERIFY2(before.msecsTo(lastSample) >= 0 && lastSample.msecsTo(after) >= 0,
                 qPrintable(QString("%1 not in %2..%3")
                                .arg(line.captured(1), before.toString("hh:mm:ss.zzz"),
                                     after.toString("hh:mm:ss.zzz"))));
        QCOMPARE(shownMarks(), QStringList{"Robot error, 99 ms@99"});
    }

    // Start while the error that ended the recording is still raised asks before the
    // recording goes.
    void startWhileTheErrorIsRaised_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("started");
        QTest::newRow("No keeps the recording") << int(QMessageBox::No) << false;
        QTest::newRow("Yes starts") << int(QMessageBox::Yes) << true;
    }
    void startWhileTheErrorIsRaised()
    {
        QFETCH(int, answer);
        QFETCH(bool, started);
        recordUntilRobotError();
        const QStringList asked = startAnswering(QMessageBox::StandardButton(answer));
        QCOMPARE(asked.size(), 1);
        QCOMPARE(m_scope->isSampling(), started);
        QCOMPARE(plot()->curve(0)->dataSize(), size_t(started ? 0 : 100));
        QCOMPARE(shownMarks().size(), started ? 0 : 1);
        TarnSim::setErrorFlag(false);
    }

    // Cancel, Escape and closing the dialog take back what was changed in it: Start records
    // the channels last confirmed, and a choice over the limit walked away from is no reason
    // to refuse Start.
    void leavingTheDialogTakesBackTheChoice_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("overLimit");
        QTest::newRow("Cancel") << "Cancel" << false;
        QTest::newRow("Escape") << "Escape" << false;
        QTest::newRow("close") << "close" << false;
        QTest::newRow("Cancel over the limit") << "Cancel" << true;
        QTest::newRow("close over the limit") << "close" << true;
    }
    void leavingTheDialogTakesBackTheChoice()
    {
        QFETCH(QString, way);
        QFETCH(bool, overLimit);
        selectJoints(1, {LINK_TargetACS});
        confirmSelection(scope());
        click(scope(), "ScopePlugin_btn_Setting");
        QScopeSetting *dialog = dialogOf(scope());
        QVERIFY(dialog->isVisible());
        if (overLimit) {
            click(dialog, "Kvel_Scope_btn_SetCompSelectAll");
            click(dialog, "Kvel_Scope_btn_SetLinkSelectAll");
        } else {
            checkComponents(scope(), {AXIS_J1}, false);
            checkComponents(scope(), {AXIS_J2});
            checkLinks(scope(), {LINK_ActualCur});
        }
        if (way == "Escape")
            QTest::keyClick(child<QTreeView>(dialog, "Kvel_Scope_tree_SetLink"), Qt::Key_Escape);
        else if (way == "close")
            dialog->close();
        else
            click(dialog, "Kvel_Scope_btn_SetCancel");
        QVERIFY(!dialog->isVisible());

        QCOMPARE(startAnswering(QMessageBox::Ok), QStringList());
        QVERIFY(m_scope->isSampling());
        QCOMPARE(m_scope->channels(), QStringList{"J1 Target ACS"});
        QTRY_COMPARE(TarnSim::lastIndexes(), std::vector<int>{43});
    }

    // Confirm J2 Target ACS, check J1 too, arm "> 50" and Start: the trigger stays
    // on J2 in its new slot; with J2 no longer checked, the list says so and the trigger
    // fires on nothing else. J1 reads 100 throughout.
    void triggerListFollowsEverySetUp_data()
    {
        QTest::addColumn<bool>("keepJ2");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<bool>("firesOnJ2");
        QTest::newRow("J1 added") << true << QStringList{"J1 Target ACS", "J2 Target ACS"} << true;
        QTest::newRow("J2 replaced by J1")
            << false << QStringList{"J2 Target ACS (not recorded)", "J1 Target ACS"} << false;
    }
    void triggerListFollowsEverySetUp()
    {
        QFETCH(bool, keepJ2);
        QFETCH(QStringList, listed);
        checkComponents(scope(), {AXIS_J2});
        checkLinks(scope(), {LINK_TargetACS});
        confirmSelection(scope());
        checkComponents(scope(), {AXIS_J1});
        if (!keepJ2)
            checkComponents(scope(), {AXIS_J2}, false);
        armTrigger(0, "50", TriggerSettings::OpenGrab, false);
        QVERIFY(startFlushed(scope()));
        QCOMPARE(curveCount(), keepJ2 ? 2 : 1);
        QStringList items;
        for (int i = 0; i < triggerList()->count(); ++i)
            items << triggerList()->itemText(i);
        QCOMPARE(items, listed);
        QCOMPARE(triggerList()->currentIndex(), keepJ2 ? 1 : 0);
        QCOMPARE(stateLine(), "Waiting for trigger on " + triggerList()->currentText());
        TarnSim::queueBatch(positions(0, {100, 0}));
        QVERIFY(waitForBatchesConsumed());
        QVERIFY(m_scope->isTriggerArmed());
        TarnSim::queueBatch(positions(1, {100, 60}));
        QVERIFY(waitForBatchesConsumed());
        QTEST(!m_scope->isTriggerArmed(), "firesOnJ2");
    }
};

QTEST_MAIN(tst_ScopeWidget)
#include "tst_scopewidget.moc"
