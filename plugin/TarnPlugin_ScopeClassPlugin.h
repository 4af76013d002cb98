#pragma once

#include "ScopeWidgetInterface.h"

#include <QObject>

// Registers the scope widget under its class name "TarnPlugin_Scope". Designer and
// QUiLoader look a widget up by the class a form (or the widget box entry) names; the
// widget box entry of TarnPlugin_ScopePlugin names this class, and uic compiles it as the
// C++ type. No widget box entry of its own: its domXml is empty.
class TarnPlugin_ScopeClassPlugin : public QObject, public ScopeWidgetInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TarnPlugin_ScopeClassPlugin(QObject *parent = nullptr);

    QString name() const override;
    QIcon icon() const override;
    QString domXml() const override;
};
