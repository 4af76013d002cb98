#include "ui_TarnPlugin_Scope.h"

#include <QtTest>

Q_DECLARE_METATYPE(QMargins)

namespace {

constexpr int kMax = QWIDGETSIZE_MAX;

// Item names of a layout in order: widgets and layouts by name, spacers as
// "spacer <w>x<h> <horizontal policy>", grid cells with "@row,column".
QStringList itemNames(QLayout *layout)
{
    const QMetaEnum policies = QMetaEnum::fromType<QSizePolicy::Policy>();
    auto *grid = qobject_cast<QGridLayout *>(layout);
    QStringList names;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        QString name;
        if (item->widget()) {
            name = item->widget()->objectName();
        } else if (item->layout()) {
            name = item->layout()->objectName();
        } else if (QSpacerItem *spacer = item->spacerItem()) {
            const QSize hint = spacer->sizeHint();
            const QSizePolicy policy = spacer->sizePolicy();
            name = QString("spacer %1x%2 %3")
                       .arg(hint.width())
                       .arg(hint.height())
                       .arg(policies.valueToKey(policy.horizontalPolicy()));
            if (policy.verticalPolicy() != QSizePolicy::Minimum)
                name += " vertical " + QString(policies.valueToKey(policy.verticalPolicy()));
        }
        if (grid) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            name += QString("@%1,%2").arg(row).arg(column);
            if (rowSpan != 1 || columnSpan != 1)
                name += " spanning";
        }
        if (item->alignment() != 0)
            name += " aligned";
        names << name;
    }
    return names;
}

} // namespace

class TestScopeForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void widgets_data();
    void widgets();
    void layouts_data();
    void layouts();
    void formStates();
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

void TestScopeForm::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");
    QTest::addColumn<bool>("centred");

    const auto row = [](const char *name, const char *className, const char *parent,
                        const char *text, QSize minimum, QSize maximum, bool centred = false) {
        QTest::newRow(name) << name << className << parent << QString::fromUtf8(text) << minimum
                            << maximum << centred;
    };
    const auto statusLabel = [&row](const char *name, const char *text, int width) {
        row(name, "QLabel", "ScopePageFrame_Setting", text, QSize(width, 0), QSize(width, kMax),
            true);
    };
    const QSize none(0, 0);
    const QSize unlimited(kMax, kMax);

    row("ScopePageFrame_Setting", "QFrame", "TarnPlugin_Scope", "", none, unlimited);
    row("ScopePageFrame_QwtFrame", "QFrame", "TarnPlugin_Scope", "", none, unlimited);
    row("ScopePageFrame_CtlPanel", "QFrame", "TarnPlugin_Scope", "", none, QSize(kMax, 60));
    row("ScopePageFrame_Trigger", "QFrame", "TarnPlugin_Scope", "", none, unlimited);

    statusLabel("Kvel_Scope_lb_MoxCPUTip", "Mox CPU:", 60);
    statusLabel("Kvel_Scope_lb_MoxCPU", "0.0", 60);
    statusLabel("label_11", "%", 30);
    statusLabel("Kvel_Scope_lb_MoxMemTip", "Mox Mem:", 60);
    statusLabel("Kvel_Scope_lb_MoxMem", "0", 80);
    statusLabel("label_12", "MB", 30);
    statusLabel("Kvel_Scope_lb_ReadScopeCycTip_2", "ReadScopeCycMax:", 130);
    statusLabel("Kvel_Scope_lb_ReadScopeMaxCyc", "0", 50);
    statusLabel("label_14", "ms", 30);
    statusLabel("Kvel_Scope_lb_ReadScopeCycTip", "ReadScopeCyc:", 80);
    statusLabel("Kvel_Scope_lb_ReadScopeCyc", "0", 50);
    statusLabel("label_13", "ms", 30);

    const char *panel = "ScopePageFrame_CtlPanel";
    row("ScopePlugin_btn_StartScope", "QPushButton", panel, "Start", QSize(100, 40),
        QSize(kMax, 40));
    row("ScopePlugin_btn_StopScope", "QPushButton", panel, "Stop", QSize(100, 40), QSize(kMax, 40));
    row("ScopePlugin_btn_ResetView", "QPushButton", panel, "Reset View", QSize(100, 40),
        QSize(kMax, 40));
    row("cb_StopWhenError", "QCheckBox", panel, "Stop when Error", none, unlimited);
    row("ScopePlugin_btn_Setting", "QPushButton", panel, "Setting", QSize(100, 40),
        QSize(100, kMax));
    row("Kvel_Scope_label_PeriodTime_2", "QLabel", panel, "Period Time:", QSize(80, 0),
        QSize(80, kMax));
    row("ScopePlugin_edit_PeriodTime", "QLineEdit", panel, "", none, QSize(100, kMax));
    row("label_10", "QLabel", panel, "ms", QSize(30, 0), QSize(30, kMax));
    row("ScopePlugin_btn_ImportScope", "QPushButton", panel, "Import from File", QSize(150, 40),
        QSize(kMax, 40));
    row("ScopePlugin_btn_ExportScope", "QPushButton", panel, "Export to File", QSize(150, 40),
        QSize(kMax, 40));

    const char *trigger = "ScopePageFrame_Trigger";
    row("cb_Trigger", "QRadioButton", trigger, "Trigger Condition", none, unlimited);
    row("Kvel_Scope_cmb_TriggerSel", "QComboBox", trigger, "", QSize(150, 30), QSize(kMax, 30));
    row("Kvel_Scope_cmb_TriggerCondition", "QComboBox", trigger, "", QSize(40, 30), QSize(40, 30));
    row("Kvel_Scope_cmb_TriggerFS", "QComboBox", trigger, "", QSize(0, 30), QSize(kMax, 30));
    row("Kvel_Scope_edit_TriggerThreshold", "QLineEdit", trigger, "", QSize(0, 30), QSize(80, 30));
    row("cb_AbsoluteValue", "QCheckBox", trigger, "绝对值", none, unlimited);
    row("Kvel_Scope_label_TrigDelay", "QLabel", trigger, "Trigger Delay:", none, unlimited);
    row("Kvel_Scope_edit_TriggerDelay", "QLineEdit", trigger, "", none, QSize(100, kMax));
    row("label_17", "QLabel", trigger, "ms", none, unlimited);
}

void TestScopeForm::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QString, text);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);
    QFETCH(bool, centred);

    const auto *widget = m_widget->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    const char *textProperty = qobject_cast<const QComboBox *>(widget) ? "currentText" : "text";
    QCOMPARE(widget->property(textProperty).toString(), text);
    QCOMPARE(widget->minimumSize(), minimum);
    QCOMPARE(widget->maximumSize(), maximum);
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        const Qt::Alignment plain = Qt::AlignLeft | Qt::AlignVCenter;
        QCOMPARE(label->alignment(), centred ? Qt::AlignCenter : plain);
    }
    if (const auto *frame = qobject_cast<const QFrame *>(widget); frame && className == "QFrame")
        QCOMPARE(frame->frameShape(), QFrame::Box);
}

void TestScopeForm::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QMargins>("margins");
    QTest::addColumn<QLayout::SizeConstraint>("constraint");

    const QMargins eleven(11, 11, 11, 11);
    const QMargins nested(0, 0, 0, 0);
    const auto plain = QLayout::SetDefaultConstraint;
    const auto minimum = QLayout::SetMinimumSize;

    QTest::newRow("verticalLayout")
        << "verticalLayout"
        << "TarnPlugin_Scope"
        << QStringList{"ScopePageFrame_Setting", "ScopePageFrame_QwtFrame",
                       "ScopePageFrame_CtlPanel", "ScopePageFrame_Trigger"}
        << eleven << plain;
    QTest::newRow("horizontalLayout_5")
        << "horizontalLayout_5"
        << "ScopePageFrame_Setting" << QStringList{"horizontalLayout_2"} << eleven << plain;
    QTest::newRow("horizontalLayout_2") << "horizontalLayout_2"
                                        << "horizontalLayout_5"
                                        << QStringList{"Kvel_Scope_lb_MoxCPUTip",
                                                       "Kvel_Scope_lb_MoxCPU",
                                                       "label_11",
                                                       "spacer 40x20 Fixed",
                                                       "Kvel_Scope_lb_MoxMemTip",
                                                       "Kvel_Scope_lb_MoxMem",
                                                       "label_12",
                                                       "spacer 40x20 Expanding",
                                                       "Kvel_Scope_lb_ReadScopeCycTip_2",
                                                       "Kvel_Scope_lb_ReadScopeMaxCyc",
                                                       "label_14",
                                                       "spacer 40x20 Fixed",
                                                       "Kvel_Scope_lb_ReadScopeCycTip",
                                                       "Kvel_Scope_lb_ReadScopeCyc",
                                                       "label_13"}
                                        << nested << plain;
    QTest::newRow("vl_qwtWidget") << "vl_qwtWidget"
                                  << "ScopePageFrame_QwtFrame" << QStringList{} << eleven << plain;
    QTest::newRow("horizontalLayout_3") << "horizontalLayout_3"
                                        << "ScopePageFrame_CtlPanel"
                                        << QStringList{"ScopePlugin_btn_StartScope",
                                                       "ScopePlugin_btn_StopScope",
                                                       "ScopePlugin_btn_ResetView",
                                                       "spacer 40x20 Fixed",
                                                       "cb_StopWhenError",
                                                       "spacer 40x20 Expanding",
                                                       "ScopePlugin_btn_Setting",
                                                       "Kvel_Scope_label_PeriodTime_2",
                                                       "ScopePlugin_edit_PeriodTime",
                                                       "label_10",
                                                       "spacer 40x20 Expanding",
                                                       "ScopePlugin_btn_ImportScope",
                                                       "ScopePlugin_btn_ExportScope"}
                                        << QMargins(6, 1, 6, 1) << plain;
    QTest::newRow("horizontalLayout_4")
        << "horizontalLayout_4"
        << "ScopePageFrame_Trigger"
        << QStringList{"cb_Trigger", "verticalLayout_5", "spacer 1000x20 Maximum", "gridLayout_4",
                       "spacer 40x20 Expanding"}
        << eleven << plain;
    QTest::newRow("verticalLayout_5")
        << "verticalLayout_5"
        << "horizontalLayout_4" << QStringList{"gridLayout_5"} << QMargins(0, 0, 20, 0) << minimum;
    QTest::newRow("gridLayout_5: row 0 stays empty")
        << "gridLayout_5"
        << "verticalLayout_5"
        << QStringList{"Kvel_Scope_cmb_TriggerSel@1,0", "Kvel_Scope_cmb_TriggerCondition@1,1",
                       "Kvel_Scope_cmb_TriggerFS@1,2", "Kvel_Scope_edit_TriggerThreshold@1,3",
                       "cb_AbsoluteValue@1,4"}
        << nested << plain;
    QTest::newRow("gridLayout_4") << "gridLayout_4"
                                  << "horizontalLayout_4"
                                  << QStringList{"Kvel_Scope_label_TrigDelay@0,0",
                                                 "Kvel_Scope_edit_TriggerDelay@0,1", "label_17@0,2"}
                                  << nested << minimum;
}

void TestScopeForm::layouts()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QStringList, items);
    QFETCH(QMargins, margins);
    QFETCH(QLayout::SizeConstraint, constraint);

    auto *layout = m_widget->findChild<QLayout *>(name);
    QVERIFY(layout);
    QCOMPARE(layout->parent()->objectName(), parentName);
    QCOMPARE(itemNames(layout), items);
    QCOMPARE(layout->spacing(), 6);
    QCOMPARE(layout->contentsMargins(), margins);
    QCOMPARE(layout->sizeConstraint(), constraint);
}

void TestScopeForm::formStates()
{
    QCOMPARE(m_widget->windowTitle(), QStringLiteral("TarnPlugin_Scope"));
    QCOMPARE(m_widget->size(), QSize(1137, 620));
    QCOMPARE(m_widget->layout(), m_ui.verticalLayout);
    QCOMPARE(m_ui.gridLayout_5->rowCount(), 2);

    QVERIFY(!m_ui.cb_StopWhenError->isChecked());
    QVERIFY(!m_ui.cb_AbsoluteValue->isChecked());
    QVERIFY(!m_ui.cb_Trigger->isChecked());
    QVERIFY(m_ui.cb_Trigger->autoExclusive());
    QVERIFY(m_ui.Kvel_Scope_cmb_TriggerFS->isEnabled());
    QCOMPARE(m_ui.Kvel_Scope_cmb_TriggerSel->count(), 0);
    QCOMPARE(m_ui.Kvel_Scope_edit_TriggerThreshold->baseSize(), QSize(0, 3));
    QVERIFY(m_ui.Kvel_Scope_edit_TriggerThreshold->text().isEmpty());

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
    QCOMPARE(m_ui.ScopePlugin_btn_Setting->width(), 100);
    QVERIFY(m_ui.ScopePlugin_btn_Setting->height() >= 40);
    QCOMPARE(m_ui.Kvel_Scope_lb_ReadScopeCycTip_2->width(), 130);
    QCOMPARE(m_ui.Kvel_Scope_lb_MoxMem->width(), 80);
}

QTEST_MAIN(TestScopeForm)
#include "tst_scopeform.moc"
