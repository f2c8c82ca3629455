#include "interchange/nsximport.h"
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

class TestNsxImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void importsArchive();
    void refusedArchives_data();
    void refusedArchives();

private:
    static QByteArray json(const QJsonObject &object)
    {
        return QJsonDocument(object).toJson(QJsonDocument::Compact);
    }
    // The path of a new archive of the entries; empty when it could not be written.
    QString zipOf(const QString &name, const QList<QPair<QString, QByteArray>> &entries)
    {
        const QString path = m_dir.filePath(name);
        return writeZip(path, entries) ? path : QString();
    }
    static Note noteContaining(TestStore &store, const QString &needle)
    {
        for (const Note &note : store.state.notes()->listAll()) {
            if (note.plainText().contains(needle))
                return note;
        }
        return Note();
    }

    QTemporaryDir m_dir;
};

void TestNsxImport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestNsxImport::importsArchive()
{
    const QString md5 = QStringLiteral("0123456789abcdef0123456789ABCDEF");
    const QString absent = QStringLiteral("ffffffffffffffffffffffffffffffff");
    const QJsonObject config{{"notebook", QJsonArray{"nb1", "nb-missing"}},
                             {"note", QJsonArray{"n1", "n2", "n-missing", "../t.db", "n-bad"}}};
    const QJsonObject notebook{{"title", "Book"}, {"ctime", 1600000000}, {"mtime", "1600000100"}};
    const QJsonObject attachments{
        {"a",
         QJsonObject{{"md5", md5}, {"name", ""}, {"ext", ""}, {"type", "image"}, {"ref", "r1"}}},
        {"b", QJsonObject{{"md5", "../../t.db"}, {"name", "db"}, {"ref", "r2"}}},
        {"c", QJsonObject{{"md5", absent}, {"name", "gone.pdf"}, {"ref", "r3"}}}};
    const QJsonObject first{{"title", "Fish <b> & Chips"},
                            {"parent_id", "nb1"},
                            {"content", "<p>Menu <img ref=\"r1\"> <img ref=\"r3\"></p>"},
                            {"ctime", "1600000200"},
                            {"mtime", 1600000300},
                            {"attachment", attachments}};
    const QJsonObject second{{"content", "<p>no title here</p>"}, {"parent_id", "unknown"}};
    const QString zip = zipOf("a.nsx",
                              {{"config.json", json(config)},
                               {"nb1", json(notebook)},
                               {"n1", json(first)},
                               {"n2", json(second)},
                               {"n-bad", "[\"not an object\"]"},
                               {"file_" + md5, "IMAGEBYTES"}});
    QVERIFY(!zip.isEmpty());

    TestStore store;
    QVERIFY(store.open());
    QSignalSpy notesSpy(&store.state, &AppState::notesChanged);
    QStringList messages;
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const ImportResult result
        = importNsx(zip, &store.state, [&](int current, int total, const QString &message) {
              messages.append(QStringLiteral("%1/%2 %3").arg(current).arg(total).arg(message));
          });
    QCOMPARE(result.imported, 2);
    // The missing note file, the unsafe name and the file that is no object.
    QCOMPARE(result.errors, 3);
    QCOMPARE(result.skipped, 0);
    QCOMPARE(result.attachments, 1);
    QCOMPARE(notesSpy.count(), 1);
    QCOMPARE(messages,
             QStringList({"0/0 Extracting archive...",
                          "0/5 Importing 5 notes...",
                          "1/5 Importing: Fish <b> & Chips",
                          "2/5 Importing: (untitled)"}));

    const QList<Notebook> notebooks = store.state.notebooks()->listAll();
    QCOMPARE(notebooks.size(), 1);
    QCOMPARE(notebooks[0].name, QStringLiteral("Book"));
    QCOMPARE(notebooks[0].createdAt, QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC));
    QCOMPARE(notebooks[0].updatedAt, QDateTime::fromSecsSinceEpoch(1600000100, Qt::UTC));

    // The title is text inside the heading, never markup.
    const Note fish = noteContaining(store, "Fish <b> & Chips");
    QVERIFY(!fish.id.isEmpty());
    QCOMPARE(fish.title(), QStringLiteral("Fish <b> & Chips"));
    QCOMPARE(fish.notebookId, notebooks[0].id);
    QCOMPARE(fish.createdAt, QDateTime::fromSecsSinceEpoch(1600000200, Qt::UTC));
    QCOMPARE(fish.updatedAt, QDateTime::fromSecsSinceEpoch(1600000300, Qt::UTC));
    const QList<Attachment> stored = store.state.attachments()->listForNote(fish.id);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0].mimeType, QStringLiteral("image/png"));
    QCOMPARE(stored[0].filename, QStringLiteral("attachment."));
    QCOMPARE(store.state.attachments()->readFile(stored[0].id), QByteArray("IMAGEBYTES"));
    QVERIFY(fish.body.contains("velmora-notes://attachment/" + stored[0].id));

    const Note untitled = noteContaining(store, "no title here");
    QCOMPARE(untitled.notebookId, QString());
    QVERIFY(untitled.createdAt >= before);
    QCOMPARE(untitled.updatedAt, untitled.createdAt);
    // The database beside the staging folder was never read as a note.
    QCOMPARE(store.state.notes()->listAll().size(), 2);
}

void TestNsxImport::refusedArchives_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString noConfig = QStringLiteral("No config.json found in archive");
    QTest::newRow("no config") << zipOf("noconfig.nsx", {{"n1", "{\"title\":\"x\"}"}}) << noConfig;
    QTest::newRow("empty config") << zipOf("emptyconfig.nsx", {{"config.json", ""}}) << noConfig;
    QTest::newRow("config not an object")
        << zipOf("arrayconfig.nsx", {{"config.json", "[\"n1\"]"}}) << noConfig;
    QTest::newRow("config is a folder")
        << zipOf("folderconfig.nsx", {{"config.json/inner", "{}"}}) << noConfig;
    const QString garbage = m_dir.filePath("garbage.nsx");
    QTest::newRow("not a zip") << (writeBytes(garbage, "this is no zip archive") ? garbage : "")
                               << "Failed to extract archive: ";
}

void TestNsxImport::refusedArchives()
{
    QFETCH(QString, path);
    QFETCH(QString, message);
    QVERIFY(!path.isEmpty());
    TestStore store;
    QVERIFY(store.open());
    const ImportResult result = importNsx(path, &store.state);
    QCOMPARE(result.errors, 1);
    QVERIFY2(result.error.startsWith(message), qPrintable(result.error));
    // The extraction failure says why after the fixed text.
    if (message.endsWith(QLatin1Char(' ')))
        QVERIFY(result.error.size() > message.size());
    QVERIFY(store.state.notes()->listAll().isEmpty());
}

QTEST_MAIN(TestNsxImport)
#include "tst_nsximport.moc"
