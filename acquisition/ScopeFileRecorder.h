#pragma once

#include "ClockOrigin.h"
#include "ScopeFile.h"

#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class ScopeFileWriter;

// How a recording to disk runs.
struct FileRecordingOptions
{
    QString fileName;
    bool replace = false;     // replace an existing file (asked for by the operator)
    int rotateMinutes = 0;    // a new numbered file this often; 0: never
    int rotateMegabytes = 0;  // or once a file is this large; 0: never
    bool exactValues = false; // the shortest text that reads back the same, not 3 decimals
    // How many values (time stamps included) may wait for the disk before records are lost.
    std::size_t queueValues = std::size_t(1) << 19;
};

// Where a recording to disk stands, as the writer last published it.
struct FileRecordingStatus
{
    QString fileName;   // the file written now (or last)
    int files = 0;      // files begun, the first included
    qint64 bytes = 0;   // in the current file, handed to the system
    qint64 records = 0; // rows written over all files
    qint64 dropped = 0; // records lost because the disk did not keep up
    QString failure;    // set when writing failed: the recording to disk has ended
};

// Records to disk, in scope-file format, every row handed to it, each file with its metadata
// beside it (written with its first row): a writer thread with a
// bounded queue, so neither the acquisition thread nor the GUI ever waits for the disk; a full
// queue drops the rows offered and counts them. Data is synced to the disk at least once a
// second; a failed write ends the recording with the system's reason and leaves the file with
// its whole lines, and so does a file removed, moved or replaced (or its folder), as the sync
// finds it. A change of columns, and rotation, start a new numbered file with its own header,
// under the next number at which nothing stands. Owned by the scope's recorder; push() from the
// acquisition thread, the rest from the GUI thread; the writer thread is its own and ends with it.
class ScopeFileRecorder
{
public:
    // Opens the first file at once, so a refusal reaches the caller: nothing then.
    static std::unique_ptr<ScopeFileRecorder> start(const FileRecordingOptions &options,
                                                    const QVector<ScopeFileCurve> &columns,
                                                    QString *error);
    // The name itself when nothing stands there, else the first numbered one free beside it
    // ("run_004.csv"): where a recording that ended goes on, in the same series.
    static QString nextFreeName(const QString &fileName);
    // Waits for the writer to finish (see finish()).
    ~ScopeFileRecorder();
    ScopeFileRecorder(const ScopeFileRecorder &) = delete;
    ScopeFileRecorder &operator=(const ScopeFileRecorder &) = delete;

    // The columns of the rows pushed from now on.
    void setColumns(const QVector<ScopeFileCurve> &columns);
    // Rows of 1 + `width` values each: the controller time, then one value per column;
    // `origin` dates them for the metadata beside each file.
    void push(std::vector<double> rows, int width, const ClockOrigin &origin);
    FileRecordingStatus status() const;
    // Asks the writer to write what is queued, sync and end, without waiting for it.
    void finish();
    bool hasFinished() const { return m_finished; }

private:
    struct Item
    {
        std::shared_ptr<const QVector<ScopeFileCurve>> columns; // a new header, or rows
        std::vector<double> rows;
        int width = 0;
        ClockOrigin origin;
    };

    ScopeFileRecorder(const FileRecordingOptions &options, std::unique_ptr<ScopeFileWriter> writer,
                      const QVector<ScopeFileCurve> &columns);
    void run();
    std::deque<Item> takeItems(bool *stopping);
    void write(const Item &item);
    void writeRows(const Item &item);
    void changeColumns(const QVector<ScopeFileCurve> &columns);
    bool openNext();
    bool writeMeta(const Item &firstRows, QString *error) const;
    void rotateWhenDue();
    void syncWhenDue(bool now);
    void fail(const QString &reason);
    void publish();

    const FileRecordingOptions m_options;
    std::unique_ptr<ScopeFileWriter> m_writer; // writer thread only, after start
    // Writer thread only.
    QVector<ScopeFileCurve> m_columns;
    int m_nextNumber = 2;
    int64_t m_fileStartMs = 0;
    int64_t m_lastSyncMs = 0;
    FileRecordingStatus m_written;

    mutable std::mutex m_mutex; // guards everything below
    std::condition_variable m_wake;
    std::deque<Item> m_queue;
    std::size_t m_queuedValues = 0;
    qint64 m_dropped = 0;
    bool m_stopping = false;
    FileRecordingStatus m_published;

    std::atomic<bool> m_finished{false};
    std::thread m_thread; // last: starts once everything above is built
};
