#include "storage/attachmentrepository.h"
#include "storage/noterepository.h"
#include "tests/storage/storetestutil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

class TestAttachmentRepository : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void saveCreatesDirectoryAndReplacesContent();
    void readOfMissingFileIsEmpty();
    void unsafeIdsNeverNameAFile_data();
    void unsafeIdsNeverNameAFile();
    void roundTripsRow();
    void listsOldestFirst();
    void markSyncedLeavesPending();
    void deleteByIdWithoutFileDeletesRow();
    void deleteForNoteRemovesEach();
    void failedRowDeleteKeepsFile();
};

static Attachment makeAttachment(const QString &id, const QString &noteId, const char *createdAt)
{
    Attachment attachment;
    attachment.id = id;
    attachment.noteId = noteId;
    attachment.filename = "photo.png";
    attachment.mimeType = "image/png";
    attachment.sizeBytes = 3;
    attachment.createdAt = utc(createdAt);
    return attachment;
}

void TestAttachmentRepository::saveCreatesDirectoryAndReplacesContent()
{
    TestStore store;
    QVERIFY(store.ready);
    const QString directory = store.dir.filePath("deep/attachments");
    AttachmentRepository attachments(&store.database, directory);
    QCOMPARE(attachments.filePath("abc"), directory + "/abc");
    QVERIFY(!QDir(directory).exists());

    QVERIFY(attachments.saveFile("abc", QByteArray(1000, 'x')));
    QVERIFY(QDir(directory).exists());
    QVERIFY(attachments.saveFile("abc", "short"));
    QCOMPARE(attachments.readFile("abc"), QByteArray("short"));
    QCOMPARE(QFileInfo(directory + "/abc").size(), 5);
    QVERIFY(attachments.saveFile("empty", QByteArray()));
    QVERIFY(QFile::exists(directory + "/empty"));
    // Nothing but the two files is left behind.
    QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestAttachmentRepository::readOfMissingFileIsEmpty()
{
    TestStore store;
    QVERIFY(store.ready);
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.readFile("nothing").isEmpty());
}

void TestAttachmentRepository::unsafeIdsNeverNameAFile_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("parent") << "..";
    QTest::newRow("climb") << "../escape";
    QTest::newRow("absolute") << "/tmp/escape";
    QTest::newRow("backslash") << "..\\escape";
    QTest::newRow("empty") << "";
}

void TestAttachmentRepository::unsafeIdsNeverNameAFile()
{
    QFETCH(QString, id);
    TestStore store;
    QVERIFY(store.ready);
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.filePath(id).isEmpty());
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^AttachmentRepository::saveFile open failed: "));
    QVERIFY(!attachments.saveFile(id, "bytes"));
    QVERIFY(!QFile::exists(store.dir.filePath("escape")));
    QVERIFY(attachments.readFile(id).isEmpty());
}

void TestAttachmentRepository::roundTripsRow()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QSignalSpy changed(&attachments, &AttachmentRepository::attachmentsChanged);
    Attachment attachment = makeAttachment("a", "n", "2024-01-01T00:00:00.001Z");
    attachment.sizeBytes = 5'000'000'000LL;
    attachment.syncStatus = SyncStatus::Synced;
    QVERIFY(attachments.insert(attachment));
    QCOMPARE(changed.count(), 1);
    const std::optional<Attachment> read = attachments.get("a");
    QVERIFY(read);
    QCOMPARE(read->noteId, QStringLiteral("n"));
    QCOMPARE(read->filename, QStringLiteral("photo.png"));
    QCOMPARE(read->mimeType, QStringLiteral("image/png"));
    QCOMPARE(read->sizeBytes, 5'000'000'000LL);
    QCOMPARE(read->createdAt, attachment.createdAt);
    QCOMPARE(read->syncStatus, SyncStatus::Synced);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^AttachmentRepository::insert failed: .+"));
    QVERIFY(!attachments.insert(makeAttachment("b", "no-such-note", "2024-01-01T00:00:00.000Z")));
    QCOMPARE(changed.count(), 1);
}

void TestAttachmentRepository::listsOldestFirst()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    QVERIFY(notes.insert(makeNote("m", "", deltaBody({"y"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.insert(makeAttachment("late", "n", "2024-03-01T00:00:00.000Z")));
    QVERIFY(attachments.insert(makeAttachment("early", "m", "2024-01-01T00:00:00.000Z")));
    QVERIFY(attachments.insert(makeAttachment("middle", "n", "2024-02-01T00:00:00.000Z")));
    auto ids = [](const QList<Attachment> &list) {
        QStringList result;
        for (const Attachment &attachment : list)
            result << attachment.id;
        return result;
    };
    QCOMPARE(ids(attachments.listPending()), (QStringList{"early", "middle", "late"}));
    QCOMPARE(ids(attachments.listForNote("n")), (QStringList{"middle", "late"}));
}

void TestAttachmentRepository::markSyncedLeavesPending()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.insert(makeAttachment("a", "n", "2024-01-01T00:00:00.000Z")));
    QVERIFY(attachments.insert(makeAttachment("b", "n", "2024-01-02T00:00:00.000Z")));
    QVERIFY(attachments.markSynced("a"));
    QCOMPARE(attachments.get("a")->syncStatus, SyncStatus::Synced);
    QCOMPARE(attachments.listPending().size(), 1);
    QCOMPARE(attachments.listPending().first().id, QStringLiteral("b"));
}

void TestAttachmentRepository::deleteByIdWithoutFileDeletesRow()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.insert(makeAttachment("a", "n", "2024-01-01T00:00:00.000Z")));
    QSignalSpy changed(&attachments, &AttachmentRepository::attachmentsChanged);
    QVERIFY(attachments.deleteById("a"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!attachments.get("a"));
}

void TestAttachmentRepository::deleteForNoteRemovesEach()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    QVERIFY(notes.insert(makeNote("other", "", deltaBody({"y"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    for (const QString &id : QStringList{"a1", "a2", "a3"}) {
        QVERIFY(attachments.saveFile(id, id.toUtf8()));
        QVERIFY(attachments.insert(makeAttachment(id, "n", "2024-01-01T00:00:00.000Z")));
    }
    QVERIFY(attachments.saveFile("b", "b"));
    QVERIFY(attachments.insert(makeAttachment("b", "other", "2024-01-01T00:00:00.000Z")));

    QSignalSpy changed(&attachments, &AttachmentRepository::attachmentsChanged);
    QVERIFY(attachments.deleteForNote("n"));
    QCOMPARE(changed.count(), 3);
    QVERIFY(attachments.listForNote("n").isEmpty());
    for (const QString &id : QStringList{"a1", "a2", "a3"})
        QVERIFY(!QFile::exists(attachments.filePath(id)));
    QCOMPARE(attachments.readFile("b"), QByteArray("b"));
    QVERIFY(attachments.deleteForNote("no-attachments"));
    QCOMPARE(changed.count(), 3);
}

void TestAttachmentRepository::failedRowDeleteKeepsFile()
{
    TestStore store;
    QVERIFY(store.ready);
    NoteRepository notes(&store.database);
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    AttachmentRepository attachments(&store.database, store.attachmentsPath());
    QVERIFY(attachments.saveFile("a", "precious"));
    QVERIFY(attachments.insert(makeAttachment("a", "n", "2024-01-01T00:00:00.000Z")));
    QVERIFY(store.exec("CREATE TRIGGER keep BEFORE DELETE ON attachments BEGIN "
                       "SELECT RAISE(ABORT, 'kept'); END"));
    QSignalSpy changed(&attachments, &AttachmentRepository::attachmentsChanged);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^AttachmentRepository::deleteById failed: .*kept"));
    QVERIFY(!attachments.deleteById("a"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(attachments.get("a"));
    QCOMPARE(attachments.readFile("a"), QByteArray("precious"));
}

QTEST_GUILESS_MAIN(TestAttachmentRepository)
#include "tst_attachmentrepository.moc"
