#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <optional>

// The trigger a capture was cut for, as its metadata names it.
struct ScopeFileTrigger
{
    QString channel;
    QString condition; // ">" or "<"
    double threshold = 0.0;
    bool absoluteValue = false;
    QString mode; // "open grab" or "end grab"
    std::optional<double> delay;
    double instant = 0.0; // controller time of the sample that fired it, ms
    double value = 0.0;
    bool whole = true; // false when the recording ended before the window was full
};

// What a scope file holds, said beside it in `name.csv.json`: when its first row was
// recorded (wall clock and controller time), its channels with their units, the number
// format, and for a capture its trigger. The CSV itself stays as it always was; a file
// without metadata reads as before. A plain value; any thread.
struct ScopeFileMeta
{
    struct Channel
    {
        QString title;
        QString unit;
        bool operator==(const Channel &other) const
        {
            return title == other.title && unit == other.unit;
        }
    };

    QDateTime started;                    // the first row's wall-clock time; invalid: unknown
    std::optional<double> firstRowTime;   // the first row's time in the file, ms
    std::optional<double> controllerTime; // the first row's controller time, ms
    bool exactValues = false;
    QVector<Channel> channels;
    std::optional<ScopeFileTrigger> trigger;

    static QString fileNameFor(const QString &scopeFileName);

    QByteArray toJson() const;
    // Nothing, with the reason, for bytes that are not this metadata.
    static std::optional<ScopeFileMeta> fromJson(const QByteArray &bytes, QString *error);

    // Written beside the scope file through SafeFileWriter, replacing; false with the reason.
    bool saveBeside(const QString &scopeFileName, QString *error) const;
    // The metadata beside a scope file, read through SafeFileReader; nothing when there is
    // none or it does not read.
    static std::optional<ScopeFileMeta> loadBeside(const QString &scopeFileName);

    // Where a controller time lies in the file's own times; nothing when unknown.
    std::optional<double> fileTimeOf(double controllerTimeMs) const;
};
