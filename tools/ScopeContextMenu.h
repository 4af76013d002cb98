#pragma once

#include <QList>
#include <QObject>
#include <QPoint>

#include <optional>

class CurveStatisticsTable;
class MeasurementCursors;
class QAction;
class QMenu;
class QwtScope;

// The operator's tools on the plot canvas: a context menu (right click) and canvas
// shortcuts for saving or copying the plot as an image, two measurement cursors and the
// statistics of the visible range; the widget adds its own actions (freeze, set-ups).
// The zoomer keeps the right button: while zoomed in, a right click returns to the zoom
// base (Qwt's binding) and the menu opens only at the zoom base, with Ctrl held, or from
// the keyboard's context-menu key. A child of the plot; the statistics table is a child of
// `dialogParent`. GUI thread only.
class ScopeContextMenu : public QObject
{
    Q_OBJECT

public:
    ScopeContextMenu(QwtScope *plot, QWidget *dialogParent);

    // Adds actions after the plot's own, in the menu and as canvas shortcuts.
    void addActions(const QList<QAction *> &actions);

    QMenu *menu() const { return m_menu; }
    MeasurementCursors *cursors() const { return m_cursors; }
    CurveStatisticsTable *statistics() const { return m_statistics; }

public slots:
    void saveImage();
    void copyImage();
    void placeCursor1();
    void placeCursor2();
    void removeCursors();
    void showStatistics();

signals:
    // "Save image…" wrote the plot to this file.
    void imageSaved(const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addAction(const QString &text, const char *name, const QKeySequence &keys,
                       void (ScopeContextMenu::*slot)());
    void install(QAction *action);
    bool openFromEvent(QEvent *event);
    void pointAt(const QPoint &pos);
    void placeCursor(int cursor);

    QwtScope *m_plot;
    // Kept apart from the plot: the canvas still sends events while the plot is destroyed.
    QWidget *m_canvas;
    QWidget *m_dialogParent;
    QMenu *m_menu;
    MeasurementCursors *m_cursors;
    CurveStatisticsTable *m_statistics;
    QList<QObject *> m_cursorActions;         // keys 1 and 2
    std::optional<QPoint> m_pointer;          // the mouse, while over the canvas
    std::optional<QPoint> m_placeAt;          // where the menu opened or the key was pressed
    std::optional<bool> m_zoomedAtRightPress; // zoom state when the right button went down
};
