#include "app/singleinstance.h"

#include "app/shelllog.h"

#include <QLocalServer>
#include <QLocalSocket>

SingleInstance::SingleInstance(const QString &serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(serverName)
{}

QString SingleInstance::parseCommandLine(const QStringList &arguments)
{
    if (arguments.mid(1).contains(QStringLiteral("--new-note")))
        return QStringLiteral("new-note");
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--note"))
            return QStringLiteral("note:") + arguments.at(i + 1);
    }
    return QStringLiteral("focus");
}

bool SingleInstance::tryStart(const QString &message)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName, QIODevice::ReadWrite);
    if (socket.waitForConnected(500)) {
        if (!message.isEmpty()) {
            socket.write(message.toUtf8());
            socket.flush();
            socket.waitForBytesWritten(1000);
        }
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState)
            socket.waitForDisconnected(1000);
        return false;
    }

    // Nobody answered: whatever is left under that name belongs to a crashed run.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::handleNewConnection);
    if (!m_server->listen(m_serverName))
        qCWarning(lcShell).noquote()
            << "SingleInstance: failed to start server:" << m_server->errorString();
    return true;
}

void SingleInstance::handleNewConnection()
{
    while (QLocalSocket *connection = m_server->nextPendingConnection()) {
        // A connection that delivered its message does not also report an
        // empty one when it disconnects.
        auto delivered = std::make_shared<bool>(false);
        connect(connection, &QLocalSocket::readyRead, this, [this, connection, delivered] {
            const QByteArray data = connection->readAll();
            if (data.isEmpty())
                return;
            *delivered = true;
            emit messageReceived(QString::fromUtf8(data));
            connection->deleteLater();
        });
        connect(connection, &QLocalSocket::disconnected, this, [this, connection, delivered] {
            if (!*delivered && connection->bytesAvailable() == 0)
                emit messageReceived(QString());
            else if (!*delivered)
                emit messageReceived(QString::fromUtf8(connection->readAll()));
            connection->deleteLater();
        });
    }
}
