#pragma once

#include <QString>

class QWidget;

// Screenshots of the scope's operator tools for the documentation: the context menu on the
// plot, the two measurement cursors with their read-out, and the statistics table. Reaches
// the widget through its object tree only. GUI thread; run after the recording stopped.
namespace ToolShots {

// Writes scope-menu.png, scope-cursors.png and scope-statistics.png into `folder`; false,
// with `error` set, when the scope lacks a tool or a file cannot be written.
bool write(QWidget *window, QWidget *scope, const QString &folder, QString &error);

} // namespace ToolShots
