#include "storage/noterepository.h"

#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/sqlrecords.h"
#include "storage/sqlvalues.h"
#include "storage/storagelogging.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

namespace {

// Column positions resolved once per query, so that mapping a row costs no
// name lookups.
struct NoteColumns
{
    explicit NoteColumns(const QSqlRecord &record)
        : id(record.indexOf(QLatin1String("id")))
        , notebookId(record.indexOf(QLatin1String("notebook_id")))
        , body(record.indexOf(QLatin1String("body")))
        , createdAt(record.indexOf(QLatin1String("created_at")))
        , updatedAt(record.indexOf(QLatin1String("updated_at")))
        , modifiedAt(record.indexOf(QLatin1String("modified_at")))
        , deletedAt(record.indexOf(QLatin1String("deleted_at")))
        , version(record.indexOf(QLatin1String("version")))
        , opVersion(record.indexOf(QLatin1String("op_version")))
        , syncStatus(record.indexOf(QLatin1String("sync_status")))
        , isSample(record.indexOf(QLatin1String("is_sample")))
        , ownerId(record.indexOf(QLatin1String("owner_id")))
        , isShared(record.indexOf(QLatin1String("is_shared")))
        , permission(record.indexOf(QLatin1String("permission")))
    {}

    int id;
    int notebookId;
    int body;
    int createdAt;
    int updatedAt;
    int modifiedAt;
    int deletedAt;
    int version;
    int opVersion;
    int syncStatus;
    int isSample;
    int ownerId;
    int isShared;
    int permission;
};

void readNote(const QSqlQuery &query, const NoteColumns &columns, Note &note)
{
    note.id = query.value(columns.id).toString();
    note.notebookId = query.value(columns.notebookId).toString();
    note.body = query.value(columns.body).toString();
    note.createdAt = timestampFromText(query.value(columns.createdAt).toString());
    note.updatedAt = timestampFromText(query.value(columns.updatedAt).toString());
    note.modifiedAt = timestampFromText(query.value(columns.modifiedAt).toString());
    note.deletedAt = optionalTimestampFromText(query.value(columns.deletedAt).toString());
    note.version = query.value(columns.version).toInt();
    note.opVersion = query.value(columns.opVersion).toInt();
    note.syncStatus = syncStatusFromText(query.value(columns.syncStatus).toString());
    note.isSample = query.value(columns.isSample).toBool();
    note.ownerId = query.value(columns.ownerId).toString();
    note.isShared = query.value(columns.isShared).toBool();
    note.permission = query.value(columns.permission).toString();
}

QString nowText()
{
    return timestampToText(QDateTime::currentDateTimeUtc());
}

} // namespace

NoteRepository::NoteRepository(Database *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_changed(database, [this] { emit notesChanged(); })
{
    connect(m_database, &Database::batchEnded, this, &NoteRepository::batchEnded);
}

void NoteRepository::announceDeleted(const QString &noteId)
{
    if (m_database->inBatch())
        m_heldDeleted.append(noteId);
    else
        emit noteDeleted(noteId);
}

void NoteRepository::batchEnded(bool committed)
{
    // Each trashed note is announced before the change of the list, as
    // outside a batch.
    const QStringList deleted = std::exchange(m_heldDeleted, {});
    if (committed) {
        for (const QString &noteId : deleted)
            emit noteDeleted(noteId);
    }
    m_changed.flush();
}

void NoteRepository::setAttachmentRepository(AttachmentRepository *attachments)
{
    m_attachments = attachments;
}

QList<Note> NoteRepository::list(const QString &sql, const QVariantList &values) const
{
    return selectRecords<Note, NoteColumns>(m_database->database(), sql, values, readNote);
}

QList<Note> NoteRepository::listAll() const
{
    return list(
        QStringLiteral("SELECT * FROM notes WHERE deleted_at IS NULL ORDER BY updated_at DESC"));
}

QList<Note> NoteRepository::listByNotebook(const QString &notebookId) const
{
    return list(QStringLiteral("SELECT * FROM notes WHERE notebook_id=? AND deleted_at IS NULL "
                               "ORDER BY updated_at DESC"),
                {textOrEmpty(notebookId)});
}

QList<Note> NoteRepository::listTrash() const
{
    return list(QStringLiteral(
        "SELECT * FROM notes WHERE deleted_at IS NOT NULL ORDER BY deleted_at DESC"));
}

QList<Note> NoteRepository::listPending() const
{
    return list(QStringLiteral("SELECT * FROM notes WHERE sync_status = 'pending'"));
}

std::optional<Note> NoteRepository::get(const QString &id) const
{
    return selectRecord<Note, NoteColumns>(m_database->database(),
                                           QStringLiteral("SELECT * FROM notes WHERE id = ?"),
                                           {textOrEmpty(id)},
                                           readNote);
}

bool NoteRepository::insert(const Note &note)
{
    // SQLite lets a NULL slip into a text primary key; such a row could never
    // be read back by id.
    if (note.id.isEmpty()) {
        qCWarning(lcStorage).noquote() << "NoteRepository::insert failed:"
                                       << "empty note id";
        return false;
    }
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("INSERT INTO notes (id, notebook_id, body, created_at, "
                                      "updated_at, modified_at, deleted_at, version, op_version, "
                                      "sync_status, is_sample, owner_id, is_shared, permission) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {note.id,
                        textOrEmpty(note.notebookId),
                        textOrEmpty(note.body),
                        timestampToText(note.createdAt),
                        timestampToText(note.updatedAt),
                        timestampToText(note.modifiedAt),
                        timestampOrNull(note.deletedAt),
                        note.version,
                        note.opVersion,
                        syncStatusText(note.syncStatus),
                        note.isSample ? 1 : 0,
                        textOrNull(note.ownerId),
                        note.isShared ? 1 : 0,
                        textOrNull(note.permission)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "NoteRepository::insert failed:" << error;
        return false;
    }
    m_changed.raise();
    return true;
}

bool NoteRepository::update(const Note &note)
{
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("UPDATE notes SET notebook_id=?, body=?, updated_at=?, "
                                      "modified_at=?, deleted_at=?, version=?, op_version=?, "
                                      "sync_status=?, is_sample=?, owner_id=?, is_shared=?, "
                                      "permission=? WHERE id=?"),
                       {textOrEmpty(note.notebookId),
                        textOrEmpty(note.body),
                        timestampToText(note.updatedAt),
                        timestampToText(note.modifiedAt),
                        timestampOrNull(note.deletedAt),
                        note.version,
                        note.opVersion,
                        syncStatusText(note.syncStatus),
                        note.isSample ? 1 : 0,
                        textOrNull(note.ownerId),
                        note.isShared ? 1 : 0,
                        textOrNull(note.permission),
                        textOrEmpty(note.id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "NoteRepository::update failed:" << error;
        return false;
    }
    m_changed.raise();
    return true;
}

bool NoteRepository::moveToNotebook(const QString &id, const QString &notebookId)
{
    if (!execStatement(m_database,
                       QStringLiteral("UPDATE notes SET notebook_id=?, modified_at=?, "
                                      "sync_status='pending' WHERE id=?"),
                       {textOrEmpty(notebookId), nowText(), textOrEmpty(id)}))
        return false;
    m_changed.raise();
    return true;
}

bool NoteRepository::moveToTrash(const QString &id)
{
    if (!execStatement(m_database,
                       QStringLiteral(
                           "UPDATE notes SET deleted_at=?, sync_status='pending' WHERE id=?"),
                       {nowText(), textOrEmpty(id)}))
        return false;
    announceDeleted(id);
    m_changed.raise();
    return true;
}

bool NoteRepository::restore(const QString &id)
{
    if (!execStatement(m_database,
                       QStringLiteral(
                           "UPDATE notes SET deleted_at=NULL, sync_status='pending' WHERE id=?"),
                       {textOrEmpty(id)}))
        return false;
    m_changed.raise();
    return true;
}

bool NoteRepository::purge(const QString &id)
{
    QSqlDatabase db = m_database->database();
    if (!db.transaction())
        return false;

    // The rows that reference the note would make the foreign keys refuse
    // the delete, leaving the note stuck in the trash; they go with it, in
    // one transaction so that a failure keeps everything.
    QStringList attachmentIds;
    bool ok = true;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        ok = query.prepare(QStringLiteral("SELECT id FROM attachments WHERE note_id = ?"));
        if (ok) {
            query.addBindValue(textOrEmpty(id));
            ok = query.exec();
        }
        while (ok && query.next())
            attachmentIds.append(query.value(0).toString());
        if (query.lastError().isValid())
            ok = false;
    }
    if (ok && !attachmentIds.isEmpty() && !m_attachments) {
        // Deleting the rows without their files would strand the files.
        qCWarning(lcStorage).noquote() << "NoteRepository::purge failed:"
                                       << "no attachment store to remove the files";
        ok = false;
    }
    const QStringList statements = {
        QStringLiteral("DELETE FROM note_snapshots WHERE note_id=?"),
        QStringLiteral("DELETE FROM note_task_settings WHERE note_id=?"),
        QStringLiteral("DELETE FROM attachments WHERE note_id=?"),
        // Legacy tables no feature writes any more; old files may still hold
        // rows that would block the delete.
        QStringLiteral("DELETE FROM note_operations WHERE note_id=?"),
        QStringLiteral("DELETE FROM tasks WHERE note_id=?"),
        QStringLiteral("DELETE FROM notes WHERE id=?"),
    };
    for (const QString &statement : statements) {
        if (!ok)
            break;
        ok = execStatement(m_database, statement, {textOrEmpty(id)});
    }
    if (!ok || !db.commit()) {
        db.rollback();
        return false;
    }
    if (!attachmentIds.isEmpty())
        m_attachments->removeFiles(attachmentIds);
    emit notePurged(id);
    m_changed.raise();
    return true;
}

bool NoteRepository::markSynced(const QString &id, int version)
{
    return execStatement(m_database,
                         QStringLiteral(
                             "UPDATE notes SET sync_status='synced', version=? WHERE id=?"),
                         {version, textOrEmpty(id)});
}

QList<Note> NoteRepository::search(const QString &text) const
{
    if (text.trimmed().isEmpty())
        return listAll();
    // The text goes to the full-text engine as typed, so its query syntax
    // works; the star makes the last word match as a prefix.
    return list(QStringLiteral("SELECT n.* FROM notes n JOIN notes_fts f ON n.rowid = f.rowid "
                               "WHERE notes_fts MATCH ? AND n.deleted_at IS NULL ORDER BY rank"),
                {text + QLatin1Char('*')});
}

QHash<QString, int> NoteRepository::countsByNotebook() const
{
    QSqlQuery query(m_database->database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT notebook_id, COUNT(*) AS c FROM notes "
                                   "WHERE deleted_at IS NULL GROUP BY notebook_id")))
        return {};
    QHash<QString, int> counts;
    int total = 0;
    while (query.next()) {
        const int count = query.value(1).toInt();
        counts.insert(query.value(0).toString(), count);
        total += count;
    }
    if (query.lastError().isValid())
        return {};
    counts.insert(QString(QLatin1String("")), total);
    return counts;
}

bool NoteRepository::includeInTodos(const QString &noteId) const
{
    QSqlQuery query(m_database->database());
    query.setForwardOnly(true);
    if (!query.prepare(
            QStringLiteral("SELECT include_in_todos FROM note_task_settings WHERE note_id = ?")))
        return true;
    query.addBindValue(textOrEmpty(noteId));
    if (!query.exec() || !query.next())
        return true;
    return query.value(0).toLongLong() != 0;
}

bool NoteRepository::setIncludeInTodos(const QString &noteId, bool include)
{
    return execStatement(m_database,
                         QStringLiteral(
                             "INSERT INTO note_task_settings (note_id, include_in_todos) "
                             "VALUES (?, ?) ON CONFLICT(note_id) DO UPDATE SET "
                             "include_in_todos = excluded.include_in_todos"),
                         {textOrEmpty(noteId), include ? 1 : 0});
}
