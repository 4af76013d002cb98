#include <QFile>
#include <QFileInfo>
#include <QUiLoader>
#include <QtTest>

#include <algorithm>

// Forms made in Qt Designer that hold the scope, loaded at run time by QUiLoader with the
// built plug-ins on its path: the host gets the complete widget, not an empty placeholder,
// whether the form names the class ("TarnPlugin_Scope") or the widget's old name ("scope").
class tst_UiLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formHoldsTheLiveScope_data();
    void formHoldsTheLiveScope();
    void createWidgetByName_data();
    void createWidgetByName();

private:
    QUiLoader m_loader;
};

void tst_UiLoader::initTestCase()
{
    const QString pluginDir = QFileInfo(QStringLiteral(SCOPE_PLUGIN_PATH)).absolutePath();
    m_loader.addPluginPath(pluginDir);
    QVERIFY(m_loader.availableWidgets().contains(QStringLiteral("scope")));
    QVERIFY(m_loader.availableWidgets().contains(QStringLiteral("TarnPlugin_Scope")));
}

void tst_UiLoader::formHoldsTheLiveScope_data()
{
    QTest::addColumn<QString>("formFile");
    QTest::newRow("class TarnPlugin_Scope") << QStringLiteral(SCOPE_FORMS_DIR "/RobotPanel.ui");
    QTest::newRow("class scope") << QStringLiteral(SCOPE_FORMS_DIR "/LegacyRobotPanel.ui");
}

// The controls hosts reach by object name are there with their classes.
void tst_UiLoader::formHoldsTheLiveScope()
{
    QFETCH(QString, formFile);
    QFile file(formFile);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(formFile));
    QWidget host;
    QWidget *form = m_loader.load(&file, &host);
    QVERIFY2(form, qPrintable(m_loader.errorString()));
    auto *scope = form->findChild<QWidget *>(QStringLiteral("robotScope"));
    QVERIFY(scope);
    QCOMPARE(scope->metaObject()->className(), "TarnPlugin_Scope");
    QCOMPARE(scope->toolTip(), QStringLiteral("placed from the widget box"));
    QCOMPARE(scope->parentWidget(), form);

    const std::pair<const char *, const char *> controls[] = {
        {"ScopePlugin_btn_StartScope", "QPushButton"},
        {"ScopePlugin_btn_ExportScope", "QPushButton"},
        {"Kvel_Scope_cmb_TriggerSel", "QComboBox"},
        {"ScopePlugin_edit_PeriodTime", "QLineEdit"},
        {"Kvel_Scope_lb_MoxCPU", "QLabel"},
        {"QScopeSetting", "QScopeSetting"},
        {"Kvel_Scope_tree_SetComponent", "QTreeView"},
        {"Kvel_Scope_btn_SetOK", "QPushButton"}};
    for (const auto &[name, className] : controls) {
        QObject *child = scope->findChild<QObject *>(QString::fromLatin1(name));
        QVERIFY2(child, name);
        QCOMPARE(child->metaObject()->className(), className);
    }
    const QList<QWidget *> children = scope->findChildren<QWidget *>();
    QVERIFY(std::any_of(children.cbegin(), children.cend(),
                        [](const QWidget *w) { return w->inherits("QwtPlot"); }));
}

void tst_UiLoader::createWidgetByName_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("plug-in name") << QStringLiteral("scope");
    QTest::newRow("class name") << QStringLiteral("TarnPlugin_Scope");
}

void tst_UiLoader::createWidgetByName()
{
    QFETCH(QString, className);
    QWidget parent;
    QWidget *scope = m_loader.createWidget(className, &parent, QStringLiteral("second"));
    QVERIFY(scope);
    QCOMPARE(scope->metaObject()->className(), "TarnPlugin_Scope");
    QCOMPARE(scope->objectName(), QStringLiteral("second"));
    QCOMPARE(scope->parentWidget(), &parent);
}

QTEST_MAIN(tst_UiLoader)
#include "tst_uiloader.moc"
