#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// What both Designer plug-ins answer alike: the group and texts, the header forms include,
// the widget they make (owned by the parent the host passes) and a one-time initialisation.
// Each plug-in adds its own name, icon and widget box entry. Host GUI thread only.
class ScopeWidgetInterface : public QDesignerCustomWidgetInterface
{
public:
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    bool isContainer() const override;
    QWidget *createWidget(QWidget *parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface *core) override;

private:
    bool m_initialized = false;
};
