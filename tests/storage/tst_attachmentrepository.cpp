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
    void unsafeIdsNeverNameAFile_data();
    void unsafeIdsNeverNameAFile();
    void roundTripsRow();
    void listsOldestFirstAndMarksSynced();
    void deleteByIdWithoutFileDeletesRow();
    void deleteForNoteRemovesEach();
    void failedRowDeleteKeepsFile();
};

// A store holding the notes "n" and "other", with attachments beside it.
struct AttachmentStore : TestStore
{
    AttachmentStore() { ready = ready && insertNotes(notes, {"n", "other"}); }

    NoteRepository notes{&database};
    AttachmentRepository attachments{&database, attachmentsPath()};
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
    QVERIFY(attachments.readFile("abc").isEmpty());

    QVERIFY(attachments.saveFile("abc", QByteArray(1000, 'x')));
    QVERIFY(QDir(directory).exists());
    QVERIFY(attachments.saveFile("abc", "short"));
    QCOMPARE(attachments.readFile("abc"), QByteArray("short"));
    QCOMPARE(QFileInfo(directory + "/abc").size(), 5);
    QVERIFY(attachments.saveFile("empty", QByteArray()));
    QVERIFY(QFile::exists(directory + "/empty"));
    // Nothing but the two files is left behind.
    QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden).size(), 2);
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
    AttachmentStore store;
    QVERIFY(store.ready);
    QSignalSpy changed(&store.attachments, &AttachmentRepository::attachmentsChanged);
    Attachment attachment = makeAttachment("a", "n", "2024-01-01T00:00:00.001Z");
    attachment.sizeBytes = 5'000'000'000LL;
    attachment.syncStatus = SyncStatus::Synced;
    QVERIFY(store.attachments.insert(attachment));
    QCOMPARE(changed.count(), 1);
    const std::optional<Attachment> read = store.attachments.get("a");
    QVERIFY(read);
    QCOMPARE(read->noteId, QStringLiteral("n"));
    QCOMPARE(read->filename, QStringLiteral("photo.png"));
    QCOMPARE(read->mimeType, QStringLiteral("image/png"));
    QCOMPARE(read->sizeBytes, 5'000'000'000LL);
    QCOMPARE(read->createdAt, attachment.createdAt);
    QCOMPARE(read->syncStatus, SyncStatus::Synced);

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^AttachmentRepository::insert failed: .+"));
    QVERIFY(
        !store.attachments.insert(makeAttachment("b", "no-such-note", "2024-01-01T00:00:00.000Z")));
    QCOMPARE(changed.count(), 1);
}

void TestAttachmentRepository::listsOldestFirstAndMarksSynced()
{
    AttachmentStore store;
    QVERIFY(store.ready);
    AttachmentRepository &attachments = store.attachments;
    QVERIFY(attachments.insert(makeAttachment("late", "n", "2024-03-01T00:00:00.000Z")));
    QVERIFY(attachments.insert(makeAttachment("early", "other", "2024-01-01T00:00:00.000Z")));
    QVERIFY(attachments.insert(makeAttachment("middle", "n", "2024-02-01T00:00:00.000Z")));
    QCOMPARE(idsOf(attachments.listPending()), (QStringList{"early", "middle", "late"}));
    QCOMPARE(idsOf(attachments.listForNote("n")), (QStringList{"middle", "late"}));

    QVERIFY(attachments.markSynced("middle"));
    QCOMPARE(attachments.get("middle")->syncStatus, SyncStatus::Synced);
    QCOMPARE(idsOf(attachments.listPending()), (QStringList{"early", "late"}));
}

void TestAttachmentRepository::deleteByIdWithoutFileDeletesRow()
{
    AttachmentStore store;
    QVERIFY(store.ready);
    QVERIFY(store.attachments.insert(makeAttachment("a", "n", "2024-01-01T00:00:00.000Z")));
    QSignalSpy changed(&store.attachments, &AttachmentRepository::attachmentsChanged);
    QVERIFY(store.attachments.deleteById("a"));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!store.attachments.get("a"));
}

void TestAttachmentRepository::deleteForNoteRemovesEach()
{
    AttachmentStore store;
    QVERIFY(store.ready);
    AttachmentRepository &attachments = store.attachments;
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
    AttachmentStore store;
    QVERIFY(store.ready);
    AttachmentRepository &attachments = store.attachments;
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
