#include "app/datapaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestDataPaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void overrideCreatesFolderAndClientId()
    {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + QStringLiteral("/nested/data");
        qputenv("NOTES_DATA_DIR", dir.toUtf8());

        QCOMPARE(dataDirectory(), dir);
        QVERIFY(QDir(dir).exists());

        const QString id = clientId();
        QCOMPARE(id.size(), 36);
        QVERIFY(!id.startsWith(QLatin1Char('{')));
        QCOMPARE(id, id.toLower());
        QFile file(dir + QStringLiteral("/client_id"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), id);

        QCOMPARE(clientId(), id); // re-read, not regenerated
        QCOMPARE(databasePath(), dir + QStringLiteral("/velmora_notes_%1.db").arg(id));
        QCOMPARE(attachmentsDirectory(), dir + QStringLiteral("/attachments"));
        QVERIFY(QDir(dir + QStringLiteral("/attachments")).exists());
    }

    void clientIdReadTrimmedAndRegeneratedWhenBlank_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("kept");
        QTest::newRow("padded") << QByteArray("  abc-123 \n") << true;
        QTest::newRow("blank") << QByteArray(" \n\t") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void clientIdReadTrimmedAndRegeneratedWhenBlank()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, kept);
        QTemporaryDir tmp;
        qputenv("NOTES_DATA_DIR", tmp.path().toUtf8());
        QFile file(tmp.path() + QStringLiteral("/client_id"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        const QString id = clientId();
        if (kept) {
            QCOMPARE(id, QStringLiteral("abc-123"));
        } else {
            QCOMPARE(id.size(), 36);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(file.readAll()), id);
        }
    }

    void deletedClientIdGivesNewDatabaseName()
    {
        QTemporaryDir tmp;
        qputenv("NOTES_DATA_DIR", tmp.path().toUtf8());
        const QString first = databasePath();
        QVERIFY(QFile::remove(tmp.path() + QStringLiteral("/client_id")));
        const QString second = databasePath();
        QVERIFY(first != second);
        QCOMPARE(databasePath(), second);
    }
};

QTEST_GUILESS_MAIN(TestDataPaths)
#include "tst_datapaths.moc"
