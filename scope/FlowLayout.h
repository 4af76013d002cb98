#pragma once

#include <QLayout>
#include <QList>
#include <QVector>

// Lays its items out left to right in rows, starting a new row where the next item would
// pass the right edge, so a strip of controls wraps in a narrow panel instead of pressing its
// controls into each other. Each item keeps its preferred width (at most the row's) and sits
// centred in its row. Its height follows the width it gets; it asks for the narrowest width
// that keeps it to two rows.
// Owned by the widget it lays out (Qt parent); GUI thread only.
class FlowLayout : public QLayout
{
    Q_OBJECT

public:
    FlowLayout() = default;
    ~FlowLayout() override;

    // The container's box layout (a form's row of group widgets) becomes a flow with the
    // same margins and spacing; its spacers go, the spacing separates the groups.
    static void replaceRowOf(QWidget *container);

    void addItem(QLayoutItem *item) override;
    int count() const override { return m_items.size(); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    struct Row
    {
        QList<QLayoutItem *> items;
        int height = 0;
    };

    QList<QLayoutItem *> shownItems() const;
    QVector<Row> rows(int width) const;
    int gap() const;

    QList<QLayoutItem *> m_items;
};
