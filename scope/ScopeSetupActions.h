#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class TarnPlugin_ScopePrivate;
struct ScopeSetup;

// The operator's set-ups: the channel selection, period, trigger controls and channel colours
// saved to and loaded from a JSON file (the plot menu's "Save set-up…" and "Load set-up…"), and, with
// persistSetup on, remembered in QSettings under the scope's objectName. Owned by the scope
// widget (a Qt child); GUI thread only.
class ScopeSetupActions : public QObject
{
    Q_OBJECT

public:
    explicit ScopeSetupActions(TarnPlugin_ScopePrivate *scope);

    // The menu entries, for the plot's context menu.
    QList<QAction *> actions() const { return m_actions; }

    bool persistSetup() const { return m_bPersistSetup; }
    void setPersistSetup(bool on);
    void rememberSetup();

private:
    void saveToFile();
    void loadFromFile();
    ScopeSetup currentSetup() const;
    void applySetup(const ScopeSetup &setup, QStringList &skipped);
    void restoreRememberedSetup();
    QString settingsKey() const;

    TarnPlugin_ScopePrivate *m_scope;
    QList<QAction *> m_actions;
    bool m_bPersistSetup = false;
    bool m_bSetupRestored = false;
};
