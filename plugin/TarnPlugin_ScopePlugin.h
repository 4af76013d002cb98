#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// The Qt plug-in object that offers the scope widget to Qt Designer and to hosts that load
// custom-widget plug-ins at run time. It holds no logic: it answers the interface and
// creates widgets, which belong to the parent the host passes. One object per process,
// made by qt_plugin_instance and owned by whoever holds it (normally the plug-in loader).
// Called from the host's GUI thread only.
class TarnPlugin_ScopePlugin : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TarnPlugin_ScopePlugin(QObject *parent = nullptr);
    ~TarnPlugin_ScopePlugin() override;

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget *createWidget(QWidget *parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface *core) override;
    QString domXml() const override;

private:
    bool initialized = false;
};
