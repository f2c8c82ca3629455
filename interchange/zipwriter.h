#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct archive;
class QSaveFile;

// Writes a ZIP archive entry by entry through libarchive (deflate, the
// layout Info-ZIP's unzip reads). The archive goes to a temporary file next
// to the target and replaces it only in commit(), so a failed backup never
// leaves a truncated archive or destroys an earlier one.
class ZipWriter
{
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    bool open(const QString &zipPath);

    // Names are relative, with '/' separators; a folder name gets its
    // trailing '/' added when missing.
    bool addDirectory(const QString &name);
    bool addFile(const QString &name, const QByteArray &data);
    // Streams a file from disk in chunks, so large attachments are never
    // held in memory whole. A file that cannot be opened is left out and the
    // archive stays usable; a failure while writing spoils the archive.
    bool addFileFromDisk(const QString &name, const QString &path);
    // Adds every folder and regular file below `folder` (links are left
    // out), named relative to it.
    bool addFolder(const QString &folder);

    // Finishes the archive and moves it into place.
    bool commit();

    QString errorString() const { return m_error; }
    // The archive is spoiled and can no longer be committed.
    bool hasFailed() const { return m_failed; }

private:
    bool beginEntry(const QString &name, bool directory, qint64 size);
    bool writeData(const QString &name, const char *data, qint64 size);
    bool fail(const QString &message);
    bool failFromArchive(const QString &context);

    struct archive *m_archive = nullptr;
    std::unique_ptr<QSaveFile> m_file;
    QString m_error;
    bool m_failed = false;
};
