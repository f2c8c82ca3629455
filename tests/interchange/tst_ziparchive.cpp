#include "interchange/zipextractor.h"
#include "interchange/zipwriter.h"
#include "tests/interchange/archivetesttools.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <archive.h>
#include <archive_entry.h>

class TestZipArchive : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void infoZipUnzipReadsOurArchive();
    void unsafeNamesSkipped_data();
    void unsafeNamesSkipped();
    void linksNeverCreated();
    void duplicateEntryNotOverwritten();
    void bombsStopped_data();
    void bombsStopped();
    void lyingSizesStopped();
    void freeSpaceChecked();
    void badInputsRefused();
    void failedWriteKeepsOldArchive();
    void keepInMemory();

private:
    // Every path below `root`, relative, sorted; links marked with "@".
    static QStringList tree(const QString &root)
    {
        QStringList paths;
        QDirIterator it(root,
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            QString p = QDir(root).relativeFilePath(it.filePath());
            if (it.fileInfo().isSymLink())
                p += QLatin1Char('@');
            paths.append(p);
        }
        paths.sort();
        return paths;
    }

    // An archive written with libarchive directly, so that entry types and
    // names can be anything.
    struct RawEntry
    {
        QByteArray name;
        QByteArray data;
        unsigned type = AE_IFREG;
        QByteArray link;
    };
    static bool writeRawZip(const QString &path, const QList<RawEntry> &entries)
    {
        struct archive *a = archive_write_new();
        archive_write_set_format_zip(a);
        if (archive_write_open_filename(a, QFile::encodeName(path).constData()) != ARCHIVE_OK) {
            archive_write_free(a);
            return false;
        }
        for (const RawEntry &e : entries) {
            archive_entry *entry = archive_entry_new();
            archive_entry_set_pathname(entry, e.name.constData());
            archive_entry_set_filetype(entry, e.type);
            archive_entry_set_perm(entry, 0644);
            if (!e.link.isEmpty())
                archive_entry_set_symlink(entry, e.link.constData());
            archive_entry_set_size(entry, e.data.size());
            archive_write_header(a, entry);
            if (!e.data.isEmpty())
                archive_write_data(a, e.data.constData(), size_t(e.data.size()));
            archive_entry_free(entry);
        }
        const bool ok = archive_write_close(a) == ARCHIVE_OK;
        archive_write_free(a);
        return ok;
    }

    QString newStage(QTemporaryDir &base)
    {
        const QString stage = base.filePath(QStringLiteral("stage"));
        QDir().mkpath(stage);
        return stage;
    }
};

void TestZipArchive::roundTrip()
{
    QTemporaryDir dir;
    QByteArray big(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (char &c : big)
        c = char(QRandomGenerator::global()->bounded(256));
    const QString bigPath = dir.filePath(QStringLiteral("big.bin"));
    QVERIFY(writeBytes(bigPath, big));

    const QString zip = dir.filePath(QStringLiteral("out.zip"));
    ZipWriter writer;
    QVERIFY(writer.open(zip));
    QVERIFY(writer.addFile(QStringLiteral("manifest.json"), "{\"version\": 1}"));
    QVERIFY(writer.addDirectory(QStringLiteral("notes")));
    QVERIFY(writer.addDirectory(QStringLiteral("empty/")));
    QVERIFY(writer.addFile(QStringLiteral("notes/a.json"), "{}"));
    QVERIFY(writer.addFile(QStringLiteral("notes/\u00e9t\u00e9.json"), "{\"x\":1}"));
    QVERIFY(writer.addFileFromDisk(QStringLiteral("attachments/big"), bigPath));
    QVERIFY(!QFile::exists(zip)); // nothing in place before the commit
    QVERIFY2(writer.commit(), qPrintable(writer.errorString()));

    ZipExtractor extractor;
    QCOMPARE(extractor.list(zip).size(), 6);
    QTemporaryDir base;
    const QString stage = newStage(base);
    QVERIFY2(extractor.extract(zip, stage), qPrintable(extractor.errorString()));
    QVERIFY(extractor.skippedEntries().isEmpty());
    QCOMPARE(tree(stage),
             QStringList({"attachments",
                          "attachments/big",
                          "empty",
                          "manifest.json",
                          "notes",
                          "notes/a.json",
                          QStringLiteral("notes/\u00e9t\u00e9.json")}));
    QCOMPARE(readBytes(stage + "/attachments/big"), big);
    QCOMPARE(readBytes(stage + "/manifest.json"), QByteArray("{\"version\": 1}"));
}

void TestZipArchive::infoZipUnzipReadsOurArchive()
{
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("Info-ZIP unzip is not installed (scripts/install-deps installs it)");
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("ours.zip"));
    const QByteArray text = QByteArray("line\n").repeated(5000);
    QVERIFY(writeZip(zip, {{"notebooks/", {}}, {"notes/n1.json", text}, {"manifest.json", "{}"}}));

    QProcess test;
    test.start(QStringLiteral("unzip"), {QStringLiteral("-t"), zip});
    QVERIFY(test.waitForFinished(30000));
    QCOMPARE(test.exitCode(), 0);

    const QString out = dir.filePath(QStringLiteral("out"));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-o"), zip, QStringLiteral("-d"), out});
    QVERIFY(unzip.waitForFinished(30000));
    QCOMPARE(unzip.exitCode(), 0);
    QCOMPARE(readBytes(out + "/notes/n1.json"), text);
    QCOMPARE(readBytes(out + "/manifest.json"), QByteArray("{}"));
    QVERIFY(QFileInfo(out + "/notebooks").isDir());
}

void TestZipArchive::unsafeNamesSkipped_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("parent") << QByteArray("../evil.txt");
    QTest::newRow("nested parent") << QByteArray("a/../../evil.txt");
    QTest::newRow("absolute") << QByteArray("/tmp/evil.txt");
    QTest::newRow("drive letter") << QByteArray("C:/evil.txt");
    QTest::newRow("drive relative") << QByteArray("C:evil.txt");
    QTest::newRow("backslash") << QByteArray("..\\evil.txt");
    QTest::newRow("only dots") << QByteArray("..");
}

void TestZipArchive::unsafeNamesSkipped()
{
    QFETCH(QByteArray, name);
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("evil.zip"));
    QVERIFY(
        writeRawZip(zip, {{name, "owned", AE_IFREG, {}}, {"ok/fine.txt", "fine", AE_IFREG, {}}}));
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor;
    QVERIFY2(extractor.extract(zip, stage), qPrintable(extractor.errorString()));
    // The library may turn backslashes into slashes; either way it is left out.
    QCOMPARE(extractor.skippedEntries().size(), 1);
    QCOMPARE(tree(base.path()), QStringList({"stage", "stage/ok", "stage/ok/fine.txt"}));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/evil.txt")));
    QCOMPARE(ZipExtractor::safeRelativePath(QString::fromUtf8(name)), QString());
    QCOMPARE(ZipExtractor::safeRelativePath(QStringLiteral("./a//b/")), QStringLiteral("a/b"));
}

void TestZipArchive::linksNeverCreated()
{
    QTemporaryDir outside;
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("links.zip"));
    const QByteArray target = QFile::encodeName(outside.path());
    QVERIFY(writeRawZip(zip,
                        {{"link", {}, AE_IFLNK, target},
                         {"link/escaped.txt", "through the link", AE_IFREG, {}},
                         {"plain.txt", "plain", AE_IFREG, {}}}));
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor;
    QVERIFY2(extractor.extract(zip, stage), qPrintable(extractor.errorString()));
    QVERIFY(extractor.skippedEntries().contains(QStringLiteral("link")));
    // "link" became a real folder inside the stage, never a link out of it.
    QCOMPARE(tree(stage), QStringList({"link", "link/escaped.txt", "plain.txt"}));
    QVERIFY(tree(outside.path()).isEmpty());
}

void TestZipArchive::duplicateEntryNotOverwritten()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("dup.zip"));
    QVERIFY(writeRawZip(zip,
                        {{"same.txt", "first", AE_IFREG, {}},
                         {"same.txt", "second", AE_IFREG, {}},
                         {"same.txt/inner", "under a file", AE_IFREG, {}}}));
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor;
    QVERIFY(extractor.extract(zip, stage));
    QCOMPARE(readBytes(stage + "/same.txt"), QByteArray("first"));
    QCOMPARE(extractor.skippedEntries().size(), 2);
}

void TestZipArchive::bombsStopped_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("entryMegabytes");
    QTest::addColumn<qint64>("maxEntry");
    QTest::addColumn<qint64>("maxTotal");
    QTest::addColumn<int>("maxEntries");
    QTest::addColumn<qint64>("ratio");
    const qint64 mb = 1024 * 1024;
    QTest::newRow("one huge entry") << 1 << 24 << 2 * mb << 100 * mb << 100 << qint64(2000);
    QTest::newRow("many entries over the total")
        << 12 << 1 << 2 * mb << 5 * mb << 100 << qint64(2000);
    QTest::newRow("too many entries") << 30 << 0 << 2 * mb << 100 * mb << 10 << qint64(2000);
    QTest::newRow("expansion ratio") << 4 << 8 << 100 * mb << 100 * mb << 100 << qint64(50);
}

void TestZipArchive::bombsStopped()
{
    QFETCH(int, entries);
    QFETCH(int, entryMegabytes);
    QFETCH(qint64, maxEntry);
    QFETCH(qint64, maxTotal);
    QFETCH(int, maxEntries);
    QFETCH(qint64, ratio);

    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("bomb.zip"));
    const QByteArray zeros(entryMegabytes * 1024 * 1024, '\0');
    QList<QPair<QString, QByteArray>> files;
    for (int i = 0; i < entries; ++i)
        files.append({QStringLiteral("z%1").arg(i), zeros});
    QVERIFY(writeZip(zip, files));

    ExtractionLimits limits;
    limits.maxEntryBytes = maxEntry;
    limits.maxTotalBytes = maxTotal;
    limits.maxEntries = maxEntries;
    limits.maxExpansionRatio = ratio;
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor(limits);
    QVERIFY(!extractor.extract(zip, stage));
    QVERIFY(!extractor.errorString().isEmpty());
    qint64 written = 0;
    QDirIterator it(stage, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        written += it.fileInfo().size();
    }
    QVERIFY(written <= qMin(maxTotal, maxEntry * maxEntries));
}

void TestZipArchive::lyingSizesStopped()
{
    // An entry of 16 MiB whose headers claim 1000 bytes.
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("liar.zip"));
    QVERIFY(writeZip(zip, {{"liar", QByteArray(16 * 1024 * 1024, 'A')}}));
    QByteArray bytes = readBytes(zip);
    const quint32 real = 16 * 1024 * 1024;
    int patched = 0;
    for (int i = 0; i + 4 <= bytes.size(); ++i) {
        quint32 v = 0;
        memcpy(&v, bytes.constData() + i, 4);
        if (qFromLittleEndian(v) == real) {
            const quint32 lie = qToLittleEndian(quint32(1000));
            memcpy(bytes.data() + i, &lie, 4);
            ++patched;
        }
    }
    QVERIFY(patched >= 1);
    QVERIFY(writeBytes(zip, bytes));

    ExtractionLimits limits;
    limits.maxEntryBytes = 1024 * 1024;
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor(limits);
    const bool ok = extractor.extract(zip, stage);
    const qint64 size = QFileInfo(stage + "/liar").size();
    // Either the library stops at the declared size or the budget stops it.
    QVERIFY2(ok ? size <= 1000 : size <= limits.maxEntryBytes,
             qPrintable(
                 QStringLiteral("ok=%1 size=%2 %3").arg(ok).arg(size).arg(extractor.errorString())));
}

void TestZipArchive::freeSpaceChecked()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("small.zip"));
    QVERIFY(writeZip(zip, {{"a", "a"}}));
    ExtractionLimits limits;
    limits.diskReserveBytes = std::numeric_limits<qint64>::max() / 2;
    QTemporaryDir base;
    ZipExtractor extractor(limits);
    QVERIFY(!extractor.extract(zip, newStage(base)));
    QVERIFY(extractor.errorString().contains(QStringLiteral("disk space")));
}

void TestZipArchive::badInputsRefused()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("ok.zip"));
    QVERIFY(writeZip(zip, {{"a.txt", QByteArray(200000, 'a')}, {"b.txt", "b"}}));

    const QByteArray whole = readBytes(zip);
    const QString truncated = dir.filePath(QStringLiteral("truncated.zip"));
    QVERIFY(writeBytes(truncated, whole.left(whole.size() / 2)));
    QByteArray flipped = whole;
    for (int i = 100; i < 400; ++i)
        flipped[i] = char(flipped[i] ^ 0x5a);
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.zip"));
    QVERIFY(writeBytes(corrupt, flipped));
    const QString garbage = dir.filePath(QStringLiteral("garbage.zip"));
    QVERIFY(writeBytes(garbage, QByteArray("this is not an archive at all").repeated(50)));

    for (const QString &path : {truncated, corrupt, garbage, dir.filePath("missing.zip")}) {
        QTemporaryDir base;
        ZipExtractor extractor;
        QVERIFY2(!extractor.extract(path, newStage(base)), qPrintable(path));
        QVERIFY(!extractor.errorString().isEmpty());
    }

    // The staging folder must be fresh.
    QTemporaryDir base;
    const QString stage = newStage(base);
    QVERIFY(writeBytes(stage + "/already", "x"));
    ZipExtractor extractor;
    QVERIFY(!extractor.extract(zip, stage));
}

void TestZipArchive::failedWriteKeepsOldArchive()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("keep.zip"));
    QVERIFY(writeBytes(zip, "old archive"));
    {
        ZipWriter writer;
        QVERIFY(writer.open(zip));
        QVERIFY(writer.addFile(QStringLiteral("a"), "a"));
        // An unreadable source is left out without spoiling the archive.
        QVERIFY(!writer.addFileFromDisk(QStringLiteral("b"), dir.filePath("no-such-file")));
        QVERIFY(!writer.errorString().isEmpty());
        QVERIFY(writer.addFile(QStringLiteral("c"), "c"));
        // Abandoned without commit.
    }
    QCOMPARE(readBytes(zip), QByteArray("old archive"));

    ZipWriter writer;
    QVERIFY(!writer.open(dir.filePath(QStringLiteral("no/such/folder/x.zip"))));
    QVERIFY(!writer.errorString().isEmpty());
}

void TestZipArchive::keepInMemory()
{
    QTemporaryDir dir;
    const QString zip = dir.filePath(QStringLiteral("mem.zip"));
    QVERIFY(writeRawZip(zip,
                        {{"notes/a.json", "A", AE_IFREG, {}},
                         {"notes/a.json", "again", AE_IFREG, {}},
                         {"notes/../../b.json", "B", AE_IFREG, {}},
                         {"other/c.bin", "C", AE_IFREG, {}}}));
    auto inNotes = [](const QString &path) { return path.startsWith(QLatin1String("notes/")); };
    QTemporaryDir base;
    const QString stage = newStage(base);
    ZipExtractor extractor;
    extractor.setKeepInMemory(inNotes);
    QVERIFY(extractor.extract(zip, stage));
    const QList<QPair<QString, QByteArray>> expected{{"notes/a.json", "A"}};
    QCOMPARE(extractor.inMemoryEntries(), expected);
    QCOMPARE(extractor.skippedEntries().size(), 2);
    QCOMPARE(tree(stage), QStringList({"other", "other/c.bin"}));

    // The budgets hold for entries read into memory too.
    const QString bomb = dir.filePath(QStringLiteral("membomb.zip"));
    QVERIFY(writeZip(bomb, {{"notes/z.json", QByteArray(8 * 1024 * 1024, ' ')}}));
    ExtractionLimits limits;
    limits.maxEntryBytes = 1024 * 1024;
    QTemporaryDir base2;
    ZipExtractor limited(limits);
    limited.setKeepInMemory(inNotes);
    QVERIFY(!limited.extract(bomb, newStage(base2)));
    QVERIFY(limited.inMemoryEntries().isEmpty());
}

QTEST_GUILESS_MAIN(TestZipArchive)
#include "tst_ziparchive.moc"
