#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One member of a tar archive.
struct TarEntry
{
    QString name;
    QByteArray data;
};

// Bounds against hostile archives; the data of every entry is held in memory.
struct TarLimits
{
    qint64 maxEntryBytes = qint64(2) * 1024 * 1024 * 1024;
    qint64 maxTotalBytes = qint64(4) * 1024 * 1024 * 1024;
    int maxEntries = 1000000;
};

// Reads a plain POSIX tar archive in 512-byte blocks. Every complete entry
// before the end block (or the end of the file) is returned, whatever its
// type. A damaged header (bad checksum, a size that is not octal or runs past
// the end of the file) or a limit reached ends the reading: the entries read
// so far are returned and `error`, when given, says why.
QList<TarEntry> readTarEntries(const QString &path,
                               QString *error = nullptr,
                               const TarLimits &limits = TarLimits());
