#include "ScopeCatalog.h"
#include "TreeModel.h"
#include "TreeModelItem.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {

const QString kFourLines = QStringLiteral("A\n B\n C\nD");
const QString kThreeLevels = QStringLiteral("A\n B\n  C\n D");

// "A#0[B#1 C#2] D#3": texts ("x|y" for two columns), ids and nesting, read through the indexes.
QString shapeOf(const TreeModel &model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        const auto *node = static_cast<const TreeModelItem *>(index.internalPointer());
        QStringList columns;
        for (int column = 0; column < node->columnCount(); ++column)
            columns << node->columnData(column).toString();
        QString text = columns.join('|') + '#' + QString::number(node->itemId());
        if (model.rowCount(index) > 0)
            text += '[' + shapeOf(model, index) + ']';
        rows << text;
    }
    return rows.join(' ');
}

void forEachIndex(const TreeModel &model, const std::function<void(const QModelIndex &)> &visit,
                  const QModelIndex &parent = QModelIndex())
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        visit(index);
        forEachIndex(model, visit, index);
    }
}

QModelIndex indexByText(const TreeModel &model, const QString &text)
{
    QModelIndex found;
    forEachIndex(model, [&](const QModelIndex &index) {
        if (index.data().toString() == text)
            found = index;
    });
    return found;
}

QStringList checkedTexts(const TreeModel &model)
{
    QStringList texts;
    forEachIndex(model, [&](const QModelIndex &index) {
        if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked)
            texts << index.data().toString();
    });
    return texts;
}

// "A=2;C=0": setData with the check role on each named row, in order.
void applyChecks(TreeModel &model, const QString &actions)
{
    for (const QString &action : actions.split(';', Qt::SkipEmptyParts)) {
        const QStringList parts = action.split('=');
        const QModelIndex index = indexByText(model, parts.at(0));
        QVERIFY2(index.isValid(), qPrintable(parts.at(0)));
        QVERIFY(model.setData(index, parts.at(1).toInt(), Qt::CheckStateRole));
    }
}

// One name and a line feed per key, as the selection dialog builds its trees.
QString catalogueText(int count, const std::function<QString(int)> &nameOf)
{
    QString text;
    for (int key = 0; key < count; ++key)
        text += nameOf(key) + '\n';
    return text;
}

} // namespace

class TestTreeModel : public QObject
{
    Q_OBJECT

private slots:
    void parsesIndentedText_data();
    void parsesIndentedText();
    void propagatesChecks_data();
    void propagatesChecks();
    void reportsChangedRows_data();
    void reportsChangedRows();
    void rolesFlagsAndHeader();
    void setCheckedByIdTouchesOneNodeSilently();
    void passesModelTester_data();
    void passesModelTester();
};

void TestTreeModel::parsesIndentedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shape");

    const auto row = [](const char *name, const QString &text, const char *shape) {
        QTest::newRow(name) << text << QString(shape);
    };
    row("empty text gives no nodes", "", "");
    row("blank and white-space lines use no ids", "A\n\n   \n\t \nB\n", "A#0 B#1");
    row("one-space children", kFourLines, "A#0[B#1 C#2] D#3");
    row("indented first line is top-level, next nests", "  A\n  B", "A#0[B#1]");
    row("deep indent nests one level, shallower returns", "A\n      B\n  C", "A#0[B#1] C#2");
    row("returned level opens under its new node", "A\n      B\n  C\n  D", "A#0[B#1] C#2[D#3]");
    row("two levels back in one line", "A\n B\n  C\nD", "A#0[B#1[C#2]] D#3");
    row("blank line keeps the group open", "A\n B\n\n C", "A#0[B#1 C#2]");
    row("tab is not indentation", "A\n\tB", "A#0 B#1");
    row("tabs split columns", "x\t\ty", "x|y#0");
    row("carriage returns are trimmed", "A\r\n B\r\n", "A#0[B#1]");
}

void TestTreeModel::parsesIndentedText()
{
    QFETCH(QString, text);
    QFETCH(QString, shape);

    const TreeModel model("Title", text);
    QCOMPARE(shapeOf(model), shape);
    QCOMPARE(model.columnCount(), 1);
    QVERIFY(model.checkedLeafIds().isEmpty());
}

void TestTreeModel::propagatesChecks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QList<int>>("leafIds");

    QTest::newRow("group checks its children")
        << kFourLines << "A=2" << QStringList{"A", "B", "C"} << QList<int>{1, 2};
    QTest::newRow("unchecking a child unchecks the group")
        << kFourLines << "A=2;B=0" << QStringList{"C"} << QList<int>{2};
    QTest::newRow("one child of two leaves the group unchecked")
        << kFourLines << "B=2" << QStringList{"B"} << QList<int>{1};
    QTest::newRow("all children check the group")
        << kFourLines << "B=2;C=2;D=2" << QStringList{"A", "B", "C", "D"} << QList<int>{1, 2, 3};
    QTest::newRow("unchecking a group clears its subtree")
        << kThreeLevels << "A=2;A=0" << QStringList{} << QList<int>{};
    QTest::newRow("only leaf checks its middle node, not the top")
        << kThreeLevels << "C=2" << QStringList{"B", "C"} << QList<int>{2};
    QTest::newRow("nodes above the direct parent keep their flag")
        << kThreeLevels << "A=2;C=0" << QStringList{"A", "D"} << QList<int>{3};
    QTest::newRow("partial on a leaf changes nothing")
        << kFourLines << "A=2;B=1" << QStringList{"A", "B", "C"} << QList<int>{1, 2};
    QTest::newRow("partial on a group recomputes it from its children")
        << kThreeLevels << "A=2;C=0;A=1" << QStringList{"D"} << QList<int>{3};
    QTest::newRow("out-of-range value is ignored")
        << kFourLines << "B=7" << QStringList{} << QList<int>{};
}

void TestTreeModel::propagatesChecks()
{
    QFETCH(QString, text);
    QFETCH(QString, actions);
    QFETCH(QStringList, checked);
    QFETCH(QList<int>, leafIds);

    TreeModel model("Title", text);
    applyChecks(model, actions);
    QCOMPARE(checkedTexts(model), checked);
    QCOMPARE(model.checkedLeafIds(), leafIds);
}

void TestTreeModel::reportsChangedRows_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("changed");

    QTest::newRow("leaf, then its parent") << "B" << 2 << QStringList{"B", "A"};
    QTest::newRow("partial leaf: parent only") << "B" << 1 << QStringList{"A"};
    QTest::newRow("top-level group: no notice for the root")
        << "A" << 2 << QStringList{"A", "B", "A", "C", "A"};
    QTest::newRow("top-level leaf") << "D" << 0 << QStringList{"D"};
}

void TestTreeModel::reportsChangedRows()
{
    QFETCH(QString, row);
    QFETCH(int, value);
    QFETCH(QStringList, changed);

    TreeModel model("Title", kFourLines);
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(indexByText(model, row), value, Qt::CheckStateRole));

    QStringList texts;
    for (const QList<QVariant> &arguments : qAsConst(spy)) {
        const auto topLeft = arguments.at(0).value<QModelIndex>();
        QCOMPARE(arguments.at(1).value<QModelIndex>(), topLeft);
        QVERIFY(arguments.at(2).value<QVector<int>>().isEmpty());
        texts << topLeft.data().toString();
    }
    QCOMPARE(texts, changed);
}

void TestTreeModel::rolesFlagsAndHeader()
{
    TreeModel model("Title", "p\tq\n x\ty");
    const QModelIndex parent = model.index(0, 0);
    const QModelIndex secondColumn = model.index(0, 1, parent);
    QCOMPARE(secondColumn.data().toString(), QStringLiteral("y"));
    QCOMPARE(int(model.flags(parent)), 0x31);
    QCOMPARE(int(model.flags(secondColumn)), 0x21);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Title"));
    QVERIFY(!model.headerData(0, Qt::Vertical).isValid());

    // Other roles, other columns and foreign or invalid indexes are accepted and ignored.
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(parent, Qt::Checked, Qt::DisplayRole));
    QVERIFY(model.setData(secondColumn, Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.setData(QModelIndex(), Qt::Checked, Qt::CheckStateRole));
    const TreeModel other("Other", "z");
    QVERIFY(model.setData(other.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(spy.count(), 0);
    QVERIFY(checkedTexts(model).isEmpty());
    QCOMPARE(parent.data().toString(), QStringLiteral("p"));
    QVERIFY(!secondColumn.data(Qt::CheckStateRole).isValid());

    QVERIFY(model.setData(parent, Qt::Checked, Qt::CheckStateRole));
    const QVariant state = parent.data(Qt::CheckStateRole);
    QCOMPARE(state.userType(), int(QMetaType::Int));
    QCOMPARE(state.toInt(), int(Qt::Checked));
}

void TestTreeModel::setCheckedByIdTouchesOneNodeSilently()
{
    TreeModel model("Title", kFourLines);
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);

    model.setCheckedById(1, true);
    QCOMPARE(checkedTexts(model), QStringList{"B"});
    model.setCheckedById(0, true);
    QCOMPARE(checkedTexts(model), (QStringList{"A", "B"}));
    QCOMPARE(model.checkedLeafIds(), QList<int>{1});
    model.setCheckedById(99, true);
    model.setCheckedById(-1, true);
    QCOMPARE(checkedTexts(model), (QStringList{"A", "B"}));
    QCOMPARE(spy.count(), 0);

    TreeModel empty("Title", "");
    empty.setCheckedById(-1, true);
    QVERIFY(empty.checkedLeafIds().isEmpty());
}

void TestTreeModel::passesModelTester_data()
{
    QTest::addColumn<QString>("text");

    const ScopeCatalog &catalog = ScopeCatalog::instance();
    QTest::newRow("components") << catalogueText(catalog.axisCount(),
                                                 [&](int key) { return catalog.axisName(key); });
    QTest::newRow("links") << catalogueText(catalog.linkCount(),
                                            [&](int key) { return catalog.linkName(key); });
    QTest::newRow("end effectors")
        << catalogueText(catalog.endEffCount(), [&](int key) { return catalog.endEffName(key); });
    QTest::newRow("three levels") << kThreeLevels;
    QTest::newRow("columns") << "p\tq\n x\ty\n  z";
    QTest::newRow("empty") << "";
}

// The tester checks the structure on creation and every change notice afterwards.
void TestTreeModel::passesModelTester()
{
    QFETCH(QString, text);

    TreeModel model("Title", text);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QList<QModelIndex> indexes;
    forEachIndex(model, [&](const QModelIndex &index) { indexes << index; });
    for (int value : {2, 1, 0}) {
        for (const QModelIndex &index : qAsConst(indexes))
            QVERIFY(model.setData(index, value, Qt::CheckStateRole));
    }
}

QTEST_GUILESS_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
