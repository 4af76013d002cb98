#include "TarnPlugin_ScopePlugin.h"

#include <QIcon>

TarnPlugin_ScopePlugin::TarnPlugin_ScopePlugin(QObject *parent) : QObject(parent) {}

QString TarnPlugin_ScopePlugin::name() const
{
    return QStringLiteral("scope");
}

QIcon TarnPlugin_ScopePlugin::icon() const
{
    return QIcon(QStringLiteral(":/TarnPlugin_Scope/icon_scope"));
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
