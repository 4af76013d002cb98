#pragma once

#include <QString>

// How the trigger goes on after a capture: once per Start, or armed again for the next one
// (repeat), keeping the last `keep` captures and, with a folder, saving each as a scope file
// as it completes. A plain value; any thread.
struct TriggerOptions
{
    static constexpr int kMaxKept = 100;

    bool repeat = false;
    int keep = 10; // 1..kMaxKept
    QString folder;

    bool operator==(const TriggerOptions &other) const
    {
        return repeat == other.repeat && keep == other.keep && folder == other.folder;
    }
};
