#include "storage/notebookrepository.h"
#include "tests/storage/storetestutil.h"

#include <QSignalSpy>
#include <QTest>

class TestNotebookRepository : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void roundTripsEveryField();
    void listAllOrdersDefaultFirstThenBinaryName();
    void markDeletedHidesButKeepsRow();
    void updateKeepsCreationTime();
    void readsOddStatusAndNulls();
};

static Notebook makeNotebook(const QString &id, const QString &name, bool isDefault = false)
{
    Notebook notebook;
    notebook.id = id;
    notebook.name = name;
    notebook.isDefault = isDefault;
    notebook.createdAt = utc("2024-01-01T08:00:00.000Z");
    notebook.updatedAt = utc("2024-01-02T08:00:00.500Z");
    return notebook;
}

static QStringList names(const QList<Notebook> &notebooks)
{
    QStringList result;
    for (const Notebook &notebook : notebooks)
        result << notebook.name;
    return result;
}

void TestNotebookRepository::roundTripsEveryField()
{
    TestStore store;
    QVERIFY(store.ready);
    NotebookRepository notebooks(&store.database);
    QSignalSpy changed(&notebooks, &NotebookRepository::notebooksChanged);
    Notebook notebook = makeNotebook("nb", "Work");
    notebook.isShared = true;
    notebook.ownerId = "someone";
    notebook.version = 5;
    notebook.syncStatus = SyncStatus::Synced;
    notebook.deletedAt = utc("2024-02-01T00:00:00.000Z");
    QVERIFY(notebooks.insert(notebook));
    QCOMPARE(changed.count(), 1);

    const std::optional<Notebook> read = notebooks.get("nb");
    QVERIFY(read);
    QCOMPARE(read->name, QStringLiteral("Work"));
    QCOMPARE(read->isDefault, false);
    QCOMPARE(read->isShared, true);
    QCOMPARE(read->ownerId, QStringLiteral("someone"));
    QCOMPARE(read->createdAt, notebook.createdAt);
    QCOMPARE(read->updatedAt, notebook.updatedAt);
    QCOMPARE(read->deletedAt, notebook.deletedAt);
    QCOMPARE(read->version, 5);
    QCOMPARE(read->syncStatus, SyncStatus::Synced);
    QVERIFY(!notebooks.get("missing"));

    QVERIFY(notebooks.insert(makeNotebook("own", "Mine")));
    QCOMPARE(store
                 .scalar("SELECT owner_id IS NULL AND deleted_at IS NULL FROM notebooks "
                         "WHERE id = 'own'")
                 .toInt(),
             1);

    // A second notebook under a taken id is refused, logged and not announced.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^NotebookRepository::insert failed: .+"));
    QVERIFY(!notebooks.insert(makeNotebook("nb", "Two")));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(notebooks.get("nb")->name, QStringLiteral("Work"));
}

void TestNotebookRepository::listAllOrdersDefaultFirstThenBinaryName()
{
    TestStore store;
    QVERIFY(store.ready);
    NotebookRepository notebooks(&store.database);
    QVERIFY(notebooks.insert(makeNotebook("1", "apple")));
    QVERIFY(notebooks.insert(makeNotebook("2", "Zebra")));
    QVERIFY(notebooks.insert(makeNotebook("3", "mango", true)));
    QVERIFY(notebooks.insert(makeNotebook("4", "Banana")));
    QCOMPARE(names(notebooks.listAll()), (QStringList{"mango", "Banana", "Zebra", "apple"}));
}

void TestNotebookRepository::markDeletedHidesButKeepsRow()
{
    TestStore store;
    QVERIFY(store.ready);
    NotebookRepository notebooks(&store.database);
    Notebook notebook = makeNotebook("nb", "Old");
    notebook.syncStatus = SyncStatus::Synced;
    QVERIFY(notebooks.insert(notebook));
    QVERIFY(notebooks.insert(makeNotebook("other", "Other")));
    QSignalSpy changed(&notebooks, &NotebookRepository::notebooksChanged);
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    QVERIFY(notebooks.markDeleted("nb"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(names(notebooks.listAll()), QStringList{"Other"});
    QCOMPARE(names(notebooks.listAllWithDeleted()), (QStringList{"Old", "Other"}));
    const Notebook deleted = *notebooks.get("nb");
    QVERIFY(deleted.deletedAt);
    QVERIFY(*deleted.deletedAt >= before);
    QCOMPARE(deleted.syncStatus, SyncStatus::Pending);
}

void TestNotebookRepository::updateKeepsCreationTime()
{
    TestStore store;
    QVERIFY(store.ready);
    NotebookRepository notebooks(&store.database);
    const Notebook original = makeNotebook("nb", "Before");
    QVERIFY(notebooks.insert(original));
    QSignalSpy changed(&notebooks, &NotebookRepository::notebooksChanged);
    Notebook renamed = original;
    renamed.name = "After";
    renamed.createdAt = utc("2030-01-01T00:00:00.000Z");
    renamed.version = 2;
    QVERIFY(notebooks.update(renamed));
    QCOMPARE(changed.count(), 1);
    const Notebook read = *notebooks.get("nb");
    QCOMPARE(read.name, QStringLiteral("After"));
    QCOMPARE(read.createdAt, original.createdAt);
    QCOMPARE(read.version, 2);
}

void TestNotebookRepository::readsOddStatusAndNulls()
{
    TestStore store;
    QVERIFY(store.ready);
    QVERIFY(store.exec("INSERT INTO notebooks (id, name, created_at, updated_at, sync_status) "
                       "VALUES ('x', 'X', '2024-01-01T00:00:00.000Z', 'not a date', 'SYNCED')"));
    NotebookRepository notebooks(&store.database);
    const Notebook notebook = *notebooks.get("x");
    QCOMPARE(notebook.syncStatus, SyncStatus::Pending);
    QVERIFY(notebook.ownerId.isEmpty());
    QVERIFY(!notebook.deletedAt);
    QVERIFY(!notebook.updatedAt.isValid());
    QCOMPARE(notebook.version, 1);
}

QTEST_GUILESS_MAIN(TestNotebookRepository)
#include "tst_notebookrepository.moc"
