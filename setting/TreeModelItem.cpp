#include "TreeModelItem.h"

TreeModelItem::TreeModelItem(const QList<QVariant> &columns, TreeModelItem *parent)
    : m_columns(columns), m_parent(parent)
{}

TreeModelItem::~TreeModelItem()
{
    qDeleteAll(m_children);
}

void TreeModelItem::addChild(TreeModelItem *child)
{
    Q_ASSERT(!child || child->m_parent == this);
    if (child)
        m_children.append(child);
}

TreeModelItem *TreeModelItem::childAt(int row) const
{
    if (row < 0 || row >= m_children.size())
        return nullptr;
    return m_children.at(row);
}

int TreeModelItem::childCount() const
{
    return m_children.size();
}

int TreeModelItem::columnCount() const
{
    return m_columns.size();
}

QVariant TreeModelItem::columnData(int column) const
{
    if (column < 0 || column >= m_columns.size())
        return QVariant();
    return m_columns.at(column);
}

int TreeModelItem::rowInParent() const
{
    if (!m_parent)
        return 0;
    return m_parent->m_children.indexOf(const_cast<TreeModelItem *>(this));
}

TreeModelItem *TreeModelItem::parentItem() const
{
    return m_parent;
}

bool TreeModelItem::isChecked() const
{
    return m_checked;
}

void TreeModelItem::setChecked(bool checked)
{
    m_checked = checked;
}

int TreeModelItem::itemId() const
{
    return m_id;
}

void TreeModelItem::setItemId(int id)
{
    m_id = id;
}
