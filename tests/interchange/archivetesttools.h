#pragma once

// Builders for the archives the interchange tests feed in: a small tar
// writer (with room for damaged headers), a ZIP of given entries and file
// helpers.

#include "interchange/zipwriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QString>

inline void tarSetField(QByteArray &header, int offset, int length, const QByteArray &value)
{
    for (int i = 0; i < length; ++i)
        header[offset + i] = i < value.size() ? value[i] : '\0';
}

inline void tarFixChecksum(QByteArray &header)
{
    for (int i = 148; i < 156; ++i)
        header[i] = ' ';
    unsigned sum = 0;
    for (char c : header)
        sum += static_cast<unsigned char>(c);
    tarSetField(header, 148, 8, QByteArray::number(sum, 8).rightJustified(6, '0') + '\0' + ' ');
}

// A ustar header; `sizeField` replaces the octal size text when given.
inline QByteArray tarHeader(const QByteArray &name,
                            qint64 size,
                            char type = '0',
                            const QByteArray &sizeField = QByteArray())
{
    QByteArray h(512, '\0');
    tarSetField(h, 0, 100, name);
    tarSetField(h, 100, 8, "0000644");
    tarSetField(h, 108, 8, "0000000");
    tarSetField(h, 116, 8, "0000000");
    tarSetField(h,
                124,
                12,
                sizeField.isNull() ? QByteArray::number(size, 8).rightJustified(11, '0')
                                   : sizeField);
    tarSetField(h, 136, 12, "14000000000");
    h[156] = type;
    tarSetField(h, 257, 6, QByteArray("ustar\0", 6));
    tarSetField(h, 263, 2, "00");
    tarFixChecksum(h);
    return h;
}

inline QByteArray tarPadding(qint64 size)
{
    return QByteArray(int((512 - size % 512) % 512), '\0');
}

inline QByteArray tarEntry(const QByteArray &name, const QByteArray &data, char type = '0')
{
    return tarHeader(name, data.size(), type) + data + tarPadding(data.size());
}

inline QByteArray tarEnd()
{
    return QByteArray(1024, '\0');
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes a ZIP of (name, content) pairs, names ending in "/" as folders;
// false when any step fails.
inline bool writeZip(const QString &path, const QList<QPair<QString, QByteArray>> &entries)
{
    ZipWriter writer;
    if (!writer.open(path))
        return false;
    for (const auto &entry : entries) {
        const bool added = entry.first.endsWith(QLatin1Char('/'))
                               ? writer.addDirectory(entry.first)
                               : writer.addFile(entry.first, entry.second);
        if (!added)
            return false;
    }
    return writer.commit();
}
