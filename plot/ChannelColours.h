#pragma once

#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Which colour each channel's curve has, by channel title. Operators follow a channel by its
// colour, so a channel keeps the colour it was first shown in, across selections, imported
// files and kept captures; curves shown together still read on the canvas and differ by
// kMinCurveDeltaE. Only the catalogue's channels are remembered. Owned by the plot; GUI thread
// only.
class ChannelColours
{
public:
    using NextComponent = std::function<int()>;

    ChannelColours(const QColor &canvas, NextComponent nextComponent);

    // Colours for curves shown together, one per title in order, apart from `inUse` (other
    // curves on the plot). The titles shown together last keep their colours first, then the
    // other remembered titles whose colours stay apart from those; the rest get new colours,
    // apart from all of these and, while there is room, from every remembered one. A new
    // colour is remembered for a channel of the catalogue or one of the `derived` titles.
    QVector<QColor> colourTogether(const QStringList &titles, const QVector<QColor> &inUse = {},
                                   const QStringList &derived = QStringList());
    // A new colour apart from `inUse`, for a curve that is no channel's own (a compared one).
    QColor colourApart(const QVector<QColor> &inUse) const;

    const QMap<QString, QColor> &assignment() const { return m_colours; }
    // Takes over a saved assignment: its colours replace those remembered for the same
    // channels and win a clash with the colours shown last. Returns the titles it did not
    // take: neither a channel of the catalogue nor one of the `derived` channels, or a
    // colour that does not read on the canvas.
    QStringList restore(const QMap<QString, QColor> &saved,
                        const QStringList &derived = QStringList());

private:
    QColor newColour(const QVector<QColor> &inUse) const;

    QColor m_canvas;
    NextComponent m_nextComponent;
    QMap<QString, QColor> m_colours;
    QStringList m_keptFirst; // shown together last, or just restored
};
