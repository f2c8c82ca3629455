#include "interchange/zipextractor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <archive.h>
#include <archive_entry.h>

#include <functional>
#include <memory>

namespace {

constexpr qint64 kBlockSize = 256 * 1024;
// The free space is looked up again after this many bytes, in case
// something else is filling the same volume meanwhile.
constexpr qint64 kDiskRecheckBytes = qint64(256) * 1024 * 1024;
// Entries kept in memory stay small; past these sizes they go to disk.
constexpr qint64 kMemoryEntryBytes = 64 * 1024 * 1024;
constexpr qint64 kMemoryTotalBytes = qint64(512) * 1024 * 1024;

struct ArchiveReadDeleter
{
    void operator()(struct archive *a) const { archive_read_free(a); }
};
using ArchiveReader = std::unique_ptr<struct archive, ArchiveReadDeleter>;

QString archiveError(struct archive *a)
{
    const char *text = archive_error_string(a);
    return text && *text ? QString::fromLocal8Bit(text) : QStringLiteral("unreadable archive");
}

QString entryName(archive_entry *entry)
{
    if (const char *utf8 = archive_entry_pathname_utf8(entry))
        return QString::fromUtf8(utf8);
    if (const char *raw = archive_entry_pathname(entry))
        return QString::fromUtf8(raw);
    return QString();
}

ArchiveReader openZip()
{
    ArchiveReader reader(archive_read_new());
    if (!reader)
        return reader;
    archive_read_support_filter_none(reader.get());
    archive_read_support_format_zip(reader.get());
    return reader;
}

qint64 freeBytes(const QString &directory)
{
    QStorageInfo storage(directory);
    storage.refresh();
    if (!storage.isValid())
        return -1;
    return storage.bytesAvailable();
}

} // namespace

ZipExtractor::ZipExtractor(const ExtractionLimits &limits)
    : m_limits(limits)
{}

QString ZipExtractor::safeRelativePath(const QString &name)
{
    if (name.isEmpty() || name.contains(QChar(0)) || name.contains(QLatin1Char('\\'))
        || name.startsWith(QLatin1Char('/')))
        return QString();
    // Drive letters and, on NTFS, alternate data streams both use a colon.
    if (name.contains(QLatin1Char(':')))
        return QString();
    QStringList parts;
    const QStringList raw = name.split(QLatin1Char('/'));
    for (const QString &part : raw) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String(".."))
            return QString();
        parts.append(part);
    }
    return parts.join(QLatin1Char('/'));
}

std::unique_ptr<QTemporaryDir> ZipExtractor::makeStaging(const QString &folder)
{
    const QString parent = QFileInfo(folder).absolutePath();
    if (!folder.isEmpty() && QFileInfo(parent).isDir()) {
        auto staging = std::make_unique<QTemporaryDir>(parent + QStringLiteral("/.staging-XXXXXX"));
        if (staging->isValid())
            return staging;
    }
    return std::make_unique<QTemporaryDir>();
}

bool ZipExtractor::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool ZipExtractor::makeDirectories(const QString &root, const QString &relative)
{
    if (relative.isEmpty())
        return true;
    QString path = root;
    const QStringList parts = relative.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        path += QLatin1Char('/') + part;
        if (m_directories.contains(path))
            continue;
        const QFileInfo info(path);
        if (info.isSymLink())
            return false;
        if (info.exists()) {
            if (!info.isDir())
                return false;
            m_directories.insert(path);
            continue;
        }
        if (!QDir().mkdir(path))
            return false;
        m_directories.insert(path);
    }
    return true;
}

QStringList ZipExtractor::list(const QString &zipPath)
{
    m_error.clear();
    QStringList names;
    ArchiveReader reader = openZip();
    if (!reader) {
        fail(QStringLiteral("out of memory"));
        return names;
    }
    if (archive_read_open_filename(reader.get(), QFile::encodeName(zipPath).constData(), kBlockSize)
        != ARCHIVE_OK) {
        fail(archiveError(reader.get()));
        return names;
    }
    archive_entry *entry = nullptr;
    for (;;) {
        const int rc = archive_read_next_header(reader.get(), &entry);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
            fail(archiveError(reader.get()));
            return QStringList();
        }
        if (names.size() >= m_limits.maxEntries) {
            fail(QStringLiteral("the archive holds more than %1 entries").arg(m_limits.maxEntries));
            return QStringList();
        }
        names.append(entryName(entry));
        archive_read_data_skip(reader.get());
    }
    return names;
}

bool ZipExtractor::extract(const QString &zipPath, const QString &targetDirectory)
{
    m_error.clear();
    m_skipped.clear();
    m_directories.clear();
    m_inMemory.clear();
    m_memoryNames.clear();
    m_memoryBytes = 0;

    const QDir target(targetDirectory);
    const QFileInfo targetInfo(targetDirectory);
    if (!targetInfo.isDir() || targetInfo.isSymLink())
        return fail(QStringLiteral("the staging folder does not exist"));
    if (!target.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return fail(QStringLiteral("the staging folder is not empty"));
    const QString root = targetInfo.absoluteFilePath();

    const QFileInfo zipInfo(zipPath);
    if (!zipInfo.isFile())
        return fail(QStringLiteral("%1: no such archive").arg(zipPath));

    qint64 totalBudget = m_limits.maxTotalBytes;
    const qint64 archiveSize = zipInfo.size();
    if (m_limits.maxExpansionRatio > 0
        && archiveSize
               < (std::numeric_limits<qint64>::max() - (1 << 20)) / m_limits.maxExpansionRatio)
        totalBudget = qMin(totalBudget, archiveSize * m_limits.maxExpansionRatio + (1 << 20));

    qint64 free = freeBytes(root);
    qint64 diskBudget = free < 0 ? std::numeric_limits<qint64>::max()
                                 : free - m_limits.diskReserveBytes;
    if (diskBudget <= 0)
        return fail(QStringLiteral("not enough free disk space to extract the archive"));

    ArchiveReader reader = openZip();
    if (!reader)
        return fail(QStringLiteral("out of memory"));
    if (archive_read_open_filename(reader.get(), QFile::encodeName(zipPath).constData(), kBlockSize)
        != ARCHIVE_OK)
        return fail(archiveError(reader.get()));

    QByteArray buffer(kBlockSize, Qt::Uninitialized);
    qint64 total = 0;
    qint64 nextDiskCheck = kDiskRecheckBytes;
    int count = 0;
    archive_entry *entry = nullptr;
    for (;;) {
        const int rc = archive_read_next_header(reader.get(), &entry);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN)
            return fail(archiveError(reader.get()));
        if (++count > m_limits.maxEntries)
            return fail(
                QStringLiteral("the archive holds more than %1 entries").arg(m_limits.maxEntries));

        const QString name = entryName(entry);
        const auto type = archive_entry_filetype(entry);
        const bool isLink = archive_entry_hardlink(entry) != nullptr
                            || archive_entry_symlink(entry) != nullptr || type == AE_IFLNK;
        if (isLink || (type != AE_IFREG && type != AE_IFDIR)) {
            m_skipped.append(name);
            continue;
        }
        const QString relative = safeRelativePath(name);
        if (relative.isEmpty()) {
            m_skipped.append(name);
            continue;
        }

        if (type == AE_IFDIR) {
            if (!makeDirectories(root, relative))
                m_skipped.append(name);
            continue;
        }

        const qint64 declared = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
        if (declared > m_limits.maxEntryBytes)
            return fail(
                QStringLiteral("%1 is larger than %2 bytes").arg(name).arg(m_limits.maxEntryBytes));

        // Streams the entry's data into `sink`, counting every byte against
        // the budgets whatever size the headers declared.
        auto copyData = [&](qint64 entryLimit,
                            const std::function<bool(const char *, qint64)> &sink) {
            qint64 entryBytes = 0;
            for (;;) {
                const la_ssize_t n = archive_read_data(reader.get(),
                                                       buffer.data(),
                                                       static_cast<size_t>(buffer.size()));
                if (n == 0)
                    return true;
                if (n < 0)
                    return fail(QStringLiteral("%1: %2").arg(name, archiveError(reader.get())));
                entryBytes += n;
                total += n;
                if (entryBytes > entryLimit)
                    return fail(
                        QStringLiteral("%1 expands beyond %2 bytes").arg(name).arg(entryLimit));
                if (total > totalBudget)
                    return fail(QStringLiteral("the archive expands beyond %1 bytes "
                                               "(a decompression bomb?)")
                                    .arg(totalBudget));
                if (total >= nextDiskCheck) {
                    nextDiskCheck = total + kDiskRecheckBytes;
                    free = freeBytes(root);
                    if (free >= 0)
                        diskBudget = qMin(diskBudget, total + free - m_limits.diskReserveBytes);
                }
                if (total > diskBudget)
                    return fail(
                        QStringLiteral("not enough free disk space to extract %1").arg(name));
                if (!sink(buffer.constData(), n))
                    return false;
            }
        };

        if (m_keepInMemory && m_keepInMemory(relative) && declared <= kMemoryEntryBytes
            && m_memoryBytes < kMemoryTotalBytes) {
            if (m_memoryNames.contains(relative)) {
                m_skipped.append(name);
                continue;
            }
            QByteArray data;
            if (declared > 0)
                data.reserve(declared);
            if (!copyData(qMin(kMemoryEntryBytes, m_limits.maxEntryBytes),
                          [&](const char *bytes, qint64 n) {
                              data.append(bytes, n);
                              return true;
                          }))
                return false;
            m_memoryBytes += data.size();
            m_memoryNames.insert(relative);
            m_inMemory.append({relative, data});
            continue;
        }

        const int slash = relative.lastIndexOf(QLatin1Char('/'));
        if (slash > 0 && !makeDirectories(root, relative.left(slash))) {
            m_skipped.append(name);
            continue;
        }
        if (declared > diskBudget - total)
            return fail(QStringLiteral("not enough free disk space to extract %1").arg(name));

        QFile file(root + QLatin1Char('/') + relative);
        // NewOnly creates exclusively: a second entry of the same name, or
        // anything already at that path, is never written through.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo(file.fileName()).exists() || QFileInfo(file.fileName()).isSymLink()) {
                m_skipped.append(name);
                continue;
            }
            return fail(QStringLiteral("%1: %2").arg(name, file.errorString()));
        }
        if (!copyData(m_limits.maxEntryBytes, [&](const char *bytes, qint64 n) {
                if (file.write(bytes, n) == n)
                    return true;
                return fail(QStringLiteral("%1: %2").arg(name, file.errorString()));
            }))
            return false;
        file.close();
        if (file.error() != QFileDevice::NoError)
            return fail(QStringLiteral("%1: %2").arg(name, file.errorString()));
    }
    return true;
}
