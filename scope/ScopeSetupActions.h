#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

class ChannelColours;
class DerivedChannelSet;
class SpectrumView;
class XyView;
class QAction;
class QScopeSetting;
class ScopeAnnouncer;
class ScopeCaptures;
struct ScopeSetup;
class TarnPlugin_Scope;
class TriggerControls;

// The operator's set-ups: the channel selection and derived channels, period, trigger controls,
// channel colours and the analysis windows' choices saved to and loaded from a JSON file (the plot
// menu's "Save set-up…" and "Load set-up…"), and, with persistSetup on, remembered in QSettings
// under the scope's objectName. Owned by the scope widget (a Qt child); GUI thread only.
class ScopeSetupActions : public QObject
{
    Q_OBJECT

public:
    // What the set-up actions ask of the scope beyond the objects they are given.
    class Host
    {
    public:
        // Whether an unsaved recording may be replaced; the operator is asked. False also
        // when the scope was deleted while the question was open: return at once then.
        virtual bool mayLoseRecording(const QString &question) = 0;
        // Takes the channel dialog's checks as confirmed, without asking anyone; a choice
        // the scope cannot record is taken back and its reason returned.
        virtual QString applyChannelChoice() = 0;
        // Whether the dialog's checks are a choice the scope can record.
        virtual bool channelChoiceFits() const = 0;
        // The derived channels the last choice could not compute, with the reasons.
        virtual QStringList derivedChannelsLeftOut() const = 0;

    protected:
        ~Host() = default;
    };

    struct Parts
    {
        QScopeSetting &channelDialog;
        TriggerControls &trigger;
        ScopeCaptures &captures;
        ChannelColours &colours;
        DerivedChannelSet &derived;
        SpectrumView &spectrum;
        XyView &xy;
    };

    // `scope` is the widget: its period and view options, its name and its dialogs' parent.
    ScopeSetupActions(TarnPlugin_Scope *scope, Parts parts, ScopeAnnouncer &announcer, Host &host);

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

    TarnPlugin_Scope *m_scope;
    Parts m_parts;
    ScopeAnnouncer &m_announcer;
    Host &m_host;
    QList<QAction *> m_actions;
    bool m_bPersistSetup = false;
    bool m_bSetupRestored = false;
};
