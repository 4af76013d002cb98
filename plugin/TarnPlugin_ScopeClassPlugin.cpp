#include "TarnPlugin_ScopeClassPlugin.h"

#include <QIcon>

TarnPlugin_ScopeClassPlugin::TarnPlugin_ScopeClassPlugin(QObject *parent) : QObject(parent) {}

QString TarnPlugin_ScopeClassPlugin::name() const
{
    return QStringLiteral("TarnPlugin_Scope");
}

QIcon TarnPlugin_ScopeClassPlugin::icon() const
{
    return QIcon();
}

// Empty: Designer then lists no widget box entry for it.
QString TarnPlugin_ScopeClassPlugin::domXml() const
{
    return QString();
}
