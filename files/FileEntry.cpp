#include "FileEntry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_WIN
// No inode here: a file is known by its kind only, so moves go unnoticed.
FileEntry fromInfo(const QFileInfo &info)
{
    FileEntry entry;
    if (info.isSymLink())
        entry.kind = FileEntry::Kind::SymbolicLink;
    else if (info.isFile())
        entry.kind = FileEntry::Kind::Regular;
    else if (info.isDir())
        entry.kind = FileEntry::Kind::Directory;
    else if (info.exists())
        entry.kind = FileEntry::Kind::Special;
    else
        entry.error = ENOENT;
    entry.links = entry.exists() ? 1 : 0;
    return entry;
}
#else
FileEntry fromStat(int result, const struct stat &status)
{
    FileEntry entry;
    if (result != 0) {
        entry.error = errno;
        return entry;
    }
    if (S_ISREG(status.st_mode))
        entry.kind = FileEntry::Kind::Regular;
    else if (S_ISDIR(status.st_mode))
        entry.kind = FileEntry::Kind::Directory;
    else if (S_ISLNK(status.st_mode))
        entry.kind = FileEntry::Kind::SymbolicLink;
    else
        entry.kind = FileEntry::Kind::Special;
    entry.device = static_cast<quint64>(status.st_dev);
    entry.inode = static_cast<quint64>(status.st_ino);
    entry.links = static_cast<quint64>(status.st_nlink);
    entry.access = static_cast<unsigned>(status.st_mode & 07777);
    return entry;
}
#endif

} // namespace

FileEntry FileEntry::at(const QString &path)
{
#ifdef Q_OS_WIN
    return fromInfo(QFileInfo(path));
#else
    struct stat status
    {};
    const int result = ::lstat(QFile::encodeName(path).constData(), &status);
    return fromStat(result, status);
#endif
}

FileEntry FileEntry::behind(const QString &path)
{
#ifdef Q_OS_WIN
    FileEntry entry = fromInfo(QFileInfo(path));
    if (entry.kind == Kind::SymbolicLink)
        entry = fromInfo(QFileInfo(QFileInfo(path).symLinkTarget()));
    return entry;
#else
    struct stat status
    {};
    const int result = ::stat(QFile::encodeName(path).constData(), &status);
    return fromStat(result, status);
#endif
}

FileEntry FileEntry::ofOpen(int handle)
{
#ifdef Q_OS_WIN
    Q_UNUSED(handle);
    FileEntry entry;
    entry.kind = Kind::Regular;
    entry.links = 1;
    return entry;
#else
    struct stat status
    {};
    const int result = ::fstat(handle, &status);
    return fromStat(result, status);
#endif
}

bool FileEntry::isSameFileAs(const FileEntry &other) const
{
    return kind == other.kind && device == other.device && inode == other.inode;
}

QString FileEntry::refusal() const
{
    switch (kind) {
    case Kind::Directory:
        return QCoreApplication::translate("FileEntry", "it is a folder");
    case Kind::SymbolicLink:
        return QCoreApplication::translate("FileEntry",
                                           "it is a symbolic link: choose the file it leads to");
    case Kind::Special:
        return QCoreApplication::translate(
            "FileEntry", "it is not a regular file (a device, a named pipe or a socket)");
    case Kind::Absent:
    case Kind::Regular:
        break;
    }
    return QString();
}
