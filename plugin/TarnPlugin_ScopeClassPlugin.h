#pragma once

#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// Registers the scope widget under its class name "TarnPlugin_Scope". Designer and
// QUiLoader look a widget up by the class a form (or the widget box entry) names; the
// widget box entry of TarnPlugin_ScopePlugin names this class, and uic compiles it as the
// C++ type. No widget box entry of its own: its domXml is empty. Holds no logic.
class TarnPlugin_ScopeClassPlugin : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TarnPlugin_ScopeClassPlugin(QObject *parent = nullptr);
    ~TarnPlugin_ScopeClassPlugin() override;

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
