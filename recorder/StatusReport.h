#pragma once

#include <QString>

#include <cstdio>

// Where a run stands, as one status line shows it.
struct RecorderFigures
{
    quint64 records = 0; // appended to the window since the run began
    qint64 lost = 0;     // records the disk did not keep up with
    int captures = 0;    // completed since the run began
    int files = 0;       // recorded-to files begun
    QString file;        // the one written now
    qint64 fileBytes = 0;
    QString controller; // "sampling", "not answering", "lost", "stopped"
};

// The run's log on stderr: one line per event and per status interval, as text for a
// terminal or the journal, or as JSON lines for a log collector ({"event": "...", ...}).
// Owned by main; main thread.
class StatusReport
{
public:
    explicit StatusReport(bool json, std::FILE *out = stderr);

    // kind: "started", "capture", "file", "controller", "robot", "note", "error", "stopped".
    void event(const QString &kind, const QString &text);
    void status(const RecorderFigures &figures);

private:
    void write(const QString &line);

    bool m_json;
    std::FILE *m_out;
};
