#include "ScopeChannel.h"

#include "ScopeLimits.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

constexpr int kJoints = 6;
constexpr int kCartesianComponents = 6;

void addJointChannels(const ComponentSelection &components, const LinkSelection &links,
                      std::vector<ScopeChannel> &out)
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    for (int joint = 1; joint <= kJoints; ++joint) {
        if (components.count(static_cast<emAXIS>(AXIS_J1 + joint - 1)) == 0)
            continue;
        for (const auto &[item, base] : links) {
            if (ScopeCatalog::isLinkGroup(item))
                continue;
            ScopeChannel ch;
            ch.binding.slot = static_cast<int>(out.size());
            ch.title = QString("J%1%2").arg(joint).arg(catalog.linkName(item));
            ch.binding.scopeIndex = ScopeCatalog::linkIndex(base, joint);
            ch.binding.axis = joint - 1;
            ch.binding.linkItem = item;
            ch.binding.unit = catalog.linkUnit(item);
            out.push_back(ch);
        }
    }
}

void addCartesianChannels(const ComponentSelection &components, const EndEffSelection &endEffectors,
                          std::vector<ScopeChannel> &out)
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    for (int component = 0; component < kCartesianComponents; ++component) {
        const int selector = AXIS_X + component;
        if (components.count(static_cast<emAXIS>(selector)) == 0)
            continue;
        for (const auto &[item, base] : endEffectors) {
            if (ScopeCatalog::isEndEffGroup(item))
                continue;
            ScopeChannel ch;
            ch.binding.slot = static_cast<int>(out.size());
            ch.title = QString("%1%2").arg(catalog.axisName(selector), catalog.endEffName(item));
            ch.binding.scopeIndex = ScopeCatalog::endEffIndex(base, component);
            ch.binding.axis = component;
            ch.binding.endEffItem = item;
            ch.binding.unit = catalog.endEffUnit(item, component);
            out.push_back(ch);
        }
    }
}

void addComponentChannels(const ComponentSelection &components, std::vector<ScopeChannel> &out)
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    for (const auto &entry : components) {
        const int key = entry.first;
        if (!ScopeCatalog::isComponentChannel(key))
            continue;
        ScopeChannel ch;
        ch.binding.slot = static_cast<int>(out.size());
        ch.title = catalog.axisName(key);
        ch.binding.scopeIndex = key;
        ch.binding.axis = key;
        ch.binding.unit = catalog.axisUnit(key);
        out.push_back(ch);
    }
}

} // namespace

std::vector<ScopeChannel> selectedChannels(const ComponentSelection &components,
                                           const LinkSelection &links,
                                           const EndEffSelection &endEffectors)
{
    std::vector<ScopeChannel> channels;
    addJointChannels(components, links, channels);
    addCartesianChannels(components, endEffectors, channels);
    addComponentChannels(components, channels);
    return channels;
}

namespace {

const char *const kComponentFamily = "Component List";
const char *const kLinkFamily = "Link Data Capture";
const char *const kEndEffFamily = "End Effector Data Capture";

ComponentSelection allComponents()
{
    ComponentSelection all;
    for (int key = 0; key < ScopeCatalog::instance().axisCount(); ++key)
        all[static_cast<emAXIS>(key)] = key;
    return all;
}

LinkSelection allLinks()
{
    LinkSelection all;
    for (int key = 0; key < ScopeCatalog::instance().linkCount(); ++key)
        all[static_cast<emLINK>(key)] = ScopeCatalog::instance().linkBase(key);
    return all;
}

EndEffSelection allEndEffectors()
{
    EndEffSelection all;
    for (int key = 0; key < ScopeCatalog::instance().endEffCount(); ++key)
        all[static_cast<emENDEFF>(key)] = ScopeCatalog::instance().endEffBase(key);
    return all;
}

QString familyOf(const CurveBinding &binding)
{
    if (binding.linkItem != LINK_NONE)
        return QLatin1String(kLinkFamily);
    if (binding.endEffItem != ENDEFF_NONE)
        return QLatin1String(kEndEffFamily);
    return QLatin1String(kComponentFamily);
}

// The component row that chooses a channel: its joint or Cartesian component, or itself.
int componentRowOf(const CurveBinding &binding)
{
    if (binding.linkItem != LINK_NONE)
        return AXIS_J1 + binding.axis;
    if (binding.endEffItem != ENDEFF_NONE)
        return AXIS_X + binding.axis;
    return binding.axis;
}

void addOnce(QList<int> &rows, int key)
{
    if (!rows.contains(key))
        rows << key;
}

} // namespace

std::vector<OfferedChannel> offeredChannels()
{
    std::vector<OfferedChannel> offered;
    for (ScopeChannel &channel : selectedChannels(allComponents(), allLinks(), allEndEffectors()))
        offered.push_back({channel, familyOf(channel.binding)});
    return offered;
}

namespace {

// A channel's unit now and the one an earlier version gave it, if that differed.
struct ChannelUnits
{
    QString current;
    std::optional<QString> former;
};

std::optional<QString> formerUnitOf(const CurveBinding &binding)
{
    const ScopeCatalog &catalog = ScopeCatalog::instance();
    if (binding.linkItem != LINK_NONE)
        return catalog.formerLinkUnit(binding.linkItem);
    if (binding.endEffItem != ENDEFF_NONE)
        return catalog.formerEndEffUnit(binding.endEffItem);
    return catalog.formerAxisUnit(binding.axis);
}

const QHash<QString, ChannelUnits> &unitsByTitle()
{
    static const QHash<QString, ChannelUnits> units = [] {
        QHash<QString, ChannelUnits> byTitle;
        for (const OfferedChannel &offered : offeredChannels()) {
            const CurveBinding &binding = offered.channel.binding;
            byTitle.insert(offered.channel.title, {binding.unit, formerUnitOf(binding)});
        }
        return byTitle;
    }();
    return units;
}

} // namespace

QString currentUnit(const QString &title, const QString &unitRead)
{
    const auto found = unitsByTitle().constFind(title);
    if (found == unitsByTitle().constEnd() || found->former != unitRead)
        return unitRead;
    return found->current;
}

bool isOfferedChannel(const QString &title)
{
    return unitsByTitle().contains(title);
}

namespace {

// The rows that choose each of `wanted`, and perhaps more; false for an unknown title.
bool rowsChoosing(const QSet<QString> &wanted, ChannelRows &rows, QString &error)
{
    rows = ChannelRows();
    const std::vector<OfferedChannel> offered = offeredChannels();
    for (const QString &title : wanted) {
        const auto found =
            std::find_if(offered.begin(), offered.end(),
                         [&](const OfferedChannel &o) { return o.channel.title == title; });
        if (found == offered.end()) {
            error = QCoreApplication::translate("ScopeChannel", "no channel is called \"%1\"")
                        .arg(title);
            return false;
        }
        const CurveBinding &binding = found->channel.binding;
        addOnce(rows.components, componentRowOf(binding));
        if (binding.linkItem != LINK_NONE)
            addOnce(rows.links, binding.linkItem);
        if (binding.endEffItem != ENDEFF_NONE)
            addOnce(rows.endEffectors, binding.endEffItem);
    }
    return true;
}

} // namespace

std::vector<ScopeChannel> channelsOf(const ChannelRows &rows)
{
    ComponentSelection components;
    for (int key : rows.components)
        components[static_cast<emAXIS>(key)] = key;
    LinkSelection links;
    for (int key : rows.links)
        links[static_cast<emLINK>(key)] = ScopeCatalog::instance().linkBase(key);
    EndEffSelection endEffectors;
    for (int key : rows.endEffectors)
        endEffectors[static_cast<emENDEFF>(key)] = ScopeCatalog::instance().endEffBase(key);
    return selectedChannels(components, links, endEffectors);
}

bool rowsForChannels(const QStringList &titles, ChannelRows &rows, QString &error)
{
    const QSet<QString> wanted(titles.begin(), titles.end());
    if (wanted.size() > ScopeLimits::kMaxChannels) {
        rows = ChannelRows();
        error = QCoreApplication::translate("ScopeChannel",
                                            "%1 channels asked for; a recording holds at most %2")
                    .arg(wanted.size())
                    .arg(ScopeLimits::kMaxChannels);
        return false;
    }
    if (!rowsChoosing(wanted, rows, error))
        return false;
    QStringList extra;
    for (const ScopeChannel &channel : channelsOf(rows)) {
        if (!wanted.contains(channel.title))
            extra << channel.title;
    }
    if (!extra.isEmpty()) {
        error = QCoreApplication::translate(
                    "ScopeChannel", "these channels cannot be chosen without also recording %1 "
                                    "(each chosen quantity is recorded for each chosen joint or "
                                    "component)")
                    .arg(extra.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

QStringList channelsChoosing(const QStringList &titles)
{
    QSet<QString> known;
    for (const QString &title : titles)
        if (isOfferedChannel(title))
            known.insert(title);
    ChannelRows rows;
    QString error;
    QStringList chosen;
    if (rowsChoosing(known, rows, error))
        for (const ScopeChannel &channel : channelsOf(rows))
            chosen << channel.title;
    return chosen;
}
