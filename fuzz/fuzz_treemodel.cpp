// The checkable tree model built from any text, then checked and unchecked at random
// under QAbstractItemModelTester: one node per non-blank line with ids in line order, and
// the check rules hold after every step.
#include "TreeModel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QAbstractItemModelTester>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::abort();
    }
}

// Every index in pre-order, which is the order of the ids.
void collect(const QAbstractItemModel &model, const QModelIndex &parent, QModelIndexList &out)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        out << index;
        collect(model, index, out);
    }
}

// The first column of each non-blank line, as the model is to show it.
QStringList expectedLabels(const QString &text)
{
    QStringList labels;
    for (const QString &line : text.split('\n')) {
        int spaces = 0;
        while (spaces < line.size() && line[spaces] == ' ')
            ++spaces;
        const QString content = line.mid(spaces).trimmed();
        if (!content.isEmpty())
            labels << content.split('\t', Qt::SkipEmptyParts).first();
    }
    return labels;
}

bool isChecked(const QModelIndex &index)
{
    return index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

QList<bool> flags(const QModelIndexList &nodes)
{
    QList<bool> out;
    for (const QModelIndex &index : nodes)
        out << isChecked(index);
    return out;
}

void checkSubtree(const QAbstractItemModel &model, const QModelIndex &index, bool checked)
{
    check(isChecked(index) == checked, "subtree takes the new state");
    for (int row = 0; row < model.rowCount(index); ++row)
        checkSubtree(model, model.index(row, 0, index), checked);
}

void checkParentRecomputed(const QAbstractItemModel &model, const QModelIndex &index)
{
    const QModelIndex parent = index.parent();
    if (!parent.isValid())
        return;
    bool all = true;
    for (int row = 0; row < model.rowCount(parent); ++row)
        all = all && isChecked(model.index(row, 0, parent));
    check(isChecked(parent) == all, "parent is checked exactly when all children are");
}

void setThroughView(TreeModel &model, const QModelIndexList &nodes, FuzzedDataProvider &in)
{
    const QModelIndex index = nodes[in.ConsumeIntegralInRange<int>(0, nodes.size() - 1)];
    const int value = in.PickValueInArray({0, 1, 2, 7});
    const QList<bool> before = flags(nodes);
    check(model.setData(index, value, Qt::CheckStateRole), "setData answers true");
    if (value == Qt::Checked || value == Qt::Unchecked)
        checkSubtree(model, index, value == Qt::Checked);
    else if (model.rowCount(index) == 0)
        check(isChecked(index) == before[nodes.indexOf(index)], "other values keep a leaf");
    checkParentRecomputed(model, index);
}

void setById(TreeModel &model, const QModelIndexList &nodes, FuzzedDataProvider &in)
{
    const int id = in.ConsumeIntegralInRange<int>(-2, nodes.size() + 1);
    const bool checked = in.ConsumeBool();
    QList<bool> expected = flags(nodes);
    if (id >= 0 && id < nodes.size())
        expected[id] = checked;
    model.setCheckedById(id, checked);
    check(flags(nodes) == expected, "setCheckedById sets that node only");
}

void listCheckedLeaves(const TreeModel &model, const QModelIndexList &nodes)
{
    QList<int> expected;
    for (int id = 0; id < nodes.size(); ++id) {
        if (model.rowCount(nodes[id]) == 0 && isChecked(nodes[id]))
            expected << id;
    }
    check(model.checkedLeafIds() == expected, "checked leaves in tree order");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString title = QString::fromStdString(in.ConsumeRandomLengthString(32));
    const QString text = QString::fromStdString(in.ConsumeRandomLengthString(size));
    TreeModel model(title, text);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    QModelIndexList nodes;
    collect(model, QModelIndex(), nodes);
    const QStringList labels = expectedLabels(text);
    check(nodes.size() == labels.size(), "one node per non-blank line");
    for (int id = 0; id < nodes.size(); ++id)
        check(nodes[id].data().toString() == labels[id], "nodes in line order");
    check(model.headerData(0, Qt::Horizontal).toString() == title, "title");

    for (int step = 0; step < 64 && in.remaining_bytes() > 0 && !nodes.isEmpty(); ++step) {
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            setThroughView(model, nodes, in);
            break;
        case 1:
            setById(model, nodes, in);
            break;
        case 2: {
            const QList<bool> before = flags(nodes);
            model.setData(nodes[in.ConsumeIntegralInRange<int>(0, nodes.size() - 1)], 2,
                          Qt::DisplayRole);
            check(flags(nodes) == before, "other roles change nothing");
            break;
        }
        default:
            listCheckedLeaves(model, nodes);
        }
    }
    listCheckedLeaves(model, nodes);
    return 0;
}
