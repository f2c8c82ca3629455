#include "storage/database.h"
#include "storage/noterepository.h"
#include "tests/storage/storetestutil.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void freshFileEndsAtVersion2();
    void freshFileHasSchemaObjects_data();
    void freshFileHasSchemaObjects();
    void notesColumnsInFormatOrder();
    void version1FileMovesNotesOutOfDefaultNotebook();
    void failedRebuildLeavesVersion1Untouched();
    void failedInitialSchemaRollsBack();
    void reopenAtStoredVersion_data();
    void reopenAtStoredVersion();
    void openFailsWhenDirectoryCannotExist();
    void openCreatesMissingDirectory();
    void connectionIsRemovedOnDestruction();

private:
    // A file at version 1 as older releases left it: notes.notebook_id still
    // carries a foreign key to notebooks.
    static bool makeVersion1File(const QString &path, bool withPermissionColumn = true);
};

bool TestDatabase::makeVersion1File(const QString &path, bool withPermissionColumn)
{
    Database database;
    if (!database.open(path))
        return false;
    QSqlQuery query(database.database());
    const QString notes = QStringLiteral(
        "CREATE TABLE notes (  id TEXT PRIMARY KEY,"
        "  notebook_id TEXT NOT NULL DEFAULT '' REFERENCES notebooks(id),"
        "  body TEXT NOT NULL DEFAULT '',  created_at TEXT NOT NULL,  updated_at TEXT NOT NULL,"
        "  modified_at TEXT NOT NULL,  deleted_at TEXT,  version INTEGER NOT NULL DEFAULT 1,"
        "  op_version INTEGER NOT NULL DEFAULT 0,  sync_status TEXT NOT NULL DEFAULT 'pending',"
        "  is_sample INTEGER NOT NULL DEFAULT 0,  owner_id TEXT,"
        "  is_shared INTEGER NOT NULL DEFAULT 0%1)");
    if (!query.exec(
            notes.arg(withPermissionColumn ? QStringLiteral(",  permission TEXT") : QString())))
        return false;
    if (!database.createInitialSchema())
        return false;
    if (!query.exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"))
        || !query.exec(QStringLiteral("INSERT INTO schema_version VALUES (1)")))
        return false;
    const QString notebook = QStringLiteral(
        "INSERT INTO notebooks (id, name, is_default, created_at, updated_at) "
        "VALUES ('%1', '%2', %3, '2023-01-01T00:00:00.000Z', '2023-01-01T00:00:00.000Z')");
    if (!query.exec(notebook.arg(QStringLiteral("nb-default"), QStringLiteral("Notes")).arg(1))
        || !query.exec(notebook.arg(QStringLiteral("nb-work"), QStringLiteral("Work")).arg(0)))
        return false;
    const QList<QPair<QString, QString>> rows = {{"n1", "nb-default"},
                                                 {"n2", "nb-default"},
                                                 {"n3", "nb-work"}};
    for (const auto &row : rows) {
        query.prepare(QStringLiteral(
            "INSERT INTO notes (id, notebook_id, body, created_at, updated_at, modified_at) "
            "VALUES (?, ?, ?, '2023-02-01T00:00:00.000Z', '2023-02-01T00:00:00.000Z', "
            "'2023-02-01T00:00:00.000Z')"));
        query.addBindValue(row.first);
        query.addBindValue(row.second);
        query.addBindValue(deltaBody({QStringLiteral("word%1 common").arg(row.first)}));
        if (!query.exec())
            return false;
    }
    return true;
}

void TestDatabase::freshFileEndsAtVersion2()
{
    QTemporaryDir dir;
    Database database;
    QSignalSpy applied(&database, &Database::migrationApplied);
    QSignalSpy errors(&database, &Database::migrationError);
    QVERIFY(database.open(dir.filePath("fresh.db")));
    QVERIFY(database.migrate());

    QCOMPARE(applied.count(), 2);
    QCOMPARE(applied.at(0).at(0).toInt(), 1);
    QCOMPARE(applied.at(0).at(1).toString(), QStringLiteral("initial schema"));
    QCOMPARE(applied.at(1).at(0).toInt(), 2);
    QCOMPARE(applied.at(1).at(1).toString(), QStringLiteral("drop default notebook + FK"));
    QCOMPARE(errors.count(), 0);

    QCOMPARE(scalarIn(database, "SELECT COUNT(*) || '/' || MAX(version) FROM schema_version"),
             QVariant("1/2"));
    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM notebooks"), QVariant(0));
    QCOMPARE(scalarIn(database, "PRAGMA journal_mode"), QVariant("wal"));
    QCOMPARE(scalarIn(database, "PRAGMA foreign_keys"), QVariant(1));
}

void TestDatabase::freshFileHasSchemaObjects_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("tables") << "table"
                            << QStringList{"schema_version",
                                           "notebooks",
                                           "notes",
                                           "notes_fts",
                                           "note_operations",
                                           "note_snapshots",
                                           "attachments",
                                           "sync_queue",
                                           "tasks",
                                           "note_task_settings",
                                           "preferences"};
    QTest::newRow("indexes") << "index"
                             << QStringList{"idx_notebooks_deleted_at",
                                            "idx_notebooks_sync_status",
                                            "idx_notes_notebook_id",
                                            "idx_notes_updated_at",
                                            "idx_notes_modified_at",
                                            "idx_notes_deleted_at",
                                            "idx_notes_sync_status",
                                            "idx_note_operations_version",
                                            "idx_note_operations_synced",
                                            "idx_note_snapshots_version",
                                            "idx_attachments_note_id",
                                            "idx_sync_queue_entity",
                                            "idx_tasks_note_id",
                                            "idx_tasks_completed",
                                            "idx_tasks_due_date"};
    QTest::newRow("triggers") << "trigger" << QStringList{"notes_ai", "notes_ad", "notes_au"};
}

void TestDatabase::freshFileHasSchemaObjects()
{
    QFETCH(QString, type);
    QFETCH(QStringList, names);
    TestStore store;
    QVERIFY(store.ready);
    for (const QString &name : names) {
        QVERIFY2(store.scalar("SELECT COUNT(*) FROM sqlite_master WHERE type = ? AND name = ?",
                              {type, name})
                         .toInt()
                     == 1,
                 qPrintable(name));
    }
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM pragma_foreign_key_list('notes')").toInt(), 0);
}

void TestDatabase::notesColumnsInFormatOrder()
{
    TestStore store;
    QVERIFY(store.ready);
    QCOMPARE(store
                 .scalar("SELECT group_concat(name, ',') FROM "
                         "(SELECT name FROM pragma_table_info('notes') ORDER BY cid)")
                 .toString()
                 .split(','),
             (QStringList{"id",
                          "notebook_id",
                          "body",
                          "created_at",
                          "updated_at",
                          "modified_at",
                          "deleted_at",
                          "version",
                          "op_version",
                          "sync_status",
                          "is_sample",
                          "owner_id",
                          "is_shared",
                          "permission"}));
}

void TestDatabase::version1FileMovesNotesOutOfDefaultNotebook()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("v1.db");
    QVERIFY(makeVersion1File(path));

    Database database;
    QSignalSpy applied(&database, &Database::migrationApplied);
    QVERIFY(database.open(path));
    QVERIFY(database.migrate());
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0).at(0).toInt(), 2);

    NoteRepository notes(&database);
    QCOMPARE(notes.get("n1")->notebookId, QString());
    QCOMPARE(notes.get("n2")->notebookId, QString());
    QCOMPARE(notes.get("n3")->notebookId, QStringLiteral("nb-work"));

    QCOMPARE(scalarIn(database, "SELECT group_concat(id) FROM notebooks"), QVariant("nb-work"));
    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM pragma_foreign_key_list('notes')"),
             QVariant(0));
    QCOMPARE(scalarIn(database, "PRAGMA foreign_keys"), QVariant(1));

    // The index was rebuilt against the new rowids: each note is still found,
    // exactly once, by its own word and all by the shared one.
    for (const QString &id : QStringList{"n1", "n2", "n3"})
        QCOMPARE(idsOf(notes.search("word" + id)), QStringList{id});
    QCOMPARE(notes.search("common").size(), 3);

    // The triggers came back: a later edit is searchable, the old text not.
    Note edited = *notes.get("n1");
    edited.body = deltaBody({"rewritten"});
    QVERIFY(notes.update(edited));
    QCOMPARE(notes.search("rewritten").size(), 1);
    QCOMPARE(notes.search("wordn1").size(), 0);
    // A note may now name a notebook that does not exist.
    QVERIFY(notes.insert(makeNote("n4", "no-such-notebook", deltaBody({"x"}))));
}

void TestDatabase::failedRebuildLeavesVersion1Untouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken-v1.db");
    QVERIFY(makeVersion1File(path, false));

    Database database;
    QSignalSpy errors(&database, &Database::migrationError);
    QVERIFY(database.open(path));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^migrateToV2 copy notes .*permission"));
    QVERIFY(!database.migrate());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 2);
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Failed to drop notebook FK"));

    QCOMPARE(scalarIn(database, "SELECT version FROM schema_version"), QVariant(1));
    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM notebooks WHERE is_default = 1"), QVariant(1));
    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM notes WHERE notebook_id = 'nb-default'"),
             QVariant(2));
    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'notes_new'"),
             QVariant(0));
    QCOMPARE(scalarIn(database, "PRAGMA foreign_keys"), QVariant(1));
}

void TestDatabase::failedInitialSchemaRollsBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("blocked.db");
    {
        // A view named notes lets "CREATE TABLE IF NOT EXISTS notes" pass but
        // cannot be indexed, so migration 1 fails part-way.
        Database database;
        QVERIFY(database.open(path));
        QSqlQuery query(database.database());
        QVERIFY(query.exec("CREATE VIEW notes AS SELECT 1 AS notebook_id"));
    }
    Database database;
    QSignalSpy errors(&database, &Database::migrationError);
    QSignalSpy applied(&database, &Database::migrationApplied);
    QVERIFY(database.open(path));
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^Schema creation failed: "));
    QVERIFY(!database.migrate());
    QCOMPARE(applied.count(), 0);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 1);
    QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Failed to create initial schema"));

    QCOMPARE(scalarIn(database, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'notebooks'"),
             QVariant(0));
    QCOMPARE(scalarIn(database, "SELECT version FROM schema_version"), QVariant(0));
}

void TestDatabase::reopenAtStoredVersion_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("current") << 2 << true;
    QTest::newRow("newer") << 3 << true;
    QTest::newRow("-1") << -1 << false;
    QTest::newRow("-20") << -20 << false;
}

void TestDatabase::reopenAtStoredVersion()
{
    QFETCH(int, stored);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    const QString path = dir.filePath("again.db");
    {
        Database database;
        QVERIFY(database.open(path));
        QVERIFY(database.migrate());
        QVERIFY(database.setSchemaVersion(stored));
    }
    Database database;
    QSignalSpy applied(&database, &Database::migrationApplied);
    QVERIFY(database.open(path));
    if (accepted)
        QTest::ignoreMessage(QtInfoMsg, "Database at version 2");
    QCOMPARE(database.migrate(), accepted);
    // Nothing is applied to a current or newer file, nor to one whose version makes no sense.
    QCOMPARE(applied.count(), 0);
    QCOMPARE(scalarIn(database, "SELECT version FROM schema_version"), QVariant(stored));
}

void TestDatabase::openFailsWhenDirectoryCannotExist()
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath("plain-file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Database database;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression("^Failed to open database: "));
    QVERIFY(!database.open(dir.filePath("plain-file/sub/store.db")));
    QVERIFY(!database.isOpen());
}

void TestDatabase::openCreatesMissingDirectory()
{
    QTemporaryDir dir;
    Database database;
    const QString path = dir.filePath("a/b/store.db");
    QVERIFY(database.open(path));
    QVERIFY(database.migrate());
    QVERIFY(QFile::exists(path));
}

void TestDatabase::connectionIsRemovedOnDestruction()
{
    QTemporaryDir dir;
    QString name;
    {
        Database database;
        name = database.connectionName();
        QCOMPARE(name.size(), 36);
        QVERIFY(QSqlDatabase::contains(name));
        QVERIFY(database.open(dir.filePath("gone.db")));
    }
    QVERIFY(!QSqlDatabase::contains(name));
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
