#pragma once

#include "ScopeWidgetInterface.h"

#include <QObject>

// The Qt plug-in object that offers the scope widget to Qt Designer (the widget box entry
// "scope") and to hosts that load custom-widget plug-ins at run time. One object per
// process, made by qt_plugin_instance and owned by whoever holds it (normally the loader).
class TarnPlugin_ScopePlugin : public QObject, public ScopeWidgetInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit TarnPlugin_ScopePlugin(QObject *parent = nullptr);

    QString name() const override;
    QIcon icon() const override;
    QString domXml() const override;
};
