#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

// Keeps one running process per user: a later launch hands its request to
// the running one over a local socket and exits.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &serverName, QObject *parent = nullptr);

    // True when this process is now the primary instance; false when another
    // instance took the message.
    bool tryStart(const QString &message);

    // The launch message of a command line: "new-note", "note:ID" or "focus".
    static QString parseCommandLine(const QStringList &arguments);

signals:
    void messageReceived(const QString &message);

private:
    void handleNewConnection();

    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
