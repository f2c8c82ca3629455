#include "storage/noterepository.h"
#include "storage/snapshotrepository.h"
#include "tests/storage/storetestutil.h"

#include <QTest>

class TestSnapshotRepository : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void sameVersionReplacesEarlierSnapshot();
    void listsNewestVersionFirst();
    void roundTripsFields();
    void insertForMissingNoteFails();
};

// A store holding the notes "n" and "other", with snapshots beside them.
struct SnapshotStore : TestStore
{
    SnapshotStore() { ready = ready && insertNotes(notes, {"n", "other"}); }

    NoteRepository notes{&database};
    SnapshotRepository snapshots{&database};
};

static Snapshot makeSnapshot(const QString &id,
                             const QString &noteId,
                             int version,
                             const QString &text)
{
    return {id, noteId, version, deltaBody({text}), utc("2024-03-04T05:06:07.089Z")};
}

void TestSnapshotRepository::sameVersionReplacesEarlierSnapshot()
{
    SnapshotStore store;
    QVERIFY(store.ready);
    SnapshotRepository &snapshots = store.snapshots;
    QVERIFY(snapshots.insert(makeSnapshot("s1", "n", 3, "first")));
    QVERIFY(snapshots.insert(makeSnapshot("s2", "n", 3, "second")));
    const QList<Snapshot> list = snapshots.listForNote("n");
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.first().id, QStringLiteral("s2"));
    QCOMPARE(list.first().body, deltaBody({"second"}));
    QVERIFY(!snapshots.get("s1"));
}

void TestSnapshotRepository::listsNewestVersionFirst()
{
    SnapshotStore store;
    QVERIFY(store.ready);
    SnapshotRepository &snapshots = store.snapshots;
    for (int version : {2, 9, 1, 5})
        QVERIFY(snapshots.insert(makeSnapshot("s" + QString::number(version), "n", version, "v")));
    QVERIFY(snapshots.insert(makeSnapshot("o", "other", 4, "v")));
    QList<int> versions;
    for (const Snapshot &snapshot : snapshots.listForNote("n"))
        versions << snapshot.version;
    QCOMPARE(versions, (QList<int>{9, 5, 2, 1}));
    QVERIFY(snapshots.listForNote("nobody").isEmpty());
}

void TestSnapshotRepository::roundTripsFields()
{
    SnapshotStore store;
    QVERIFY(store.ready);
    SnapshotRepository &snapshots = store.snapshots;
    const Snapshot snapshot = makeSnapshot("s", "n", 7, "kept body");
    QVERIFY(snapshots.insert(snapshot));
    const std::optional<Snapshot> read = snapshots.get("s");
    QVERIFY(read);
    QCOMPARE(read->noteId, QStringLiteral("n"));
    QCOMPARE(read->version, 7);
    QCOMPARE(read->body, snapshot.body);
    QCOMPARE(read->createdAt, snapshot.createdAt);
    QCOMPARE(read->createdAt.timeSpec(), Qt::UTC);
}

void TestSnapshotRepository::insertForMissingNoteFails()
{
    TestStore store;
    QVERIFY(store.ready);
    SnapshotRepository snapshots(&store.database);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^SnapshotRepository::insert failed: .+"));
    QVERIFY(!snapshots.insert(makeSnapshot("s", "no-such-note", 1, "x")));
}

QTEST_GUILESS_MAIN(TestSnapshotRepository)
#include "tst_snapshotrepository.moc"
