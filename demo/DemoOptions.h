#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The demo host's command line: which plug-in to load, what to select, how the simulated
// controller behaves (or which files to show instead) and, offscreen, how long to run and
// where to write the results.
// A plain value, parsed once on the GUI thread before the host starts.
struct DemoOptions
{
    enum class Outcome
    {
        Run,
        ShowHelp,
        Error
    };

    QString pluginPath;              // absolute
    QStringList selection;           // rows of the channel dialog, as shown, trimmed
    double seconds = 3.0;            // offscreen run time
    double cycleMs = 1.0;            // simulated controller cycle
    uint32_t seed = 1;               // simulated measurement noise
    double errorAfterSeconds = -1.0; // robot error injected after this long; < 0: never
    int periodMs = 0;                // display period; 0: the default for the mode
    int scopes = 1;                  // scopes side by side on the one controller
    QString outputDir;               // absolute
    bool offscreen = false;
    bool toolShots = false;   // offscreen: also screenshots of the plot's operator tools
    bool strips = false;      // the plot as strips per unit
    bool sourceTexts = false; // the widget's source texts, not its English translation
    QString recordFile;       // recorded to disk from Start; empty: not recorded
    // The trigger armed at Start: channel title, condition (">" or "<"), threshold, delay
    // (empty: whole batches); no channel: no trigger.
    QString triggerChannel;
    QString triggerCondition;
    double triggerThreshold = 0.0;
    QString triggerDelay;
    QString capturesDir;     // with a trigger: capture again after each one, saving each here
    QString derivedPreset;   // a robot preset added before Start; empty: none
    QString spectrumChannel; // offscreen: after the run, scope-spectrum.png of this curve
    QString xyX, xyY;        // offscreen: after the run, scope-xy.png of y over x
    // Scope files shown instead of sampling, joined as importFromFiles() joins them (a file
    // of a recording split into numbered files stands for the whole); empty: the demo samples.
    QStringList openFiles;

    bool injectsError() const { return errorAfterSeconds >= 0.0; }
    bool opensFiles() const { return !openFiles.isEmpty(); }

    // Chooses the offscreen platform before QApplication exists, when asked to or when
    // there is no display to open.
    static void choosePlatform(int argc, char **argv);

    // Parses the application's arguments; on Error, `message` says what is wrong, on
    // ShowHelp it holds the help text.
    Outcome parse(const QStringList &arguments, QString &message);

private:
    bool readTrigger(const QString &text, QString &message);
};
