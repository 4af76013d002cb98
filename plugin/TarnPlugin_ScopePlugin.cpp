#include "TarnPlugin_ScopePlugin.h"

#include "TarnPlugin_Scope.h"

#include <QIcon>

TarnPlugin_ScopePlugin::TarnPlugin_ScopePlugin(QObject *parent) : QObject(parent) {}

TarnPlugin_ScopePlugin::~TarnPlugin_ScopePlugin() = default;

QString TarnPlugin_ScopePlugin::name() const
{
    return QStringLiteral("scope");
}

QString TarnPlugin_ScopePlugin::group() const
{
    return QStringLiteral("scope");
}

QString TarnPlugin_ScopePlugin::toolTip() const
{
    return QStringLiteral("scope");
}

QString TarnPlugin_ScopePlugin::whatsThis() const
{
    return QStringLiteral("10");
}

QString TarnPlugin_ScopePlugin::includeFile() const
{
    return QStringLiteral("TarnPlugin_Scope.h");
}

QIcon TarnPlugin_ScopePlugin::icon() const
{
    return QIcon(QStringLiteral(":/TarnPlugin_Scope/icon_scope"));
}

bool TarnPlugin_ScopePlugin::isContainer() const
{
    return false;
}

QWidget *TarnPlugin_ScopePlugin::createWidget(QWidget *parent)
{
    return new TarnPlugin_Scope(parent);
}

bool TarnPlugin_ScopePlugin::isInitialized() const
{
    return initialized;
}

void TarnPlugin_ScopePlugin::initialize(QDesignerFormEditorInterface *)
{
    if (initialized)
        return;
    initialized = true;
}

QString TarnPlugin_ScopePlugin::domXml() const
{
    return QStringLiteral("<widget class=\"TarnPlugin_Scope\" name=\"tarnPlugin_Scope\">\n"
                          " <property name=\"geometry\">\n"
                          "  <rect>\n"
                          "   <x>0</x>\n"
                          "   <y>0</y>\n"
                          "   <width>100</width>\n"
                          "   <height>100</height>\n"
                          "  </rect>\n"
                          " </property>\n"
                          "</widget>\n");
}
