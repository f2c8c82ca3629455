#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

// Owns the one SQLite connection of the process and brings its schema up to
// the current version. Every Database registers its own named connection, so
// several can coexist (tests, backup restore).
class Database : public QObject
{
    Q_OBJECT

public:
    explicit Database(QObject *parent = nullptr);
    ~Database() override;

    bool open(const QString &path);
    bool migrate();

    // Migration 1 and 2; migrate() runs them in order. Public so that older
    // layouts can be rebuilt deliberately (tests, tools).
    bool createInitialSchema();
    bool migrateToV2();
    bool setSchemaVersion(int version);

    // The connection the repositories run their statements on.
    QSqlDatabase database() const { return m_db; }
    QString connectionName() const { return m_connectionName; }
    bool isOpen() const { return m_db.isOpen(); }

signals:
    void migrationApplied(int version, const QString &name);
    void migrationError(int version, const QString &error);

private:
    QString m_connectionName;
    QSqlDatabase m_db;
};
