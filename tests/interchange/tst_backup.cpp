#include "interchange/backup.h"
#include "interchange/zipextractor.h"
#include "interchange/zipwriter.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "tests/interchange/archivetesttools.h"
#include "tests/interchange/teststore.h"

#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void emptyStore();
    void roundTrip();
    void existingAttachmentNotOverwritten();
    void noManifestChangesNothing();
    void badRecordFilesCounted_data();
    void badRecordFilesCounted();
    void failedInsertCountedAsError();
    void hostileArchiveStaysInside();
    void infoZipBackupRestores();
    void failuresReported();
    void jsonMappings();

private:
    static Note makeNote(const QString &id, const QString &notebookId, const QString &text)
    {
        Note note = Note::create(notebookId);
        note.id = id;
        note.body = QStringLiteral("[{\"insert\":\"%1\\n\"}]").arg(text);
        note.createdAt = QDateTime(QDate(2023, 5, 1), QTime(8, 30, 15, 123), Qt::UTC);
        note.updatedAt = QDateTime(QDate(2023, 6, 2), QTime(9, 0, 0, 456), Qt::UTC);
        note.modifiedAt = QDateTime(QDate(2023, 7, 3), QTime(10, 1, 2, 789), Qt::UTC);
        return note;
    }
    static Notebook makeNotebook(const QString &id, const QString &name)
    {
        Notebook notebook;
        notebook.id = id;
        notebook.name = name;
        notebook.createdAt = QDateTime(QDate(2022, 1, 1), QTime(0, 0, 0, 1), Qt::UTC);
        notebook.updatedAt = notebook.createdAt;
        return notebook;
    }
    static QJsonObject readJson(const QString &path)
    {
        return QJsonDocument::fromJson(readBytes(path)).object();
    }
    // The archive file of a note made as above.
    static QByteArray noteFile(const QString &id, const QString &text)
    {
        return QJsonDocument(noteToJson(makeNote(id, QString(), text))).toJson();
    }
};

void TestBackup::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestBackup::emptyStore()
{
    TestStore store;
    QVERIFY(store.open());
    const QString zip = store.dir.filePath(QStringLiteral("empty.zip"));
    const ImportResult result = createBackup(zip, &store.state);
    QCOMPARE(result.errors, 0);
    QCOMPARE(result.imported, 0);

    QTemporaryDir out;
    ZipExtractor extractor;
    QVERIFY(extractor.extract(zip, out.path()));
    for (const char *folder : {"notebooks", "notes", "attachments"}) {
        QVERIFY(QFileInfo(out.filePath(QLatin1String(folder))).isDir());
        QVERIFY(QDir(out.filePath(QLatin1String(folder))).isEmpty());
    }
    const QJsonObject manifest = readJson(out.filePath(QStringLiteral("manifest.json")));
    QCOMPARE(manifest.value("version").toInt(), 1);
    QCOMPARE(manifest.value("noteCount").toInt(-1), 0);
    QCOMPARE(manifest.value("notebookCount").toInt(-1), 0);
    QVERIFY(
        QDateTime::fromString(manifest.value("exportedAt").toString(), Qt::ISODateWithMs).isValid());

    TestStore target;
    QVERIFY(target.open());
    const ImportResult restored = restoreBackup(zip, &target.state);
    QCOMPARE(restored.imported, 0);
    QCOMPARE(restored.skipped, 0);
    QCOMPARE(restored.errors, 0);
}

void TestBackup::roundTrip()
{
    TestStore source;
    QVERIFY(source.open());
    QVERIFY(source.state.notebooks()->insert(makeNotebook("nb-1", "Work")));
    Note synced = makeNote("note-1", "nb-1", "Synced one");
    synced.version = 5;
    synced.syncStatus = SyncStatus::Synced;
    QVERIFY(source.state.notes()->insert(synced));
    QVERIFY(source.state.notes()->insert(makeNote("note-2", "nb-1", "Trashed")));
    QVERIFY(source.state.notes()->moveToTrash("note-2"));
    QVERIFY(source.state.notes()->insert(makeNote("note-3", QString(), "Loose")));
    // An id from elsewhere that would make a path is only a name in the archive.
    QVERIFY(source.state.notes()->insert(makeNote("../odd/id", QString(), "Odd")));
    const auto trashed = source.state.notes()->get("note-2");
    QVERIFY(trashed && trashed->deletedAt);
    QVERIFY(writeBytes(source.attachmentsDirectory() + "/att-1", "attachment bytes"));

    const QString zip = source.dir.filePath(QStringLiteral("backup.zip"));
    const ImportResult backup = createBackup(zip, &source.state);
    QCOMPARE(backup.errors, 0);
    QCOMPARE(backup.imported, 4);

    TestStore target;
    QVERIFY(target.open());
    QSignalSpy notesSpy(&target.state, &AppState::notesChanged);
    QSignalSpy notebooksSpy(&target.state, &AppState::notebooksChanged);
    const ImportResult first = restoreBackup(zip, &target.state);
    QCOMPARE(first.errors, 0);
    QCOMPARE(first.imported, 5);
    QCOMPARE(first.skipped, 0);
    // One refresh for the whole restore, not one per record.
    QCOMPARE(notesSpy.count(), 1);
    QCOMPARE(notebooksSpy.count(), 1);

    const auto restored = target.state.notes()->get("note-1");
    QVERIFY(restored);
    QCOMPARE(restored->syncStatus, SyncStatus::Pending);
    QCOMPARE(restored->version, 5);
    QCOMPARE(restored->notebookId, QStringLiteral("nb-1"));
    QCOMPARE(restored->body, synced.body);
    QCOMPARE(restored->createdAt, synced.createdAt);
    QCOMPARE(restored->updatedAt, synced.updatedAt);
    QCOMPARE(restored->modifiedAt, synced.modifiedAt);
    QCOMPARE(target.state.notes()->listTrash().size(), 1);
    QCOMPARE(target.state.notes()->listTrash().first().id, QStringLiteral("note-2"));
    QCOMPARE(target.state.notes()->listTrash().first().deletedAt, trashed->deletedAt);
    QCOMPARE(target.state.notes()->get("note-3")->notebookId, QString());
    QCOMPARE(target.state.notebooks()->get("nb-1")->name, QStringLiteral("Work"));
    QVERIFY(target.state.notes()->get("../odd/id"));
    QCOMPARE(readBytes(target.attachmentsDirectory() + "/att-1"), QByteArray("attachment bytes"));

    const ImportResult second = restoreBackup(zip, &target.state);
    QCOMPARE(second.imported, 0);
    QCOMPARE(second.skipped, 5);
    QCOMPARE(second.errors, 0);
    // No staging folder is left behind beside the attachments.
    QCOMPARE(QDir(target.dir.path()).entryList({".staging-*"}, QDir::AllEntries | QDir::Hidden),
             QStringList());
}

void TestBackup::existingAttachmentNotOverwritten()
{
    TestStore source;
    QVERIFY(source.open());
    QVERIFY(writeBytes(source.attachmentsDirectory() + "/shared", "from backup"));
    QVERIFY(writeBytes(source.attachmentsDirectory() + "/new", "new file"));
    const QString zip = source.dir.filePath(QStringLiteral("b.zip"));
    QCOMPARE(createBackup(zip, &source.state).errors, 0);

    TestStore target;
    QVERIFY(target.open());
    QVERIFY(writeBytes(target.attachmentsDirectory() + "/shared", "already here"));
    QCOMPARE(restoreBackup(zip, &target.state).errors, 0);
    QCOMPARE(readBytes(target.attachmentsDirectory() + "/shared"), QByteArray("already here"));
    QCOMPARE(readBytes(target.attachmentsDirectory() + "/new"), QByteArray("new file"));
}

void TestBackup::noManifestChangesNothing()
{
    TestStore target;
    QVERIFY(target.open());
    const QString zip = target.dir.filePath("nomanifest.zip");
    QVERIFY(writeZip(zip, {{"notes/n.json", noteFile("n", "x")}, {"attachments/a", "a"}}));
    const ImportResult result = restoreBackup(zip, &target.state);
    QCOMPARE(result.errors, 1);
    QCOMPARE(result.error, QStringLiteral("No manifest.json found"));
    QCOMPARE(result.imported, 0);
    QVERIFY(target.state.notes()->listAll().isEmpty());
    QVERIFY(target.attachmentFiles().isEmpty());
}

void TestBackup::badRecordFilesCounted_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("array") << QByteArray("[1, 2]");
    QTest::newRow("not json") << QByteArray("not json at all {");
    QTest::newRow("no id") << QByteArray("{\"body\": \"[]\"}");
    QTest::newRow("empty id") << QByteArray("{\"id\": \"\"}");
    QTest::newRow("id not a string") << QByteArray("{\"id\": 42}");
}

void TestBackup::badRecordFilesCounted()
{
    QFETCH(QByteArray, content);
    TestStore target;
    QVERIFY(target.open());
    const QString zip = target.dir.filePath("bad.zip");
    QVERIFY(writeZip(zip,
                     {{"manifest.json", "{}"},
                      {"notes/good.json", noteFile("good", "fine")},
                      {"notes/bad.json", content},
                      {"notebooks/bad.json", content}}));
    const ImportResult result = restoreBackup(zip, &target.state);
    QCOMPARE(result.imported, 1);
    QCOMPARE(result.errors, 2);
    QCOMPARE(target.state.notes()->listAll().size(), 1);
    QVERIFY(target.state.notebooks()->listAll().isEmpty());
}

void TestBackup::failedInsertCountedAsError()
{
    TestStore target;
    QVERIFY(target.open());
    QVERIFY(target.exec("CREATE TRIGGER refuse BEFORE INSERT ON notes WHEN NEW.id = 'boom' "
                        "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const QString zip = target.dir.filePath("fail.zip");
    QVERIFY(writeZip(zip,
                     {{"manifest.json", "{}"},
                      {"notes/boom.json", noteFile("boom", "x")},
                      {"notes/ok.json", noteFile("ok", "y")}}));
    const ImportResult result = restoreBackup(zip, &target.state);
    QCOMPARE(result.imported, 1);
    QCOMPARE(result.errors, 1);
    QVERIFY(!target.state.notes()->get("boom"));
    QVERIFY(target.state.notes()->get("ok"));
}

void TestBackup::hostileArchiveStaysInside()
{
    TestStore target;
    QVERIFY(target.open());
    const QString zip = target.dir.filePath("hostile.zip");
    QVERIFY(writeZip(zip,
                     {{"manifest.json", "{}"},
                      {"../escaped.json", "{}"},
                      {"attachments/../../escaped-attachment", "x"},
                      {"attachments/sub/", {}},
                      {"attachments/sub/nested", "nested"},
                      {"attachments/plain", "plain"}}));
    const ImportResult result = restoreBackup(zip, &target.state);
    QCOMPARE(result.errors, 0);
    QCOMPARE(target.attachmentFiles(), QStringList({"plain"}));
    QVERIFY(!QFile::exists(target.dir.filePath("escaped.json")));
    QVERIFY(!QFile::exists(target.dir.filePath("escaped-attachment")));
    QVERIFY(!QFileInfo::exists(QFileInfo(target.dir.path()).absolutePath() + "/escaped-attachment"));
}

void TestBackup::infoZipBackupRestores()
{
    if (QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty())
        QSKIP("Info-ZIP zip is not installed (scripts/install-deps installs it)");
    QTemporaryDir folder;
    const auto put = [&](const QString &name, const QByteArray &bytes) {
        QVERIFY(writeBytes(folder.filePath(name), bytes));
    };
    put("manifest.json", "{\"version\": 1}");
    put("notebooks/nb.json", QJsonDocument(notebookToJson(makeNotebook("nb", "Home"))).toJson());
    put("notes/a.json", QJsonDocument(noteToJson(makeNote("a", "nb", "First"))).toJson());
    put("notes/b.json", noteFile("b", "Second"));
    put("attachments/file-1", QByteArray(50000, 'f'));

    QTemporaryDir out;
    const QString zip = out.filePath(QStringLiteral("infozip.zip"));
    QProcess process;
    process.setWorkingDirectory(folder.path());
    process.start(QStringLiteral("zip"), {QStringLiteral("-r"), zip, QStringLiteral(".")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);

    TestStore target;
    QVERIFY(target.open());
    const ImportResult result = restoreBackup(zip, &target.state);
    QCOMPARE(result.errors, 0);
    QCOMPARE(result.imported, 3);
    QCOMPARE(target.state.notes()->get("a")->notebookId, QStringLiteral("nb"));
    QCOMPARE(readBytes(target.attachmentsDirectory() + "/file-1"), QByteArray(50000, 'f'));
}

void TestBackup::failuresReported()
{
    TestStore store;
    QVERIFY(store.open());
    const ImportResult backup = createBackup(store.dir.filePath("missing/folder/b.zip"),
                                             &store.state);
    QCOMPARE(backup.errors, 1);
    QVERIFY(backup.error.startsWith(QStringLiteral("Failed to create ZIP: ")));
    QVERIFY(backup.error.size() > QStringLiteral("Failed to create ZIP: ").size());

    const QString garbage = store.dir.filePath("garbage.zip");
    QVERIFY(writeBytes(garbage, QByteArray("PK\x03\x04 but nothing after")));
    for (const QString &path : {garbage, store.dir.filePath("absent.zip")}) {
        const ImportResult restore = restoreBackup(path, &store.state);
        QCOMPARE(restore.errors, 1);
        QCOMPARE(restore.error, QStringLiteral("Failed to extract backup"));
    }
}

void TestBackup::jsonMappings()
{
    Note note = makeNote("id-1", "", "text");
    const QJsonObject object = noteToJson(note);
    QCOMPARE(object.value("notebookId").toString(QStringLiteral("missing")), QString());
    QVERIFY(!object.contains("deletedAt"));
    QCOMPARE(object.value("createdAt").toString(), QStringLiteral("2023-05-01T08:30:15.123Z"));
    note.deletedAt = note.updatedAt;
    QCOMPARE(noteToJson(note).value("deletedAt").toString(),
             QStringLiteral("2023-06-02T09:00:00.456Z"));

    const Note sparse = noteFromJson(QJsonObject{{"id", "x"}});
    QCOMPARE(sparse.version, 1);
    QCOMPARE(sparse.body, QString());
    QVERIFY(!sparse.deletedAt);
    QCOMPARE(noteFromJson(QJsonObject{{"id", "x"}, {"deletedAt", ""}}).deletedAt, std::nullopt);

    Notebook notebook = makeNotebook("nb", "Name");
    notebook.isShared = true;
    const QJsonObject nbObject = notebookToJson(notebook);
    QVERIFY(nbObject.contains("ownerId"));
    QVERIFY(!nbObject.contains("deletedAt"));
    const Notebook back = notebookFromJson(nbObject);
    QCOMPARE(back.isShared, true);
    QCOMPARE(back.createdAt, notebook.createdAt);
    QCOMPARE(back.syncStatus, SyncStatus::Pending);
}

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
