#pragma once

#include "storage/attachment.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

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
    // note's); announces the change once.
    void removeFiles(const QStringList &ids);

signals:
    void attachmentsChanged();

private:
    QList<Attachment> list(const QString &sql, const QString &boundValue, bool bind) const;

    Database *m_database;
    QString m_directory;
};
