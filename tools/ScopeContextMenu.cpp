#include "ScopeContextMenu.h"

#include "CurveStatisticsTable.h"
#include "MeasurementCursors.h"
#include "PlotImage.h"
#include "QwtScope.h"
#include "SaveDialog.h"
#include "Zoomer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

#include <qwt_scale_map.h>

#include <algorithm>

ScopeContextMenu::ScopeContextMenu(QwtScope *plot, QWidget *dialogParent)
    : QObject(plot), m_plot(plot), m_canvas(plot->canvas()), m_dialogParent(dialogParent),
      m_menu(new QMenu(plot->canvas())), m_cursors(new MeasurementCursors(plot)),
      m_statistics(new CurveStatisticsTable(dialogParent))
{
    setObjectName(QStringLiteral("ScopeContextMenu"));
    m_menu->setObjectName(QStringLiteral("ScopeContextMenu"));
    // No keys for these two: Ctrl+S and Ctrl+C on the canvas would make the host's own Save
    // and Copy ambiguous, and then neither fires.
    addAction(tr("Save image…"), "ScopeAction_SaveImage", QKeySequence(),
              &ScopeContextMenu::saveImage);
    addAction(tr("Copy image"), "ScopeAction_CopyImage", QKeySequence(),
              &ScopeContextMenu::copyImage);
    m_menu->addSeparator();
    m_cursorActions = {addAction(tr("Cursor 1 here"), "ScopeAction_Cursor1",
                                 QKeySequence(Qt::Key_1), &ScopeContextMenu::placeCursor1),
                       addAction(tr("Cursor 2 here"), "ScopeAction_Cursor2",
                                 QKeySequence(Qt::Key_2), &ScopeContextMenu::placeCursor2)};
    for (QObject *action : m_cursorActions)
        action->installEventFilter(this);
    addAction(tr("Remove cursors"), "ScopeAction_RemoveCursors", QKeySequence(Qt::Key_Delete),
              &ScopeContextMenu::removeCursors);
    addAction(tr("Statistics…"), "ScopeAction_Statistics", QKeySequence(Qt::Key_S),
              &ScopeContextMenu::showStatistics);
    m_canvas->installEventFilter(this);
}

// Canvas shortcuts only, plain keys: keys typed elsewhere in the host never reach them.
QAction *ScopeContextMenu::addAction(const QString &text, const char *name,
                                     const QKeySequence &keys, void (ScopeContextMenu::*slot)())
{
    auto *action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    install(action);
    return action;
}

void ScopeContextMenu::install(QAction *action)
{
    action->setShortcutContext(Qt::WidgetShortcut);
    m_menu->addAction(action);
    m_plot->canvas()->addAction(action);
}

void ScopeContextMenu::addActions(const QList<QAction *> &actions)
{
    m_menu->addSeparator();
    for (QAction *action : actions)
        install(action);
}

// A cursor key acts only with the mouse over the canvas: it puts the cursor at the mouse.
bool ScopeContextMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Shortcut && m_cursorActions.contains(watched)) {
        m_placeAt = m_pointer;
        return !m_pointer;
    }
    if (watched != m_canvas)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        pointAt(static_cast<QEnterEvent *>(event)->pos());
        return false;
    case QEvent::Leave:
        m_pointer.reset();
        return false;
    case QEvent::MouseMove:
        pointAt(static_cast<QMouseEvent *>(event)->pos());
        return false;
    case QEvent::MouseButtonPress:
        pointAt(static_cast<QMouseEvent *>(event)->pos());
        if (static_cast<QMouseEvent *>(event)->button() == Qt::RightButton)
            m_zoomedAtRightPress = m_plot->zoomer()->zoomRectIndex() > 0;
        return false;
    case QEvent::ContextMenu:
        return openFromEvent(event);
    default:
        return false;
    }
}

// While a button is held the canvas gets moves from beyond its edges too.
void ScopeContextMenu::pointAt(const QPoint &pos)
{
    if (m_canvas->contentsRect().contains(pos))
        m_pointer = pos;
    else
        m_pointer.reset();
}

// Depending on the platform the menu event comes with the press or after the release, when
// the zoomer may already have zoomed out; the zoom state at the press decides.
bool ScopeContextMenu::openFromEvent(QEvent *event)
{
    auto *menuEvent = static_cast<QContextMenuEvent *>(event);
    const bool zoomedIn = m_zoomedAtRightPress.value_or(m_plot->zoomer()->zoomRectIndex() > 0);
    m_zoomedAtRightPress.reset();
    if (menuEvent->reason() == QContextMenuEvent::Mouse) {
        if (zoomedIn && !(menuEvent->modifiers() & Qt::ControlModifier))
            return true; // the right click belongs to the zoomer's zoom-out
        m_placeAt = menuEvent->pos();
    } else {
        m_placeAt = m_pointer;
    }
    m_menu->popup(menuEvent->globalPos());
    return true;
}

void ScopeContextMenu::saveImage()
{
    const std::optional<QString> fileName = SaveDialog::askFileName(
        m_dialogParent, tr("Save Image"), SaveDialog::timestampedName(),
        PlotImage::saveFilters().join(QStringLiteral(";;")), QStringLiteral("png"));
    if (!fileName || fileName->isEmpty())
        return; // cancelled, or the scope went with the dialog
    QString error;
    if (PlotImage::save(m_plot, *fileName, &error))
        emit imageSaved(*fileName);
    else
        SaveDialog::warnCannotWrite(m_dialogParent, *fileName, error);
}

void ScopeContextMenu::copyImage()
{
    QApplication::clipboard()->setImage(PlotImage::render(m_plot));
}

void ScopeContextMenu::placeCursor1()
{
    placeCursor(0);
}

void ScopeContextMenu::placeCursor2()
{
    placeCursor(1);
}

// At the mouse (or where the menu opened), never beyond the shown time range; from a menu
// opened with the keyboard away from the canvas, at a third and two thirds of it.
void ScopeContextMenu::placeCursor(int cursor)
{
    const QwtScaleMap map = m_plot->canvasMap(QwtPlot::xBottom);
    double time = map.s1() + (map.s2() - map.s1()) * (cursor + 1) / 3.0;
    if (m_placeAt)
        time = qBound(std::min(map.s1(), map.s2()), map.invTransform(m_placeAt->x()),
                      std::max(map.s1(), map.s2()));
    m_cursors->place(cursor, time);
}

void ScopeContextMenu::removeCursors()
{
    m_cursors->remove();
}

void ScopeContextMenu::showStatistics()
{
    m_statistics->showFor(m_plot);
}
