#pragma once

#include <QByteArray>
#include <QFile>

#include <cstring>

// A field of /proc/self/status (VmRSS:, VmHWM: …), in bytes; -1 when it cannot be read.
inline long long statusBytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<int>(std::strlen(field)))
                       .trimmed()
                       .split(' ')
                       .at(0)
                       .toLongLong() *
                   1024;
    }
    return -1;
}
