#pragma once

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;

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

    // A batch groups many writes (an import, a restore): they run in one
    // transaction, or join the one already open, and the repositories hold
    // back their change signals until the batch ends, announcing each change
    // once. Batches nest; only the outermost end commits.
    void beginBatch();
    // Ends one level. The outermost end commits, or rolls back when the
    // commit fails or failBatch() was called; false then, with the reason.
    // A joined transaction is left to whoever opened it.
    bool endBatch(QString *error = nullptr);
    // Makes the outermost endBatch() roll back instead of committing.
    void failBatch(const QString &reason);
    bool inBatch() const { return m_batchDepth > 0; }

    // The statement for this SQL text, prepared once per open connection and
    // reused; null (with the driver's text in `error`) when it cannot be
    // prepared. Callers finish() it after use so it holds no lock. Meant for
    // the fixed statements of the repositories, not for generated SQL.
    QSqlQuery *cachedQuery(const QString &sql, QString *error = nullptr);
    // Forgets a cached statement, e.g. one the driver no longer accepts.
    void dropCachedQuery(const QString &sql);

signals:
    void migrationApplied(int version, const QString &name);
    void migrationError(int version, const QString &error);
    // The outermost batch is about to commit: the moment to make data kept
    // beside the rows durable, or to call failBatch().
    void batchCommitting();
    // The outermost batch has ended; `committed` is false after a rollback.
    void batchEnded(bool committed);

private:
    void clearCachedQueries();

    QString m_connectionName;
    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_queries;
    int m_batchDepth = 0;
    bool m_batchTransaction = false;
    QString m_batchFailure;
};
