#include "app/datapaths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>

QString dataDirectory()
{
    const QString overridden = qEnvironmentVariable("NOTES_DATA_DIR");
    if (!overridden.isEmpty()) {
        QDir(overridden).mkpath(QStringLiteral("."));
        return QDir::fromNativeSeparators(overridden);
    }
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                         + QStringLiteral("/Velmora/Notes");
    if (!QDir(path).exists())
        QDir().mkpath(path);
    return path;
}

QString attachmentsDirectory()
{
    const QString path = dataDirectory() + QStringLiteral("/attachments");
    if (!QDir(path).exists())
        QDir().mkpath(path);
    return path;
}

QString clientId()
{
    const QString path = dataDirectory() + QStringLiteral("/client_id");
    QFile file(path);
    if (file.exists() && file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString id = QString::fromUtf8(file.readAll()).trimmed();
        if (!id.isEmpty())
            return id;
        file.close();
    }
    // Not cached on purpose: a deleted file yields a new id, and with it a new store.
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
        file.write(id.toUtf8());
    return id;
}

QString databasePath()
{
    return dataDirectory() + QStringLiteral("/velmora_notes_%1.db").arg(clientId());
}
