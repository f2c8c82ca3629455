#include "storage/notebookrepository.h"

#include "storage/database.h"
#include "storage/sqlrecords.h"
#include "storage/sqlvalues.h"
#include "storage/storagelogging.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

struct NotebookColumns
{
    explicit NotebookColumns(const QSqlRecord &record)
        : id(record.indexOf(QLatin1String("id")))
        , name(record.indexOf(QLatin1String("name")))
        , isDefault(record.indexOf(QLatin1String("is_default")))
        , isShared(record.indexOf(QLatin1String("is_shared")))
        , ownerId(record.indexOf(QLatin1String("owner_id")))
        , createdAt(record.indexOf(QLatin1String("created_at")))
        , updatedAt(record.indexOf(QLatin1String("updated_at")))
        , deletedAt(record.indexOf(QLatin1String("deleted_at")))
        , version(record.indexOf(QLatin1String("version")))
        , syncStatus(record.indexOf(QLatin1String("sync_status")))
    {}

    int id;
    int name;
    int isDefault;
    int isShared;
    int ownerId;
    int createdAt;
    int updatedAt;
    int deletedAt;
    int version;
    int syncStatus;
};

void readNotebook(const QSqlQuery &query, const NotebookColumns &columns, Notebook &notebook)
{
    notebook.id = query.value(columns.id).toString();
    notebook.name = query.value(columns.name).toString();
    notebook.isDefault = query.value(columns.isDefault).toBool();
    notebook.isShared = query.value(columns.isShared).toBool();
    notebook.ownerId = query.value(columns.ownerId).toString();
    notebook.createdAt = timestampFromText(query.value(columns.createdAt).toString());
    notebook.updatedAt = timestampFromText(query.value(columns.updatedAt).toString());
    notebook.deletedAt = optionalTimestampFromText(query.value(columns.deletedAt).toString());
    notebook.version = query.value(columns.version).toInt();
    notebook.syncStatus = syncStatusFromText(query.value(columns.syncStatus).toString());
}

} // namespace

NotebookRepository::NotebookRepository(Database *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_changed(database, [this] { emit notebooksChanged(); })
{
    connect(m_database, &Database::batchEnded, this, [this] { m_changed.flush(); });
}

QList<Notebook> NotebookRepository::list(const QString &sql) const
{
    return selectRecords<Notebook, NotebookColumns>(m_database->database(), sql, {}, readNotebook);
}

QList<Notebook> NotebookRepository::listAll() const
{
    return list(QStringLiteral("SELECT * FROM notebooks WHERE deleted_at IS NULL "
                               "ORDER BY is_default DESC, name ASC"));
}

QList<Notebook> NotebookRepository::listAllWithDeleted() const
{
    return list(QStringLiteral("SELECT * FROM notebooks ORDER BY is_default DESC, name ASC"));
}

std::optional<Notebook> NotebookRepository::get(const QString &id) const
{
    return selectRecord<Notebook, NotebookColumns>(m_database->database(),
                                                   QStringLiteral(
                                                       "SELECT * FROM notebooks WHERE id = ?"),
                                                   {textOrEmpty(id)},
                                                   readNotebook);
}

bool NotebookRepository::insert(const Notebook &notebook)
{
    if (notebook.id.isEmpty()) {
        qCWarning(lcStorage).noquote() << "NotebookRepository::insert failed:"
                                       << "empty notebook id";
        return false;
    }
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("INSERT INTO notebooks (id, name, is_default, is_shared, "
                                      "owner_id, created_at, updated_at, deleted_at, version, "
                                      "sync_status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {notebook.id,
                        textOrEmpty(notebook.name),
                        notebook.isDefault ? 1 : 0,
                        notebook.isShared ? 1 : 0,
                        textOrNull(notebook.ownerId),
                        timestampToText(notebook.createdAt),
                        timestampToText(notebook.updatedAt),
                        timestampOrNull(notebook.deletedAt),
                        notebook.version,
                        syncStatusText(notebook.syncStatus)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "NotebookRepository::insert failed:" << error;
        return false;
    }
    m_changed.raise();
    return true;
}

bool NotebookRepository::update(const Notebook &notebook)
{
    QString error;
    if (!execStatement(m_database,
                       QStringLiteral("UPDATE notebooks SET name=?, is_default=?, is_shared=?, "
                                      "owner_id=?, updated_at=?, deleted_at=?, version=?, "
                                      "sync_status=? WHERE id=?"),
                       {textOrEmpty(notebook.name),
                        notebook.isDefault ? 1 : 0,
                        notebook.isShared ? 1 : 0,
                        textOrNull(notebook.ownerId),
                        timestampToText(notebook.updatedAt),
                        timestampOrNull(notebook.deletedAt),
                        notebook.version,
                        syncStatusText(notebook.syncStatus),
                        textOrEmpty(notebook.id)},
                       &error)) {
        qCWarning(lcStorage).noquote() << "NotebookRepository::update failed:" << error;
        return false;
    }
    m_changed.raise();
    return true;
}

bool NotebookRepository::markDeleted(const QString &id)
{
    if (!execStatement(m_database,
                       QStringLiteral("UPDATE notebooks SET deleted_at=?, sync_status='pending' "
                                      "WHERE id=?"),
                       {timestampToText(QDateTime::currentDateTimeUtc()), textOrEmpty(id)}))
        return false;
    m_changed.raise();
    return true;
}
