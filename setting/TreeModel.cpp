#include "TreeModel.h"

#include "TreeModelItem.h"

namespace {

int leadingSpaces(const QString &line)
{
    int count = 0;
    while (count < line.size() && line.at(count) == QLatin1Char(' '))
        ++count;
    return count;
}

QList<QVariant> columnsOf(const QString &content)
{
    QList<QVariant> columns;
    const QStringList parts = content.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        columns.append(part);
    return columns;
}

TreeModelItem *findById(TreeModelItem *node, int id)
{
    if (node->itemId() == id)
        return node;
    for (int row = 0; row < node->childCount(); ++row) {
        if (TreeModelItem *found = findById(node->childAt(row), id))
            return found;
    }
    return nullptr;
}

void collectCheckedLeaves(const TreeModelItem *node, QList<int> &ids)
{
    if (node->childCount() == 0) {
        if (node->isChecked())
            ids.append(node->itemId());
        return;
    }
    for (int row = 0; row < node->childCount(); ++row)
        collectCheckedLeaves(node->childAt(row), ids);
}

bool holdsCheckedNode(const TreeModelItem *node)
{
    for (int row = 0; row < node->childCount(); ++row) {
        const TreeModelItem *child = node->childAt(row);
        if (child->isChecked() || holdsCheckedNode(child))
            return true;
    }
    return false;
}

// A group shows partly checked while some of its rows are, so a selection inside a
// collapsed group stays visible. The flag itself stays two-valued.
Qt::CheckState shownState(const TreeModelItem *node)
{
    if (node->isChecked())
        return Qt::Checked;
    return holdsCheckedNode(node) ? Qt::PartiallyChecked : Qt::Unchecked;
}

bool allChildrenChecked(const TreeModelItem *node)
{
    for (int row = 0; row < node->childCount(); ++row) {
        if (!node->childAt(row)->isChecked())
            return false;
    }
    return true;
}

} // namespace

TreeModel::TreeModel(const QString &title, const QString &text, QObject *parent)
    : QAbstractItemModel(parent),
      rootItem(std::make_unique<TreeModelItem>(QList<QVariant>{title}, nullptr))
{
    buildFromLines(text.split(QLatin1Char('\n')), rootItem.get());
}

TreeModel::~TreeModel() = default;

QList<int> TreeModel::checkedLeafIds() const
{
    // The root is not a row of the tree, so even an empty tree reports nothing.
    QList<int> ids;
    for (int row = 0; row < rootItem->childCount(); ++row)
        collectCheckedLeaves(rootItem->childAt(row), ids);
    return ids;
}

void TreeModel::setCheckedById(int id, bool checked)
{
    for (int row = 0; row < rootItem->childCount(); ++row) {
        if (TreeModelItem *node = findById(rootItem->childAt(row), id)) {
            node->setChecked(checked);
            return;
        }
    }
}

void TreeModel::setToolTips(const QStringList &byId)
{
    m_toolTips = byId;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    const TreeModelItem *parentNode = itemAt(parent);
    TreeModelItem *child = parentNode ? parentNode->childAt(row) : nullptr;
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex TreeModel::parent(const QModelIndex &index) const
{
    const TreeModelItem *node = index.isValid() ? itemAt(index) : nullptr;
    if (!node)
        return QModelIndex();
    TreeModelItem *parentNode = node->parentItem();
    if (parentNode == rootItem.get())
        return QModelIndex();
    return createIndex(parentNode->rowInParent(), 0, parentNode);
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const TreeModelItem *node = itemAt(parent);
    return node ? node->childCount() : 0;
}

int TreeModel::columnCount(const QModelIndex &parent) const
{
    const TreeModelItem *node = itemAt(parent);
    return node ? node->columnCount() : 0;
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    const TreeModelItem *node = index.isValid() ? itemAt(index) : nullptr;
    if (!node)
        return QVariant();
    if (role == Qt::CheckStateRole && index.column() == 0)
        return static_cast<int>(shownState(node));
    if (role == Qt::ToolTipRole && !m_toolTips.value(node->itemId()).isEmpty())
        return m_toolTips.value(node->itemId());
    // Long names are cut in a narrow tree; the tooltip gives them whole.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return node->columnData(index.column());
    return QVariant();
}

bool TreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    // Other roles and columns are accepted and ignored: the text is not editable.
    if (role != Qt::CheckStateRole || index.column() != 0 || !itemAt(index))
        return true;
    setCheckFlag(index, value);
    for (int row = 0; row < rowCount(index); ++row)
        setData(this->index(row, 0, index), value, Qt::CheckStateRole);
    recomputeParent(index);
    return true;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return rootItem->columnData(section);
    return QVariant();
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid() || !itemAt(index))
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

// The root for an invalid index; null for an index of another model.
TreeModelItem *TreeModel::itemAt(const QModelIndex &index) const
{
    if (!index.isValid())
        return rootItem.get();
    if (index.model() != this)
        return nullptr;
    return static_cast<TreeModelItem *>(index.internalPointer());
}

// A line nests at most one level below the line before it, however many spaces it
// adds; a shallower line returns to the deepest open level not indented beyond it.
void TreeModel::buildFromLines(const QStringList &lines, TreeModelItem *top)
{
    QList<TreeModelItem *> parents{top};
    QList<int> levels{0};
    int nextId = 0;
    for (const QString &line : lines) {
        const int indentation = leadingSpaces(line);
        const QString content = line.mid(indentation).trimmed();
        if (content.isEmpty())
            continue;

        if (indentation > levels.last()) {
            const TreeModelItem *current = parents.last();
            if (current->childCount() > 0) {
                parents.append(current->childAt(current->childCount() - 1));
                levels.append(indentation);
            }
        } else {
            while (levels.size() > 1 && indentation < levels.last()) {
                parents.removeLast();
                levels.removeLast();
            }
        }

        auto node = std::make_unique<TreeModelItem>(columnsOf(content), parents.last());
        node->setItemId(nextId++);
        parents.last()->addChild(node.release());
    }
}

void TreeModel::setCheckFlag(const QModelIndex &index, const QVariant &value)
{
    TreeModelItem *node = itemAt(index);
    if (value == QVariant(static_cast<int>(Qt::Unchecked))) {
        node->setChecked(false);
        emit dataChanged(index, index);
    } else if (value == QVariant(static_cast<int>(Qt::Checked))) {
        node->setChecked(true);
        emit dataChanged(index, index);
    }
}

// Only the direct parent follows its children; nodes further up keep their flags, but
// their shown state (partly checked) may change, so they are announced too.
void TreeModel::recomputeParent(const QModelIndex &index)
{
    TreeModelItem *parentNode = itemAt(index)->parentItem();
    parentNode->setChecked(allChildrenChecked(parentNode));
    // The root has no index, and a change notice needs valid indexes.
    for (QModelIndex up = parent(index); up.isValid(); up = parent(up))
        emit dataChanged(up, up);
}
