#include "ui_TarnPlugin_Scope.h"

#include <QtTest>

namespace {

struct FormWidget
{
    const char *name;
    const char *className;
    const char *text;
    int fixedWidth; // 0: the form leaves the width to the layout
};

// Every widget the rest of the scope finds by name, with the text the user reads.
const FormWidget kWidgets[] = {
    {"ScopePageFrame_Setting", "QFrame", "", 0},
    {"ScopePageFrame_QwtFrame", "QFrame", "", 0},
    {"ScopePageFrame_CtlPanel", "QFrame", "", 0},
    {"ScopePageFrame_Trigger", "QFrame", "", 0},
    {"Kvel_Scope_lb_MoxCPUTip", "QLabel", "Mox CPU:", 60},
    {"Kvel_Scope_lb_MoxCPU", "QLabel", "0.0", 60},
    {"label_11", "QLabel", "%", 30},
    {"Kvel_Scope_lb_MoxMemTip", "QLabel", "Mox Mem:", 60},
    {"Kvel_Scope_lb_MoxMem", "QLabel", "0", 80},
    {"label_12", "QLabel", "MB", 30},
    {"Kvel_Scope_lb_ReadScopeCycTip_2", "QLabel", "ReadScopeCycMax:", 130},
    {"Kvel_Scope_lb_ReadScopeMaxCyc", "QLabel", "0", 50},
    {"label_14", "QLabel", "ms", 30},
    {"Kvel_Scope_lb_ReadScopeCycTip", "QLabel", "ReadScopeCyc:", 80},
    {"Kvel_Scope_lb_ReadScopeCyc", "QLabel", "0", 50},
    {"label_13", "QLabel", "ms", 30},
    {"ScopePlugin_btn_StartScope", "QPushButton", "Start", 0},
    {"ScopePlugin_btn_StopScope", "QPushButton", "Stop", 0},
    {"ScopePlugin_btn_ResetView", "QPushButton", "Reset View", 0},
    {"cb_StopWhenError", "QCheckBox", "Stop when Error", 0},
    {"ScopePlugin_btn_Setting", "QPushButton", "Setting", 100},
    {"Kvel_Scope_label_PeriodTime_2", "QLabel", "Period Time:", 80},
    {"ScopePlugin_edit_PeriodTime", "QLineEdit", "", 0},
    {"label_10", "QLabel", "ms", 30},
    {"ScopePlugin_btn_ImportScope", "QPushButton", "Import from File", 0},
    {"ScopePlugin_btn_ExportScope", "QPushButton", "Export to File", 0},
    {"cb_Trigger", "QRadioButton", "Trigger Condition", 0},
    {"Kvel_Scope_cmb_TriggerSel", "QComboBox", "", 0},
    {"Kvel_Scope_cmb_TriggerCondition", "QComboBox", "", 40},
    {"Kvel_Scope_cmb_TriggerFS", "QComboBox", "", 0},
    {"Kvel_Scope_edit_TriggerThreshold", "QLineEdit", "", 0},
    {"cb_AbsoluteValue", "QCheckBox", "绝对值", 0},
    {"Kvel_Scope_label_TrigDelay", "QLabel", "Trigger Delay:", 0},
    {"Kvel_Scope_edit_TriggerDelay", "QLineEdit", "", 0},
    {"label_17", "QLabel", "ms", 0},
};

} // namespace

class TestScopeForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void widgetsHaveTheirClassTextAndWidth();
    void panelsAndTriggerRow();
    void keepsAnExistingObjectName_data();
    void keepsAnExistingObjectName();
    void laysOutWithinItsLimits();

private:
    QWidget *m_widget = nullptr;
    Ui_TarnPlugin_Scope m_ui;
};

void TestScopeForm::init()
{
    m_widget = new QWidget;
    m_ui.setupUi(m_widget);
}

void TestScopeForm::cleanup()
{
    delete m_widget;
    m_widget = nullptr;
}

void TestScopeForm::widgetsHaveTheirClassTextAndWidth()
{
    for (const FormWidget &expected : kWidgets) {
        const auto *widget = m_widget->findChild<QWidget *>(expected.name);
        QVERIFY2(widget, expected.name);
        QCOMPARE(widget->metaObject()->className(), expected.className);
        const char *textProperty = qobject_cast<const QComboBox *>(widget) ? "currentText" : "text";
        QCOMPARE(widget->property(textProperty).toString(), QString::fromUtf8(expected.text));
        if (expected.fixedWidth > 0) {
            QCOMPARE(widget->minimumWidth(), expected.fixedWidth);
            QCOMPARE(widget->maximumWidth(), expected.fixedWidth);
        }
        if (qstrcmp(expected.className, "QFrame") == 0)
            QCOMPARE(qobject_cast<const QFrame *>(widget)->frameShape(), QFrame::Box);
    }
}

void TestScopeForm::panelsAndTriggerRow()
{
    QCOMPARE(m_widget->windowTitle(), QStringLiteral("TarnPlugin_Scope"));
    QCOMPARE(m_widget->size(), QSize(1137, 620));
    QCOMPARE(m_ui.horizontalLayout_3->contentsMargins(), QMargins(6, 1, 6, 1));

    // Row 0 stays empty; the trigger controls sit in row 1, left to right.
    QCOMPARE(m_ui.gridLayout_5->rowCount(), 2);
    const QStringList triggerRow{"Kvel_Scope_cmb_TriggerSel", "Kvel_Scope_cmb_TriggerCondition",
                                 "Kvel_Scope_cmb_TriggerFS", "Kvel_Scope_edit_TriggerThreshold",
                                 "cb_AbsoluteValue"};
    for (int column = 0; column < triggerRow.size(); ++column) {
        QVERIFY(!m_ui.gridLayout_5->itemAtPosition(0, column));
        QLayoutItem *item = m_ui.gridLayout_5->itemAtPosition(1, column);
        QVERIFY(item && item->widget());
        QCOMPARE(item->widget()->objectName(), triggerRow.at(column));
    }

    QVERIFY(!m_ui.cb_StopWhenError->isChecked());
    QVERIFY(!m_ui.cb_AbsoluteValue->isChecked());
    QVERIFY(!m_ui.cb_Trigger->isChecked());
    m_ui.cb_Trigger->click();
    QVERIFY(m_ui.cb_Trigger->isChecked());
}

void TestScopeForm::keepsAnExistingObjectName_data()
{
    QTest::addColumn<QString>("initialName");
    QTest::addColumn<QString>("finalName");
    QTest::newRow("unnamed widget") << QString() << "TarnPlugin_Scope";
    QTest::newRow("named widget") << "myScope"
                                  << "myScope";
}

void TestScopeForm::keepsAnExistingObjectName()
{
    QFETCH(QString, initialName);
    QFETCH(QString, finalName);

    QWidget widget;
    widget.setObjectName(initialName);
    Ui_TarnPlugin_Scope ui;
    ui.setupUi(&widget);
    QCOMPARE(widget.objectName(), finalName);
}

// The limits hold once the layouts have run, even in a tall window.
void TestScopeForm::laysOutWithinItsLimits()
{
    m_widget->resize(1400, 1000);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget));

    QCOMPARE(m_ui.ScopePageFrame_CtlPanel->height(), 60);
    for (QPushButton *button : {m_ui.ScopePlugin_btn_StartScope, m_ui.ScopePlugin_btn_StopScope,
                                m_ui.ScopePlugin_btn_ResetView, m_ui.ScopePlugin_btn_ImportScope,
                                m_ui.ScopePlugin_btn_ExportScope})
        QCOMPARE(button->height(), 40);
    QVERIFY(m_ui.ScopePlugin_btn_Setting->height() >= 40);
    for (const FormWidget &expected : kWidgets) {
        if (expected.fixedWidth > 0)
            QCOMPARE(m_widget->findChild<QWidget *>(expected.name)->width(), expected.fixedWidth);
    }
}

QTEST_MAIN(TestScopeForm)
#include "tst_scopeform.moc"
