#include "ScopeScrollArea.h"

#include <QEvent>

QSize ScopeScrollArea::sizeHint() const
{
    if (!widget())
        return QScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    return widget()->sizeHint() + QSize(frame, frame);
}

// The page's layout asks for a new layout through the viewport. Only a changed hint is passed
// on to the scope's host: a label that gets new text must not lay out the host's window.
bool ScopeScrollArea::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::LayoutRequest && sizeHint() != m_hintGiven) {
        m_hintGiven = sizeHint();
        updateGeometry();
    }
    return QScrollArea::viewportEvent(event);
}
