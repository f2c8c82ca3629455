#include "document/noteexport.h"
#include "storage/note.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

static Note noteWith(const QString &id, const QString &body)
{
    Note note;
    note.id = id;
    note.body = body;
    return note;
}

static QString deltaText(const QString &text)
{
    QString escaped = text;
    escaped.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return QStringLiteral("[{\"insert\":\"%1\"}]").arg(escaped);
}

static QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TestNoteExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportFileName_data();
    void exportFileName();
    void exportsTextFormats_data();
    void exportsTextFormats();
    void reportsUnwritablePath_data();
    void reportsUnwritablePath();
    void reportsFullDisk_data();
    void reportsFullDisk();
    void exportsPdf();

private:
    QTemporaryDir m_dir;
};

void TestNoteExport::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestNoteExport::exportFileName_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");

    const QString id = QStringLiteral("0123456789abcdef");
    QTest::newRow("title") << id << deltaText("Groceries\nmilk") << int(ExportFormat::Markdown)
                           << QString("Groceries.md");
    QTest::newRow("unsafe characters dropped")
        << id << deltaText(R"(  a<b>c:d"e/f\g|h?i*j: 1/2 )") << int(ExportFormat::Html)
        << QString("abcdefghij 12.html");
    QTest::newRow("untitled") << id << deltaText("\nsecond line") << int(ExportFormat::Pdf)
                              << QString("note-01234567.pdf");
    QTest::newRow("empty body") << id << QString() << int(ExportFormat::PlainText)
                                << QString("note-01234567.txt");
    QTest::newRow("short id") << QString("ab") << QString() << int(ExportFormat::Markdown)
                              << QString("note-ab.md");
    QTest::newRow("only unsafe characters")
        << id << deltaText("<<>>::??") << int(ExportFormat::Pdf) << QString("note.pdf");
    QTest::newRow("long title cut and trimmed")
        << id << deltaText(QString(49, 'x') + "  tail of a long title") << int(ExportFormat::Html)
        << QString(QString(49, 'x') + ".html");
    QTest::newRow("plain text body") << id << QString("Just text: here")
                                     << int(ExportFormat::Markdown) << QString("Just text here.md");
}

void TestNoteExport::exportFileName()
{
    QFETCH(QString, id);
    QFETCH(QString, body);
    QFETCH(int, format);
    QFETCH(QString, expected);
    QCOMPARE(::exportFileName(noteWith(id, body), ExportFormat(format)), expected);
}

void TestNoteExport::exportsTextFormats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");

    QTest::newRow("markdown") << int(ExportFormat::Markdown)
                              << QString::fromUtf8("# Grüße\n\n**fett** ✓ a < b\n");
    QTest::newRow("html") << int(ExportFormat::Html)
                          << QString::fromUtf8("<html><body>\n<h1>Grüße</h1>\n"
                                               "<p><strong>fett</strong> ✓ a &lt; b</p>\n"
                                               "</body></html>");
    QTest::newRow("plain text") << int(ExportFormat::PlainText)
                                << QString::fromUtf8("Grüße\nfett ✓ a < b\n");
}

void TestNoteExport::exportsTextFormats()
{
    QFETCH(int, format);
    QFETCH(QString, expected);
    const Note note = noteWith("n1", QString::fromUtf8(R"([{"insert":"Grüße"},{"insert":"\n",
        "attributes":{"header":1}},{"insert":"fett","attributes":{"bold":true}},
        {"insert":" ✓ a < b"},{"insert":"\n"}])"));
    const QString path = m_dir.filePath(QStringLiteral("out-%1").arg(format));
    QFile stale(path);
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(4096, 'z')); // replaced, not appended to or left behind
    stale.close();

    const ExportResult result = exportNote(note, path, ExportFormat(format));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, path);
    QCOMPARE(result.error, QString());
    QCOMPARE(QString::fromUtf8(readAll(path)), expected);
}

void TestNoteExport::reportsUnwritablePath_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("relativePath");
    QTest::newRow("markdown, missing folder") << int(ExportFormat::Markdown) << "missing/note.md";
    QTest::newRow("markdown, path is a folder") << int(ExportFormat::Markdown) << "folder.md";
    QTest::newRow("pdf, missing folder") << int(ExportFormat::Pdf) << "missing/note.pdf";
    QTest::newRow("pdf, path is a folder") << int(ExportFormat::Pdf) << "folder.pdf";
}

void TestNoteExport::reportsUnwritablePath()
{
    QFETCH(int, format);
    QFETCH(QString, relativePath);
    QVERIFY(QDir(m_dir.path()).mkpath("folder.md") && QDir(m_dir.path()).mkpath("folder.pdf"));
    const QString path = m_dir.filePath(relativePath);
    const ExportResult result = exportNote(noteWith("n1", deltaText("x\n")),
                                           path,
                                           ExportFormat(format));
    QVERIFY(!result.ok);
    QCOMPARE(result.path, QString());
    QVERIFY2(result.error.startsWith("Failed to write file: "), qPrintable(result.error));
    QVERIFY(result.error.size() > QString("Failed to write file: ").size());
    QVERIFY(!QFileInfo(path).isFile());
}

void TestNoteExport::reportsFullDisk_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("plain text") << int(ExportFormat::PlainText);
    QTest::newRow("markdown") << int(ExportFormat::Markdown);
    // The file opens, but nothing the printer writes arrives.
    QTest::newRow("pdf") << int(ExportFormat::Pdf);
}

void TestNoteExport::reportsFullDisk()
{
    QFETCH(int, format);
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    const ExportResult result = exportNote(noteWith("n1", deltaText("x\n")),
                                           "/dev/full",
                                           ExportFormat(format));
    QVERIFY(!result.ok);
    QVERIFY2(result.error.startsWith("Failed to write file: "), qPrintable(result.error));
}

void TestNoteExport::exportsPdf()
{
    const Note note = noteWith("n1", QStringLiteral(R"([{"insert":"Quarterly"},{"insert":"\n",
        "attributes":{"header":1}},{"insert":"Marmalade ","attributes":{"bold":true}},
        {"insert":"inventory"},{"insert":"\n"},
        {"insert":{"table":"{\"cells\":[[\"Zucchini\",\"Quince\"]]}"}},{"insert":"\n"}])"));
    const QString path = m_dir.filePath("note.pdf");
    const ExportResult result = exportNote(note, path, ExportFormat::Pdf);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, path);
    QVERIFY(readAll(path).startsWith("%PDF"));

    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QProcess process;
    process.start(pdftotext, {path, "-"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    for (const char *word : {"Quarterly", "Marmalade", "inventory", "Zucchini", "Quince"})
        QVERIFY2(text.contains(word),
                 qPrintable(QStringLiteral("%1 missing from: %2").arg(word, text)));
}

QTEST_MAIN(TestNoteExport)
#include "tst_noteexport.moc"
