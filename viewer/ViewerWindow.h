#pragma once

#include <QMainWindow>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;
class TarnPlugin_Scope;

// tarnscope-view's window: the opened entries on the left (a scope file, a recording split
// into numbered files as one entry, a folder with its scope files under it), and one scope on
// the right showing the chosen entry, with all its tools. Opening an entry replaces what the
// scope shows; one that cannot be read says why in the status bar and on its entry. GUI
// thread; owns the list and the scope.
class ViewerWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit ViewerWindow(QWidget *parent = nullptr);

    // Adds files (grouped into recordings) and folders (expanded to their scope files, by
    // name) as entries; shows the first one added when nothing is shown yet.
    void open(const QStringList &paths);
    // Shows every entry in turn and says for each what it showed or why it did not, one line
    // each; then shows the first that opened. `allShown`: whether every entry opened.
    QStringList showEachEntry(bool *allShown);
    TarnPlugin_Scope *scope() const { return m_scope; }

private:
    void openFiles();
    void openFolder();
    void addRecordings(QTreeWidgetItem *folder, const QStringList &files);
    QTreeWidgetItem *addEntry(QTreeWidgetItem *folder, const QStringList &files);
    // Shows the entry; false, with the reason in `outcome`, when it cannot be.
    bool showEntry(QTreeWidgetItem *item, QString *outcome);
    QList<QTreeWidgetItem *> entries() const;

    QTreeWidget *m_list;
    TarnPlugin_Scope *m_scope;
    QString m_lastFolder;
};
