#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QStringList>

#include <memory>

class TreeModelItem;

// A one-column model of check-box nodes, built once from indented text: one node per
// non-blank line, nested by leading spaces, ids counted 0, 1, 2, ... in line order.
// Checking a node through setData checks its subtree and recomputes its parent. A node
// that is not checked but holds checked nodes shows partly checked.
// Owns its nodes; its user owns the model. GUI thread only.
class TreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    TreeModel(const QString &title, const QString &text, QObject *parent = nullptr);
    ~TreeModel() override;

    // Ids of the checked nodes without children, in tree order.
    QList<int> checkedLeafIds() const;
    // Sets the flag of the node with that id only: no propagation, no signal.
    void setCheckedById(int id, bool checked);
    // Tooltips by node id; a node without one shows its name.
    void setToolTips(const QStringList &byId);

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    TreeModelItem *itemAt(const QModelIndex &index) const;
    void buildFromLines(const QStringList &lines, TreeModelItem *top);
    void setCheckFlag(const QModelIndex &index, const QVariant &value);
    void recomputeParent(const QModelIndex &index);

    std::unique_ptr<TreeModelItem> rootItem;
    QStringList m_toolTips;
};
