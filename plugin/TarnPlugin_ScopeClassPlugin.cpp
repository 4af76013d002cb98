#include "TarnPlugin_ScopeClassPlugin.h"

#include "TarnPlugin_Scope.h"

#include <QIcon>

TarnPlugin_ScopeClassPlugin::TarnPlugin_ScopeClassPlugin(QObject *parent) : QObject(parent) {}

TarnPlugin_ScopeClassPlugin::~TarnPlugin_ScopeClassPlugin() = default;

QString TarnPlugin_ScopeClassPlugin::name() const
{
    return QStringLiteral("TarnPlugin_Scope");
}

QString TarnPlugin_ScopeClassPlugin::group() const
{
    return QStringLiteral("scope");
}

QString TarnPlugin_ScopeClassPlugin::toolTip() const
{
    return QStringLiteral("scope");
}

QString TarnPlugin_ScopeClassPlugin::whatsThis() const
{
    return QStringLiteral("10");
}

QString TarnPlugin_ScopeClassPlugin::includeFile() const
{
    return QStringLiteral("TarnPlugin_Scope.h");
}

QIcon TarnPlugin_ScopeClassPlugin::icon() const
{
    return QIcon();
}

bool TarnPlugin_ScopeClassPlugin::isContainer() const
{
    return false;
}

QWidget *TarnPlugin_ScopeClassPlugin::createWidget(QWidget *parent)
{
    return new TarnPlugin_Scope(parent);
}

bool TarnPlugin_ScopeClassPlugin::isInitialized() const
{
    return initialized;
}

void TarnPlugin_ScopeClassPlugin::initialize(QDesignerFormEditorInterface *)
{
    initialized = true;
}

// Empty: Designer then lists no widget box entry for it.
QString TarnPlugin_ScopeClassPlugin::domXml() const
{
    return QString();
}
