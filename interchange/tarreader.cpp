#include "interchange/tarreader.h"

#include <QFile>

namespace {

constexpr int kBlock = 512;

// Parses an octal numeric field: optional leading blanks, octal digits, then
// blanks or NULs. Base-256 sizes and anything else are refused.
bool parseOctal(const char *field, int length, qint64 *value)
{
    int i = 0;
    while (i < length && (field[i] == ' ' || field[i] == '\0'))
        ++i;
    if (i == length) {
        *value = 0;
        return true;
    }
    qint64 result = 0;
    int digits = 0;
    for (; i < length; ++i) {
        const char c = field[i];
        if (c >= '0' && c <= '7') {
            if (result > (std::numeric_limits<qint64>::max() >> 3))
                return false;
            result = result * 8 + (c - '0');
            ++digits;
            continue;
        }
        break;
    }
    for (; i < length; ++i) {
        if (field[i] != ' ' && field[i] != '\0')
            return false;
    }
    if (digits == 0)
        return false;
    *value = result;
    return true;
}

bool checksumMatches(const char *header)
{
    qint64 stored = 0;
    if (!parseOctal(header + 148, 8, &stored))
        return false;
    qint64 unsignedSum = 0;
    qint64 signedSum = 0;
    for (int i = 0; i < kBlock; ++i) {
        const bool inField = i >= 148 && i < 156;
        const char c = inField ? ' ' : header[i];
        unsignedSum += static_cast<unsigned char>(c);
        signedSum += static_cast<signed char>(c);
    }
    // Some old writers summed signed bytes; both forms are accepted.
    return stored == unsignedSum || stored == signedSum;
}

} // namespace

QList<TarEntry> readTarEntries(const QString &path, QString *error, const TarLimits &limits)
{
    QList<TarEntry> entries;
    auto stop = [&](const QString &message) {
        if (error)
            *error = message;
        return entries;
    };
    if (error)
        error->clear();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return stop(file.errorString());
    const qint64 fileSize = file.size();
    qint64 total = 0;

    char header[kBlock];
    for (;;) {
        const qint64 got = file.read(header, kBlock);
        if (got < kBlock)
            break; // end of file: everything complete so far counts
        bool allZero = true;
        for (char c : header) {
            if (c != 0) {
                allZero = false;
                break;
            }
        }
        if (allZero)
            break;

        if (!checksumMatches(header))
            return stop(QStringLiteral("damaged tar header at offset %1").arg(file.pos() - kBlock));

        // The name field may fill all 100 bytes without a terminator.
        int nameLength = 0;
        while (nameLength < 100 && header[nameLength] != 0)
            ++nameLength;
        const QString name = QString::fromUtf8(header, nameLength).trimmed();

        qint64 size = 0;
        if (!parseOctal(header + 124, 12, &size))
            return stop(QStringLiteral("%1: the size is not an octal number").arg(name));
        if (size > fileSize - file.pos())
            return stop(QStringLiteral("%1: the entry runs past the end of the archive").arg(name));
        if (size > limits.maxEntryBytes)
            return stop(QStringLiteral("%1: the entry is larger than %2 bytes")
                            .arg(name)
                            .arg(limits.maxEntryBytes));
        if (total + size > limits.maxTotalBytes)
            return stop(
                QStringLiteral("the archive holds more than %1 bytes").arg(limits.maxTotalBytes));
        if (entries.size() >= limits.maxEntries)
            return stop(
                QStringLiteral("the archive holds more than %1 entries").arg(limits.maxEntries));

        TarEntry entry;
        entry.name = name;
        entry.data = file.read(size);
        if (entry.data.size() != size)
            return stop(QStringLiteral("%1: %2").arg(name, file.errorString()));
        total += size;
        entries.append(entry);

        const qint64 padding = (kBlock - size % kBlock) % kBlock;
        if (padding > 0 && !file.seek(qMin(fileSize, file.pos() + padding)))
            return stop(file.errorString());
    }
    return entries;
}
