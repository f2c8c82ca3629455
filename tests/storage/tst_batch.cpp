#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/sqlvalues.h"
#include "tests/storage/storetestutil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

// Database batches and the cache of prepared statements, seen through the
// repositories that use them.
class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void signalsHeldAndAnnouncedOncePerRepository();
    void nestedBatchesCommitAtTheOutermostEnd();
    void failedBatchRollsBack_data();
    void failedBatchRollsBack();
    void deletionsAnnouncedOnlyWhenCommitted();
    void batchFilesKeepExistingContent();
    void fileRemovalWaitsForTheCommit_data();
    void fileRemovalWaitsForTheCommit();
    void joinsAnOpenTransaction();
    void cachedStatementsGiveTheSameResults();
    void cachedStatementSurvivesFailuresAndReopen();
};

namespace {

Notebook makeNotebook(const QString &id)
{
    Notebook notebook;
    notebook.id = id;
    notebook.name = QStringLiteral("Book ") + id;
    notebook.createdAt = notebook.updatedAt = utc("2024-05-01T09:30:00.000Z");
    return notebook;
}

Attachment makeAttachment(const QString &id, const QString &noteId)
{
    Attachment attachment;
    attachment.id = id;
    attachment.noteId = noteId;
    attachment.filename = QStringLiteral("photo.png");
    attachment.mimeType = QStringLiteral("image/png");
    attachment.sizeBytes = 3;
    attachment.createdAt = utc("2024-05-01T09:30:00.000Z");
    return attachment;
}

// The three repositories an import writes through, on one store.
struct Repositories
{
    explicit Repositories(TestStore &store)
        : notes(&store.database)
        , notebooks(&store.database)
        , attachments(&store.database, store.attachmentsPath())
    {}

    NoteRepository notes;
    NotebookRepository notebooks;
    AttachmentRepository attachments;
};

int countRows(TestStore &store, const char *table)
{
    return store.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table))).toInt();
}

// The notes another connection sees, that is the committed ones; -1 when it cannot look.
int committedNotes(TestStore &store)
{
    Database other;
    if (!other.open(store.path()))
        return -1;
    return scalarIn(other, QStringLiteral("SELECT COUNT(*) FROM notes")).toInt();
}

} // namespace

void TestBatch::signalsHeldAndAnnouncedOncePerRepository()
{
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QSignalSpy notesChanged(&repos.notes, &NoteRepository::notesChanged);
    QSignalSpy notebooksChanged(&repos.notebooks, &NotebookRepository::notebooksChanged);
    QSignalSpy attachmentsChanged(&repos.attachments, &AttachmentRepository::attachmentsChanged);

    store.database.beginBatch();
    QVERIFY(store.database.inBatch());
    QVERIFY(repos.notebooks.insert(makeNotebook("b1")));
    QVERIFY(repos.notebooks.insert(makeNotebook("b2")));
    for (int i = 0; i < 5; ++i)
        QVERIFY(repos.notes.insert(makeNote(QString::number(i), "b1", deltaBody({"x"}))));
    QVERIFY(repos.notes.moveToNotebook("3", "b2"));
    QVERIFY(repos.attachments.insert(makeAttachment("a1", "1")));
    QVERIFY(repos.attachments.saveFile("a1", "abc"));
    // Nothing is announced while the batch runs, yet its rows are readable.
    QCOMPARE(notesChanged.count(), 0);
    QCOMPARE(notebooksChanged.count(), 0);
    QCOMPARE(attachmentsChanged.count(), 0);
    QCOMPARE(repos.notes.listAll().size(), 5);

    QSignalSpy ended(&store.database, &Database::batchEnded);
    QString error;
    QVERIFY(store.database.endBatch(&error));
    QVERIFY(error.isEmpty());
    QVERIFY(!store.database.inBatch());
    QCOMPARE(notesChanged.count(), 1);
    QCOMPARE(notebooksChanged.count(), 1);
    QCOMPARE(attachmentsChanged.count(), 1);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.at(0).at(0).toBool(), true);
    QCOMPARE(repos.notes.get("3")->notebookId, QString("b2"));
    QCOMPARE(repos.attachments.readFile("a1"), QByteArray("abc"));

    // Outside a batch each write announces itself again; a batch that wrote
    // nothing announces nothing.
    QVERIFY(repos.notes.insert(makeNote("9", "b1", deltaBody({"y"}))));
    QCOMPARE(notesChanged.count(), 2);
    store.database.beginBatch();
    QVERIFY(store.database.endBatch());
    QCOMPARE(notesChanged.count(), 2);
    QCOMPARE(notebooksChanged.count(), 1);
    QCOMPARE(attachmentsChanged.count(), 1);
}

void TestBatch::nestedBatchesCommitAtTheOutermostEnd()
{
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QSignalSpy notesChanged(&repos.notes, &NoteRepository::notesChanged);

    store.database.beginBatch();
    QVERIFY(repos.notes.insert(makeNote("1", "", deltaBody({"x"}))));
    store.database.beginBatch();
    QVERIFY(repos.notes.insert(makeNote("2", "", deltaBody({"y"}))));
    QVERIFY(store.database.endBatch());
    QVERIFY(store.database.inBatch());
    QCOMPARE(notesChanged.count(), 0);
    // Still uncommitted: a second connection does not see the rows yet.
    QCOMPARE(committedNotes(store), 0);
    QVERIFY(store.database.endBatch());
    QCOMPARE(notesChanged.count(), 1);
    QCOMPARE(countRows(store, "notes"), 2);
    // An unmatched end changes nothing.
    QVERIFY(store.database.endBatch());
    QCOMPARE(notesChanged.count(), 1);
}

void TestBatch::failedBatchRollsBack_data()
{
    QTest::addColumn<bool>("failCommit");
    QTest::newRow("abandoned by the caller") << false;
    QTest::newRow("commit refused by the database") << true;
}

void TestBatch::failedBatchRollsBack()
{
    QFETCH(bool, failCommit);
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QVERIFY(repos.notes.insert(makeNote("kept", "", deltaBody({"kept"}))));
    QVERIFY(repos.attachments.insert(makeAttachment("old", "kept")));
    QVERIFY(repos.attachments.saveFile("old", "old bytes"));
    // A deferred foreign key lets every statement pass and fails the commit.
    QVERIFY(store.exec("CREATE TABLE child (id TEXT, parent TEXT REFERENCES notes(id) "
                       "DEFERRABLE INITIALLY DEFERRED)"));
    QSignalSpy notesChanged(&repos.notes, &NoteRepository::notesChanged);
    QSignalSpy notebooksChanged(&repos.notebooks, &NotebookRepository::notebooksChanged);
    QSignalSpy attachmentsChanged(&repos.attachments, &AttachmentRepository::attachmentsChanged);

    store.database.beginBatch();
    QVERIFY(repos.notes.insert(makeNote("new", "", deltaBody({"new"}))));
    QVERIFY(repos.notes.update(makeNote("kept", "", deltaBody({"changed"}))));
    QVERIFY(repos.attachments.insert(makeAttachment("fresh", "new")));
    QVERIFY(repos.attachments.saveFile("fresh", "fresh bytes"));
    QVERIFY(repos.attachments.saveFile("old", "replacement"));
    QVERIFY(QFile::exists(repos.attachments.filePath("fresh")));
    if (failCommit)
        QVERIFY(store.exec("INSERT INTO child VALUES ('c', 'nobody')"));
    else
        store.database.failBatch("given up");

    QString error;
    QVERIFY(!store.database.endBatch(&error));
    QVERIFY(!error.isEmpty());
    if (!failCommit)
        QCOMPARE(error, QString("given up"));
    QVERIFY(!store.database.inBatch());

    // The rows are as before the batch, and the file that only the abandoned
    // rows named is gone; a file that existed keeps whole content.
    QCOMPARE(countRows(store, "notes"), 1);
    QCOMPARE(repos.notes.get("kept")->body, deltaBody({"kept"}));
    QVERIFY(!repos.attachments.get("fresh"));
    QVERIFY(!QFile::exists(repos.attachments.filePath("fresh")));
    QCOMPARE(repos.attachments.readFile("old"), QByteArray("replacement"));
    // Each repository that wrote announces once so views re-read; the one
    // that did not stays silent.
    QCOMPARE(notesChanged.count(), 1);
    QCOMPARE(attachmentsChanged.count(), 1);
    QCOMPARE(notebooksChanged.count(), 0);

    // No transaction is left open and the next batch works normally.
    QVERIFY(store.exec("DELETE FROM child"));
    store.database.beginBatch();
    QVERIFY(repos.notes.insert(makeNote("later", "", deltaBody({"later"}))));
    QVERIFY(store.database.endBatch());
    QCOMPARE(notesChanged.count(), 2);
    QCOMPARE(committedNotes(store), 2);
}

void TestBatch::deletionsAnnouncedOnlyWhenCommitted()
{
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QVERIFY(insertNotes(repos.notes, {"1", "2"}));
    QSignalSpy deleted(&repos.notes, &NoteRepository::noteDeleted);

    store.database.beginBatch();
    QVERIFY(repos.notes.moveToTrash("1"));
    QCOMPARE(deleted.count(), 0);
    store.database.failBatch("undo");
    QVERIFY(!store.database.endBatch());
    QCOMPARE(deleted.count(), 0);
    QVERIFY(!repos.notes.get("1")->deletedAt);

    // As outside a batch, each trashed note comes before the list change.
    QStringList events;
    connect(&repos.notes, &NoteRepository::noteDeleted, this, [&](const QString &id) {
        events << "deleted " + id;
    });
    connect(&repos.notes, &NoteRepository::notesChanged, this, [&] { events << "changed"; });
    store.database.beginBatch();
    QVERIFY(repos.notes.moveToTrash("1"));
    QVERIFY(repos.notes.moveToTrash("2"));
    QVERIFY(events.isEmpty());
    QVERIFY(store.database.endBatch());
    QCOMPARE(events, QStringList({"deleted 1", "deleted 2", "changed"}));
    QCOMPARE(deleted.count(), 2);
}

void TestBatch::batchFilesKeepExistingContent()
{
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QVERIFY(repos.attachments.saveFile("old", "old bytes"));

    store.database.beginBatch();
    QVERIFY(repos.attachments.saveFile("new", QByteArray(5000, 'n')));
    QVERIFY(repos.attachments.saveFile("old", "newer"));
    // Saving twice in one batch replaces the batch's own file.
    QVERIFY(repos.attachments.saveFile("new", "second"));
    QVERIFY(!repos.attachments.saveFile("../escape", "x"));
    QVERIFY(store.database.endBatch());

    QCOMPARE(repos.attachments.readFile("new"), QByteArray("second"));
    QCOMPARE(repos.attachments.readFile("old"), QByteArray("newer"));
    // No temporary file is left beside them.
    QCOMPARE(QDir(store.attachmentsPath()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    QVERIFY(!QFile::exists(store.dir.filePath("escape")));
}

void TestBatch::fileRemovalWaitsForTheCommit_data()
{
    QTest::addColumn<bool>("commit");
    QTest::newRow("committed") << true;
    QTest::newRow("rolled back") << false;
}

void TestBatch::fileRemovalWaitsForTheCommit()
{
    QFETCH(bool, commit);
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QVERIFY(repos.notes.insert(makeNote("n", "", deltaBody({"x"}))));
    QVERIFY(repos.attachments.insert(makeAttachment("a", "n")));
    QVERIFY(repos.attachments.saveFile("a", "bytes"));
    QVERIFY(repos.attachments.saveFile("orphan", "orphan bytes"));

    store.database.beginBatch();
    QVERIFY(repos.attachments.deleteById("a"));
    repos.attachments.removeFiles({"orphan"});
    // The rows may still come back: the only copy of the bytes stays.
    QVERIFY(QFile::exists(repos.attachments.filePath("a")));
    QVERIFY(QFile::exists(repos.attachments.filePath("orphan")));
    if (!commit)
        store.database.failBatch("undo");
    QCOMPARE(store.database.endBatch(), commit);

    QCOMPARE(repos.attachments.get("a").has_value(), !commit);
    QCOMPARE(QFile::exists(repos.attachments.filePath("a")), !commit);
    QCOMPARE(QFile::exists(repos.attachments.filePath("orphan")), !commit);
}

void TestBatch::joinsAnOpenTransaction()
{
    TestStore store;
    QVERIFY(store.ready);
    Repositories repos(store);
    QSignalSpy notesChanged(&repos.notes, &NoteRepository::notesChanged);
    QSqlDatabase db = store.database.database();
    QVERIFY(db.transaction());
    store.database.beginBatch();
    QVERIFY(repos.notes.insert(makeNote("1", "", deltaBody({"x"}))));
    QVERIFY(store.database.endBatch());
    QCOMPARE(notesChanged.count(), 1);
    // The batch left the transaction to its owner.
    QVERIFY(db.rollback());
    QCOMPARE(countRows(store, "notes"), 0);
}

void TestBatch::cachedStatementsGiveTheSameResults()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    const QString sql = QStringLiteral("INSERT INTO notebooks (id, name, created_at, updated_at) "
                                       "VALUES (?, ?, '', '')");
    QSqlQuery *first = store.database.cachedQuery(sql);
    QVERIFY(first);
    QCOMPARE(store.database.cachedQuery(sql), first);
    QString error;
    QVERIFY(!store.database.cachedQuery("SELECT nothing FROM nowhere", &error));
    QVERIFY(!error.isEmpty());

    // Many rows through the same statements, each with its own values,
    // read back exactly; a NULL bound once does not stick to the next row.
    for (int i = 0; i < 50; ++i) {
        Note note = makeNote(QString::number(i), "", deltaBody({QString("body %1").arg(i)}));
        if (i % 2)
            note.deletedAt = utc("2024-06-01T00:00:00.000Z");
        note.ownerId = i % 3 ? QString() : QString("owner %1").arg(i);
        note.version = i;
        QVERIFY(notes.insert(note));
        QVERIFY(execStatement(&store.database, sql, {QString::number(i), QString("nb %1").arg(i)}));
    }
    for (int i = 0; i < 50; ++i) {
        const std::optional<Note> note = notes.get(QString::number(i));
        QVERIFY(note);
        QCOMPARE(note->body, deltaBody({QString("body %1").arg(i)}));
        QCOMPARE(note->deletedAt.has_value(), i % 2 == 1);
        QCOMPARE(note->ownerId, i % 3 ? QString() : QString("owner %1").arg(i));
        QCOMPARE(note->version, i);
        QCOMPARE(store.scalar("SELECT name FROM notebooks WHERE id = ?", {QString::number(i)})
                     .toString(),
                 QString("nb %1").arg(i));
    }
    QCOMPARE(countRows(store, "notes"), 50);
}

void TestBatch::cachedStatementSurvivesFailuresAndReopen()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("1", "", deltaBody({"x"}))));
    // A duplicate id fails; the statement stays usable for the next row.
    QVERIFY(!notes.insert(makeNote("1", "", deltaBody({"again"}))));
    QVERIFY(notes.insert(makeNote("2", "", deltaBody({"y"}))));
    QCOMPARE(notes.get("1")->body, deltaBody({"x"}));

    // A cached statement holds no lock: the table can be changed at once.
    QVERIFY(store.exec("CREATE INDEX idx_test ON notes(version)"));
    QVERIFY(store.exec("DROP INDEX idx_test"));

    // Another file on the same Database: the statements follow it.
    const QString second = store.dir.filePath("second.db");
    QVERIFY(store.database.open(second));
    QVERIFY(store.database.migrate());
    QVERIFY(notes.insert(makeNote("3", "", deltaBody({"z"}))));
    QCOMPARE(countRows(store, "notes"), 1);

    // Closed through another handle of the connection: the next write
    // prepares its statement afresh instead of failing.
    store.database.database().close();
    QVERIFY(store.database.database().open());
    QVERIFY(notes.insert(makeNote("4", "", deltaBody({"w"}))));
    QCOMPARE(countRows(store, "notes"), 2);
}

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
