#include "ToolShots.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <qwt_plot.h>
#include <qwt_scale_map.h>

namespace {

QAction *findAction(QMenu *menu, const char *name)
{
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String(name))
            return action;
    }
    return nullptr;
}

// Opens the menu at a canvas position, the way a right click does.
QMenu *openMenu(QWidget *canvas, const QPoint &pos)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, canvas->mapToGlobal(pos));
    QCoreApplication::sendEvent(canvas, &event);
    QApplication::processEvents();
    auto *menu = canvas->findChild<QMenu *>(QStringLiteral("ScopeContextMenu"));
    return menu && menu->isVisible() ? menu : nullptr;
}

bool runAction(QWidget *canvas, const QPoint &pos, const char *name)
{
    QMenu *menu = openMenu(canvas, pos);
    QAction *action = menu ? findAction(menu, name) : nullptr;
    if (menu)
        menu->hide();
    if (!action)
        return false;
    action->trigger();
    QApplication::processEvents();
    return true;
}

// The window with the popup menu painted where it shows: popups are windows of their own.
QPixmap windowWithMenu(QWidget *window, QMenu *menu)
{
    QPixmap shot = window->grab();
    QPainter painter(&shot);
    painter.drawPixmap(window->mapFromGlobal(menu->pos()), menu->grab());
    return shot;
}

} // namespace

bool ToolShots::write(QWidget *window, QWidget *scope, const QString &folder, QString &error)
{
    auto *plot = scope->findChild<QwtPlot *>();
    if (!plot) {
        error = QStringLiteral("the scope has no plot");
        return false;
    }
    QWidget *canvas = plot->canvas();
    const QDir dir(folder);
    const QwtScaleMap map = plot->canvasMap(QwtPlot::xBottom);
    const auto pixelOf = [&map](double share) {
        return qRound(map.transform(map.s1() + (map.s2() - map.s1()) * share));
    };
    const int y = canvas->height() / 2;

    if (!runAction(canvas, QPoint(pixelOf(0.35), y), "ScopeAction_Cursor1") ||
        !runAction(canvas, QPoint(pixelOf(0.6), y), "ScopeAction_Cursor2")) {
        error = QStringLiteral("the plot's menu has no cursors");
        return false;
    }
    bool written = window->grab().save(dir.filePath(QStringLiteral("scope-cursors.png")));

    QMenu *menu = openMenu(canvas, QPoint(pixelOf(0.7), canvas->height() / 4));
    if (!menu) {
        error = QStringLiteral("the plot has no context menu");
        return false;
    }
    written = windowWithMenu(window, menu).save(dir.filePath(QStringLiteral("scope-menu.png"))) &&
              written;
    menu->hide();

    if (!runAction(canvas, QPoint(pixelOf(0.5), y), "ScopeAction_Statistics")) {
        error = QStringLiteral("the plot's menu has no statistics");
        return false;
    }
    auto *table = scope->findChild<QDialog *>(QStringLiteral("ScopeStatisticsDialog"));
    if (table) {
        QApplication::processEvents();
        written =
            table->grab().save(dir.filePath(QStringLiteral("scope-statistics.png"))) && written;
        table->hide();
    }
    if (!written || !table)
        error = QStringLiteral("cannot write the tool screenshots into %1").arg(folder);
    return written && table;
}
