#include "DerivedChannelSet.h"

#include "ScopeLimits.h"

#include <QCoreApplication>

#include <algorithm>

QStringList DerivedChannelSet::titles() const
{
    QStringList titles;
    for (const DerivedChannel &channel : m_channels)
        titles << channel.title;
    return titles;
}

const DerivedChannel *DerivedChannelSet::find(const QString &title) const
{
    const auto it = std::find_if(m_channels.begin(), m_channels.end(),
                                 [&title](const DerivedChannel &c) { return c.title == title; });
    return it == m_channels.end() ? nullptr : &*it;
}

bool DerivedChannelSet::add(const DerivedChannel &channel, const QStringList &recorded,
                            QString *error)
{
    const QString title = channel.title.trimmed();
    QString reason;
    if (title.isEmpty())
        reason =
            QCoreApplication::translate("DerivedChannelSet", "a derived channel needs a title");
    else if (recorded.contains(title))
        reason = QCoreApplication::translate("DerivedChannelSet",
                                             "\"%1\" is the title of a recorded channel")
                     .arg(title);
    std::vector<DerivedChannel> next = m_channels;
    const auto same = std::find_if(next.begin(), next.end(),
                                   [&title](const DerivedChannel &c) { return c.title == title; });
    DerivedChannel added = channel;
    added.title = title;
    if (same != next.end())
        *same = added;
    else
        next.push_back(added);
    if (reason.isEmpty() && recorded.size() + int(next.size()) > ScopeLimits::kCurveSlots)
        reason = QCoreApplication::translate("DerivedChannelSet",
                                             "no curve slot left: %1 channels and %2 derived "
                                             "ones, at most %3 curves")
                     .arg(recorded.size())
                     .arg(next.size())
                     .arg(ScopeLimits::kCurveSlots);
    if (reason.isEmpty()) {
        // Checked where it stands among the others: it reads only those before it.
        QStringList before = recorded;
        for (const DerivedChannel &c : next) {
            if (c.title == title)
                break;
            before << c.title;
        }
        QString why;
        if (!DerivedExpression::compile(added.expression, before, &why))
            reason = QStringLiteral("%1: %2").arg(title, why);
    }
    if (!reason.isEmpty()) {
        if (error)
            *error = reason;
        return false;
    }
    m_channels = std::move(next);
    return true;
}

bool DerivedChannelSet::remove(const QString &title)
{
    const auto it = std::remove_if(m_channels.begin(), m_channels.end(),
                                   [&title](const DerivedChannel &c) { return c.title == title; });
    if (it == m_channels.end())
        return false;
    m_channels.erase(it, m_channels.end());
    return true;
}

std::vector<DerivedExpression> DerivedChannelSet::compile(const QStringList &recorded,
                                                          std::vector<DerivedChannel> *kept,
                                                          QStringList *leftOut) const
{
    std::vector<DerivedExpression> expressions;
    QStringList known = recorded;
    for (const DerivedChannel &channel : m_channels) {
        QString why;
        std::optional<DerivedExpression> expression;
        if (known.contains(channel.title))
            why = QCoreApplication::translate("DerivedChannelSet", "the title is taken");
        else if (known.size() >= ScopeLimits::kCurveSlots)
            why = QCoreApplication::translate("DerivedChannelSet", "no curve slot left");
        else
            expression = DerivedExpression::compile(channel.expression, known, &why);
        if (!expression) {
            if (leftOut)
                *leftOut << QStringLiteral("%1: %2").arg(channel.title, why);
            continue;
        }
        expressions.push_back(std::move(*expression));
        known << channel.title;
        if (kept)
            kept->push_back(channel);
    }
    return expressions;
}

std::vector<DerivedExpression> DerivedChannelSet::compileAfter(std::vector<ScopeChannel> &channels,
                                                               QStringList *leftOut) const
{
    QStringList titles;
    for (const ScopeChannel &ch : channels)
        titles << ch.title;
    std::vector<DerivedChannel> kept;
    std::vector<DerivedExpression> expressions = compile(titles, &kept, leftOut);
    for (const DerivedChannel &derived : kept) {
        ScopeChannel ch;
        ch.title = derived.title;
        ch.binding.slot = static_cast<int>(channels.size());
        ch.binding.axis = 0;
        ch.binding.unit = derived.unit;
        ch.binding.computed = true;
        channels.push_back(ch);
    }
    return expressions;
}
