#include "SafeFileReader.h"

#include "FileEntry.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>
#include <cstring>
#include <new>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SafeFileReader", text);
}

int openForReading(const QString &path)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(path);
    return ::_wopen(reinterpret_cast<const wchar_t *>(native.utf16()),
                    _O_RDONLY | _O_BINARY | _O_NOINHERIT);
#else
    // Non-blocking: should a pipe take the file's place after the look, open does not wait.
    return ::open(QFile::encodeName(path).constData(),
                  O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
#endif
}

void closeHandle(int handle)
{
#ifdef Q_OS_WIN
    ::_close(handle);
#else
    ::close(handle);
#endif
}

bool startsWith(const QByteArray &bytes, const char *mark, int size)
{
    return bytes.size() >= size && std::memcmp(bytes.constData(), mark, size) == 0;
}

// The byte-order marks of the wider encodings; UTF-32's little-endian one begins as UTF-16's.
QString wideTextRefusal(const QByteArray &start)
{
    if (startsWith(start, "\xFF\xFE\0\0", 4) || startsWith(start, "\0\0\xFE\xFF", 4))
        return tr("UTF-32 text is not read: save the file as UTF-8");
    if (startsWith(start, "\xFF\xFE", 2) || startsWith(start, "\xFE\xFF", 2))
        return tr("UTF-16 text is not read: save the file as UTF-8");
    return QString();
}

} // namespace

bool SafeFileReader::open(const QString &fileName, QString *error)
{
    m_device.close();
    const FileEntry behind = FileEntry::behind(fileName);
    if (behind.error != 0) {
        *error = qt_error_string(behind.error);
        return false;
    }
    if (behind.kind != FileEntry::Kind::Regular) {
        *error = behind.refusal();
        return false;
    }
    const int handle = openForReading(fileName);
    if (handle < 0) {
        *error = qt_error_string(errno);
        return false;
    }
    const FileEntry opened = FileEntry::ofOpen(handle);
    if (!opened.isSameFileAs(behind)) {
        closeHandle(handle);
        *error = opened.kind == FileEntry::Kind::Regular
                     ? tr("the file was replaced while it was opened")
                     : opened.refusal();
        return false;
    }
    m_device.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    *error = wideTextRefusal(m_device.peek(4));
    if (error->isEmpty())
        return true;
    m_device.close();
    return false;
}

std::optional<QByteArray> SafeFileReader::readAll(const QString &fileName, qint64 maxBytes,
                                                  QString *error)
{
    SafeFileReader reader;
    if (!reader.open(fileName, error))
        return std::nullopt;
    try {
        const QByteArray bytes = reader.device().read(maxBytes + 1);
        if (bytes.size() <= maxBytes)
            return bytes;
        *error = tr("larger than %1 kB: not a file of this kind").arg(maxBytes >> 10);
    } catch (const std::bad_alloc &) {
        *error = tr("too large for the memory available");
    }
    return std::nullopt;
}

std::optional<qint64> SafeFileReader::availableMemory()
{
#ifdef Q_OS_LINUX
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (QByteArray line = info.readLine(); !line.isEmpty(); line = info.readLine()) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        bool ok = false;
        const qint64 kilobytes = line.mid(13).replace("kB", "").trimmed().toLongLong(&ok);
        if (ok)
            return kilobytes * 1024;
    }
#endif
    return std::nullopt;
}
