#pragma once

#include <QList>
#include <QVariant>

// One node of a TreeModel: its column texts, its check flag and its id.
// A node owns its children; the parent pointer is a plain back link.
// GUI thread only, like the model that holds it.
class TreeModelItem
{
public:
    TreeModelItem(const QList<QVariant> &columns, TreeModelItem *parent);
    ~TreeModelItem();

    TreeModelItem(const TreeModelItem &) = delete;
    TreeModelItem &operator=(const TreeModelItem &) = delete;

    // Takes ownership; the node must already name this node as its parent.
    void addChild(TreeModelItem *child);

    TreeModelItem *childAt(int row) const;
    int childCount() const;
    int columnCount() const;
    QVariant columnData(int column) const;
    int rowInParent() const;
    TreeModelItem *parentItem() const;

    bool isChecked() const;
    void setChecked(bool checked);

    int itemId() const;
    void setItemId(int id);

private:
    QList<TreeModelItem *> m_children;
    QList<QVariant> m_columns;
    TreeModelItem *m_parent;
    bool m_checked = false;
    int m_id = -1;
};
