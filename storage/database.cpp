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
