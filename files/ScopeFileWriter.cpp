#include "ScopeFileWriter.h"

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

ScopeFileWriter::~ScopeFileWriter()
{
    close();
}

// The header is at the file's name, on the disk, before the first row: replacing, the old
// file stays until then.
bool ScopeFileWriter::open(const QString &fileName, Existing existing,
                           const QVector<ScopeFileCurve> &columns, const std::vector<bool> &hasData,
                           ScopeFile::NumberFormat format, QString *error)
{
    close();
    m_format = format;
    const auto mode = existing == Existing::Refuse ? SafeFileWriter::Mode::CreateNew
                                                   : SafeFileWriter::Mode::Replace;
    if (!m_file.open(fileName, mode, error))
        return false;
    m_hasData = hasData;
    m_hasData.resize(static_cast<std::size_t>(columns.size()), false);
    m_written = 0;
    m_rows = 0;
    QString header = QStringLiteral("time");
    for (const ScopeFileCurve &column : columns)
        header += QLatin1Char(',') + ScopeFile::headerField(column.title, column.binding);
    header += QLatin1Char('\n');
    m_pending = header.toUtf8();
    if (writePending(error) && m_file.commit(error))
        return true;
    close();
    return false;
}

void ScopeFileWriter::appendRow(double time, const double *values)
{
    if (m_rows++ == 0)
        m_origin = time;
    const int start = m_pending.size();
    m_pending.resize(start + (columnCount() + 1) * (ScopeFile::kMaxNumberChars + 1));
    char *p = ScopeFile::writeNumber(m_pending.data() + start, time - m_origin, m_format);
    for (std::size_t k = 0; k < m_hasData.size(); ++k) {
        *p++ = ',';
        if (m_hasData[k])
            p = ScopeFile::writeNumber(p, values[k], m_format);
    }
    *p++ = '\n';
    m_pending.resize(static_cast<int>(p - m_pending.constData()));
}

bool ScopeFileWriter::flush(QString *error)
{
    return writePending(error);
}

// A short write leaves part of a line behind: cut back to the lines before it.
bool ScopeFileWriter::writePending(QString *error)
{
    if (m_pending.isEmpty())
        return true;
    if (m_file.write(m_pending, error)) {
        m_written += m_pending.size();
        m_pending.truncate(0);
        return true;
    }
    m_pending.clear();
    m_file.device().resize(m_written);
    return false;
}

bool ScopeFileWriter::sync(QString *error)
{
    if (!writePending(error))
        return false;
    const int handle = m_file.device().handle();
#ifdef Q_OS_WIN
    const bool synced = _commit(handle) == 0;
#elif defined(Q_OS_MACOS)
    const bool synced = ::fsync(handle) == 0;
#else
    const bool synced = ::fdatasync(handle) == 0;
#endif
    if (!synced) {
        *error = qt_error_string(errno);
        return false;
    }
    return m_file.isStillAtItsName(error);
}

void ScopeFileWriter::close()
{
    m_pending.clear();
    m_file.close();
}
