#pragma once

#include "DerivedExpression.h"
#include "ScopeChannel.h"
#include "ScopeFileRecorder.h"
#include "TriggerOptions.h"
#include "TriggerSettings.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What one run of tarnscope-record is to do, read from its command line and the set-up file it
// names (options given win over the set-up's). A plain value; main thread.
struct RecorderOptions
{
    // The controller's channels, then the derived channels compiled after them.
    std::vector<ScopeChannel> channels;
    std::vector<int> indexes; // the controller's channels' indexes
    std::vector<DerivedExpression> derived;
    int periodMs = 0; // the window kept in memory, and each capture's length
    std::optional<TriggerSettings> trigger;
    TriggerOptions captures;
    std::optional<FileRecordingOptions> recordTo;
    bool exactValues = false;     // in the file recorded to and the captures' files
    double durationSeconds = 0.0; // 0: until stopped
    bool stopWhenError = false;
    int retrySeconds = 0; // 0: a lost controller or a failed disk ends the run
    int controllerTimeoutMs = 0;
    int statusSeconds = 0;
    bool json = false;
    QStringList notes; // what of the set-up was not taken, for the log

    enum class Outcome
    {
        Run,
        Shown, // help or version went to stdout
        Bad
    };
    // `arguments` as the program got them, its name first; `error` says what is wrong.
    static Outcome parse(const QStringList &arguments, RecorderOptions &options, QString *error);
};
