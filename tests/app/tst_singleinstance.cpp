#include "app/singleinstance.h"

#include <QLocalServer>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    static QString uniqueName()
    {
        return QStringLiteral("velmora-test-") + QUuid::createUuid().toString(QUuid::Id128);
    }

private slots:
    void parseCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString app = QStringLiteral("velmora-notes");
        QTest::newRow("none") << QStringList{app} << QStringLiteral("focus");
        QTest::newRow("new-note") << QStringList{app, QStringLiteral("--new-note")}
                                  << QStringLiteral("new-note");
        QTest::newRow("note id") << QStringList{app, QStringLiteral("--note"), QStringLiteral("n1")}
                                 << QStringLiteral("note:n1");
        QTest::newRow("note last")
            << QStringList{app, QStringLiteral("--note")} << QStringLiteral("focus");
        QTest::newRow("new-note wins") << QStringList{app,
                                                      QStringLiteral("--note"),
                                                      QStringLiteral("n1"),
                                                      QStringLiteral("--new-note")}
                                       << QStringLiteral("new-note");
        QTest::newRow("first pair wins") << QStringList{app,
                                                        QStringLiteral("--note"),
                                                        QStringLiteral("a"),
                                                        QStringLiteral("--note"),
                                                        QStringLiteral("b")}
                                         << QStringLiteral("note:a");
        QTest::newRow("program name ignored")
            << QStringList{QStringLiteral("--new-note")} << QStringLiteral("focus");
        QTest::newRow("case sensitive")
            << QStringList{app, QStringLiteral("--NEW-NOTE")} << QStringLiteral("focus");
    }

    void parseCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QCOMPARE(SingleInstance::parseCommandLine(args), message);
    }

    void secondInstanceHandsOverItsMessage_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("note") << QStringLiteral("note:abc");
        QTest::newRow("empty") << QString();
    }

    void secondInstanceHandsOverItsMessage()
    {
        QFETCH(QString, message);
        const QString name = uniqueName();
        SingleInstance primary(name);
        QVERIFY(primary.tryStart(QStringLiteral("focus")));
        QSignalSpy received(&primary, &SingleInstance::messageReceived);

        // The second guard blocks while it writes, so the primary's event loop
        // only runs afterwards; the bytes wait in the socket meanwhile.
        SingleInstance secondary(name);
        QVERIFY(!secondary.tryStart(message));

        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), message);
        // Exactly one message per connection, even an empty one.
        QTest::qWait(100);
        QCOMPARE(received.count(), 1);
    }

    void staleSocketDoesNotBlockStart()
    {
        const QString name = uniqueName();
        // Leave a socket file behind the way a crashed run would: bound, then
        // the process gone without removing it.
        QLocalServer probe;
        QVERIFY(probe.listen(name));
        const QByteArray path = probe.fullServerName().toLocal8Bit();
        probe.close();
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        qstrncpy(addr.sun_path, path.constData(), sizeof(addr.sun_path));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
        ::close(fd);

        SingleInstance guard(name);
        QVERIFY(guard.tryStart(QStringLiteral("focus")));
        QSignalSpy received(&guard, &SingleInstance::messageReceived);
        SingleInstance second(name);
        QVERIFY(!second.tryStart(QStringLiteral("new-note")));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toString(), QStringLiteral("new-note"));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
