#include "ScopeTestSupport.h"
#include "TarnPlugin_Scope.h"

#include <QCheckBox>
#include <QRadioButton>

#include <memory>

using namespace ScopeTest;

// The trigger driven through the form's controls against scripted controller batches.
class tst_ScopeTrigger : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firing_data();
    void firing();
    void modeDecidesWhatIsKept_data();
    void modeDecidesWhatIsKept();
    void stopWhileWaitingLeavesCaptureOnAndDisarms();
    void secondClickUnchecksAndTheNextStartRecordsWithoutTrigger();
    void settingsChangeTakesEffectWithTheNextBatch();

private:
    void armTrigger(int condition, const QString &threshold, int mode, bool absolute);
    QVector<double> recorded() const { return curveY(plotOf(m_scope.get())->curve(0)); }

    std::unique_ptr<TarnPlugin_Scope> m_scope;
};

void tst_ScopeTrigger::init()
{
    TarnSim::reset();
    TarnSim::setScripted(true);
    m_scope = std::make_unique<TarnPlugin_Scope>();
    m_scope->show();
    checkComponents(m_scope.get(), {AXIS_J1});
    checkLinks(m_scope.get(), {LINK_TargetACS});
    confirmSelection(m_scope.get());
}

void tst_ScopeTrigger::cleanup()
{
    m_scope.reset();
}

void tst_ScopeTrigger::armTrigger(int condition, const QString &threshold, int mode, bool absolute)
{
    auto *radio = child<QRadioButton>(m_scope.get(), "cb_Trigger");
    if (!radio->isChecked())
        QTest::mouseClick(radio, Qt::LeftButton);
    QVERIFY(radio->isChecked());
    child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerSel")->setCurrentIndex(0);
    child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerCondition")->setCurrentIndex(condition);
    child<QComboBox>(m_scope.get(), "Kvel_Scope_cmb_TriggerFS")->setCurrentIndex(mode);
    child<QLineEdit>(m_scope.get(), "Kvel_Scope_edit_TriggerThreshold")->setText(threshold);
    child<QCheckBox>(m_scope.get(), "cb_AbsoluteValue")->setChecked(absolute);
}

void tst_ScopeTrigger::firing_data()
{
    QTest::addColumn<int>("condition");
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<bool>("fires");

    QTest::newRow("> 5 on -6 without absolute value")
        << 0 << "5" << false << QVector<double>{1, -6} << false;
    QTest::newRow("> 5 on -6 with absolute value")
        << 0 << "5" << true << QVector<double>{1, -6} << true;
    QTest::newRow("< 0 on -0.5") << 1 << "0" << false << QVector<double>{2, -0.5} << true;
    QTest::newRow("< 0 on 0") << 1 << "0" << false << QVector<double>{2, 0} << false;
    QTest::newRow("unparsable threshold counts as 0")
        << 0 << "-" << false << QVector<double>{0.5} << true;
    QTest::newRow("empty threshold counts as 0")
        << 1 << "" << false << QVector<double>{0.5} << false;
    QTest::newRow("empty batch never fires") << 0 << "-100" << false << QVector<double>{} << false;
}

// Open grab: waiting until the batch fires; whether capture switched on tells.
void tst_ScopeTrigger::firing()
{
    QFETCH(int, condition);
    QFETCH(QString, threshold);
    QFETCH(bool, absolute);
    QFETCH(QVector<double>, values);
    QFETCH(bool, fires);

    armTrigger(condition, threshold, TriggerSettings::OpenGrab, absolute);
    TarnSim::Batch batch;
    for (int i = 0; i < values.size(); ++i)
        batch.records.push_back(record(i, {values[i]}));
    TarnSim::queueBatch(batch);
    start(m_scope.get());
    QVERIFY(m_scope->isTriggerArmed());
    QVERIFY(!m_scope->isCapturing());
    QVERIFY(waitForBatchesConsumed());
    QCOMPARE(m_scope->isCapturing(), fires);
    QCOMPARE(m_scope->isTriggerArmed(), !fires);
    QVERIFY(m_scope->isSampling());
}

void tst_ScopeTrigger::modeDecidesWhatIsKept_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QVector<double>>("kept");
    QTest::addColumn<bool>("capturingAfter");

    // Batches: {1, 2}, {3, 9, 4} (crosses 5), {5, 6}.
    QTest::newRow("open grab keeps the firing batch whole and what follows")
        << int(TriggerSettings::OpenGrab) << QVector<double>{3, 9, 4, 5, 6} << true;
    QTest::newRow("end grab drops the firing batch and holds")
        << int(TriggerSettings::EndGrab) << QVector<double>{1, 2} << false;
}

void tst_ScopeTrigger::modeDecidesWhatIsKept()
{
    QFETCH(int, mode);
    QFETCH(QVector<double>, kept);
    QFETCH(bool, capturingAfter);

    armTrigger(0, "5", mode, false);
    TarnSim::Batch first, firing, after;
    first.records = {record(0, {1}), record(1, {2})};
    firing.records = {record(2, {3}), record(3, {9}), record(4, {4})};
    after.records = {record(5, {5}), record(6, {6})};
    for (const auto &b : {first, firing, after})
        TarnSim::queueBatch(b);
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QTRY_COMPARE(recorded(), kept);
    QCOMPARE(m_scope->isCapturing(), capturingAfter);
    QVERIFY(!m_scope->isTriggerArmed());
    QVERIFY(m_scope->isSampling());
}

void tst_ScopeTrigger::stopWhileWaitingLeavesCaptureOnAndDisarms()
{
    armTrigger(0, "1000", TriggerSettings::OpenGrab, false);
    start(m_scope.get());
    QVERIFY(m_scope->isTriggerArmed() && !m_scope->isCapturing());
    stop(m_scope.get());
    QVERIFY(!m_scope->isTriggerArmed());
    QVERIFY(m_scope->isCapturing());
    QVERIFY(!m_scope->isSampling());
}

void tst_ScopeTrigger::secondClickUnchecksAndTheNextStartRecordsWithoutTrigger()
{
    armTrigger(0, "1000", TriggerSettings::OpenGrab, false);
    auto *radio = child<QRadioButton>(m_scope.get(), "cb_Trigger");
    QTest::mouseClick(radio, Qt::LeftButton);
    QVERIFY(!radio->isChecked());
    TarnSim::queueBatch(constantBatch({0, 1}, 2.0));
    start(m_scope.get());
    QVERIFY(!m_scope->isTriggerArmed());
    QVERIFY(m_scope->isCapturing());
    QVERIFY(waitForBatchesConsumed());
    QTRY_COMPARE(recorded(), (QVector<double>{2, 2}));
}

void tst_ScopeTrigger::settingsChangeTakesEffectWithTheNextBatch()
{
    armTrigger(0, "1000", TriggerSettings::OpenGrab, false);
    TarnSim::queueBatch(constantBatch({0}, 7.0));
    start(m_scope.get());
    QVERIFY(waitForBatchesConsumed());
    QVERIFY(m_scope->isTriggerArmed());
    child<QLineEdit>(m_scope.get(), "Kvel_Scope_edit_TriggerThreshold")->setText("6.5");
    TarnSim::queueBatch(constantBatch({1}, 7.0));
    QVERIFY(waitForBatchesConsumed());
    QVERIFY(!m_scope->isTriggerArmed());
    QTRY_COMPARE(recorded(), QVector<double>{7});
}

QTEST_MAIN(tst_ScopeTrigger)
#include "tst_scopetrigger.moc"
