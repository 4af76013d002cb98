#include "ScopeChannel.h"

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
            ch.binding.unit = catalog.endEffUnit(item);
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
