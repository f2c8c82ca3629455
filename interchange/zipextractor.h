#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTemporaryDir;

// Bounds that keep a hostile archive from filling the disk or the memory.
struct ExtractionLimits
{
    qint64 maxEntryBytes = qint64(4) * 1024 * 1024 * 1024;
    qint64 maxTotalBytes = qint64(32) * 1024 * 1024 * 1024;
    int maxEntries = 500000;
    // Deflate cannot expand beyond about 1032:1, so honest archives stay far
    // below this; only bombs that reuse or misdeclare their data reach it.
    qint64 maxExpansionRatio = 2000;
    // Left free on the target's volume after extraction.
    qint64 diskReserveBytes = qint64(64) * 1024 * 1024;
};

// Unpacks a ZIP archive into a fresh, empty staging folder without trusting
// anything in it: only folders and regular files are written, paths that
// could leave the folder are skipped, links are never created or followed,
// files are created exclusively, and sizes are counted as they inflate.
class ZipExtractor
{
public:
    explicit ZipExtractor(const ExtractionLimits &limits = ExtractionLimits());

    bool extract(const QString &zipPath, const QString &targetDirectory);

    // Regular files whose clean relative path the predicate accepts are
    // read into memory instead of written to the staging folder (up to a
    // few hundred megabytes in all; past that they go to disk as usual).
    // The same checks and budgets apply; this spares a restore thousands of
    // small files.
    void setKeepInMemory(const std::function<bool(const QString &path)> &predicate)
    {
        m_keepInMemory = predicate;
    }
    // (relative path, bytes) of the entries kept in memory, in archive order.
    QList<QPair<QString, QByteArray>> inMemoryEntries() const { return m_inMemory; }

    // Entry names as stored, for inspection; empty with an error on failure.
    QStringList list(const QString &zipPath);

    QString errorString() const { return m_error; }
    // Entries left out (unsafe names, links, special files, duplicates).
    QStringList skippedEntries() const { return m_skipped; }

    // The entry name as a clean relative path ("a/b"), or an empty string
    // when the name is absolute, climbs with "..", carries a drive letter, a
    // backslash or a NUL, or names nothing.
    static QString safeRelativePath(const QString &name);

    // A fresh staging folder beside `folder` (on the same volume as the data
    // it will feed, so free space is checked where it matters and files can
    // be moved instead of copied), or in the system's temporary folder when
    // that fails. Check isValid() on the result.
    static std::unique_ptr<QTemporaryDir> makeStaging(const QString &folder);

private:
    bool fail(const QString &message);
    bool makeDirectories(const QString &root, const QString &relative);

    ExtractionLimits m_limits;
    QString m_error;
    QStringList m_skipped;
    // Folders this extraction made (or checked) inside the staging folder.
    QSet<QString> m_directories;
    std::function<bool(const QString &)> m_keepInMemory;
    QList<QPair<QString, QByteArray>> m_inMemory;
    QSet<QString> m_memoryNames;
    qint64 m_memoryBytes = 0;
};
