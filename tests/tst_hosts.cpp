#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QPluginLoader>
#include <QPointer>
#include <QUiLoader>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <algorithm>

// The built Designer plug-ins as hosts see them: loaded from their files with
// QPluginLoader, and through QUiLoader for forms made in Designer, whether a form names the
// class ("TarnPlugin_Scope") or the widget's older name ("scope").
class tst_Hosts : public QObject
{
    Q_OBJECT

    QPluginLoader m_loader{QStringLiteral(SCOPE_PLUGIN_PATH)};
    QLibrary m_library{QStringLiteral(SCOPE_PLUGIN_PATH)};
    QUiLoader m_uiLoader;

    QDesignerCustomWidgetInterface *plugin()
    {
        return qobject_cast<QDesignerCustomWidgetInterface *>(m_loader.instance());
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
        QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
        QVERIFY(plugin());
        m_uiLoader.addPluginPath(QFileInfo(QStringLiteral(SCOPE_PLUGIN_PATH)).absolutePath());
    }

    void pluginAnswers()
    {
        QCOMPARE(m_loader.metaData().value("IID").toString(),
                 QString("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
        QDesignerCustomWidgetInterface *p = plugin();
        QCOMPARE(p->name(), QString("scope"));
        QCOMPARE(p->includeFile(), QString("TarnPlugin_Scope.h"));
        QVERIFY(!p->isContainer());
        QVERIFY(!p->icon().isNull());
        QVERIFY(p->domXml().startsWith(
            "<widget class=\"TarnPlugin_Scope\" name=\"tarnPlugin_Scope\">"));
    }

    void formHoldsTheLiveScope_data()
    {
        QTest::addColumn<QString>("formFile");
        QTest::newRow("class TarnPlugin_Scope") << QStringLiteral(SCOPE_FORMS_DIR "/RobotPanel.ui");
        QTest::newRow("class scope") << QStringLiteral(SCOPE_FORMS_DIR "/LegacyRobotPanel.ui");
    }
    // The controls hosts reach by object name are there with their classes.
    void formHoldsTheLiveScope()
    {
        QFETCH(QString, formFile);
        QFile file(formFile);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(formFile));
        QWidget host;
        QWidget *form = m_uiLoader.load(&file, &host);
        QVERIFY2(form, qPrintable(m_uiLoader.errorString()));
        auto *scope = form->findChild<QWidget *>(QStringLiteral("robotScope"));
        QVERIFY(scope);
        QCOMPARE(scope->metaObject()->className(), "TarnPlugin_Scope");
        QCOMPARE(scope->toolTip(), QStringLiteral("placed from the widget box"));
        const std::pair<const char *, const char *> controls[] = {
            {"ScopePlugin_btn_StartScope", "QPushButton"},
            {"ScopePlugin_btn_ExportScope", "QPushButton"},
            {"ScopePlugin_edit_PeriodTime", "QLineEdit"},
            {"cb_Trigger", "QRadioButton"},
            {"Kvel_Scope_cmb_TriggerSel", "QComboBox"},
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

    void uiLoaderCreatesTheScopeByEitherName_data()
    {
        QTest::addColumn<QString>("className");
        QTest::newRow("plug-in name") << QStringLiteral("scope");
        QTest::newRow("class name") << QStringLiteral("TarnPlugin_Scope");
    }
    void uiLoaderCreatesTheScopeByEitherName()
    {
        QFETCH(QString, className);
        QWidget parent;
        QWidget *scope = m_uiLoader.createWidget(className, &parent, QStringLiteral("second"));
        QVERIFY(scope);
        QCOMPARE(scope->metaObject()->className(), "TarnPlugin_Scope");
        QCOMPARE(scope->objectName(), QStringLiteral("second"));
        QCOMPARE(scope->parentWidget(), &parent);
    }

    // Hosts reach the object through the exported entry point; a deleted object is
    // replaced by a fresh, uninitialised one. Last: QUiLoader keeps the first object.
    void entryPointKeepsOneObjectUntilItIsDeleted()
    {
        using InstanceFunction = QObject *(*)();
        const auto instance =
            reinterpret_cast<InstanceFunction>(m_library.resolve("qt_plugin_instance"));
        QVERIFY(instance);
        QPointer<QObject> first = instance();
        QCOMPARE(instance(), first.data());
        QCOMPARE(m_loader.instance(), first.data());
        qobject_cast<QDesignerCustomWidgetInterface *>(first.data())->initialize(nullptr);
        delete first.data();
        QObject *second = instance();
        QCOMPARE(m_loader.instance(), second);
        auto *fresh = qobject_cast<QDesignerCustomWidgetInterface *>(second);
        QVERIFY(fresh);
        QVERIFY(!fresh->isInitialized());
        fresh->initialize(nullptr);
        QVERIFY(fresh->isInitialized());
    }

    // The library stays loaded: widgets made from it must not outlive its code.
    void cleanupTestCase() { delete m_loader.instance(); }
};

QTEST_MAIN(tst_Hosts)
#include "tst_hosts.moc"
