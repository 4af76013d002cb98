#include <QIcon>
#include <QImage>
#include <QJsonObject>
#include <QLibrary>
#include <QPainter>
#include <QPluginLoader>
#include <QPointer>
#include <QRegularExpression>
#include <QWidget>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// The built Designer plug-in as a host sees it: loaded with QPluginLoader and QLibrary from
// its file, never linked.
class tst_PluginLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void metaData();
    void interfaceAnswers_data();
    void interfaceAnswers();
    void domXmlIsTheExactSnippet();
    void iconShowsOnAWhiteWidgetBox();
    void entryPointKeepsOneObjectUntilItIsDeleted();
    void createWidgetMakesAScopeOwnedByTheParent();

private:
    QDesignerCustomWidgetInterface *plugin();

    QPluginLoader m_loader{QStringLiteral(SCOPE_PLUGIN_PATH)};
    QLibrary m_library{QStringLiteral(SCOPE_PLUGIN_PATH)};
};

using InstanceFunction = QObject *(*)();

QDesignerCustomWidgetInterface *tst_PluginLoader::plugin()
{
    return qobject_cast<QDesignerCustomWidgetInterface *>(m_loader.instance());
}

void tst_PluginLoader::initTestCase()
{
    QVERIFY2(QDir::isAbsolutePath(m_loader.fileName()), qPrintable(m_loader.fileName()));
    QVERIFY2(m_loader.load(), qPrintable(m_loader.errorString()));
    QVERIFY2(m_library.load(), qPrintable(m_library.errorString()));
    QVERIFY(plugin());
}

// The library stays loaded: widgets made from it must not outlive its code.
void tst_PluginLoader::cleanupTestCase()
{
    delete m_loader.instance();
}

void tst_PluginLoader::metaData()
{
    const QJsonObject meta = m_loader.metaData();
    QCOMPARE(meta.value(QStringLiteral("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
    QCOMPARE(meta.value(QStringLiteral("className")).toString(),
             QStringLiteral("TarnPlugin_ScopePlugin"));
    QCOMPARE(meta.value(QStringLiteral("MetaData")).toObject(), QJsonObject());
    // Qt 5.15's moc records the major and minor version only.
    QCOMPARE(meta.value(QStringLiteral("version")).toInt(), QT_VERSION & 0xffff00);
    QVERIFY(meta.value(QStringLiteral("debug")).isBool());
    QCOMPARE(m_loader.instance()->metaObject()->className(), "TarnPlugin_ScopePlugin");
}

void tst_PluginLoader::interfaceAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QDesignerCustomWidgetInterface *p = plugin();
    QTest::newRow("name is the short id, not the class") << p->name() << "scope";
    QTest::newRow("group") << p->group() << "scope";
    QTest::newRow("toolTip") << p->toolTip() << "scope";
    QTest::newRow("whatsThis is two characters") << p->whatsThis() << "10";
    QTest::newRow("includeFile") << p->includeFile() << "TarnPlugin_Scope.h";
    QTest::newRow("codeTemplate keeps the interface default") << p->codeTemplate() << "";
    QTest::newRow("isContainer") << QVariant(p->isContainer()).toString() << "false";
}

void tst_PluginLoader::interfaceAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QCOMPARE(answer, expected);
}

void tst_PluginLoader::domXmlIsTheExactSnippet()
{
    const QString expected =
        QStringLiteral("<widget class=\"TarnPlugin_Scope\" name=\"tarnPlugin_Scope\">\n"
                       " <property name=\"geometry\">\n"
                       "  <rect>\n"
                       "   <x>0</x>\n"
                       "   <y>0</y>\n"
                       "   <width>100</width>\n"
                       "   <height>100</height>\n"
                       "  </rect>\n"
                       " </property>\n"
                       "</widget>\n");
    QCOMPARE(plugin()->domXml(), expected);
}

// Drawn on Designer's white widget box, most of the icon stands out from the white.
void tst_PluginLoader::iconShowsOnAWhiteWidgetBox()
{
    const QIcon icon = plugin()->icon();
    QVERIFY(!icon.isNull());
    QImage onWhite(32, 32, QImage::Format_ARGB32);
    onWhite.fill(Qt::white);
    QPainter painter(&onWhite);
    icon.paint(&painter, onWhite.rect());
    painter.end();
    int distinct = 0;
    for (int y = 0; y < onWhite.height(); ++y) {
        for (int x = 0; x < onWhite.width(); ++x)
            distinct += qGray(onWhite.pixel(x, y)) < 160;
    }
    QVERIFY2(distinct > 32 * 32 / 2, qPrintable(QString::number(distinct)));
}

// Hosts reach the object through the exported entry point; the loader only caches it.
void tst_PluginLoader::entryPointKeepsOneObjectUntilItIsDeleted()
{
    const auto instance =
        reinterpret_cast<InstanceFunction>(m_library.resolve("qt_plugin_instance"));
    QVERIFY(instance);
    QPointer<QObject> first = instance();
    QVERIFY(first);
    QCOMPARE(instance(), first.data());
    QCOMPARE(m_loader.instance(), first.data());
    qobject_cast<QDesignerCustomWidgetInterface *>(first.data())->initialize(nullptr);

    delete first.data();
    QVERIFY(first.isNull());
    QObject *second = instance();
    QVERIFY(second);
    QCOMPARE(second->metaObject()->className(), "TarnPlugin_ScopePlugin");
    QCOMPARE(instance(), second);
    QCOMPARE(m_loader.instance(), second);

    // initialize takes effect once, on the fresh object as on the first.
    auto *fresh = qobject_cast<QDesignerCustomWidgetInterface *>(second);
    QVERIFY2(!fresh->isInitialized(), "a deleted plug-in object must be replaced by a fresh one");
    fresh->initialize(nullptr);
    QVERIFY(fresh->isInitialized());
    fresh->initialize(nullptr);
    QVERIFY(fresh->isInitialized());
}

void tst_PluginLoader::createWidgetMakesAScopeOwnedByTheParent()
{
    const QRegularExpression classAttribute(QStringLiteral("class=\"([^\"]+)\""));
    const QString domClass = classAttribute.match(plugin()->domXml()).captured(1);

    QPointer<QWidget> first;
    QPointer<QWidget> second;
    {
        QWidget parent;
        first = plugin()->createWidget(&parent);
        second = plugin()->createWidget(&parent);
        QVERIFY(first);
        QVERIFY(second);
        QVERIFY(first != second);
        QCOMPARE(first->metaObject()->className(), "TarnPlugin_Scope");
        QCOMPARE(QString::fromLatin1(first->metaObject()->className()), domClass);
        QCOMPARE(first->parentWidget(), &parent);
        QCOMPARE(second->parentWidget(), &parent);
    }
    QVERIFY(first.isNull());
    QVERIFY(second.isNull());
}

QTEST_MAIN(tst_PluginLoader)
#include "tst_pluginloader.moc"
