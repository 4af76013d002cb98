#include "QScopeSetting.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <memory>

using IntMap = QMap<int, int>;

namespace {

template <typename Selection> IntMap toIntMap(const Selection &selection)
{
    IntMap map;
    for (const auto &entry : selection)
        map.insert(entry.first, entry.second);
    return map;
}

IntMap identityMap(int count)
{
    IntMap map;
    for (int key = 0; key < count; ++key)
        map.insert(key, key);
    return map;
}

const IntMap kAllLinkLeaves{{1, 43},   {2, 49},   {3, 79},   {4, 145},  {5, 151},
                            {7, 55},   {8, 61},   {9, 85},   {10, 91},  {12, 67},
                            {13, 73},  {14, 97},  {15, 103}, {16, 109}, {17, 115},
                            {19, 127}, {20, 121}, {21, 139}, {22, 133}};
const IntMap kAllEndEffLeaves{{1, 19}, {2, 25}, {4, 31}, {5, 37}, {7, 169}, {8, 175}};

} // namespace

class TestQScopeSetting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formTextsAndSizes();
    void selectAllAndDeselectAll_data();
    void selectAllAndDeselectAll();
    void checkingARowThroughTheView_data();
    void checkingARowThroughTheView();
    void okEmitsThenHides();
    void cancelAndCloseHideAndKeepChecks_data();
    void cancelAndCloseHideAndKeepChecks();
    void unSelectAllEmptiesEveryTree();

private:
    QTreeView *tree(const char *name) const;
    void click(const char *buttonName);
    IntMap selectionOf(const QString &treeName) const;

    std::unique_ptr<QWidget> m_host;
    QScopeSetting *m_dialog = nullptr;
};

void TestQScopeSetting::init()
{
    m_host = std::make_unique<QWidget>();
    m_dialog = new QScopeSetting(m_host.get());
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void TestQScopeSetting::cleanup()
{
    m_host.reset();
    m_dialog = nullptr;
}

QTreeView *TestQScopeSetting::tree(const char *name) const
{
    return m_dialog->findChild<QTreeView *>(name);
}

void TestQScopeSetting::click(const char *buttonName)
{
    auto *button = m_dialog->findChild<QPushButton *>(buttonName);
    QVERIFY2(button, buttonName);
    QTest::mouseClick(button, Qt::LeftButton);
}

IntMap TestQScopeSetting::selectionOf(const QString &treeName) const
{
    if (treeName == "Kvel_Scope_tree_SetComponent")
        return toIntMap(m_dialog->componentSelection());
    if (treeName == "Kvel_Scope_tree_SetLink")
        return toIntMap(m_dialog->linkSelection());
    return toIntMap(m_dialog->endEffectorSelection());
}

void TestQScopeSetting::formTextsAndSizes()
{
    const char *const widgets[][3] = {
        {"Kvel_Scope_label_SetComponent", "QLabel", "Component:"},
        {"Kvel_Scope_tree_SetComponent", "QTreeView", ""},
        {"Kvel_Scope_btn_SetCompSelectAll", "QPushButton", "Select All"},
        {"Kvel_Scope_btn_SetCompUnSelectAll", "QPushButton", "Deselect All"},
        {"Kvel_Scope_label_SetLink", "QLabel", "Link:"},
        {"Kvel_Scope_tree_SetLink", "QTreeView", ""},
        {"Kvel_Scope_btn_SetLinkSelectAll", "QPushButton", "Select All"},
        {"Kvel_Scope_btn_SetLinkUnSelectAll", "QPushButton", "Deselect All"},
        {"Kvel_Scope_label_SetEndEffector", "QLabel", "End Effector:"},
        {"Kvel_Scope_tree_SetEndEffector", "QTreeView", ""},
        {"Kvel_Scope_btn_SetEndSelectAll", "QPushButton", "Select All"},
        {"Kvel_Scope_btn_SetEndUnSelectAll", "QPushButton", "Deselect All"},
        {"Kvel_Scope_btn_SetOK", "QPushButton", "OK"},
        {"Kvel_Scope_btn_SetCancel", "QPushButton", "Cancel"},
    };
    for (const auto &[name, className, text] : widgets) {
        const auto *widget = m_dialog->findChild<QWidget *>(name);
        QVERIFY2(widget, name);
        QCOMPARE(widget->metaObject()->className(), className);
        QCOMPARE(widget->property("text").toString(), QString(text));
    }

    QCOMPARE(m_dialog->objectName(), QStringLiteral("QScopeSetting"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("QScopeSetting"));
    QCOMPARE(m_dialog->windowType(), Qt::Dialog);
    QCOMPARE(m_dialog->size(), QSize(800, 600));
    for (const char *name : {"Kvel_Scope_btn_SetOK", "Kvel_Scope_btn_SetCancel"})
        QCOMPARE(m_dialog->findChild<QPushButton *>(name)->width(), 100);

    const QStringList titles{"Component List", "Link Data Capture", "End Effector Data Capture"};
    const QList<QTreeView *> trees{tree("Kvel_Scope_tree_SetComponent"),
                                   tree("Kvel_Scope_tree_SetLink"),
                                   tree("Kvel_Scope_tree_SetEndEffector")};
    for (int i = 0; i < trees.size(); ++i) {
        QCOMPARE(trees[i]->model()->headerData(0, Qt::Horizontal).toString(), titles[i]);
        QVERIFY(!trees[i]->isExpanded(trees[i]->model()->index(0, 0)));
    }
}

void TestQScopeSetting::selectAllAndDeselectAll_data()
{
    QTest::addColumn<QString>("treeName");
    QTest::addColumn<QString>("selectAll");
    QTest::addColumn<QString>("deselectAll");
    QTest::addColumn<IntMap>("expected");

    QTest::newRow("components: 33 rows, key to key")
        << "Kvel_Scope_tree_SetComponent"
        << "Kvel_Scope_btn_SetCompSelectAll"
        << "Kvel_Scope_btn_SetCompUnSelectAll" << identityMap(33);
    QTest::newRow("links: 19 leaves with their bases")
        << "Kvel_Scope_tree_SetLink"
        << "Kvel_Scope_btn_SetLinkSelectAll"
        << "Kvel_Scope_btn_SetLinkUnSelectAll" << kAllLinkLeaves;
    QTest::newRow("end effectors: 6 leaves with their bases")
        << "Kvel_Scope_tree_SetEndEffector"
        << "Kvel_Scope_btn_SetEndSelectAll"
        << "Kvel_Scope_btn_SetEndUnSelectAll" << kAllEndEffLeaves;
}

void TestQScopeSetting::selectAllAndDeselectAll()
{
    QFETCH(QString, treeName);
    QFETCH(QString, selectAll);
    QFETCH(QString, deselectAll);
    QFETCH(IntMap, expected);

    const QStringList treeNames{"Kvel_Scope_tree_SetComponent", "Kvel_Scope_tree_SetLink",
                                "Kvel_Scope_tree_SetEndEffector"};
    click(selectAll.toLatin1());
    for (const QString &name : treeNames)
        QCOMPARE(selectionOf(name), name == treeName ? expected : IntMap());
    // Group rows are checked too, and the view shows the new flags.
    const QAbstractItemModel *model = tree(treeName.toLatin1())->model();
    QCOMPARE(model->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

    click(deselectAll.toLatin1());
    QCOMPARE(selectionOf(treeName), IntMap());
    QCOMPARE(model->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

void TestQScopeSetting::checkingARowThroughTheView_data()
{
    QTest::addColumn<QString>("treeName");
    QTest::addColumn<int>("row");
    QTest::addColumn<IntMap>("expected");

    QTest::newRow("group Motor PCS gives its two leaves")
        << "Kvel_Scope_tree_SetEndEffector" << 0 << IntMap{{1, 19}, {2, 25}};
    QTest::newRow("group Motor Current gives its six leaves")
        << "Kvel_Scope_tree_SetLink" << 2
        << IntMap{{12, 67}, {13, 73}, {14, 97}, {15, 103}, {16, 109}, {17, 115}};
    QTest::newRow("component NULL is a row like any other")
        << "Kvel_Scope_tree_SetComponent" << 0 << IntMap{{0, 0}};
}

void TestQScopeSetting::checkingARowThroughTheView()
{
    QFETCH(QString, treeName);
    QFETCH(int, row);
    QFETCH(IntMap, expected);

    QAbstractItemModel *model = tree(treeName.toLatin1())->model();
    QVERIFY(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(selectionOf(treeName), expected);
}

void TestQScopeSetting::okEmitsThenHides()
{
    QSignalSpy spy(m_dialog, SIGNAL(userSetAxisInfo()));
    bool visibleWhenEmitted = false;
    connect(m_dialog, &QScopeSetting::userSetAxisInfo, this,
            [&] { visibleWhenEmitted = m_dialog->isVisible(); });

    click("Kvel_Scope_btn_SetOK");
    QCOMPARE(spy.count(), 1);
    QVERIFY(visibleWhenEmitted);
    QVERIFY(!m_dialog->isVisible());
}

void TestQScopeSetting::cancelAndCloseHideAndKeepChecks_data()
{
    QTest::addColumn<bool>("byCancel");
    QTest::newRow("Cancel button") << true;
    QTest::newRow("window closed") << false;
}

void TestQScopeSetting::cancelAndCloseHideAndKeepChecks()
{
    QFETCH(bool, byCancel);

    QSignalSpy spy(m_dialog, SIGNAL(userSetAxisInfo()));
    QAbstractItemModel *model = tree("Kvel_Scope_tree_SetEndEffector")->model();
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);

    if (byCancel)
        click("Kvel_Scope_btn_SetCancel");
    else
        QVERIFY(m_dialog->close());

    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(toIntMap(m_dialog->endEffectorSelection()), (IntMap{{1, 19}, {2, 25}}));
}

void TestQScopeSetting::unSelectAllEmptiesEveryTree()
{
    QSignalSpy spy(m_dialog, SIGNAL(userSetAxisInfo()));
    click("Kvel_Scope_btn_SetCompSelectAll");
    click("Kvel_Scope_btn_SetLinkSelectAll");
    click("Kvel_Scope_btn_SetEndSelectAll");

    m_dialog->UnSelectAll();
    QVERIFY(m_dialog->componentSelection().empty());
    QVERIFY(m_dialog->linkSelection().empty());
    QVERIFY(m_dialog->endEffectorSelection().empty());
    QCOMPARE(tree("Kvel_Scope_tree_SetLink")->model()->index(0, 0).data(Qt::CheckStateRole).toInt(),
             int(Qt::Unchecked));
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestQScopeSetting)
#include "tst_qscopesetting.moc"
