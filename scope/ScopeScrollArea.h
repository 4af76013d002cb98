#pragma once

#include <QScrollArea>

// The scope's page: scrolls when a host gives the scope less room than its controls need
// (a small Designer form), so they are never pressed into each other. Unlike a plain
// QScrollArea, which asks for at most 36 x 24 lines of text, it asks for the room its page
// needs. Made by the scope's form, owned by the scope (Qt parent); GUI thread only.
class ScopeScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override;

protected:
    bool viewportEvent(QEvent *event) override;

private:
    QSize m_hintGiven;
};
