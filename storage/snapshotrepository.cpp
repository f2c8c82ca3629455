#include "storage/snapshotrepository.h"

#include "storage/database.h"
#include "storage/sqlrecords.h"
#include "storage/sqlvalues.h"
#include "storage/storagelogging.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

struct SnapshotColumns
{
    explicit SnapshotColumns(const QSqlRecord &record)
        : id(record.indexOf(QLatin1String("id")))
        , noteId(record.indexOf(QLatin1String("note_id")))
        , version(record.indexOf(QLatin1String("version")))
        , body(record.indexOf(QLatin1String("body")))
        , createdAt(record.indexOf(QLatin1String("created_at")))
    {}

    int id;
    int noteId;
    int version;
    int body;
    int createdAt;
};

void readSnapshot(const QSqlQuery &query, const SnapshotColumns &columns, Snapshot &snapshot)
{
    snapshot.id = query.value(columns.id).toString();
    snapshot.noteId = query.value(columns.noteId).toString();
    snapshot.version = query.value(columns.version).toInt();
    snapshot.body = query.value(columns.body).toString();
    snapshot.createdAt = timestampFromText(query.value(columns.createdAt).toString());
}

} // namespace

SnapshotRepository::SnapshotRepository(Database *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{}

std::optional<Snapshot> SnapshotRepository::get(const QString &id) const
{
    return selectRecord<Snapshot, SnapshotColumns>(m_database->database(),
                                                   QStringLiteral(
                                                       "SELECT * FROM note_snapshots WHERE id=?"),
                                                   {textOrEmpty(id)},
                                                   readSnapshot);
}

QList<Snapshot> SnapshotRepository::listForNote(const QString &noteId) const
{
    return selectRecords<Snapshot, SnapshotColumns>(
        m_database->database(),
        QStringLiteral("SELECT * FROM note_snapshots WHERE note_id=? ORDER BY version DESC"),
        {textOrEmpty(noteId)},
        readSnapshot);
}

bool SnapshotRepository::insert(const Snapshot &snapshot)
{
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("INSERT OR REPLACE INTO note_snapshots (id, note_id, "
                                      "version, body, created_at) VALUES (?, ?, ?, ?, ?)"),
                       {textOrEmpty(snapshot.id),
                        textOrEmpty(snapshot.noteId),
                        snapshot.version,
                        textOrEmpty(snapshot.body),
                        timestampToText(snapshot.createdAt)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "SnapshotRepository::insert failed:" << error;
        return false;
    }
    return true;
}
