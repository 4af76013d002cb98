#include <QMainWindow>
#include <QPushButton>
#include <QtDesigner/QDesignerComponents>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QDesignerFormWindowManagerInterface>
#include <QtDesigner/QDesignerIntegration>
#include <QtDesigner/QDesignerPropertyEditorInterface>
#include <QtDesigner/QDesignerWidgetBoxInterface>
#include <QtDesigner/QDesignerWidgetFactoryInterface>
#include <QtTest>

// Qt Designer's own lookup, without its window: the plug-ins on QT_PLUGIN_PATH/designer,
// widgets made by its widget factory and by loading a form. Both class names, the one the
// widget box entry drops ("TarnPlugin_Scope") and the one older forms carry ("scope"), give
// the live scope, and a form saved again names the header integrators compile against.
namespace {

QStringList g_designerMessages;

void collectDesignerMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.startsWith(QLatin1String("Designer:")))
        g_designerMessages << message;
}

QString formWith(const QString &className)
{
    return QStringLiteral("<ui version=\"4.0\"><class>Host</class>"
                          "<widget class=\"QWidget\" name=\"Host\">"
                          "<widget class=\"%1\" name=\"robotScope\"/></widget></ui>")
        .arg(className);
}

bool isLiveScope(const QWidget *widget)
{
    return widget && QByteArray(widget->metaObject()->className()) == "TarnPlugin_Scope" &&
           widget->findChild<QPushButton *>(QStringLiteral("ScopePlugin_btn_StartScope"));
}

} // namespace

class tst_DesignerLookup : public QObject
{
    Q_OBJECT

    QMainWindow m_topLevel;
    QDesignerFormEditorInterface *m_core = nullptr;

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(collectDesignerMessages);
        m_core = QDesignerComponents::createFormEditor(nullptr);
        QDesignerComponents::initializePlugins(m_core);
        m_core->setTopLevel(&m_topLevel);
        m_core->setWidgetBox(QDesignerComponents::createWidgetBox(m_core, nullptr));
        m_core->setPropertyEditor(QDesignerComponents::createPropertyEditor(m_core, nullptr));
        new QDesignerIntegration(m_core, &m_topLevel); // owned by the top level
    }
    void cleanupTestCase() { qInstallMessageHandler(nullptr); }

    void classNamesGiveTheLiveScope_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<bool>("mismatchNoted");
        QTest::newRow("dropped from the widget box") << "TarnPlugin_Scope" << false;
        QTest::newRow("saved by earlier forms") << "scope" << true;
    }
    void classNamesGiveTheLiveScope()
    {
        QFETCH(QString, className);
        QFETCH(bool, mismatchNoted);
        g_designerMessages.clear();
        QDesignerFormWindowInterface *form =
            m_core->formWindowManager()->createFormWindow(&m_topLevel);
        form->setContents(formWith(className));
        QVERIFY(isLiveScope(form->mainContainer()->findChild<QWidget *>("robotScope")));
        QVERIFY(
            isLiveScope(m_core->widgetFactory()->createWidget(className, form->mainContainer())));
        const bool noted = !g_designerMessages.filter(QStringLiteral("mismatch")).isEmpty();
        QVERIFY2(noted == mismatchNoted, qPrintable(g_designerMessages.join('\n')));
        // Saved again, either form names the class and its real header, and so reopens live.
        const QString saved = form->contents();
        QVERIFY(saved.contains(QLatin1String("<widget class=\"TarnPlugin_Scope\"")));
        QVERIFY(saved.contains(QLatin1String("<header>TarnPlugin_Scope.h</header>")));
        delete form;
    }
};

QTEST_MAIN(tst_DesignerLookup)
#include "tst_designerlookup.moc"
