#include "ViewerWindow.h"

#include "TarnPlugin_Scope.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace {

// What an entry holds: the files of its recording; none for a folder.
constexpr int kFilesRole = Qt::UserRole;
constexpr int kListWidth = 280;
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 760;

// "run.csv (+3 files)": the recording's first file and how many more it has.
QString entryLabel(const QStringList &files)
{
    const QString first = QFileInfo(files.constFirst()).fileName();
    const int more = files.size() - 1;
    if (more == 0)
        return first;
    return more == 1 ? ViewerWindow::tr("%1 (+1 file)").arg(first)
                     : ViewerWindow::tr("%1 (+%2 files)").arg(first).arg(more);
}

// The scope files of a folder, by name: regular files and links to them ending in .csv.
QStringList scopeFilesIn(const QString &folder)
{
    const QDir dir(folder);
    QStringList files;
    for (const QString &name :
         dir.entryList({QStringLiteral("*.csv")}, QDir::Files | QDir::Hidden, QDir::Name))
        files << dir.filePath(name);
    return files;
}

// A metadata file named beside its scope file (a shell's run*.csv.json) is no entry.
bool isMetadataOfAScopeFile(const QString &path)
{
    return path.endsWith(QLatin1String(".csv.json")) && QFileInfo::exists(path.chopped(5));
}

} // namespace

ViewerWindow::ViewerWindow(QWidget *parent)
    : QMainWindow(parent), m_list(new QTreeWidget), m_scope(new TarnPlugin_Scope)
{
    setWindowTitle(tr("Tarn scope viewer"));
    m_list->setObjectName(QStringLiteral("Viewer_list_Entries"));
    m_list->setHeaderHidden(true);
    m_list->setColumnCount(1);
    m_list->header()->setStretchLastSection(true);
    m_scope->setObjectName(QStringLiteral("Viewer_scope"));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_list);
    splitter->addWidget(m_scope);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kListWidth, kWindowWidth - kListWidth});
    setCentralWidget(splitter);
    resize(kWindowWidth, kWindowHeight);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *openAction = file->addAction(tr("&Open..."), this, &ViewerWindow::openFiles);
    openAction->setShortcut(QKeySequence::Open);
    openAction->setObjectName(QStringLiteral("Viewer_action_Open"));
    QAction *folderAction = file->addAction(tr("Open &folder..."), this, &ViewerWindow::openFolder);
    folderAction->setObjectName(QStringLiteral("Viewer_action_OpenFolder"));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item && !item->data(0, kFilesRole).toStringList().isEmpty())
            showEntry(item, nullptr);
    });
    statusBar()->showMessage(tr("Open scope files or a folder of them from the File menu."));
}

void ViewerWindow::open(const QStringList &paths)
{
    QTreeWidgetItem *firstAdded = nullptr;
    QStringList files;
    auto addFiles = [&] {
        if (files.isEmpty())
            return;
        const int before = m_list->topLevelItemCount();
        addRecordings(nullptr, files);
        if (!firstAdded && m_list->topLevelItemCount() > before)
            firstAdded = m_list->topLevelItem(before);
        files.clear();
    };
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            if (!isMetadataOfAScopeFile(path))
                files << path;
            continue;
        }
        addFiles();
        auto *folder = new QTreeWidgetItem(m_list, {QDir(path).dirName() + QLatin1Char('/')});
        folder->setToolTip(0, QDir::toNativeSeparators(path));
        folder->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        const QStringList inFolder = scopeFilesIn(path);
        if (inFolder.isEmpty()) {
            auto *none = new QTreeWidgetItem(folder, {tr("(no scope files)")});
            none->setFlags(Qt::NoItemFlags);
        }
        addRecordings(folder, inFolder);
        folder->setExpanded(true);
        if (!firstAdded && folder->childCount() > 0 &&
            !folder->child(0)->data(0, kFilesRole).toStringList().isEmpty())
            firstAdded = folder->child(0);
        m_lastFolder = path;
    }
    addFiles();
    if (!paths.isEmpty() && !QFileInfo(paths.constLast()).isDir())
        m_lastFolder = QFileInfo(paths.constLast()).absolutePath();
    if (firstAdded && (!m_list->currentItem() || paths.size() == 1))
        m_list->setCurrentItem(firstAdded);
}

void ViewerWindow::addRecordings(QTreeWidgetItem *folder, const QStringList &files)
{
    for (const QStringList &recording : TarnPlugin_Scope::recordingsOf(files))
        addEntry(folder, recording);
}

QTreeWidgetItem *ViewerWindow::addEntry(QTreeWidgetItem *folder, const QStringList &files)
{
    auto *item = folder ? new QTreeWidgetItem(folder, {entryLabel(files)})
                        : new QTreeWidgetItem(m_list, {entryLabel(files)});
    item->setData(0, kFilesRole, files);
    QStringList shown;
    for (const QString &file : files)
        shown << QDir::toNativeSeparators(file);
    item->setToolTip(0, shown.join(QLatin1Char('\n')));
    return item;
}

void ViewerWindow::openFiles()
{
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, tr("Open scope files"), m_lastFolder, tr("Scope files (*.csv);;All files (*)"));
    if (!chosen.isEmpty())
        open(chosen);
}

void ViewerWindow::openFolder()
{
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("Open a folder of scope files"), m_lastFolder);
    if (!chosen.isEmpty())
        open({chosen});
}

bool ViewerWindow::showEntry(QTreeWidgetItem *item, QString *outcome)
{
    const QStringList files = item->data(0, kFilesRole).toStringList();
    const QString label = item->text(0);
    QString error;
    QString notes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool shown = m_scope->importFromFiles(files, &error, &notes);
    QApplication::restoreOverrideCursor();
    if (!shown) {
        item->setIcon(0, style()->standardIcon(QStyle::SP_MessageBoxCritical));
        item->setToolTip(0, error);
        statusBar()->showMessage(error);
        if (outcome)
            *outcome = error;
        return false;
    }
    setWindowTitle(tr("Tarn scope viewer - %1").arg(label));
    item->setIcon(0,
                  notes.isEmpty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    if (!notes.isEmpty())
        item->setToolTip(0, notes);
    statusBar()->showMessage(notes.isEmpty() ? tr("Showing %1").arg(label)
                                             : QString(notes).replace(QLatin1Char('\n'), ' '));
    if (outcome) {
        int rows = 0;
        const QList<TarnScopeCurveData> curves = m_scope->recordedCurves();
        for (const TarnScopeCurveData &curve : curves)
            rows = std::max(rows, int(curve.times.size()));
        *outcome = tr("%1 curves, %2 rows").arg(curves.size()).arg(rows);
        if (!notes.isEmpty())
            *outcome += tr("; notes: %1").arg(QString(notes).replace(QLatin1Char('\n'), ' '));
    }
    return true;
}

QList<QTreeWidgetItem *> ViewerWindow::entries() const
{
    QList<QTreeWidgetItem *> list;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = m_list->topLevelItem(i);
        if (!top->data(0, kFilesRole).toStringList().isEmpty())
            list << top;
        for (int k = 0; k < top->childCount(); ++k) {
            if (!top->child(k)->data(0, kFilesRole).toStringList().isEmpty())
                list << top->child(k);
        }
    }
    return list;
}

QStringList ViewerWindow::showEachEntry(bool *allShown)
{
    QStringList lines;
    *allShown = true;
    QTreeWidgetItem *firstShown = nullptr;
    const QSignalBlocker quiet(m_list); // shown here, not by the selection
    for (QTreeWidgetItem *item : entries()) {
        QString outcome;
        const bool shown = showEntry(item, &outcome);
        *allShown = *allShown && shown;
        if (shown && !firstShown)
            firstShown = item;
        const QString name =
            item->parent() ? item->parent()->text(0) + item->text(0) : item->text(0);
        lines << QStringLiteral("%1: %2").arg(name, outcome);
    }
    if (firstShown) {
        m_list->setCurrentItem(firstShown);
        showEntry(firstShown, nullptr);
    }
    return lines;
}
