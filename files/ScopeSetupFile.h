#pragma once

#include "DerivedChannel.h"
#include "ScopeLimits.h"
#include "TriggerOptions.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

// An operator's set-up as a small JSON document: the checked rows of the channel dialog's
// three trees (by catalogue key, with the row's name so that a file from another catalogue is
// caught), the display period, the trigger controls, how the plot is viewed and the colour each
// channel is shown in. A plain value; any thread.
struct ScopeSetup
{
    static constexpr int kFormatVersion = 1;

    QList<int> components;
    QList<int> links;
    QList<int> endEffectors;
    int periodMs = ScopeLimits::kDefaultPeriodMs;
    bool triggerOn = false;
    QString triggerChannel; // the channel's title in the trigger list
    QString triggerCondition;
    QString triggerMode;
    // Numbers with a point, as code writes them; older files hold the field's text as typed.
    QString triggerThreshold;
    QString triggerDelay; // empty: no delay
    bool triggerAbsolute = false;
    TriggerOptions triggerOptions; // absent from older files: the defaults
    bool stripView = false;        // the plot as strips per unit; older files: one plot
    bool scaleToVisible = false;
    bool wallClockTime = false;           // the time axis in time of day; older files: in ms
    bool exactValues = false;             // files with exact values; older files: three decimals
    QMap<QString, QColor> channelColours; // by channel title; older files: none
    std::vector<DerivedChannel> derivedChannels; // computed after the channels; older: none
    // The analysis windows' choices; older files: none. The window is "flat top", "hann" or
    // "none".
    QString xyX;
    QString xyY;
    bool xyEqualScales = false;
    QString spectrumCurve;
    QString spectrumWindow = QStringLiteral("flat top");
    bool spectrumDecibel = false;

    QByteArray toJson() const;

    // Takes what it can: `skipped` names every row this catalogue does not have (or has under
    // another name), fields of the wrong type, and another format version. False, with
    // `skipped` saying why, when the text is no set-up at all.
    static bool fromJson(const QByteArray &json, ScopeSetup &setup, QStringList &skipped);

    // Through SafeFileWriter, replacing; false with the reason.
    bool save(const QString &fileName, QString *error) const;
    // fromJson on a file read through SafeFileReader; false, with `skipped` saying why, also
    // when the file cannot be read.
    static bool load(const QString &fileName, ScopeSetup &setup, QStringList &skipped);
};
