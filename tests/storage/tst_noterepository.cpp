#include "storage/attachmentrepository.h"
#include "storage/noterepository.h"
#include "storage/snapshotrepository.h"
#include "tests/storage/storetestutil.h"

#include <QFile>
#include <QJsonParseError>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

// A store with a note repository over it.
struct NoteStore : TestStore
{
    NoteRepository notes{&database};
};

class TestNoteRepository : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void derivedTexts_data();
    void derivedTexts();
    void plainTextAgreesWithJsonParser_data();
    void plainTextAgreesWithJsonParser();
    void plainTextOfGeneratedBodies();
    void createdNoteDefaults();
    void roundTripsEveryField();
    void writesEmptyAndUnsetValuesAsStored();
    void readsNullsAndOddStatusText_data();
    void readsNullsAndOddStatusText();
    void insertOfDuplicateIdFails();
    void listsOrderAndFilter();
    void updateKeepsCreationTimeAndSignals();
    void moveToNotebookTouchesOnlyModifiedTime();
    void trashAndRestoreKeepNotebook();
    void searchFinds_data();
    void searchFinds();
    void searchBlankListsAll();
    void searchRanksBestMatchFirst();
    void malformedSearchGivesEmptyList_data();
    void malformedSearchGivesEmptyList();
    void countsByNotebook();
    void includeInTodos();
    void purgeRemovesNoteWithDependents();
    void failedPurgeChangesNothing();
    void purgeWithoutAttachmentStoreIsRefused();
};

void TestNoteRepository::derivedTexts_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("preview");

    const QString longLine(121, QLatin1Char('x'));
    QTest::newRow("three lines") << deltaBody({"Shopping", "milk", "eggs"})
                                 << "Shopping\nmilk\neggs\n"
                                 << "Shopping"
                                 << "milk eggs";
    QTest::newRow("one line no newline") << R"([{"insert":"  Only a title  "}])"
                                         << "  Only a title  "
                                         << "Only a title"
                                         << "";
    QTest::newRow("preview 121 chars") << deltaBody({"T", longLine}) << "T\n" + longLine + "\n"
                                       << "T" << QString(120, QLatin1Char('x')) + "...";
    QTest::newRow("preview 120 chars")
        << deltaBody({"T", QString(120, 'y')}) << "T\n" + QString(120, 'y') + "\n"
        << "T" << QString(120, 'y');
    QTest::newRow("embeds and attributes")
        << R"([{"insert":"Head"},{"insert":"\n","attributes":{"header":1}},)"
           R"({"insert":{"image":"a.png"}},"stray",7,{"retain":3},{"insert":"tail\n"}])"
        << "Head\ntail\n"
        << "Head"
        << "tail";
    QTest::newRow("not json") << "plain words\nsecond"
                              << "plain words\nsecond"
                              << "plain words"
                              << "second";
    QTest::newRow("json object") << R"({"insert":"x"})"
                                 << R"({"insert":"x"})"
                                 << R"({"insert":"x"})"
                                 << "";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
    QTest::newRow("empty document") << Note::emptyBody() << "\n"
                                    << ""
                                    << "";
}

void TestNoteRepository::derivedTexts()
{
    QFETCH(QString, body);
    QFETCH(QString, plain);
    QFETCH(QString, title);
    QFETCH(QString, preview);
    Note note;
    note.body = body;
    QCOMPARE(note.plainText(), plain);
    QCOMPARE(note.title(), title);
    QCOMPARE(note.preview(), preview);
}

// The plain text as the general JSON parser sees it, to hold the fast path to.
static QString referencePlainText(const QString &body)
{
    if (body.isEmpty())
        return QString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return body;
    QString text;
    for (const QJsonValue &op : document.array()) {
        const QJsonValue insert = op.toObject().value(QLatin1String("insert"));
        if (insert.isString())
            text += insert.toString();
    }
    return text;
}

void TestNoteRepository::plainTextAgreesWithJsonParser_data()
{
    QTest::addColumn<QString>("body");
    QTest::newRow("escapes") << R"([{"insert":"a\"b\\c\/d\b\f\n\r\te\u00e9\u20AC"}])";
    QTest::newRow("escaped pair") << R"([{"insert":"smile \ud83d\ude00!"}])";
    QTest::newRow("lone escaped surrogate") << R"([{"insert":"bad \ud83d!"}])";
    QTest::newRow("escaped nul") << R"([{"insert":"a\u0000b"}])";
    QTest::newRow("raw pair") << QString("[{\"insert\":\"smile ") + QChar(0xD83D) + QChar(0xDE00)
                                     + "\\n\"}]";
    QTest::newRow("raw lone surrogate") << QString("[{\"insert\":\"x") + QChar(0xD83D) + "\"}]";
    QTest::newRow("control char") << QString("[{\"insert\":\"a\tb\"}]");
    QTest::newRow("whitespace") << " \r\n[ {\t\"insert\" : \"x\" } ,\n{ \"insert\":\"y\\n\"} ] \n";
    QTest::newRow("numbers") << R"([{"retain":-12.50},{"insert":"x","attributes":{"indent":0}},)"
                                R"({"insert":"\n","attributes":{"width":300,"h":-0}}])";
    QTest::newRow("exponent") << R"([{"retain":1e3},{"insert":"x\n"}])";
    QTest::newRow("bad numbers") << R"([{"retain":01},{"insert":"x\n"}])";
    QTest::newRow("dangling fraction") << R"([{"retain":1.},{"insert":"x\n"}])";
    QTest::newRow("literals") << R"([true,false,null,{"insert":"x","a":[null,true,{"b":false}]}])";
    QTest::newRow("bad literal") << R"([nul,{"insert":"x"}])";
    QTest::newRow("duplicate insert") << R"([{"insert":"first","insert":"second"}])";
    QTest::newRow("duplicate insert mixed") << R"([{"insert":{"image":"a"},"insert":"t"}])";
    QTest::newRow("escaped key") << R"([{"ins\u0065rt":"x"}])";
    QTest::newRow("insert prefix key") << R"([{"inserted":"x","insert":"y"}])";
    QTest::newRow("nested insert ignored") << R"([{"attributes":{"insert":"no"},"insert":"yes"}])";
    QTest::newRow("inserts in nested arrays") << R"([[{"insert":"no"}],{"insert":"yes"}])";
    QTest::newRow("trailing comma") << R"([{"insert":"x"},])";
    QTest::newRow("missing comma") << R"([{"insert":"x"} {"insert":"y"}])";
    QTest::newRow("garbage after") << R"([{"insert":"x"}] trailing)";
    QTest::newRow("unterminated") << R"([{"insert":"x)";
    QTest::newRow("bad escape") << R"([{"insert":"\x41"}])";
    QTest::newRow("short unicode escape") << R"([{"insert":"\u12"}])";
    QTest::newRow("empty array") << "[]";
    QTest::newRow("object top") << R"({"insert":"x"})";
    QTest::newRow("string top") << R"("just text")";
    QTest::newRow("deep nesting") << "[" + QString(100, '[') + QString(100, ']')
                                         + ",{\"insert\":\"x\"}]";
}

void TestNoteRepository::plainTextAgreesWithJsonParser()
{
    QFETCH(QString, body);
    Note note;
    note.body = body;
    QCOMPARE(note.plainText(), referencePlainText(body));
}

void TestNoteRepository::plainTextOfGeneratedBodies()
{
    // Bodies as the editor writes them, with every kind of character.
    QRandomGenerator random(42);
    const QStringList pieces = {"word",
                                " ",
                                "\\n",
                                "\\\"quoted\\\"",
                                "back\\\\",
                                "\\u00e9",
                                "\\t",
                                "caf\u00e9",
                                "\u4e2d\u6587",
                                "\\/",
                                "\U0001F600",
                                "100%"};
    for (int round = 0; round < 300; ++round) {
        QString body = "[";
        const int ops = random.bounded(1, 12);
        for (int op = 0; op < ops; ++op) {
            if (op)
                body += ',';
            QString text;
            for (int i = random.bounded(0, 8); i > 0; --i)
                text += pieces.at(random.bounded(pieces.size()));
            switch (random.bounded(4)) {
            case 0:
                body += "{\"insert\":\"" + text + "\"}";
                break;
            case 1:
                body += "{\"insert\":\"" + text + "\",\"attributes\":{\"bold\":true,\"size\":1.5}}";
                break;
            case 2:
                body += "{\"attributes\":{\"list\":\"bullet\"},\"insert\":\"\\n\"}";
                break;
            default:
                body += "{\"insert\":{\"image\":\"" + text + "\"}}";
                break;
            }
        }
        body += "]";
        Note note;
        note.body = body;
        QCOMPARE(note.plainText(), referencePlainText(body));
    }
}

void TestNoteRepository::createdNoteDefaults()
{
    const Note note = Note::create("nb");
    QCOMPARE(note.id.size(), 36);
    QVERIFY(!note.id.startsWith('{'));
    QCOMPARE(note.notebookId, QStringLiteral("nb"));
    QCOMPARE(note.body, QStringLiteral("[{\"insert\":\"\\n\"}]"));
    QCOMPARE(note.createdAt.timeSpec(), Qt::UTC);
    QCOMPARE(note.createdAt, note.updatedAt);
    QCOMPARE(note.createdAt, note.modifiedAt);
    QVERIFY(!note.deletedAt);
    QCOMPARE(note.version, 1);
    QCOMPARE(note.opVersion, 0);
    QCOMPARE(note.syncStatus, SyncStatus::Pending);
    QVERIFY(!note.isSample && !note.isShared);
}

void TestNoteRepository::roundTripsEveryField()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QSignalSpy changed(&notes, &NoteRepository::notesChanged);

    Note note = makeNote("id-1", "nb-1", deltaBody({"Hello"}));
    note.createdAt = utc("2023-12-31T23:59:59.999Z");
    note.modifiedAt = utc("2024-05-02T10:00:00.001Z");
    note.deletedAt = utc("2024-06-01T00:00:00.000Z");
    note.version = 7;
    note.opVersion = 3;
    note.syncStatus = SyncStatus::Conflict;
    note.isSample = true;
    note.ownerId = "owner";
    note.isShared = true;
    note.permission = "read";
    // Local times are stored as UTC.
    note.updatedAt = QDateTime(QDate(2024, 5, 1), QTime(11, 30, 0, 123), Qt::OffsetFromUTC, 7200);
    QVERIFY(notes.insert(note));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(store.scalar("SELECT updated_at FROM notes").toString(),
             QStringLiteral("2024-05-01T09:30:00.123Z"));

    const std::optional<Note> read = notes.get("id-1");
    QVERIFY(read);
    QCOMPARE(read->id, note.id);
    QCOMPARE(read->notebookId, note.notebookId);
    QCOMPARE(read->body, note.body);
    QCOMPARE(read->createdAt, note.createdAt);
    QCOMPARE(read->createdAt.timeSpec(), Qt::UTC);
    QCOMPARE(read->updatedAt, note.updatedAt);
    QCOMPARE(read->modifiedAt, note.modifiedAt);
    QCOMPARE(read->deletedAt, note.deletedAt);
    QCOMPARE(read->version, 7);
    QCOMPARE(read->opVersion, 3);
    QCOMPARE(read->syncStatus, SyncStatus::Conflict);
    QCOMPARE(read->isSample, true);
    QCOMPARE(read->ownerId, QStringLiteral("owner"));
    QCOMPARE(read->isShared, true);
    QCOMPARE(read->permission, QStringLiteral("read"));
    QVERIFY(!notes.get("missing"));
}

void TestNoteRepository::writesEmptyAndUnsetValuesAsStored()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("n", QString(), deltaBody({"x"}))));
    QCOMPARE(store.scalar("SELECT notebook_id IS NULL FROM notes").toInt(), 0);
    QCOMPARE(store.scalar("SELECT notebook_id FROM notes").toString(), QString(""));
    QCOMPARE(store
                 .scalar("SELECT owner_id IS NULL AND permission IS NULL AND deleted_at IS NULL "
                         "FROM notes")
                 .toInt(),
             1);
    QCOMPARE(store.scalar("SELECT sync_status FROM notes").toString(), QStringLiteral("pending"));
    QCOMPARE(notes.get("n")->notebookId, QString(""));

    // A status outside the enumeration is written as pending too.
    Note odd = makeNote("odd", "", deltaBody({"x"}));
    odd.syncStatus = static_cast<SyncStatus>(9);
    QVERIFY(notes.insert(odd));
    QCOMPARE(store.scalar("SELECT sync_status FROM notes WHERE id = 'odd'").toString(),
             QStringLiteral("pending"));
}

void TestNoteRepository::readsNullsAndOddStatusText_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<SyncStatus>("expected");
    QTest::newRow("PENDING") << "PENDING" << SyncStatus::Pending;
    QTest::newRow("Synced") << "Synced" << SyncStatus::Pending;
    QTest::newRow("garbage") << "garbage" << SyncStatus::Pending;
    QTest::newRow("empty") << "" << SyncStatus::Pending;
    QTest::newRow("synced") << "synced" << SyncStatus::Synced;
    QTest::newRow("conflict") << "conflict" << SyncStatus::Conflict;
}

void TestNoteRepository::readsNullsAndOddStatusText()
{
    QFETCH(QString, status);
    QFETCH(SyncStatus, expected);
    TestStore store;
    QVERIFY(store.ready);
    QVERIFY(store.exec("INSERT INTO notes (id, created_at, updated_at, modified_at, deleted_at, "
                       "sync_status, owner_id, permission) VALUES ('odd', "
                       "'2024-01-01T00:00:00.000Z', '2024-01-02T00:00:00Z', "
                       "'2024-01-03T01:00:00.000+01:00', '', ?, NULL, NULL)",
                       {status}));
    NoteRepository notes(&store.database);
    const std::optional<Note> note = notes.get("odd");
    QVERIFY(note);
    QCOMPARE(note->syncStatus, expected);
    QVERIFY(!note->deletedAt); // empty text means not trashed
    QVERIFY(note->ownerId.isEmpty());
    QVERIFY(note->permission.isEmpty());
    QCOMPARE(note->notebookId, QString(""));
    QCOMPARE(note->updatedAt, utc("2024-01-02T00:00:00.000Z"));
    QCOMPARE(note->modifiedAt, utc("2024-01-03T00:00:00.000Z"));
    QCOMPARE(note->modifiedAt.timeSpec(), Qt::UTC);
    QCOMPARE(note->version, 1);
}

void TestNoteRepository::insertOfDuplicateIdFails()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("dup", "", deltaBody({"first"}))));
    QSignalSpy changed(&notes, &NoteRepository::notesChanged);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^NoteRepository::insert failed: .+"));
    QVERIFY(!notes.insert(makeNote("dup", "", deltaBody({"second"}))));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^NoteRepository::insert failed: .+"));
    QVERIFY(!notes.insert(makeNote(QString(), "", deltaBody({"no id"}))));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(notes.get("dup")->title(), QStringLiteral("first"));
}

void TestNoteRepository::listsOrderAndFilter()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("old", "nb", deltaBody({"a"}), utc("2024-01-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("new", "nb", deltaBody({"b"}), utc("2024-03-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("mid", "", deltaBody({"c"}), utc("2024-02-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("gone", "nb", deltaBody({"d"}), utc("2024-04-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("gone2", "", deltaBody({"e"}), utc("2024-04-01T00:00:00.000Z"))));
    QVERIFY(notes.markSynced("old", 4));
    QVERIFY(notes.markSynced("gone2", 2));
    QVERIFY(
        store.exec("UPDATE notes SET deleted_at = '2024-05-01T00:00:00.000Z' WHERE id = 'gone'"));
    QVERIFY(
        store.exec("UPDATE notes SET deleted_at = '2024-06-01T00:00:00.000Z' WHERE id = 'gone2'"));

    QCOMPARE(idsOf(notes.listAll()), (QStringList{"new", "mid", "old"}));
    QCOMPARE(idsOf(notes.listByNotebook("nb")), (QStringList{"new", "old"}));
    QCOMPARE(idsOf(notes.listByNotebook("")), (QStringList{"mid"}));
    QCOMPARE(idsOf(notes.listByNotebook(QString())), (QStringList{"mid"}));
    QCOMPARE(idsOf(notes.listTrash()), (QStringList{"gone2", "gone"}));
    QStringList pending = idsOf(notes.listPending());
    pending.sort();
    QCOMPARE(pending, (QStringList{"gone", "mid", "new"}));
    QCOMPARE(notes.get("old")->version, 4);
    QCOMPARE(notes.get("old")->syncStatus, SyncStatus::Synced);
}

void TestNoteRepository::updateKeepsCreationTimeAndSignals()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    const Note original = makeNote("n", "nb", deltaBody({"before"}));
    QVERIFY(notes.insert(original));
    QSignalSpy changed(&notes, &NoteRepository::notesChanged);

    Note edited = original;
    edited.body = deltaBody({"after"});
    edited.createdAt = utc("2030-01-01T00:00:00.000Z");
    edited.updatedAt = utc("2024-07-01T00:00:00.000Z");
    edited.ownerId.clear();
    edited.syncStatus = SyncStatus::Synced;
    QVERIFY(notes.update(edited));
    QCOMPARE(changed.count(), 1);
    const Note read = *notes.get("n");
    QCOMPARE(read.createdAt, original.createdAt);
    QCOMPARE(read.updatedAt, edited.updatedAt);
    QCOMPARE(read.title(), QStringLiteral("after"));
    QCOMPARE(read.syncStatus, SyncStatus::Synced);

    // Updating a note that is not there is no failure and creates nothing.
    QVERIFY(notes.update(makeNote("nobody", "", deltaBody({"x"}))));
    QCOMPARE(changed.count(), 2);
    QVERIFY(!notes.get("nobody"));
}

void TestNoteRepository::moveToNotebookTouchesOnlyModifiedTime()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    Note note = makeNote("n", "nb-a", deltaBody({"x"}));
    note.syncStatus = SyncStatus::Synced;
    QVERIFY(notes.insert(note));
    QSignalSpy changed(&notes, &NoteRepository::notesChanged);
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    QVERIFY(notes.moveToNotebook("n", QString()));
    QCOMPARE(changed.count(), 1);
    const Note moved = *notes.get("n");
    QCOMPARE(moved.notebookId, QString(""));
    QCOMPARE(store.scalar("SELECT notebook_id IS NULL FROM notes").toInt(), 0);
    QCOMPARE(moved.updatedAt, note.updatedAt);
    QVERIFY(moved.modifiedAt >= before);
    QCOMPARE(moved.syncStatus, SyncStatus::Pending);
}

void TestNoteRepository::trashAndRestoreKeepNotebook()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    Note note = makeNote("n", "nb", deltaBody({"x"}));
    note.syncStatus = SyncStatus::Synced;
    QVERIFY(notes.insert(note));

    QStringList events;
    connect(&notes, &NoteRepository::notesChanged, this, [&] { events << "changed"; });
    connect(&notes, &NoteRepository::noteDeleted, this, [&](const QString &id) {
        events << "deleted:" + id;
    });
    QVERIFY(notes.moveToTrash("n"));
    QCOMPARE(events, (QStringList{"deleted:n", "changed"}));
    QVERIFY(notes.get("n")->deletedAt);
    QVERIFY(notes.listAll().isEmpty());
    QCOMPARE(notes.listTrash().size(), 1);
    QVERIFY(store.exec("UPDATE notes SET sync_status = 'synced'"));

    events.clear();
    QVERIFY(notes.restore("n"));
    QCOMPARE(events, (QStringList{"changed"}));
    const Note restored = *notes.get("n");
    QVERIFY(!restored.deletedAt);
    QCOMPARE(restored.notebookId, QStringLiteral("nb"));
    QCOMPARE(restored.syncStatus, SyncStatus::Pending);
}

void TestNoteRepository::searchFinds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("prefix of last word") << "meet" << QStringList{"meeting"};
    QTest::newRow("whole word") << "groceries" << QStringList{"shopping"};
    QTest::newRow("two words") << "weekly meet" << QStringList{"meeting"};
    QTest::newRow("words from two notes") << "milk" << QStringList{"shopping"};
    QTest::newRow("trashed never found") << "secret" << QStringList{};
    QTest::newRow("fts syntax OR") << "milk OR agenda" << QStringList{"meeting", "shopping"};
    QTest::newRow("json keys searchable") << "insert" << QStringList{"meeting", "shopping"};
    QTest::newRow("no match") << "zebra" << QStringList{};
}

void TestNoteRepository::searchFinds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("meeting", "", deltaBody({"Weekly meeting", "agenda"}))));
    QVERIFY(notes.insert(makeNote("shopping", "", deltaBody({"Groceries", "milk", "eggs"}))));
    QVERIFY(notes.insert(makeNote("trashed", "", deltaBody({"secret meeting milk"}))));
    QVERIFY(notes.moveToTrash("trashed"));

    QStringList found = idsOf(notes.search(text));
    found.sort();
    QCOMPARE(found, expected);
}

void TestNoteRepository::searchBlankListsAll()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("a", "", deltaBody({"one"}), utc("2024-01-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("b", "", deltaBody({"two"}), utc("2024-02-01T00:00:00.000Z"))));
    QVERIFY(notes.insert(makeNote("c", "", deltaBody({"three"}))));
    QVERIFY(notes.moveToTrash("c"));
    for (const QString &blank : {QString(), QString("   "), QString("\t\n ")})
        QCOMPARE(idsOf(notes.search(blank)), (QStringList{"b", "a"}));
}

void TestNoteRepository::searchRanksBestMatchFirst()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QStringList filler;
    for (int i = 0; i < 40; ++i)
        filler << QStringLiteral("filler line %1 about nothing much").arg(i);
    QVERIFY(notes.insert(makeNote("weak", "", deltaBody(QStringList{"walrus"} + filler))));
    QVERIFY(notes.insert(makeNote("strong", "", deltaBody({"walrus walrus walrus"}))));
    const QList<Note> found = notes.search("walrus");
    QCOMPARE(found.size(), 2);
    QCOMPARE(found.first().id, QStringLiteral("strong"));
}

void TestNoteRepository::malformedSearchGivesEmptyList_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("open quote") << "\"milk";
    QTest::newRow("open bracket") << "(milk";
    QTest::newRow("trailing operator") << "milk AND";
    QTest::newRow("unknown column") << "nosuchcolumn:milk";
}

void TestNoteRepository::malformedSearchGivesEmptyList()
{
    QFETCH(QString, text);
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"milk"}))));
    QVERIFY(notes.search(text).isEmpty());
    QCOMPARE(notes.search("milk").size(), 1); // the connection is still usable
}

void TestNoteRepository::countsByNotebook()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    // Without notes the list of all notes still has its count.
    QCOMPARE(notes.countsByNotebook(), (QHash<QString, int>{{"", 0}}));
    QVERIFY(notes.insert(makeNote("A", "N1", deltaBody({"a"}))));
    QVERIFY(notes.insert(makeNote("B", "N1", deltaBody({"b"}))));
    QVERIFY(notes.insert(makeNote("C", "", deltaBody({"c"}))));
    QVERIFY(notes.insert(makeNote("D", "N1", deltaBody({"d"}))));
    QVERIFY(notes.insert(makeNote("E", "N2", deltaBody({"e"}))));
    QVERIFY(notes.moveToTrash("D"));
    const QHash<QString, int> counts = notes.countsByNotebook();
    QCOMPARE(counts.size(), 3);
    QCOMPARE(counts.value("N1"), 2);
    QCOMPARE(counts.value("N2"), 1);
    QCOMPARE(counts.value(""), 4);
}

void TestNoteRepository::includeInTodos()
{
    NoteStore store;
    QVERIFY(store.ready);
    NoteRepository &notes = store.notes;
    QVERIFY(notes.insert(makeNote("n", "", deltaBody({"x"}))));
    QVERIFY(notes.includeInTodos("n"));
    QVERIFY(notes.setIncludeInTodos("n", false));
    QVERIFY(!notes.includeInTodos("n"));
    QVERIFY(notes.setIncludeInTodos("n", true));
    QVERIFY(notes.includeInTodos("n"));
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM note_task_settings").toInt(), 1);
    // The setting belongs to an existing note.
    QVERIFY(!notes.setIncludeInTodos("no-such-note", false));
}

namespace {

struct PurgeFixture
{
    explicit PurgeFixture(TestStore &store)
        : notes(&store.database)
        , snapshots(&store.database)
        , attachments(&store.database, store.attachmentsPath())
    {
        notes.setAttachmentRepository(&attachments);
    }

    bool addNoteWithDependents(const QString &id)
    {
        if (!notes.insert(makeNote(id, "nb", deltaBody({"purge me " + id}))))
            return false;
        for (int version = 1; version <= 2; ++version) {
            if (!snapshots.insert({id + "-s" + QString::number(version),
                                   id,
                                   version,
                                   deltaBody({"v"}),
                                   QDateTime::currentDateTimeUtc()}))
                return false;
        }
        for (int i = 0; i < 2; ++i) {
            const QString attachmentId = id + "-a" + QString::number(i);
            if (!attachments.saveFile(attachmentId, "bytes of " + attachmentId.toUtf8()))
                return false;
            Attachment attachment;
            attachment.id = attachmentId;
            attachment.noteId = id;
            attachment.filename = "file.txt";
            attachment.mimeType = "text/plain";
            attachment.sizeBytes = 10;
            attachment.createdAt = QDateTime::currentDateTimeUtc();
            if (!attachments.insert(attachment))
                return false;
        }
        return notes.setIncludeInTodos(id, false);
    }

    NoteRepository notes;
    SnapshotRepository snapshots;
    AttachmentRepository attachments;
};

} // namespace

void TestNoteRepository::purgeRemovesNoteWithDependents()
{
    TestStore store;
    QVERIFY(store.ready);
    PurgeFixture fixture(store);
    QVERIFY(fixture.addNoteWithDependents("doomed"));
    QVERIFY(fixture.addNoteWithDependents("kept"));
    QVERIFY(fixture.notes.moveToTrash("doomed"));

    QStringList events;
    connect(&fixture.notes, &NoteRepository::notesChanged, this, [&] { events << "changed"; });
    connect(&fixture.notes, &NoteRepository::notePurged, this, [&](const QString &id) {
        // The files are already gone when listeners hear of the purge.
        events << "purged:" + id
                      + (QFile::exists(fixture.attachments.filePath("doomed-a0")) ? "+file" : "");
    });
    QSignalSpy attachmentsChanged(&fixture.attachments, &AttachmentRepository::attachmentsChanged);

    QVERIFY(fixture.notes.purge("doomed"));
    QCOMPARE(events, (QStringList{"purged:doomed", "changed"}));
    QCOMPARE(attachmentsChanged.count(), 1);
    QVERIFY(!fixture.notes.get("doomed"));
    QVERIFY(fixture.snapshots.listForNote("doomed").isEmpty());
    QVERIFY(fixture.attachments.listForNote("doomed").isEmpty());
    QVERIFY(!QFile::exists(fixture.attachments.filePath("doomed-a0")));
    QVERIFY(!QFile::exists(fixture.attachments.filePath("doomed-a1")));
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM note_task_settings WHERE note_id = 'doomed'").toInt(),
             0);
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM notes_fts WHERE notes_fts MATCH 'doomed'").toInt(),
             0);

    // The other note keeps everything.
    QVERIFY(fixture.notes.get("kept"));
    QCOMPARE(fixture.snapshots.listForNote("kept").size(), 2);
    QCOMPARE(fixture.attachments.listForNote("kept").size(), 2);
    QCOMPARE(fixture.attachments.readFile("kept-a1"), QByteArray("bytes of kept-a1"));
    QVERIFY(!fixture.notes.includeInTodos("kept"));
    QCOMPARE(fixture.notes.search("kept").size(), 1);

    // A note without dependents purges as before.
    QVERIFY(fixture.notes.insert(makeNote("plain", "", deltaBody({"x"}))));
    QVERIFY(fixture.notes.purge("plain"));
    QVERIFY(!fixture.notes.get("plain"));
    QCOMPARE(attachmentsChanged.count(), 1);
}

void TestNoteRepository::failedPurgeChangesNothing()
{
    TestStore store;
    QVERIFY(store.ready);
    PurgeFixture fixture(store);
    QVERIFY(fixture.addNoteWithDependents("stuck"));
    // A row the purge knows nothing about still refers to the note, so the
    // final delete fails after the dependents were already deleted.
    QVERIFY(store.exec("CREATE TABLE blocker (note_id TEXT REFERENCES notes(id))"));
    QVERIFY(store.exec("INSERT INTO blocker VALUES ('stuck')"));

    QSignalSpy changed(&fixture.notes, &NoteRepository::notesChanged);
    QSignalSpy purged(&fixture.notes, &NoteRepository::notePurged);
    QSignalSpy attachmentsChanged(&fixture.attachments, &AttachmentRepository::attachmentsChanged);
    QVERIFY(!fixture.notes.purge("stuck"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(purged.count(), 0);
    QCOMPARE(attachmentsChanged.count(), 0);
    QVERIFY(fixture.notes.get("stuck"));
    QCOMPARE(fixture.snapshots.listForNote("stuck").size(), 2);
    QCOMPARE(fixture.attachments.listForNote("stuck").size(), 2);
    QCOMPARE(fixture.attachments.readFile("stuck-a0"), QByteArray("bytes of stuck-a0"));
    QVERIFY(!fixture.notes.includeInTodos("stuck"));
    QCOMPARE(fixture.notes.search("stuck").size(), 1);

    // No transaction was left open.
    QVERIFY(store.exec("DELETE FROM blocker"));
    QVERIFY(fixture.notes.purge("stuck"));
    QVERIFY(!fixture.notes.get("stuck"));
}

void TestNoteRepository::purgeWithoutAttachmentStoreIsRefused()
{
    TestStore store;
    QVERIFY(store.ready);
    PurgeFixture fixture(store);
    QVERIFY(fixture.addNoteWithDependents("n"));
    NoteRepository unwired(&store.database);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^NoteRepository::purge failed: "));
    QVERIFY(!unwired.purge("n"));
    QVERIFY(unwired.get("n"));
    QCOMPARE(fixture.attachments.listForNote("n").size(), 2);
    QCOMPARE(fixture.snapshots.listForNote("n").size(), 2);
}

QTEST_GUILESS_MAIN(TestNoteRepository)
#include "tst_noterepository.moc"
