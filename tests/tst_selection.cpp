#include "QScopeSetting.h"
#include "ScopeCatalog.h"
#include "ScopeChannel.h"
#include "TreeModel.h"
#include "TreeModelItem.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include <algorithm>

using IntMap = QMap<int, int>;

namespace {

// "A#0~[B#1* C#2] D#3": text, id, '*' when checked, '~' when partly, children in brackets.
QString shapeOf(const TreeModel &model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        const auto *node = static_cast<const TreeModelItem *>(index.internalPointer());
        QString text = index.data().toString() + '#' + QString::number(node->itemId());
        const int state = index.data(Qt::CheckStateRole).toInt();
        text += state == Qt::Checked ? "*" : state == Qt::PartiallyChecked ? "~" : "";
        if (model.rowCount(index) > 0)
            text += '[' + shapeOf(model, index) + ']';
        rows << text;
    }
    return rows.join(' ');
}

// "A=2;B=0": checks rows by their text, in order; gives the rows the last one reported changed.
QString applyChecks(TreeModel &model, const QString &actions)
{
    QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
    for (const QString &action : actions.split(';', Qt::SkipEmptyParts)) {
        const QStringList parts = action.split('=');
        spy.clear();
        model.setData(model.match(model.index(0, 0), Qt::DisplayRole, parts[0], 1,
                                  Qt::MatchExactly | Qt::MatchRecursive)[0],
                      parts[1].toInt(), Qt::CheckStateRole);
    }
    QStringList changed;
    for (const QList<QVariant> &arguments : qAsConst(spy))
        changed << arguments.at(0).value<QModelIndex>().data().toString();
    return changed.join(' ');
}

template <typename Selection> IntMap toIntMap(const Selection &selection)
{
    IntMap map;
    for (const auto &[key, value] : selection)
        map.insert(key, value);
    return map;
}

IntMap selectionOf(const QScopeSetting &dialog, int tree)
{
    if (tree == 0)
        return toIntMap(dialog.componentSelection());
    return tree == 1 ? toIntMap(dialog.linkSelection()) : toIntMap(dialog.endEffectorSelection());
}

void click(const QScopeSetting &dialog, const char *button)
{
    dialog.findChild<QPushButton *>(button)->click();
}

// The names of the top-level groups of a tree that are expanded.
QStringList expandedGroups(const QTreeView *tree)
{
    QStringList names;
    const QAbstractItemModel *model = tree->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (tree->isExpanded(index))
            names << index.data().toString().trimmed();
    }
    return names;
}

template <typename Key> std::map<Key, int> items(std::initializer_list<Key> keys)
{
    const ScopeCatalog &c = ScopeCatalog::instance();
    std::map<Key, int> selection;
    for (Key k : keys)
        selection[k] = std::is_same_v<Key, emAXIS>   ? k
                       : std::is_same_v<Key, emLINK> ? c.linkBase(k)
                                                     : c.endEffBase(k);
    return selection;
}

} // namespace

Q_DECLARE_METATYPE(ComponentSelection)
Q_DECLARE_METATYPE(LinkSelection)
Q_DECLARE_METATYPE(EndEffSelection)

class tst_Selection : public QObject
{
    Q_OBJECT

private slots:
    // Link items on joints 1..6 and end-effector items on X..RZ own six indexes each; together
    // they cover the controller's indexes 19..156 and 169..180 once. Absent keys are neutral.
    void catalogueIndexSpace()
    {
        const ScopeCatalog &c = ScopeCatalog::instance();
        IntMap owners;
        for (int key = 0; key < c.linkCount(); ++key)
            for (int joint = 1; joint <= 6 && !ScopeCatalog::isLinkGroup(key); ++joint)
                ++owners[ScopeCatalog::linkIndex(c.linkBase(key), joint)];
        for (int key = 0; key < c.endEffCount(); ++key)
            for (int axis = 0; axis < 6 && !ScopeCatalog::isEndEffGroup(key); ++axis)
                ++owners[ScopeCatalog::endEffIndex(c.endEffBase(key), axis)];
        for (int index = 19; index <= 180; ++index)
            QCOMPARE(owners.take(index), index <= 156 || index >= 169 ? 1 : 0);
        QVERIFY(owners.isEmpty());
        QVERIFY(!ScopeCatalog::carriesData(0) && ScopeCatalog::carriesData(1));
        QVERIFY(ScopeCatalog::carriesData(182) && !ScopeCatalog::carriesData(183));
        QCOMPARE(c.axisName(33) + c.axisUnit(-1) + c.linkName(LINK_NONE) + c.linkUnit(-1) +
                     c.endEffName(ENDEFF_NONE) + c.endEffUnit(99, 0),
                 QString());
        QCOMPARE(c.linkBase(LINK_NONE) + c.endEffBase(ENDEFF_NONE) + c.linkBase(-1), 0);
    }

    void channels_data()
    {
        QTest::addColumn<ComponentSelection>("comp");
        QTest::addColumn<LinkSelection>("link");
        QTest::addColumn<EndEffSelection>("endEff");
        QTest::addColumn<QString>("channels");
        QTest::newRow("joints, then Cartesian, then components")
            << items({AXIS_CurFSM, AXIS_NULL, AXIS_X, AXIS_J2, AXIS_J1})
            << items({LINK_ActualCur, LINK_TargetACS}) << items({ENDEFF_TargetPCS})
            << QString("J1 Target ACS=43 ACS(deg), J1 Actual Cur=73 CUR(A), J2 Target ACS=44 "
                       "ACS(deg), J2 Actual Cur=74 CUR(A), X Target PCS=19 PCS(mm), NULL=0, "
                       "CurFSM=1 FSM");
        QTest::newRow("joints take link items, components end-effector items")
            << items({AXIS_J3, AXIS_Y}) << items({LINK_StatusWord, LINK_ControlWord})
            << items({ENDEFF_SrcData})
            << QString("J3 status word=129, J3 control word=123, Y SrcData=170 N");
        QTest::newRow("last joint and component; groups and none give nothing")
            << items({AXIS_J6, AXIS_RZ, AXIS_TCPActVel})
            << items({LINK_MotorPosition, LINK_ActPosPDO, LINK_MotorStatus, LINK_NONE})
            << items({ENDEFF_MotorVel, ENDEFF_CaliData, ENDEFF_ForceSensor})
            << QString("J6 ActPos PDO=156 count, RZ CaliData=180 mm, TCPActVel=32 VEL(mm/s)");
    }
    void channels()
    {
        QFETCH(ComponentSelection, comp);
        QFETCH(LinkSelection, link);
        QFETCH(EndEffSelection, endEff);
        QStringList got;
        for (const ScopeChannel &ch : selectedChannels(comp, link, endEff)) {
            QCOMPARE(ch.binding.slot, got.size());
            got << (ch.title + '=' + QString::number(ch.binding.scopeIndex) + ' ' + ch.binding.unit)
                       .trimmed();
        }
        QTEST(got.join(", "), "channels");
    }

    // Each channel's unit says what it measures: torques in N·m, the joint acceleration as an
    // acceleration, the orientations RX..RZ in degrees, the TCP speeds in mm/s. A scope file of
    // an earlier version carries the unit then given (`former`), which reads as today's.
    void channelUnits_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("former");
        const auto row = [](const char *title, const char *unit, const char *former) {
            QTest::newRow(title) << QString(title) << QString::fromUtf8(unit)
                                 << QString::fromUtf8(former);
        };
        row("J1 FilSensedTor", "TQR(N·m)", "TQR(N)");
        row("J4 FilEstimateTor", "TQR(N·m)", "TQR(N)");
        row("J6 FilDisturbanceTor", "TQR(N·m)", "TQR(N)");
        row("J2 Joint FilAcc", "ACC(deg/s²)", "VEL(deg/s)");
        row("J3 Joint FilVel", "VEL(deg/s)", " VEL(deg/s)");
        row("J5 status word", "", " ");
        row("J1 Target ModeOperate", "", " ");
        row("RX Target PCS", "PCS(deg)", "PCS(mm)");
        row("RZ Actual PCS", "PCS(deg)", "PCS(mm)");
        row("RY Target Vel", "VEL(deg/s)", "VEL(mm/s)");
        row("RX Actual Vel", "VEL(deg/s)", "VEL(mm/s)");
        row("Z Actual PCS", "PCS(mm)", "PCS(mm)");
        row("X Target Vel", "VEL(mm/s)", "VEL(mm/s)");
        row("TCPCmdVel", "VEL(mm/s)", "");
        row("TCPActVel", "VEL(mm/s)", "");
        row("J1 Target ACS", "ACS(deg)", "ACS(deg)");
    }
    void channelUnits()
    {
        QFETCH(QString, title);
        QFETCH(QString, unit);
        QFETCH(QString, former);
        const std::vector<OfferedChannel> offered = offeredChannels();
        const auto found =
            std::find_if(offered.begin(), offered.end(),
                         [&](const OfferedChannel &o) { return o.channel.title == title; });
        QVERIFY(found != offered.end());
        QCOMPARE(found->channel.binding.unit, unit);
        QCOMPARE(currentUnit(title, former), unit);
        QCOMPARE(currentUnit(title, unit), unit);
    }

    // No unit is padded, so the strip view need not trim; the acceleration never shares the
    // velocities' strip. A unit no version gave a channel stays as a file has it.
    void unitsAreDistinctAndOthersStay()
    {
        const ScopeCatalog &c = ScopeCatalog::instance();
        for (const OfferedChannel &o : offeredChannels())
            QCOMPARE(o.channel.binding.unit, o.channel.binding.unit.trimmed());
        QVERIFY(c.linkUnit(LINK_JointFilAcc) != c.linkUnit(LINK_JointFilVel));
        QCOMPARE(currentUnit("J1 FilSensedTor", "Nm"), QString("Nm"));
        QCOMPARE(currentUnit("J1 Target ACS", "TQR(N)"), QString("TQR(N)"));
        QCOMPARE(currentUnit("Gripper force", "TQR(N)"), QString("TQR(N)"));
    }

    // The shape after building from the text and checking rows ("A=2;B=0"), the checked leaves'
    // ids, and the rows that the last check reported changed (never the root, which has no index).
    void buildsAndPropagatesChecks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("result");
        const auto row = [](const char *name, const QString &text, const char *actions,
                            const char *result) {
            QTest::newRow(name) << text << QString(actions) << QString(result);
        };
        row("empty", "", "", "/ /");
        row("blank lines use no ids, keep the group open", "A\n B\n\n   \n C\n\t \nD\n", "",
            "A#0[B#1 C#2] D#3 / /");
        row("indented first line is top-level", "  A\n  B", "", "A#0[B#1] / /");
        row("deep indent nests one level, shallower returns", "A\n      B\n  C\n  D", "",
            "A#0[B#1] C#2[D#3] / /");
        row("two levels back", "A\n B\n  C\nD", "", "A#0[B#1[C#2]] D#3 / /");
        row("tab is no indent, splits columns", "A\n\tB\t\tC\r", "", "A#0 B#1 / /");
        row("group checks its children", "A\n B\n C\nD", "A=2",
            "A#0*[B#1* C#2*] D#3 / 1 2 / A B A C A");
        row("unchecking a child unchecks the group, shown partly checked", "A\n B\n C\nD",
            "A=2;B=0", "A#0~[B#1 C#2*] D#3 / 2 / B A");
        row("unchecking a group clears its subtree", "A\n B\n  C\n D", "A=2;A=0",
            "A#0[B#1[C#2] D#3] / / A B C B A A D A");
        row("only the direct parent follows a child, the one above shows partly", "A\n B\n  C\n D",
            "C=2", "A#0~[B#1*[C#2*] D#3] / 2 / C B A");
        row("partial on a group recomputes it from its children", "A\n B\n  C\n D", "A=2;C=0;A=1",
            "A#0~[B#1[C#2] D#3*] / 3 / B A A A");
    }
    void buildsAndPropagatesChecks()
    {
        QFETCH(QString, text);
        QFETCH(QString, actions);
        TreeModel model("Title", text);
        const QString changed = applyChecks(model, actions);
        QString result = shapeOf(model) + " /";
        for (int id : model.checkedLeafIds())
            result += ' ' + QString::number(id);
        QTEST((result + " / " + changed).simplified(), "result");
    }

    void dialogSelectsAndHides()
    {
        QScopeSetting dialog;
        QList<bool> visibleAtSignal;
        connect(&dialog, &QScopeSetting::userSetAxisInfo, this,
                [&] { visibleAtSignal << dialog.isVisible(); });
        const QList<QTreeView *> trees = dialog.findChildren<QTreeView *>();
        for (QTreeView *tree : trees) { // the third top-level row is a group in two trees
            QAbstractItemModelTester tester(tree->model(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
            QVERIFY(tree->model()->setData(tree->model()->index(2, 0), 2, Qt::CheckStateRole));
        }
        const IntMap rowTwo[] = {{{2, 2}},
                                 {{12, 67}, {13, 73}, {14, 97}, {15, 103}, {16, 109}, {17, 115}},
                                 {{7, 169}, {8, 175}}};
        const char *const buttons[] = {"Comp", "Link", "End"};
        const IntMap ends[] = {{{0, 0}, {32, 32}}, {{1, 43}, {22, 133}}, {{1, 19}, {8, 175}}};
        for (int tree : {0, 1, 2}) {
            QCOMPARE(selectionOf(dialog, tree), rowTwo[tree]);
            click(dialog, QByteArray("Kvel_Scope_btn_Set") + buttons[tree] + "SelectAll");
            const IntMap all = selectionOf(dialog, tree);
            QCOMPARE((IntMap{{all.firstKey(), all.first()}, {all.lastKey(), all.last()}}),
                     ends[tree]);
            click(dialog, QByteArray("Kvel_Scope_btn_Set") + buttons[tree] + "UnSelectAll");
            QVERIFY(selectionOf(dialog, tree).isEmpty());
        }
        dialog.setCheckedIds(QScopeSetting::Tree::Links, {1, 22});
        dialog.setCheckedIds(QScopeSetting::Tree::Links, {2, 22});
        QCOMPARE(selectionOf(dialog, 1), (IntMap{{2, 49}, {22, 133}}));
        click(dialog, "Kvel_Scope_btn_SetCompSelectAll");
        dialog.UnSelectAll();
        for (int tree : {0, 1, 2})
            QVERIFY(selectionOf(dialog, tree).isEmpty());

        // OK announces while the dialog is still up; every way out hides it, and with nothing
        // changed while it showed, the checks stay.
        QVERIFY(visibleAtSignal.isEmpty());
        click(dialog, "Kvel_Scope_btn_SetEndSelectAll");
        for (const char *button : {"Kvel_Scope_btn_SetOK", "Kvel_Scope_btn_SetCancel", ""}) {
            dialog.show();
            *button ? click(dialog, button) : void(dialog.close());
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(visibleAtSignal, QList<bool>{true});
        QCOMPARE(selectionOf(dialog, 2).size(), 6);
    }

    // What is chosen shows without opening groups or pressing OK: groups holding a checked
    // row open when the dialog is shown, parents of some checked rows show partly checked,
    // and the count names the limit. Escape is Cancel: it hides, keeping the checks it showed.
    void dialogShowsTheSelection_data()
    {
        QTest::addColumn<QList<int>>("components");
        QTest::addColumn<QList<int>>("links");
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("overLimit");
        QTest::addColumn<QStringList>("expanded");
        QTest::addColumn<int>("positionGroupState");
        QTest::newRow("nothing chosen") << QList<int>{} << QList<int>{} << "0 / 36 channels"
                                        << false << QStringList{} << int(Qt::Unchecked);
        QTest::newRow("one row in each of two groups")
            << QList<int>{AXIS_J1, AXIS_J2} << QList<int>{1, 12} << "4 / 36 channels" << false
            << QStringList{"Motor Position", "Motor Current"} << int(Qt::PartiallyChecked);
        QTest::newRow("a whole group, over the limit")
            << QList<int>{AXIS_J1, AXIS_J2, AXIS_J3, AXIS_J4, AXIS_J5, AXIS_J6, AXIS_CurFSM}
            << QList<int>{0, 1, 2, 3, 4, 5, 19} << "37 / 36 channels" << true
            << QStringList{"Motor Position", "Motor Status"} << int(Qt::Checked);
    }
    void dialogShowsTheSelection()
    {
        QFETCH(QList<int>, components);
        QFETCH(QList<int>, links);
        QScopeSetting dialog;
        QSignalSpy confirmed(&dialog, &QScopeSetting::userSetAxisInfo);
        auto *linkTree = dialog.findChild<QTreeView *>("Kvel_Scope_tree_SetLink");
        dialog.setCheckedIds(QScopeSetting::Tree::Components, components.mid(1));
        dialog.setCheckedIds(QScopeSetting::Tree::Links, links);
        if (!components.isEmpty()) { // through the view too, which announces its changes
            QAbstractItemModel *model =
                dialog.findChild<QTreeView *>("Kvel_Scope_tree_SetComponent")->model();
            model->setData(model->index(components.first(), 0), Qt::Checked, Qt::CheckStateRole);
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const auto *count = dialog.findChild<QLabel *>("Kvel_Scope_label_ChannelCount");
        QVERIFY(count && count->isVisible());
        QTEST(count->text(), "count");
        QFETCH(bool, overLimit);
        QCOMPARE(count->palette().color(QPalette::WindowText) !=
                     dialog.palette().color(QPalette::WindowText),
                 overLimit);
        QTEST(expandedGroups(linkTree), "expanded");
        QTEST(linkTree->model()->index(0, 0).data(Qt::CheckStateRole).toInt(),
              "positionGroupState");
        const QModelIndex name = linkTree->model()->index(0, 0, linkTree->model()->index(0, 0));
        QCOMPARE(name.data(Qt::ToolTipRole), name.data());

        QTest::keyClick(linkTree, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(confirmed.size(), 0);
        QCOMPARE(dialog.checkedIds(QScopeSetting::Tree::Links).size(),
                 links.size() - (links.contains(0) ? 1 : 0));
    }
};

QTEST_MAIN(tst_Selection)
#include "tst_selection.moc"
