#pragma once

#include "FileEntry.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// The one way the scope writes a file: exports, metadata, set-ups, images, captures and
// recordings. Only regular files are written: a device, a named pipe, a socket or a folder at
// the name is refused before anything is opened, so nothing ever takes its place. A new file
// is created exclusively, never through a link at its name. A replaced file is written beside
// it under a temporary name that takes the name only once the file is complete and on the
// disk, and only over a regular file: a link there is refused too. Owned by whoever writes;
// one thread at a time.
class SafeFileWriter
{
public:
    enum class Mode
    {
        CreateNew, // nothing may stand at the name, not even a link that leads nowhere
        Replace    // a regular file at the name is replaced once the new one is complete
    };

    SafeFileWriter() = default;
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    bool open(const QString &fileName, Mode mode, QString *error);
    // Where the bytes go: write-only and unbuffered, so that a failed write is seen while errno
    // still tells why.
    QFile &device() { return m_device; }
    // All of `bytes`; on failure *error holds the system's reason.
    bool write(const QByteArray &bytes, QString *error);
    // On the disk and at its name. The file stays open: a recording writes on.
    bool commit(QString *error);
    // A file never committed is removed.
    void close();

    bool isOpen() const { return m_device.isOpen(); }
    QString fileName() const { return m_fileName; }
    // False, with why, once the name no longer leads to the open file: it was removed, moved or
    // replaced, or its folder was.
    bool isStillAtItsName(QString *error) const;

    static bool writeWhole(const QString &fileName, const QByteArray &bytes, Mode mode,
                           QString *error);

private:
    QString pathNow() const;

    QString m_fileName;
    QString m_temporaryName; // replacing, until committed
    QFile m_device;
    FileEntry m_opened;
    bool m_committed = false;
};
