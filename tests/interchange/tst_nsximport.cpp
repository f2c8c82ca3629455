#include "interchange/nsximport.h"
#include "interchange/zipwriter.h"
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
    QString zipOf(const QString &name, const QList<QPair<QString, QByteArray>> &entries)
    {
        const QString path = m_dir.filePath(name);
        ZipWriter writer;
        writer.open(path);
        for (const auto &entry : entries)
            writer.addFile(entry.first, entry.second);
        writer.commit();
        return path;
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
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("no config") << "noconfig"
                               << "No config.json found in archive";
    QTest::newRow("empty config") << "emptyconfig"
                                  << "No config.json found in archive";
    QTest::newRow("config not an object") << "arrayconfig"
                                          << "No config.json found in archive";
    QTest::newRow("config is a folder") << "folderconfig"
                                        << "No config.json found in archive";
    QTest::newRow("not a zip") << "garbage"
                               << "Failed to extract archive: ";
}

void TestNsxImport::refusedArchives()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QString path;
    if (kind == QLatin1String("noconfig")) {
        path = zipOf("noconfig.nsx", {{"n1", "{\"title\":\"x\"}"}});
    } else if (kind == QLatin1String("emptyconfig")) {
        path = zipOf("emptyconfig.nsx", {{"config.json", ""}});
    } else if (kind == QLatin1String("arrayconfig")) {
        path = zipOf("arrayconfig.nsx", {{"config.json", "[\"n1\"]"}});
    } else if (kind == QLatin1String("folderconfig")) {
        path = zipOf("folderconfig.nsx", {{"config.json/inner", "{}"}});
    } else {
        path = m_dir.filePath("garbage.nsx");
        QVERIFY(writeBytes(path, "this is no zip archive"));
    }
    TestStore store;
    QVERIFY(store.open());
    const ImportResult result = importNsx(path, &store.state);
    QCOMPARE(result.errors, 1);
    QVERIFY2(result.error.startsWith(message), qPrintable(result.error));
    if (kind == QLatin1String("garbage"))
        QVERIFY(result.error.size() > message.size());
    QVERIFY(store.state.notes()->listAll().isEmpty());
}

QTEST_MAIN(TestNsxImport)
#include "tst_nsximport.moc"
