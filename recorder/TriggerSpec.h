#pragma once

#include "TriggerSettings.h"

#include <QString>
#include <QStringList>

#include <optional>

// The trigger as the command line writes it: `TITLE>THRESHOLD[@DELAY]`, `<` for below, the
// title between bars (`|J3 Actual Cur|>5`) for its absolute value, the delay in ms from the
// firing to the capture's start (negative: before it). "J3 Actual Cur>5@-500" captures from
// half a second before J3's current passes 5 A. A plain value; any thread.
class TriggerSpec
{
public:
    // The settings against the recorded titles (the trigger channel is its position among
    // them); nothing, with the reason, for text that does not read or an unrecorded channel.
    static std::optional<TriggerSettings> parse(const QString &text, const QStringList &recorded,
                                                QString *error);
};
