#include "interchange/tarreader.h"
#include "tests/interchange/archivetesttools.h"

#include <QTemporaryDir>
#include <QtTest>

class TestTarReader : public QObject
{
    Q_OBJECT

private slots:
    void readsEntriesWithPadding_data();
    void readsEntriesWithPadding();
    void nameWithoutTerminator();
    void damagedHeaders_data();
    void damagedHeaders();
    void entryLimit();
    void missingOrEmptyFile();

private:
    QString write(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("t%1.tar").arg(++m_count));
        writeBytes(path, bytes);
        return path;
    }

    QTemporaryDir m_dir;
    int m_count = 0;
};

void TestTarReader::readsEntriesWithPadding_data()
{
    QTest::addColumn<bool>("withEnd");
    QTest::newRow("with end block") << true;
    QTest::newRow("without end block") << false;
}

void TestTarReader::readsEntriesWithPadding()
{
    QFETCH(bool, withEnd);
    const QByteArray exact(512, 'x');
    const QByteArray odd = QByteArray("hello\nworld");
    QByteArray tar = tarEntry("resources/", QByteArray(), '5') + tarEntry("a.md", odd)
                     + tarEntry("resources/blob.bin", exact) + tarEntry("empty", QByteArray());
    if (withEnd)
        tar += tarEnd() + QByteArray("trailing garbage after the end");

    QString error;
    const QList<TarEntry> entries = readTarEntries(write(tar), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries[0].name, QStringLiteral("resources/"));
    QCOMPARE(entries[1].name, QStringLiteral("a.md"));
    QCOMPARE(entries[1].data, odd);
    QCOMPARE(entries[2].data, exact);
    QCOMPARE(entries[3].name, QStringLiteral("empty"));
    QVERIFY(entries[3].data.isEmpty());
}

void TestTarReader::nameWithoutTerminator()
{
    const QByteArray name(100, 'n');
    QString error;
    const QList<TarEntry> entries = readTarEntries(write(tarEntry(name, "data")), &error);
    QCOMPARE(entries.size(), 1);
    // Exactly the field: the mode that follows it is not part of the name.
    QCOMPARE(entries[0].name, QString::fromLatin1(name));
    QCOMPARE(entries[0].data, QByteArray("data"));
}

void TestTarReader::damagedHeaders_data()
{
    QTest::addColumn<QByteArray>("damaged");

    const QByteArray good = tarEntry("good.md", "first");
    QTest::newRow("size past end") << good + tarHeader("big", 1 << 20) + QByteArray(100, 'x');
    QTest::newRow("negative size")
        << good + tarHeader("neg", 0, '0', "-0000000005") + QByteArray(512, 'y');
    QTest::newRow("non-octal size")
        << good + tarHeader("hex", 0, '0', "0000000009a") + QByteArray(512, 'y');
    QByteArray base256 = tarHeader("b256", 0);
    base256[124] = char(0x80);
    base256[135] = char(0x10);
    tarFixChecksum(base256);
    QTest::newRow("base-256 size") << good + base256;
    QByteArray badSum = tarHeader("sum", 5);
    badSum[0] = 'S';
    QTest::newRow("bad checksum") << good + badSum + QByteArray(512, 'z');
    QTest::newRow("random block") << good + QByteArray(512, char(0x5a));
}

void TestTarReader::damagedHeaders()
{
    QFETCH(QByteArray, damaged);
    QString error;
    const QList<TarEntry> entries = readTarEntries(write(damaged), &error);
    QVERIFY(!error.isEmpty());
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].data, QByteArray("first"));
}

void TestTarReader::entryLimit()
{
    QByteArray tar;
    for (int i = 0; i < 5; ++i)
        tar += tarEntry("e" + QByteArray::number(i), "x");
    TarLimits limits;
    limits.maxEntries = 3;
    QString error;
    QCOMPARE(readTarEntries(write(tar), &error, limits).size(), 3);
    QVERIFY(!error.isEmpty());

    limits = TarLimits();
    limits.maxEntryBytes = 1000;
    const QList<TarEntry> entries = readTarEntries(write(tarEntry("small", "x")
                                                         + tarEntry("large", QByteArray(2000, 'L'))),
                                                   &error,
                                                   limits);
    QCOMPARE(entries.size(), 1);
    QVERIFY(!error.isEmpty());
}

void TestTarReader::missingOrEmptyFile()
{
    QString error;
    QVERIFY(readTarEntries(m_dir.filePath(QStringLiteral("missing.tar")), &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(readTarEntries(write(QByteArray()), &error).isEmpty());
    QVERIFY(readTarEntries(write(QByteArray(300, 'q')), &error).isEmpty());
}

QTEST_GUILESS_MAIN(TestTarReader)
#include "tst_tarreader.moc"
