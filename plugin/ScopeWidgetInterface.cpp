#include "ScopeWidgetInterface.h"

#include "TarnPlugin_Scope.h"

QString ScopeWidgetInterface::group() const
{
    return QStringLiteral("scope");
}

QString ScopeWidgetInterface::toolTip() const
{
    return QStringLiteral("scope");
}

QString ScopeWidgetInterface::whatsThis() const
{
    return QStringLiteral("10");
}

QString ScopeWidgetInterface::includeFile() const
{
    return QStringLiteral("TarnPlugin_Scope.h");
}

bool ScopeWidgetInterface::isContainer() const
{
    return false;
}

QWidget *ScopeWidgetInterface::createWidget(QWidget *parent)
{
    return new TarnPlugin_Scope(parent);
}

bool ScopeWidgetInterface::isInitialized() const
{
    return m_initialized;
}

void ScopeWidgetInterface::initialize(QDesignerFormEditorInterface *)
{
    m_initialized = true;
}
