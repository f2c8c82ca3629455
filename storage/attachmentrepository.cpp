#include "storage/attachmentrepository.h"

#include "storage/database.h"
#include "storage/sqlvalues.h"
#include "storage/storagelogging.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

struct AttachmentColumns
{
    explicit AttachmentColumns(const QSqlRecord &record)
        : id(record.indexOf(QLatin1String("id")))
        , noteId(record.indexOf(QLatin1String("note_id")))
        , filename(record.indexOf(QLatin1String("filename")))
        , mimeType(record.indexOf(QLatin1String("mime_type")))
        , sizeBytes(record.indexOf(QLatin1String("size_bytes")))
        , createdAt(record.indexOf(QLatin1String("created_at")))
        , syncStatus(record.indexOf(QLatin1String("sync_status")))
    {}

    int id;
    int noteId;
    int filename;
    int mimeType;
    int sizeBytes;
    int createdAt;
    int syncStatus;
};

void readAttachment(const QSqlQuery &query, const AttachmentColumns &columns, Attachment &attachment)
{
    attachment.id = query.value(columns.id).toString();
    attachment.noteId = query.value(columns.noteId).toString();
    attachment.filename = query.value(columns.filename).toString();
    attachment.mimeType = query.value(columns.mimeType).toString();
    attachment.sizeBytes = query.value(columns.sizeBytes).toLongLong();
    attachment.createdAt = timestampFromText(query.value(columns.createdAt).toString());
    attachment.syncStatus = syncStatusFromText(query.value(columns.syncStatus).toString());
}

// Ids come from importers and the server too; one that could climb out of
// the attachments directory must never name a file.
bool isSafeFileName(const QString &id)
{
    if (id.isEmpty() || id == QLatin1String(".") || id == QLatin1String(".."))
        return false;
    for (const QChar c : id) {
        if (c == u'/' || c == u'\\' || c == u':' || c.unicode() == 0)
            return false;
    }
    return true;
}

} // namespace

AttachmentRepository::AttachmentRepository(Database *database,
                                           const QString &attachmentsDirectory,
                                           QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_directory(attachmentsDirectory)
{}

QString AttachmentRepository::filePath(const QString &id) const
{
    if (!isSafeFileName(id))
        return QString();
    return m_directory + QLatin1Char('/') + id;
}

bool AttachmentRepository::saveFile(const QString &id, const QByteArray &bytes)
{
    const QString path = filePath(id);
    if (path.isEmpty()) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::saveFile open failed:"
                                       << "unsafe attachment id" << id;
        return false;
    }
    QDir().mkpath(m_directory);
    // Written beside the target and renamed over it, so that a failed write
    // never destroys the bytes already stored under this id.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile open failed:" << file.errorString();
        return false;
    }
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile short write:" << qMax<qint64>(written, 0) << "/"
            << bytes.size();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCWarning(lcStorage).noquote()
            << "AttachmentRepository::saveFile commit failed:" << file.errorString();
        return false;
    }
    return true;
}

QByteArray AttachmentRepository::readFile(const QString &id) const
{
    const QString path = filePath(id);
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool AttachmentRepository::insert(const Attachment &attachment)
{
    QString error;
    if (!execStatement(m_database->database(),
                       QStringLiteral("INSERT INTO attachments (id, note_id, filename, mime_type, "
                                      "size_bytes, created_at, sync_status) VALUES (?, ?, ?, ?, "
                                      "?, ?, ?)"),
                       {textOrEmpty(attachment.id),
                        textOrEmpty(attachment.noteId),
                        textOrEmpty(attachment.filename),
                        textOrEmpty(attachment.mimeType),
                        attachment.sizeBytes,
                        timestampToText(attachment.createdAt),
                        syncStatusText(attachment.syncStatus)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::insert failed:" << error;
        return false;
    }
    emit attachmentsChanged();
    return true;
}

std::optional<Attachment> AttachmentRepository::get(const QString &id) const
{
    QSqlQuery query(m_database->database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT * FROM attachments WHERE id = ?")))
        return std::nullopt;
    query.addBindValue(textOrEmpty(id));
    if (!query.exec() || !query.next())
        return std::nullopt;
    Attachment attachment;
    readAttachment(query, AttachmentColumns(query.record()), attachment);
    return attachment;
}

QList<Attachment> AttachmentRepository::list(const QString &sql,
                                             const QString &boundValue,
                                             bool bind) const
{
    QSqlQuery query(m_database->database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return {};
    if (bind)
        query.addBindValue(textOrEmpty(boundValue));
    if (!query.exec())
        return {};
    const AttachmentColumns columns(query.record());
    QList<Attachment> attachments;
    while (query.next())
        readAttachment(query, columns, attachments.emplace_back());
    if (query.lastError().isValid())
        return {};
    return attachments;
}

QList<Attachment> AttachmentRepository::listForNote(const QString &noteId) const
{
    return list(QStringLiteral(
                    "SELECT * FROM attachments WHERE note_id = ? ORDER BY created_at ASC"),
                noteId,
                true);
}

QList<Attachment> AttachmentRepository::listPending() const
{
    return list(QStringLiteral("SELECT * FROM attachments WHERE sync_status = 'pending' "
                               "ORDER BY created_at ASC"),
                QString(),
                false);
}

bool AttachmentRepository::markSynced(const QString &id)
{
    QString error;
    if (!execStatement(m_database->database(),
                       QStringLiteral("UPDATE attachments SET sync_status = 'synced' WHERE id = ?"),
                       {textOrEmpty(id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::markSynced failed:" << error;
        return false;
    }
    return true;
}

bool AttachmentRepository::deleteById(const QString &id)
{
    // The row goes first: if it cannot be deleted, the file (the only copy of
    // the bytes) must still be there for the row that remains.
    QString error;
    if (!execStatement(m_database->database(),
                       QStringLiteral("DELETE FROM attachments WHERE id = ?"),
                       {textOrEmpty(id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "AttachmentRepository::deleteById failed:" << error;
        return false;
    }
    const QString path = filePath(id);
    if (!path.isEmpty())
        QFile::remove(path); // a file already gone is fine
    emit attachmentsChanged();
    return true;
}

bool AttachmentRepository::deleteForNote(const QString &noteId)
{
    bool allDeleted = true;
    const QList<Attachment> attachments = listForNote(noteId);
    for (const Attachment &attachment : attachments) {
        if (!deleteById(attachment.id))
            allDeleted = false;
    }
    return allDeleted;
}

void AttachmentRepository::removeFiles(const QStringList &ids)
{
    if (ids.isEmpty())
        return;
    for (const QString &id : ids) {
        const QString path = filePath(id);
        if (!path.isEmpty() && QFile::exists(path) && !QFile::remove(path))
            qCWarning(lcStorage).noquote() << "AttachmentRepository::removeFiles failed:" << path;
    }
    emit attachmentsChanged();
}
