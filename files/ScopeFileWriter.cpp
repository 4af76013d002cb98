#include "ScopeFileWriter.h"

#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString systemReason(const QFileDevice &file)
{
    const int code = errno;
    return code != 0 ? qt_error_string(code) : file.errorString();
}

// A new file's name is on the disk only once its folder is synced: without it, a power cut
// could lose the whole file, not just its last second.
void syncFolderOf(const QString &fileName)
{
#ifndef Q_OS_WIN
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(fileName);
#endif
}

} // namespace

ScopeFileWriter::~ScopeFileWriter()
{
    close();
}

bool ScopeFileWriter::open(const QString &fileName, Existing existing,
                           const QVector<ScopeFileCurve> &columns, const std::vector<bool> &hasData,
                           ScopeFile::NumberFormat format, QString *error)
{
    close();
    m_format = format;
    m_file.setFileName(fileName);
    // NewOnly refuses a file that exists at the moment of opening, not just when asked.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    mode |= existing == Existing::Refuse ? QIODevice::NewOnly : QIODevice::Truncate;
    if (!m_file.open(mode)) {
        *error = m_file.exists() && existing == Existing::Refuse
                     ? QStringLiteral("the file exists already")
                     : m_file.errorString();
        return false;
    }
    m_hasData = hasData;
    m_hasData.resize(static_cast<std::size_t>(columns.size()), false);
    m_written = 0;
    m_rows = 0;
    QString header = QStringLiteral("time");
    for (const ScopeFileCurve &column : columns)
        header += QLatin1Char(',') + ScopeFile::headerField(column.title, column.binding);
    header += QLatin1Char('\n');
    m_pending = header.toUtf8();
    if (writePending(error)) {
        syncFolderOf(fileName);
        return true;
    }
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
    errno = 0;
    const qint64 done = m_file.write(m_pending);
    if (done == m_pending.size()) {
        m_written += done;
        m_pending.truncate(0);
        return true;
    }
    *error = systemReason(m_file);
    m_pending.clear();
    m_file.resize(m_written);
    return false;
}

bool ScopeFileWriter::sync(QString *error)
{
    if (!writePending(error))
        return false;
#ifdef Q_OS_WIN
    const bool synced = _commit(m_file.handle()) == 0;
#elif defined(Q_OS_MACOS)
    const bool synced = ::fsync(m_file.handle()) == 0;
#else
    const bool synced = ::fdatasync(m_file.handle()) == 0;
#endif
    if (!synced)
        *error = qt_error_string(errno);
    return synced;
}

void ScopeFileWriter::close()
{
    m_pending.clear();
    if (m_file.isOpen())
        m_file.close();
}
