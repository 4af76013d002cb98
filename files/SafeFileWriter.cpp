#include "SafeFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int kTemporaryNameTries = 100;

QString tr(const char *text)
{
    return QCoreApplication::translate("SafeFileWriter", text);
}

// Fails when anything stands at the name, a link included.
int createExclusive(const QString &path)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(path);
    return ::_wopen(reinterpret_cast<const wchar_t *>(native.utf16()),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
#else
    return ::open(QFile::encodeName(path).constData(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

// A replaced file keeps its permissions, as an editor's save would keep them.
void takePermissions(int handle, const FileEntry &replaced)
{
#ifdef Q_OS_WIN
    Q_UNUSED(handle);
    Q_UNUSED(replaced);
#else
    if (replaced.kind == FileEntry::Kind::Regular)
        ::fchmod(handle, static_cast<mode_t>(replaced.access & 0777));
#endif
}

bool syncHandle(int handle)
{
#ifdef Q_OS_WIN
    return ::_commit(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

// A new name is on the disk only once its folder is synced: without it, a power cut could
// lose the whole file.
void syncFolderOf(const QString &fileName)
{
#ifndef Q_OS_WIN
    const QByteArray folder = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int handle = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    ::fsync(handle);
    ::close(handle);
#else
    Q_UNUSED(fileName);
#endif
}

// Empty when done, else the system's reason.
QString renameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    const QString source = QDir::toNativeSeparators(from);
    const QString target = QDir::toNativeSeparators(to);
    if (::MoveFileExW(reinterpret_cast<const wchar_t *>(source.utf16()),
                      reinterpret_cast<const wchar_t *>(target.utf16()),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return QString();
    return qt_error_string(-1);
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return QString();
    return qt_error_string(errno);
#endif
}

QString temporaryNameBeside(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 16);
    return info.dir().filePath(QStringLiteral(".%1.%2.tmp").arg(info.fileName(), suffix));
}

} // namespace

SafeFileWriter::~SafeFileWriter()
{
    close();
}

bool SafeFileWriter::open(const QString &fileName, Mode mode, QString *error)
{
    close();
    const FileEntry there = FileEntry::at(fileName);
    if (mode == Mode::CreateNew && there.exists()) {
        *error = there.kind == FileEntry::Kind::Regular ? tr("the file exists already")
                                                        : there.refusal();
        return false;
    }
    if (!there.refusal().isEmpty()) {
        *error = there.refusal();
        return false;
    }
    int handle = -1;
    if (mode == Mode::CreateNew) {
        handle = createExclusive(fileName);
    } else {
        for (int tries = 0; handle < 0 && tries < kTemporaryNameTries; ++tries) {
            m_temporaryName = temporaryNameBeside(fileName);
            handle = createExclusive(m_temporaryName);
            if (handle < 0 && errno != EEXIST)
                break;
        }
    }
    if (handle < 0) {
        *error = errno == EEXIST && mode == Mode::CreateNew ? tr("the file exists already")
                                                            : qt_error_string(errno);
        m_temporaryName.clear();
        return false;
    }
    takePermissions(handle, there);
    m_fileName = fileName;
    m_opened = FileEntry::ofOpen(handle);
    m_committed = false;
    m_device.open(handle, QIODevice::WriteOnly | QIODevice::Unbuffered,
                  QFileDevice::AutoCloseHandle);
    return true;
}

// Qt reports a short write (a file size limit, a full disk) as "Unknown error"; the system's
// reason is still in errno.
bool SafeFileWriter::write(const QByteArray &bytes, QString *error)
{
    errno = 0;
    if (m_device.write(bytes) == bytes.size())
        return true;
    const int code = errno;
    *error = code != 0 ? qt_error_string(code) : m_device.errorString();
    return false;
}

bool SafeFileWriter::commit(QString *error)
{
    if (!syncHandle(m_device.handle())) {
        *error = qt_error_string(errno);
        return false;
    }
    if (!m_temporaryName.isEmpty()) {
        // Looked at again: something else may have been put at the name meanwhile.
        const FileEntry there = FileEntry::at(m_fileName);
        *error = there.refusal();
        if (error->isEmpty())
            *error = renameOver(m_temporaryName, m_fileName);
        if (!error->isEmpty())
            return false;
        m_temporaryName.clear();
    }
    m_committed = true;
    syncFolderOf(m_fileName);
    return true;
}

void SafeFileWriter::close()
{
    if (!m_device.isOpen())
        return;
    m_device.close();
    const QString path = pathNow();
    // Only what this writer made goes: another file may have taken the name.
    if (!m_committed && FileEntry::at(path).isSameFileAs(m_opened))
        QFile::remove(path);
    m_temporaryName.clear();
    m_committed = false;
}

bool SafeFileWriter::isStillAtItsName(QString *error) const
{
    const FileEntry open = FileEntry::ofOpen(m_device.handle());
    if (open.links > 0 && FileEntry::at(pathNow()).isSameFileAs(open))
        return true;
    *error = tr("the file was removed, moved or replaced, or its folder was");
    return false;
}

QString SafeFileWriter::pathNow() const
{
    return m_temporaryName.isEmpty() ? m_fileName : m_temporaryName;
}

bool SafeFileWriter::writeWhole(const QString &fileName, const QByteArray &bytes, Mode mode,
                                QString *error)
{
    SafeFileWriter file;
    return file.open(fileName, mode, error) && file.write(bytes, error) && file.commit(error);
}
