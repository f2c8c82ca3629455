#include "interchange/jeximport.h"
#include "storage/attachment.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "tests/interchange/archivetesttools.h"
#include "tests/interchange/teststore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QByteArray kFolderA = "0000000000000000000000000000000a";
const QByteArray kFolderB = "0000000000000000000000000000000b";
const QByteArray kResource = "0123456789abcdef0123456789abcdef";
const QByteArray kMissing = "fedcba9876543210fedcba9876543210";

QByteArray item(const QByteArray &head,
                const QByteArray &id,
                int type,
                const QByteArray &extra = QByteArray())
{
    QByteArray text = head;
    text += "\n\nid: " + id + "\n" + extra;
    text += "type_: " + QByteArray::number(type);
    return text;
}

QByteArray noteItem(const QByteArray &id,
                    const QByteArray &title,
                    const QByteArray &body,
                    const QByteArray &parent,
                    const QByteArray &extra = QByteArray())
{
    return item(title + "\n\n" + body,
                id,
                1,
                "parent_id: " + parent + "\ncreated_time: 2021-03-04T05:06:07.089Z\n"
                    + "updated_time: 2021-03-05T05:06:07.000Z\n" + extra);
}

// Inserts of the body's ops that carry the attribute, concatenated.
QString textWith(const QString &body, const QString &attribute)
{
    QString text;
    const QJsonArray ops = QJsonDocument::fromJson(body.toUtf8()).array();
    for (const QJsonValue &op : ops) {
        if (op.toObject().value("attributes").toObject().contains(attribute))
            text += op.toObject().value("insert").toString();
    }
    return text;
}

} // namespace

class TestJexImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void importsArchive();
    void manyNotesKeepTheirOwnBodies();
    void titleNotRepeated_data();
    void titleNotRepeated();
    void parseTime_data();
    void parseTime();
    void parseItem();
    void resourceLookupOrder();
    void damagedArchives_data();
    void damagedArchives();
    void failedCommitKeepsNothing();

private:
    QTemporaryDir m_dir;
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        writeBytes(path, bytes);
        return path;
    }
    Note onlyNote(TestStore &store, const QString &needle)
    {
        for (const Note &note : store.state.notes()->listAll()) {
            if (note.plainText().contains(needle))
                return note;
        }
        return Note();
    }
};

void TestJexImport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestJexImport::importsArchive()
{
    const QByteArray links = "![pic](:/" + kResource + ")\n\n[again](:/" + kResource
                             + ") and [third](:/" + kResource + ")";
    QByteArray tar;
    tar += tarEntry(kFolderB + ".md", item("Child", kFolderB, 2, "parent_id: " + kFolderA + "\n"));
    tar += tarEntry(kFolderA + ".md", item("Parent", kFolderA, 2));
    tar += tarEntry("n1.md",
                    noteItem("11111111111111111111111111111111", "Linked", links, kFolderB));
    tar += tarEntry("n2.md",
                    noteItem("22222222222222222222222222222222",
                             "Missing blob",
                             "see [x](:/" + kMissing + ")",
                             kFolderA));
    tar += tarEntry("n3.md",
                    item("Millis\n\nbody three",
                         "33333333333333333333333333333333",
                         1,
                         "created_time: 1700000000123\n"));
    tar += tarEntry("n4.md",
                    noteItem("44444444444444444444444444444444",
                             "Html note",
                             "<p>*star* <b>bold</b></p>",
                             "",
                             "markup_language: 2\n"));
    tar += tarEntry("n5.md",
                    noteItem("55555555555555555555555555555555", "Markdown note", "*star*", ""));
    tar += tarEntry(kResource + ".md",
                    item("photo.png",
                         kResource,
                         4,
                         "mime: image/png\nfile_extension: png\ntitle: photo.png\n"));
    tar += tarEntry(kMissing + ".md",
                    item("gone.pdf", kMissing, 4, "mime: application/pdf\nfile_extension: pdf\n"));
    tar += tarEntry("resources/" + kResource + ".png", "PNGDATA");
    tar += tarEntry("t.md", item("a tag", "77777777777777777777777777777777", 5));
    // No end-of-archive block.

    TestStore store;
    QVERIFY(store.open());
    QSignalSpy notesSpy(&store.state, &AppState::notesChanged);
    QList<std::tuple<int, int, QString>> reports;
    const ImportResult result = importJex(write("a.jex", tar),
                                          &store.state,
                                          [&](int current, int total, const QString &message) {
                                              reports.append({current, total, message});
                                          });
    QCOMPARE(result.errors, 0);
    QCOMPARE(result.imported, 5);
    QCOMPARE(result.skipped, 0);
    QCOMPARE(result.attachments, 1);
    QCOMPARE(notesSpy.count(), 1);

    QCOMPARE(reports.size(), 7);
    QCOMPARE(reports[0], std::make_tuple(0, 0, QStringLiteral("Reading archive...")));
    QCOMPARE(reports[1], std::make_tuple(0, 5, QStringLiteral("Importing 5 notes...")));
    QCOMPARE(reports[2], std::make_tuple(1, 5, QStringLiteral("Importing: Linked")));

    // Nested folders: two top-level notebooks.
    const QList<Notebook> notebooks = store.state.notebooks()->listAll();
    QCOMPARE(notebooks.size(), 2);
    QString childId;
    for (const Notebook &notebook : notebooks) {
        if (notebook.name == QLatin1String("Child"))
            childId = notebook.id;
    }
    QVERIFY(!childId.isEmpty());

    const Note linked = onlyNote(store, "Linked");
    QCOMPARE(linked.notebookId, childId);
    QCOMPARE(linked.createdAt, QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7, 89), Qt::UTC));
    const QList<Attachment> attachments = store.state.attachments()->listForNote(linked.id);
    QCOMPARE(attachments.size(), 1);
    QCOMPARE(attachments[0].mimeType, QStringLiteral("image/png"));
    QCOMPARE(attachments[0].filename, QStringLiteral("photo.png"));
    QCOMPARE(store.state.attachments()->readFile(attachments[0].id), QByteArray("PNGDATA"));
    const QString url = "velmora-notes://attachment/" + attachments[0].id;
    QCOMPARE(linked.body.count(url), 3);
    QVERIFY(!linked.body.contains(QString::fromLatin1(kResource)));

    const Note missing = onlyNote(store, "Missing blob");
    QVERIFY(missing.body.contains(":/" + QString::fromLatin1(kMissing)));
    QVERIFY(store.state.attachments()->listForNote(missing.id).isEmpty());

    const Note millis = onlyNote(store, "body three");
    QCOMPARE(millis.createdAt, QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC));
    QCOMPARE(millis.notebookId, QString());

    // The HTML converter leaves Markdown stars alone and reads the tags.
    const Note html = onlyNote(store, "Html note");
    QVERIFY(html.plainText().contains("*star*"));
    QCOMPARE(textWith(html.body, "bold"), QStringLiteral("bold"));
    const Note markdown = onlyNote(store, "Markdown note");
    QVERIFY(!markdown.plainText().contains("*star*"));
    QCOMPARE(textWith(markdown.body, "italic"), QStringLiteral("star"));
    // The title became a level-1 heading.
    QCOMPARE(markdown.title(), QStringLiteral("Markdown note"));
    QVERIFY(markdown.body.contains("\"header\":1"));
}

void TestJexImport::manyNotesKeepTheirOwnBodies()
{
    // Enough notes that several threads convert at once: every note must
    // still get its own text, its own attachment and its report in order.
    const int count = 300;
    QByteArray tar;
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray resource = n.rightJustified(32, 'c');
        QByteArray body = "Body **number " + n + "**\n\n- item " + n + "\n";
        if (i % 3 == 0) {
            body += "\n![pic](:/" + resource + ")\n";
            tar += tarEntry(resource + ".md",
                            item("pic" + n + ".png",
                                 resource,
                                 4,
                                 "mime: image/png\nfile_extension: png\n"));
            tar += tarEntry("resources/" + resource + ".png", "bytes of " + n);
        }
        tar += tarEntry(n + ".md", noteItem(n.rightJustified(32, '1'), "Note " + n, body, ""));
    }

    TestStore store;
    QVERIFY(store.open());
    QStringList reports;
    const ImportResult result = importJex(write("many.jex", tar),
                                          &store.state,
                                          [&](int current, int, const QString &message) {
                                              if (current > 0)
                                                  reports.append(message);
                                          });
    QCOMPARE(result.imported, count);
    QCOMPARE(result.attachments, count / 3);
    QCOMPARE(result.errors, 0);
    QCOMPARE(reports.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(reports[i], QStringLiteral("Importing: Note %1").arg(i));

    const QList<Note> notes = store.state.notes()->listAll();
    QCOMPARE(notes.size(), count);
    for (const Note &note : notes) {
        const QString n = note.title().mid(5);
        // The title heading is bold as well.
        QCOMPARE(textWith(note.body, "bold"), QStringLiteral("Note %1number %1").arg(n));
        QVERIFY2(note.plainText().contains(QStringLiteral("item ") + n), qPrintable(note.title()));
        const QList<Attachment> attachments = store.state.attachments()->listForNote(note.id);
        QCOMPARE(attachments.size(), n.toInt() % 3 == 0 ? 1 : 0);
        if (attachments.isEmpty())
            continue;
        QCOMPARE(attachments[0].filename, QStringLiteral("pic%1.png").arg(n));
        QCOMPARE(store.state.attachments()->readFile(attachments[0].id), "bytes of " + n.toLatin1());
        QVERIFY(note.body.contains("velmora-notes://attachment/" + attachments[0].id));
    }
}

void TestJexImport::titleNotRepeated_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("plain line") << QByteArray("Shopping\n\nmilk");
    QTest::newRow("heading") << QByteArray("# Shopping\n\nmilk");
    QTest::newRow("line and heading") << QByteArray("Shopping\n\n# Shopping\n\nmilk");
    QTest::newRow("heading with more") << QByteArray("# Shopping list\n\nmilk");
}

void TestJexImport::titleNotRepeated()
{
    QFETCH(QByteArray, body);
    QByteArray tar = tarEntry("n.md",
                              item(body, "99999999999999999999999999999999", 1, "title: Shopping\n"))
                     + tarEnd();
    TestStore store;
    QVERIFY(store.open());
    QCOMPARE(importJex(write("t.jex", tar), &store.state).imported, 1);
    const QString text = store.state.notes()->listAll().first().plainText();
    QCOMPARE(text.count("Shopping"), 1);
    QVERIFY(text.contains("milk"));
}

void TestJexImport::parseTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime base(QDate(2023, 4, 5), QTime(6, 7, 8), Qt::UTC);
    QTest::newRow("iso ms") << "2023-04-05T06:07:08.123Z" << base.addMSecs(123);
    QTest::newRow("iso") << "2023-04-05T06:07:08Z" << base;
    QTest::newRow("no zone is utc") << "2023-04-05T06:07:08" << base;
    QTest::newRow("offset") << "2023-04-05T08:07:08+02:00" << base;
    QTest::newRow("epoch ms") << "1680674828000" << base;
    QTest::newRow("zero") << "0" << QDateTime();
    QTest::newRow("negative") << "-5" << QDateTime();
    QTest::newRow("garbage") << "yesterday" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
}

void TestJexImport::parseTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    const QDateTime parsed = parseJexTime(text);
    QCOMPARE(parsed.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(parsed, expected);
        QCOMPARE(parsed.timeSpec(), Qt::UTC);
    }
}

void TestJexImport::parseItem()
{
    const JexItem note = parseJexItem("Title line\n\nBody with id: inside\n\n"
                                      "id: abc\nparent_id: \ncreated_time: 1000\n"
                                      "not a metadata line\ntype_: 1");
    QCOMPARE(note.id, QStringLiteral("abc"));
    QCOMPARE(note.title, QStringLiteral("Title line"));
    // An empty value does not swallow the following line.
    QCOMPARE(note.parentId, QString());
    QCOMPARE(note.createdTime, QDateTime::fromMSecsSinceEpoch(1000, Qt::UTC));
    QCOMPARE(note.type, 1);
    QCOMPARE(note.markupLanguage, 1);

    const JexItem bare = parseJexItem("just text, no metadata");
    QCOMPARE(bare.id, QString());
    QCOMPARE(bare.type, 0);
    QCOMPARE(bare.title, QStringLiteral("just text, no metadata"));

    const JexItem resource = parseJexItem("id: r1\nmime: image/jpeg\nfile_extension: jpg\n"
                                          "markup_language: 2\ntitle: \ntype_: 4");
    QCOMPARE(resource.type, 4);
    QCOMPARE(resource.mime, QStringLiteral("image/jpeg"));
    QCOMPARE(resource.fileExtension, QStringLiteral("jpg"));
    QCOMPARE(resource.markupLanguage, 2);
    QCOMPARE(resource.title, QString());
    QCOMPARE(parseJexItem("id: x\ntype_: nope").type, 0);
}

void TestJexImport::resourceLookupOrder()
{
    QMap<QString, QByteArray> blobs{{"resources/r1.png", "with ext"},
                                    {"resources/r1", "in folder"},
                                    {"r1", "bare"},
                                    {"zzz/r1-copy", "contains z"},
                                    {"aaa/r1-copy", "contains a"}};
    QCOMPARE(findResourceData(blobs, "r1", "png"), QByteArray("with ext"));
    blobs.remove("resources/r1.png");
    QCOMPARE(findResourceData(blobs, "r1", "png"), QByteArray("in folder"));
    blobs.remove("resources/r1");
    QCOMPARE(findResourceData(blobs, "r1", "png"), QByteArray("bare"));
    blobs.remove("r1");
    QCOMPARE(findResourceData(blobs, "r1", "png"), QByteArray("contains a"));
    QCOMPARE(findResourceData(blobs, "r2", "png"), QByteArray());
    QCOMPARE(findResourceData(blobs, "", "png"), QByteArray());
}

void TestJexImport::damagedArchives_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("imported");
    QTest::addColumn<QString>("error");
    const QString unreadable = QStringLiteral("Failed to read archive or archive is empty");
    QTest::newRow("empty file") << QByteArray() << 0 << unreadable;
    QTest::newRow("only end blocks") << tarEnd() << 0 << unreadable;
    QTest::newRow("garbage") << QByteArray("not a tar archive").repeated(100) << 0 << unreadable;
    QTest::newRow("oversized first entry")
        << tarHeader("n.md", 1 << 30) + QByteArray(512, 'x') << 0 << unreadable;
    // A cut-off entry after a whole one loses only itself.
    QTest::newRow("damaged tail") << tarEntry("n.md",
                                              noteItem("12121212121212121212121212121212",
                                                       "Kept",
                                                       "text",
                                                       ""))
                                         + tarHeader("cut.md", 5000) + QByteArray(100, 'c')
                                  << 1 << QString();
}

void TestJexImport::damagedArchives()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, imported);
    QFETCH(QString, error);
    TestStore store;
    QVERIFY(store.open());
    const ImportResult result = importJex(write("damaged.jex", bytes), &store.state);
    QCOMPARE(result.imported, imported);
    QCOMPARE(result.errors, error.isEmpty() ? 0 : 1);
    QCOMPARE(result.error, error);
    QCOMPARE(store.state.notes()->listAll().size(), imported);
}

void TestJexImport::failedCommitKeepsNothing()
{
    QByteArray tar;
    tar += tarEntry(kFolderA + ".md", item("Folder", kFolderA, 2));
    tar += tarEntry("n1.md",
                    noteItem("11111111111111111111111111111111",
                             "With picture",
                             "![pic](:/" + kResource + ")",
                             kFolderA));
    tar += tarEntry("n2.md",
                    noteItem("22222222222222222222222222222222", "Plain", "text", kFolderA));
    tar += tarEntry(kResource + ".md",
                    item("photo.png", kResource, 4, "mime: image/png\nfile_extension: png\n"));
    tar += tarEntry("resources/" + kResource + ".png", "PNGDATA");

    TestStore store;
    QVERIFY(store.open());
    // Every statement passes, but the deferred key fails the commit.
    QVERIFY(store.exec("CREATE TABLE audit (parent TEXT REFERENCES notes(id) "
                       "DEFERRABLE INITIALLY DEFERRED)"));
    QVERIFY(store.exec("CREATE TRIGGER audit_notes AFTER INSERT ON notes "
                       "BEGIN INSERT INTO audit VALUES ('no such note'); END"));
    QSignalSpy notesSpy(&store.state, &AppState::notesChanged);
    QSignalSpy notebooksSpy(&store.state, &AppState::notebooksChanged);

    const ImportResult result = importJex(write("fail.jex", tar), &store.state);
    QCOMPARE(result.imported, 0);
    QCOMPARE(result.errors, 2);
    QCOMPARE(result.attachments, 0);
    QVERIFY2(result.error.startsWith("Failed to save the imported notes: "),
             qPrintable(result.error));
    // Nothing stays: no rows, and no file that only the lost rows named.
    QVERIFY(store.state.notes()->listAll().isEmpty());
    QVERIFY(store.state.notebooks()->listAll().isEmpty());
    QVERIFY(store.attachmentFiles().isEmpty());
    // One refresh per list, and the store takes the next import normally.
    QCOMPARE(notesSpy.count(), 1);
    QCOMPARE(notebooksSpy.count(), 1);
    QVERIFY(store.exec("DROP TRIGGER audit_notes"));
    const ImportResult again = importJex(write("again.jex", tar), &store.state);
    QCOMPARE(again.imported, 2);
    QCOMPARE(again.attachments, 1);
    QCOMPARE(store.attachmentFiles().size(), 1);
    QCOMPARE(notesSpy.count(), 2);
}

QTEST_MAIN(TestJexImport)
#include "tst_jeximport.moc"
