#include "storage/database.h"

#include "storage/schema.h"
#include "storage/storagelogging.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

Database::Database(QObject *parent)
    : QObject(parent)
    , m_connectionName(QUuid::createUuid().toString(QUuid::WithoutBraces))
    , m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName))
{}

Database::~Database()
{
    // Prepared statements must go before the connection they belong to.
    clearCachedQueries();
    if (m_db.isOpen())
        m_db.close();
    // The registry refuses to forget a connection that a handle still uses.
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Database::open(const QString &path)
{
    const QDir directory = QFileInfo(path).absoluteDir();
    if (!directory.exists())
        directory.mkpath(QStringLiteral("."));

    clearCachedQueries();
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        qCCritical(lcStorage).noquote() << "Failed to open database:" << m_db.lastError().text();
        return false;
    }
    QSqlQuery pragma(m_db);
    pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    pragma.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    qCInfo(lcStorage).noquote() << "Database opened:" << path;
    return true;
}

bool Database::migrate()
{
    QSqlQuery query(m_db);
    if (!query.exec(schemaVersionTableStatement())) {
        qCCritical(lcStorage) << "Failed to create schema_version table";
        return false;
    }
    if (!query.exec(QStringLiteral("SELECT version FROM schema_version LIMIT 1")))
        return false;
    int version = 0;
    if (query.next()) {
        version = query.value(0).toInt();
        if (version < 0)
            return false;
    } else if (!query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (0)"))) {
        // A table without its row cannot record progress; carrying on would
        // re-run migrations on every start without ever saying so.
        return false;
    }
    query.finish();

    if (version < 1) {
        qCInfo(lcStorage) << "Running migration 1: initial schema";
        if (!createInitialSchema()) {
            emit migrationError(1, QStringLiteral("Failed to create initial schema"));
            return false;
        }
        if (!setSchemaVersion(1))
            return false;
        emit migrationApplied(1, QStringLiteral("initial schema"));
    }
    if (version < 2) {
        qCInfo(lcStorage) << "Running migration 2: drop default notebook + FK on notes.notebook_id";
        if (!migrateToV2()) {
            emit migrationError(2, QStringLiteral("Failed to drop notebook FK"));
            return false;
        }
        if (!setSchemaVersion(2))
            return false;
        emit migrationApplied(2, QStringLiteral("drop default notebook + FK"));
    }
    qCInfo(lcStorage) << "Database at version" << 2;
    return true;
}

bool Database::createInitialSchema()
{
    if (!m_db.transaction())
        return false;
    QSqlQuery query(m_db);
    for (const QString &statement : initialSchemaStatements()) {
        if (!query.exec(statement)) {
            qCCritical(lcStorage).noquote()
                << "Schema creation failed:" << query.lastError().text();
            query.finish();
            m_db.rollback();
            return false;
        }
    }
    query.finish();
    if (!m_db.commit()) {
        qCCritical(lcStorage).noquote() << "Schema creation failed:" << m_db.lastError().text();
        m_db.rollback();
        return false;
    }
    return true;
}

bool Database::migrateToV2()
{
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    if (!m_db.transaction()) {
        query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
        return false;
    }
    for (const SchemaStep &step : notesRebuildSteps()) {
        if (!query.exec(step.statement)) {
            qCCritical(lcStorage).noquote()
                << "migrateToV2" << step.label << query.lastError().text();
            query.finish();
            m_db.rollback();
            query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
            return false;
        }
    }
    query.finish();
    const bool committed = m_db.commit();
    if (!committed)
        m_db.rollback();
    query.exec(QStringLiteral("PRAGMA foreign_keys=ON"));
    return committed;
}

bool Database::setSchemaVersion(int version)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("UPDATE schema_version SET version = ?"));
    query.addBindValue(version);
    return query.exec();
}

void Database::beginBatch()
{
    if (m_batchDepth++ > 0)
        return;
    m_batchFailure.clear();
    // When a transaction is already open the writes simply join it.
    m_batchTransaction = m_db.isOpen() && m_db.transaction();
}

bool Database::endBatch(QString *error)
{
    if (m_batchDepth == 0)
        return true;
    if (--m_batchDepth > 0)
        return true;
    if (m_batchFailure.isEmpty())
        emit batchCommitting();
    bool committed = m_batchFailure.isEmpty();
    if (m_batchTransaction) {
        if (committed && !m_db.commit()) {
            m_batchFailure = m_db.lastError().text();
            if (m_batchFailure.trimmed().isEmpty())
                m_batchFailure = QStringLiteral("commit failed");
            committed = false;
        }
        if (!committed)
            m_db.rollback();
    }
    m_batchTransaction = false;
    if (!committed) {
        qCWarning(lcStorage).noquote() << "Batch not committed:" << m_batchFailure;
        if (error)
            *error = m_batchFailure;
    }
    m_batchFailure.clear();
    emit batchEnded(committed);
    return committed;
}

void Database::failBatch(const QString &reason)
{
    if (m_batchDepth > 0 && m_batchFailure.isEmpty())
        m_batchFailure = reason.isEmpty() ? QStringLiteral("batch failed") : reason;
}

QSqlQuery *Database::cachedQuery(const QString &sql, QString *error)
{
    auto it = m_queries.constFind(sql);
    if (it != m_queries.constEnd())
        return it->get();
    auto query = std::make_shared<QSqlQuery>(m_db);
    if (!query->prepare(sql)) {
        if (error)
            *error = query->lastError().text();
        return nullptr;
    }
    // The repositories use a fixed set of texts; a flood of distinct ones
    // would be a caller's mistake and must not grow without bound.
    if (m_queries.size() >= 256)
        clearCachedQueries();
    return m_queries.insert(sql, std::move(query))->get();
}

void Database::dropCachedQuery(const QString &sql)
{
    m_queries.remove(sql);
}

void Database::clearCachedQueries()
{
    m_queries.clear();
}
