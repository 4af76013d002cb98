#pragma once

#include "ScopeChannel.h"
#include "ui_QScopeSetting.h"

#include <QWidget>

#include <map>
#include <memory>

class QCloseEvent;
class QKeyEvent;
class QLabel;
class QShowEvent;
class TreeModel;

// The channel selection dialog: three check-box trees built from the catalogue
// (components, link items, end-effector items). OK announces the selection with
// userSetAxisInfo; Cancel, Escape and closing hide it and bring back the checks it was shown
// with, so a choice not confirmed is never recorded. Groups holding a checked row open
// expanded when it is shown, and a running channel count shows the limit before OK.
// Created hidden by the scope widget, which is its Qt parent; owns its three models.
// GUI thread only.
class QScopeSetting : public QWidget
{
    Q_OBJECT

public:
    explicit QScopeSetting(QWidget *parent = nullptr);
    ~QScopeSetting() override;

    // The checked leaves of each tree. Links and end effectors map to their index base.
    ComponentSelection componentSelection() const;
    LinkSelection linkSelection() const;
    EndEffSelection endEffectorSelection() const;

    // Unchecks every row of the three trees; emits nothing.
    void UnSelectAll();

    // The three trees, for set-ups kept by row id (the catalogue key).
    enum class Tree
    {
        Components,
        Links,
        EndEffectors
    };
    QList<int> checkedIds(Tree tree) const;
    // Checks exactly these rows of the tree; emits nothing, like UnSelectAll. Checks set
    // from code stand as confirmed: a Cancel of the open dialog keeps them.
    void setCheckedIds(Tree tree, const QList<int> &ids);

signals:
    void userSetAxisInfo();

protected slots:
    void OnCompSelectAll();
    void OnCompUnSelectAll();
    void OnLinkSelectAll();
    void OnLinkUnSelectAll();
    void OnEndSelectAll();
    void OnEndUnSelectAll();
    void OnOk();
    void OnCancle();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void initTrees();
    void connectButtons();
    TreeModel &model(Tree tree) const;
    QTreeView *view(Tree tree) const;
    static int rowCount(Tree tree);
    void setAllChecked(Tree tree, bool checked);
    void updateChannelCount();
    void rememberShownChecks();
    void restoreShownChecks();

    Ui_QScopeSetting ui;
    std::unique_ptr<TreeModel> m_compModel;
    std::unique_ptr<TreeModel> m_linkModel;
    std::unique_ptr<TreeModel> m_endModel;
    QLabel *m_channelCount = nullptr; // a child of the dialog, in the OK row
    // The checked rows of each tree as the dialog was shown, what Cancel brings back.
    std::map<Tree, QList<int>> m_shownChecks;
};
