#pragma once

#include <QString>
#include <QStringList>

// tarnscope-view's command line: the files and folders to open, and for a run without a
// window (a check, a picture for the docs) what to do once they are open. A plain value,
// parsed once on the GUI thread.
struct ViewerOptions
{
    enum class Outcome
    {
        Run,
        ShowHelp,
        Error
    };

    QStringList paths;  // files and folders, absolute, in the order given
    QString screenshot; // the window after opening, PNG; empty: none
    bool quitAfterLoad = false;
    bool sourceTexts = false; // the widget's source texts, not a translation

    // Opens every entry in turn, prints what each shows, and quits.
    bool runsUnattended() const { return quitAfterLoad || !screenshot.isEmpty(); }

    // Chooses the offscreen platform before QApplication exists when there is no display to
    // open (a check or a screenshot runs there; a window cannot).
    static void choosePlatform();

    // Parses the application's arguments; on Error, `message` says what is wrong, on
    // ShowHelp it holds the help text.
    Outcome parse(const QStringList &arguments, QString &message);
};
