#pragma once

#include <QString>
#include <QtGlobal>

// What stands at a path, or what an open file is: its kind and its identity on the disk. The
// one place that asks the system, so that every reader and writer judges files alike. A plain
// value; any thread.
struct FileEntry
{
    enum class Kind
    {
        Absent,
        Regular,
        Directory,
        SymbolicLink,
        Special // a device, a named pipe or a socket
    };

    Kind kind = Kind::Absent;
    quint64 device = 0;
    quint64 inode = 0;
    quint64 links = 0;      // 0: the open file has no name left on the disk
    unsigned access = 0666; // permission bits
    int error = 0;          // errno when the path could not be looked at

    // The entry itself: a link at the path is a link, also when it leads nowhere.
    static FileEntry at(const QString &path);
    // What the path leads to, through links.
    static FileEntry behind(const QString &path);
    static FileEntry ofOpen(int handle);

    bool exists() const { return kind != Kind::Absent; }
    bool isSameFileAs(const FileEntry &other) const;
    // Why a file of this kind is neither read nor written; empty for a regular file or none.
    QString refusal() const;
};
