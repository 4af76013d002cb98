#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QUiLoader>
#include <QtTest>

#include <algorithm>

// A form made in Qt Designer that holds the scope, loaded at run time by QUiLoader with the
// built plug-in on its path: the host gets the complete widget, not an empty placeholder.
class tst_UiLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loaderKnowsTheWidget();
    void formHoldsAFullScope_data();
    void formHoldsAFullScope();
    void formPropertiesReachTheScope();
    void createWidgetByName();

private:
    QUiLoader m_loader;
    QWidget m_host;
    QWidget *m_form = nullptr; // child of m_host
    QWidget *m_scope = nullptr;
};

void tst_UiLoader::initTestCase()
{
    const QString pluginDir = QFileInfo(QStringLiteral(SCOPE_PLUGIN_PATH)).absolutePath();
    m_loader.addPluginPath(pluginDir);
    QVERIFY(m_loader.pluginPaths().contains(pluginDir));

    QFile form(QStringLiteral(SCOPE_HOST_FORM));
    QVERIFY2(form.open(QIODevice::ReadOnly), qPrintable(form.fileName()));
    m_form = m_loader.load(&form, &m_host);
    QVERIFY2(m_form, qPrintable(m_loader.errorString()));
    m_scope = m_form->findChild<QWidget *>(QStringLiteral("robotScope"));
    QVERIFY(m_scope);
}

// Hosts key custom widgets by the plug-in's name(), which is "scope"; the widget made for it
// is the TarnPlugin_Scope.
void tst_UiLoader::loaderKnowsTheWidget()
{
    QVERIFY(m_loader.availableWidgets().contains(QStringLiteral("scope")));
    QCOMPARE(m_scope->metaObject()->className(), "TarnPlugin_Scope");
}

void tst_UiLoader::formHoldsAFullScope_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QString>("className");
    QTest::newRow("start button") << "ScopePlugin_btn_StartScope"
                                  << "QPushButton";
    QTest::newRow("stop button") << "ScopePlugin_btn_StopScope"
                                 << "QPushButton";
    QTest::newRow("setting button") << "ScopePlugin_btn_Setting"
                                    << "QPushButton";
    QTest::newRow("export button") << "ScopePlugin_btn_ExportScope"
                                   << "QPushButton";
    QTest::newRow("trigger channels") << "Kvel_Scope_cmb_TriggerSel"
                                      << "QComboBox";
    QTest::newRow("trigger condition") << "Kvel_Scope_cmb_TriggerCondition"
                                       << "QComboBox";
    QTest::newRow("period edit") << "ScopePlugin_edit_PeriodTime"
                                 << "QLineEdit";
    QTest::newRow("CPU read-out") << "Kvel_Scope_lb_MoxCPU"
                                  << "QLabel";
    QTest::newRow("plot frame") << "ScopePageFrame_QwtFrame"
                                << "QFrame";
    QTest::newRow("channel dialog") << "QScopeSetting"
                                    << "QScopeSetting";
    QTest::newRow("component tree") << "Kvel_Scope_tree_SetComponent"
                                    << "QTreeView";
    QTest::newRow("dialog OK") << "Kvel_Scope_btn_SetOK"
                               << "QPushButton";
}

void tst_UiLoader::formHoldsAFullScope()
{
    QFETCH(QString, objectName);
    QFETCH(QString, className);
    QObject *child = m_scope->findChild<QObject *>(objectName);
    QVERIFY2(child, qPrintable(objectName));
    QCOMPARE(QString::fromLatin1(child->metaObject()->className()), className);
}

void tst_UiLoader::formPropertiesReachTheScope()
{
    QCOMPARE(m_scope->toolTip(), QStringLiteral("placed from the widget box"));
    QCOMPARE(m_scope->parentWidget(), m_form);

    const QList<QWidget *> children = m_scope->findChildren<QWidget *>();
    const bool hasPlot = std::any_of(children.cbegin(), children.cend(),
                                     [](const QWidget *w) { return w->inherits("QwtPlot"); });
    QVERIFY(hasPlot);
    QCOMPARE(m_scope->findChild<QLineEdit *>(QStringLiteral("ScopePlugin_edit_PeriodTime"))->text(),
             QStringLiteral("10000"));
    QCOMPARE(m_scope->findChild<QComboBox *>(QStringLiteral("Kvel_Scope_cmb_TriggerFS"))->count(),
             2);
}

void tst_UiLoader::createWidgetByName()
{
    QWidget parent;
    QWidget *scope =
        m_loader.createWidget(QStringLiteral("scope"), &parent, QStringLiteral("second"));
    QVERIFY(scope);
    QCOMPARE(scope->metaObject()->className(), "TarnPlugin_Scope");
    QCOMPARE(scope->objectName(), QStringLiteral("second"));
    QCOMPARE(scope->parentWidget(), &parent);
}

QTEST_MAIN(tst_UiLoader)
#include "tst_uiloader.moc"
