#include "ChannelColours.h"

#include "CurveColours.h"
#include "ScopeChannel.h"

#include <optional>
#include <utility>

namespace {

// Enough draws to tell whether a colour apart from every remembered one is left; with all of
// the catalogue remembered, a full search would take noticeable time per curve.
constexpr int kDrawsApartFromRemembered = 250;

bool isApart(const QColor &colour, const QVector<QColor> &others)
{
    return leastDeltaE(colour, others) >= kMinCurveDeltaE;
}

} // namespace

ChannelColours::ChannelColours(const QColor &canvas, NextComponent nextComponent)
    : m_canvas(canvas), m_nextComponent(std::move(nextComponent))
{}

QVector<QColor> ChannelColours::colourTogether(const QStringList &titles,
                                               const QVector<QColor> &inUse,
                                               const QStringList &derived)
{
    QVector<std::optional<QColor>> chosen(titles.size());
    QVector<QColor> taken = inUse;
    QStringList settled; // titles whose colour here is the one remembered for them
    const auto keepRemembered = [&](bool keptFirst) {
        for (int k = 0; k < titles.size(); ++k) {
            const QString &title = titles.at(k);
            const auto found = m_colours.constFind(title);
            if (found == m_colours.constEnd() || m_keptFirst.contains(title) != keptFirst ||
                settled.contains(title) || !isApart(*found, taken))
                continue;
            chosen[k] = *found;
            taken << *found;
            settled << title;
        }
    };
    keepRemembered(true);
    keepRemembered(false);

    QVector<QColor> colours;
    for (int k = 0; k < titles.size(); ++k) {
        if (!chosen.at(k)) {
            const QString &title = titles.at(k);
            chosen[k] = newColour(taken);
            taken << *chosen.at(k);
            if (!settled.contains(title) && (isOfferedChannel(title) || derived.contains(title))) {
                m_colours.insert(title, *chosen.at(k));
                settled << title;
            }
        }
        colours << *chosen.at(k);
    }
    m_keptFirst = titles;
    return colours;
}

QColor ChannelColours::colourApart(const QVector<QColor> &inUse) const
{
    return newColour(inUse);
}

// Kept apart from the remembered colours too where it can be, so that channels shown at
// other times rarely clash when they are shown together.
QColor ChannelColours::newColour(const QVector<QColor> &inUse) const
{
    const QVector<QColor> known = inUse + QVector<QColor>::fromList(m_colours.values());
    const QColor apartFromKnown =
        distinctReadableColour(m_canvas, known, m_nextComponent, kMinCurveDeltaE, kMinCurveContrast,
                               kDrawsApartFromRemembered);
    if (isApart(apartFromKnown, inUse))
        return apartFromKnown;
    return distinctReadableColour(m_canvas, inUse, m_nextComponent);
}

QStringList ChannelColours::restore(const QMap<QString, QColor> &saved, const QStringList &derived)
{
    QStringList refused;
    QStringList taken;
    for (auto it = saved.constBegin(); it != saved.constEnd(); ++it) {
        QColor colour = it.value();
        if ((!isOfferedChannel(it.key()) && !derived.contains(it.key())) || !colour.isValid() ||
            contrastRatio(colour, m_canvas) < kMinCurveContrast) {
            refused << it.key();
            continue;
        }
        colour.setAlpha(255);
        m_colours.insert(it.key(), colour);
        taken << it.key();
    }
    if (!taken.isEmpty())
        m_keptFirst = taken;
    return refused;
}
