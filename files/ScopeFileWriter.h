#pragma once

#include "SafeFileWriter.h"
#include "ScopeFile.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <vector>

// Writes a scope file row by row as a recording goes on: the header of its columns, then one
// line per record, times in ms from the file's first row. Lines reach the file whole: after a
// failed write the file is cut back to its last whole line, so what is on disk always reads
// back. Written through SafeFileWriter, so a recording never writes through a link or into a
// device, and a sync fails once the file is no longer at its name (removed, moved, replaced,
// its folder gone). Plain and single-threaded; owned by whoever writes (the file recorder's
// thread).
class ScopeFileWriter
{
public:
    enum class Existing
    {
        Refuse, // nothing at the name is ever replaced
        Replace // a regular file is, once the new one has its header
    };

    ScopeFileWriter() = default;
    ~ScopeFileWriter();
    ScopeFileWriter(const ScopeFileWriter &) = delete;
    ScopeFileWriter &operator=(const ScopeFileWriter &) = delete;

    // Opens and writes the header. `hasData` says per column whether rows carry its values;
    // the others get empty fields, as an export gives a curve without samples.
    bool open(const QString &fileName, Existing existing, const QVector<ScopeFileCurve> &columns,
              const std::vector<bool> &hasData, ScopeFile::NumberFormat format, QString *error);
    bool isOpen() const { return m_file.isOpen(); }

    // One row: a controller time and a value per column, formatted into the pending lines.
    void appendRow(double time, const double *values);
    // Hands the pending lines to the system; on failure the file keeps its whole lines and
    // *error holds the system's reason.
    bool flush(QString *error);
    // flush, then waits until the data is on the disk; fails too when the file is no longer
    // at its name.
    bool sync(QString *error);
    void close();

    QString fileName() const { return m_file.fileName(); }
    qint64 bytesWritten() const { return m_written; }
    qint64 pendingBytes() const { return m_pending.size(); }
    qint64 rows() const { return m_rows; }
    int columnCount() const { return static_cast<int>(m_hasData.size()); }

private:
    bool writePending(QString *error);

    SafeFileWriter m_file;
    std::vector<bool> m_hasData;
    QByteArray m_pending;
    qint64 m_written = 0; // whole lines on the file
    qint64 m_rows = 0;
    double m_origin = 0.0;
    ScopeFile::NumberFormat m_format = ScopeFile::NumberFormat::ThreeDecimals;
};
