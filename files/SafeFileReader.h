#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// The one way the scope reads its text files: scope files, their metadata and set-ups. Only
// regular files are opened (a link to one is followed): a pipe, a device, a socket or a
// folder is refused before it is opened, so reading never waits on one. UTF-16 and UTF-32 text
// is refused by name, as the formats are UTF-8. Owned by whoever reads; one thread at a time.
class SafeFileReader
{
public:
    bool open(const QString &fileName, QString *error);
    QFile &device() { return m_device; }

    // A small file whole; nothing, with why, when it cannot be read or is larger than maxBytes.
    static std::optional<QByteArray> readAll(const QString &fileName, qint64 maxBytes,
                                             QString *error);
    // What the system can still give without swapping; nothing where it does not say.
    static std::optional<qint64> availableMemory();

private:
    QFile m_device;
};
