#pragma once

#include "ScopeFile.h"
#include "ScopeFileMeta.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A recording that recording to disk split into numbered files: "run.csv", then
// "run_002.csv", "run_003.csv", … beside it (a new file on rotation or when the channels
// change), each with its own header and metadata, its times counting from its own first row.
// Found from any one of its files by the names that stand beside it, and read back as one
// recording: rows in order on one time axis, columns united by header field, a row of gaps
// where the series is broken. A plain value; any thread.
class ScopeFileSeries
{
public:
    // One number of the series: a file that stands there (of whatever kind), or a run of
    // numbers between two that stand there of which nothing does.
    struct Member
    {
        QString fileName; // the path; for a missing run, its first name
        int number = 1;   // 1: the first file ("run.csv")
        int lastNumber = 1;
        bool present = true;
    };

    // What the files of one or more series hold, joined: the content on the time axis of the
    // first file read (its metadata's), the metadata of that file with the columns of all.
    struct Joined
    {
        ScopeFileContent content;
        ScopeFileMeta meta;
        // What of the files cannot be shown as they stand, one line per kind, each naming its
        // files: the content's own notes of each file, files missing from a series, files
        // that cannot be read, curves beyond the plot's. Empty when all was read whole.
        QString notes;
        int filesRead = 0;
        int gaps = 0; // rows of gaps put in where the files do not continue one another
    };

    // The series `fileName` belongs to. A numbered name ("run_003.csv") is a member when its
    // first file or another numbered file stands beside it; any other file is the first of
    // its own series, of one file when no numbered one stands beside it.
    static ScopeFileSeries of(const QString &fileName);
    // The series of each file, in the order of their first files' first mention; a series
    // named by several of its files is listed once. Each folder is looked at once.
    static QVector<ScopeFileSeries> group(const QStringList &fileNames);
    // The name of number `number` (from 2) beside the first file, as recording to disk gives it.
    static QString numberedName(const QString &firstFileName, int number);

    // The series' first file ("…/run.csv"), by which it is known, whether or not it stands.
    QString firstFileName() const { return m_first; }
    // From the first file to the last numbered one that stands, in order.
    const QVector<Member> &members() const { return m_members; }
    // The paths of the members that stand, in order.
    QStringList fileNames() const;
    // Whether more than the first file belongs to the series.
    bool isSplit() const;

    // Reads the members one after another and joins them. A member missing or that cannot be
    // read is a row of gaps between its neighbours, and said in the notes; Failed, with the
    // reason, only when no member can be read at all (for a series of one file, as
    // ScopeFile::load says it). Memory follows the values: each file's values are held once,
    // and let go column by column as they are joined.
    ScopeFile::Outcome load(Joined *joined, const ScopeFile::Progress &progress,
                            QString *error) const;
    // Several series (single files among them) after one another, each one's rows after the
    // last one's, with a row of gaps between them.
    static ScopeFile::Outcome load(const QVector<ScopeFileSeries> &list, Joined *joined,
                                   const ScopeFile::Progress &progress, QString *error);

private:
    static ScopeFileSeries of(const QString &fileName, const QStringList &namesBeside);

    QString m_first;
    QVector<Member> m_members;
};
