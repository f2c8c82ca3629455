#pragma once

#include "storage/attachment.h"
#include "storage/batchedsignal.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class Database;

// Attachment metadata in the attachments table; the bytes of attachment `id`
// are the file `id` in the attachments directory, which is made on demand.
class AttachmentRepository : public QObject
{
    Q_OBJECT

public:
    AttachmentRepository(Database *database,
                         const QString &attachmentsDirectory,
                         QObject *parent = nullptr);

    QString attachmentsDirectory() const { return m_directory; }

    // Empty for an id that could name a file outside the directory.
    QString filePath(const QString &id) const;
    // Never destroys bytes already stored under the id: a replacement is
    // written beside the file and renamed over it once synced to disk.
    // Inside a database batch a file that does not exist yet is written
    // directly and synced together with the others just before the batch
    // commits; a rolled-back batch removes it again.
    bool saveFile(const QString &id, const QByteArray &bytes);
    QByteArray readFile(const QString &id) const;

    bool insert(const Attachment &attachment);
    std::optional<Attachment> get(const QString &id) const;
    QList<Attachment> listForNote(const QString &noteId) const;
    QList<Attachment> listPending() const;
    bool markSynced(const QString &id);
    bool deleteById(const QString &id);
    bool deleteForNote(const QString &noteId);

    // Removes the files of attachments whose rows are already gone (a purged
    // note's); announces the change once. Inside a batch, and for
    // deleteById(), the files go only once the batch commits.
    void removeFiles(const QStringList &ids);

signals:
    void attachmentsChanged();

private:
    QList<Attachment> list(const QString &sql, const QVariantList &values = {}) const;
    bool saveNewFile(const QString &path, const QByteArray &bytes);
    bool replaceFile(const QString &path, const QByteArray &bytes);
    void removeFile(const QString &path);
    void syncBatchFiles();
    void batchEnded(bool committed);

    Database *m_database;
    QString m_directory;
    BatchedSignal m_changed;
    QStringList m_batchNewFiles;     // written in this batch, not yet synced
    QStringList m_batchRemovedFiles; // to remove once the batch commits
};
