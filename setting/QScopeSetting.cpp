#include "QScopeSetting.h"

#include "ScopeCatalog.h"
#include "ScopeLimits.h"
#include "TreeModel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QShowEvent>

#include <functional>

namespace {

// One name and a line feed per key: leading blanks in the names nest the rows, and
// the row ids then equal the table keys.
QString treeText(int count, const std::function<QString(int)> &nameOf)
{
    QString text;
    for (int key = 0; key < count; ++key)
        text += nameOf(key) + QLatin1Char('\n');
    return text;
}

// The catalogue's short names in plain words, where the installed translation has them.
QStringList toolTips(int count, const std::function<QString(int)> &nameOf)
{
    QStringList tips;
    for (int key = 0; key < count; ++key)
        tips << QCoreApplication::translate("ScopeCatalog", nameOf(key).toUtf8().constData())
                    .trimmed();
    return tips;
}

void setAllFlags(TreeModel &model, int count, bool checked)
{
    for (int key = 0; key < count; ++key)
        model.setCheckedById(key, checked);
}

// Groups that hold a checked row open, so the selection shows without hunting for it;
// the others stay as the operator left them.
void expandChosenGroups(QTreeView *view, const QModelIndex &parent = QModelIndex())
{
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->rowCount(index) == 0 || index.data(Qt::CheckStateRole).toInt() == Qt::Unchecked)
            continue;
        view->expand(index);
        expandChosenGroups(view, index);
    }
}

} // namespace

QScopeSetting::QScopeSetting(QWidget *parent) : QWidget(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowCloseButtonHint);
    m_channelCount = new QLabel(this);
    m_channelCount->setObjectName(QStringLiteral("Kvel_Scope_label_ChannelCount"));
    ui.horizontalLayout_2->insertWidget(0, m_channelCount);
    initTrees();
    updateChannelCount();
}

// The views only show the models; they drop them when the models go first.
QScopeSetting::~QScopeSetting()
{
    m_endModel.reset();
    m_linkModel.reset();
    m_compModel.reset();
}

ComponentSelection QScopeSetting::componentSelection() const
{
    ComponentSelection selection;
    for (int id : m_compModel->checkedLeafIds())
        selection[static_cast<emAXIS>(id)] = id;
    return selection;
}

LinkSelection QScopeSetting::linkSelection() const
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    LinkSelection selection;
    for (int id : m_linkModel->checkedLeafIds())
        selection[static_cast<emLINK>(id)] = catalog.linkBase(id);
    return selection;
}

EndEffSelection QScopeSetting::endEffectorSelection() const
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    EndEffSelection selection;
    for (int id : m_endModel->checkedLeafIds())
        selection[static_cast<emENDEFF>(id)] = catalog.endEffBase(id);
    return selection;
}

void QScopeSetting::UnSelectAll()
{
    OnCompUnSelectAll();
    OnLinkUnSelectAll();
    OnEndUnSelectAll();
    ui.Kvel_Scope_tree_SetComponent->reset();
    ui.Kvel_Scope_tree_SetLink->reset();
    ui.Kvel_Scope_tree_SetEndEffector->reset();
    rememberShownChecks();
}

QList<int> QScopeSetting::checkedIds(Tree tree) const
{
    return model(tree).checkedLeafIds();
}

void QScopeSetting::setCheckedIds(Tree tree, const QList<int> &ids)
{
    TreeModel &treeModel = model(tree);
    const int count = rowCount(tree);
    for (int id = 0; id < count; ++id)
        treeModel.setCheckedById(id, ids.contains(id));
    view(tree)->reset();
    updateChannelCount();
    m_shownChecks[tree] = checkedIds(tree);
}

// setCheckedById emits no model signals, so the view is reset to show the new flags.
void QScopeSetting::setAllChecked(Tree tree, bool checked)
{
    setAllFlags(model(tree), rowCount(tree), checked);
    view(tree)->reset();
    updateChannelCount();
}

// The count shows the limit before OK; over it the count turns red. OK still decides.
void QScopeSetting::updateChannelCount()
{
    const std::size_t count =
        selectedChannels(componentSelection(), linkSelection(), endEffectorSelection()).size();
    const bool over = count > static_cast<std::size_t>(ScopeLimits::kMaxChannels);
    m_channelCount->setText(tr("%1 / %2 channels").arg(count).arg(ScopeLimits::kMaxChannels));
    QPalette palette = this->palette();
    if (over)
        palette.setColor(QPalette::WindowText, QColor(190, 0, 0));
    m_channelCount->setPalette(palette);
}

void QScopeSetting::rememberShownChecks()
{
    for (Tree tree : {Tree::Components, Tree::Links, Tree::EndEffectors})
        m_shownChecks[tree] = checkedIds(tree);
}

// Only an open dialog has checks to take back; a hidden one holds the confirmed ones.
void QScopeSetting::restoreShownChecks()
{
    if (!isVisible())
        return;
    const std::map<Tree, QList<int>> shown = m_shownChecks;
    for (const auto &[tree, ids] : shown)
        setCheckedIds(tree, ids);
}

TreeModel &QScopeSetting::model(Tree tree) const
{
    switch (tree) {
    case Tree::Links:
        return *m_linkModel;
    case Tree::EndEffectors:
        return *m_endModel;
    case Tree::Components:
        break;
    }
    return *m_compModel;
}

QTreeView *QScopeSetting::view(Tree tree) const
{
    switch (tree) {
    case Tree::Links:
        return ui.Kvel_Scope_tree_SetLink;
    case Tree::EndEffectors:
        return ui.Kvel_Scope_tree_SetEndEffector;
    case Tree::Components:
        break;
    }
    return ui.Kvel_Scope_tree_SetComponent;
}

int QScopeSetting::rowCount(Tree tree)
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    switch (tree) {
    case Tree::Links:
        return catalog.linkCount();
    case Tree::EndEffectors:
        return catalog.endEffCount();
    case Tree::Components:
        break;
    }
    return catalog.axisCount();
}

void QScopeSetting::OnCompSelectAll()
{
    setAllChecked(Tree::Components, true);
}

void QScopeSetting::OnCompUnSelectAll()
{
    setAllChecked(Tree::Components, false);
}

void QScopeSetting::OnLinkSelectAll()
{
    setAllChecked(Tree::Links, true);
}

void QScopeSetting::OnLinkUnSelectAll()
{
    setAllChecked(Tree::Links, false);
}

void QScopeSetting::OnEndSelectAll()
{
    setAllChecked(Tree::EndEffectors, true);
}

void QScopeSetting::OnEndUnSelectAll()
{
    setAllChecked(Tree::EndEffectors, false);
}

void QScopeSetting::OnOk()
{
    emit userSetAxisInfo();
    hide();
}

// The checks go back to what the dialog was shown with: the next Start records what was
// last confirmed, not a choice the operator walked away from.
void QScopeSetting::OnCancle()
{
    restoreShownChecks();
    hide();
}

void QScopeSetting::closeEvent(QCloseEvent *event)
{
    OnCancle();
    event->accept();
}

// A window restored from the task bar shows again spontaneously, with the choice still open.
void QScopeSetting::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        rememberShownChecks();
    for (Tree tree : {Tree::Components, Tree::Links, Tree::EndEffectors})
        expandChosenGroups(view(tree));
}

// Escape is Cancel, as in any dialog; the trees pass it on.
void QScopeSetting::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        OnCancle();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QScopeSetting::initTrees()
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    m_compModel = std::make_unique<TreeModel>(
        tr("Component List"),
        treeText(catalog.axisCount(), [&catalog](int key) { return catalog.axisName(key); }));
    m_linkModel = std::make_unique<TreeModel>(
        tr("Link Data Capture"),
        treeText(catalog.linkCount(), [&catalog](int key) { return catalog.linkName(key); }));
    m_endModel = std::make_unique<TreeModel>(
        tr("End Effector Data Capture"),
        treeText(catalog.endEffCount(), [&catalog](int key) { return catalog.endEffName(key); }));

    m_compModel->setToolTips(
        toolTips(catalog.axisCount(), [&catalog](int key) { return catalog.axisName(key); }));
    m_linkModel->setToolTips(
        toolTips(catalog.linkCount(), [&catalog](int key) { return catalog.linkName(key); }));
    m_endModel->setToolTips(
        toolTips(catalog.endEffCount(), [&catalog](int key) { return catalog.endEffName(key); }));
    ui.Kvel_Scope_tree_SetComponent->setModel(m_compModel.get());
    ui.Kvel_Scope_tree_SetLink->setModel(m_linkModel.get());
    ui.Kvel_Scope_tree_SetEndEffector->setModel(m_endModel.get());
    for (TreeModel *treeModel : {m_compModel.get(), m_linkModel.get(), m_endModel.get()})
        connect(treeModel, &QAbstractItemModel::dataChanged, this,
                &QScopeSetting::updateChannelCount);
    connectButtons();
}

void QScopeSetting::connectButtons()
{
    connect(ui.Kvel_Scope_btn_SetCompSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnCompSelectAll);
    connect(ui.Kvel_Scope_btn_SetCompUnSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnCompUnSelectAll);
    connect(ui.Kvel_Scope_btn_SetLinkSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnLinkSelectAll);
    connect(ui.Kvel_Scope_btn_SetLinkUnSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnLinkUnSelectAll);
    connect(ui.Kvel_Scope_btn_SetEndSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnEndSelectAll);
    connect(ui.Kvel_Scope_btn_SetEndUnSelectAll, &QPushButton::clicked, this,
            &QScopeSetting::OnEndUnSelectAll);
    connect(ui.Kvel_Scope_btn_SetOK, &QPushButton::clicked, this, &QScopeSetting::OnOk);
    connect(ui.Kvel_Scope_btn_SetCancel, &QPushButton::clicked, this, &QScopeSetting::OnCancle);
}
