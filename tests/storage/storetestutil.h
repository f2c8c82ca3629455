#pragma once

#include "storage/database.h"
#include "storage/note.h"
#include "storage/noterepository.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// The first value a query yields; invalid when it fails or yields no row.
inline QVariant scalarIn(Database &database, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(database.database());
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec() || !query.next())
        return QVariant();
    return query.value(0);
}

// A migrated store in a temporary directory of its own.
struct TestStore
{
    TestStore()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        ready = dir.isValid() && database.open(path()) && database.migrate();
    }

    QString path() const { return dir.filePath(QStringLiteral("store.db")); }
    QString attachmentsPath() const { return dir.filePath(QStringLiteral("attachments")); }

    // Runs one statement directly, bypassing the repositories.
    bool exec(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(database.database());
        query.prepare(sql);
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (!query.exec()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
            return false;
        }
        return true;
    }

    QVariant scalar(const QString &sql, const QVariantList &values = {})
    {
        return scalarIn(database, sql, values);
    }

    QTemporaryDir dir;
    Database database;
    bool ready = false;
};

// A Delta body holding the given lines, each ended by a newline.
inline QString deltaBody(const QStringList &lines)
{
    QJsonArray ops;
    for (const QString &line : lines)
        ops.append(QJsonObject{{QStringLiteral("insert"), line + QLatin1Char('\n')}});
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

inline QDateTime utc(const char *iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs).toUTC();
}

inline Note makeNote(const QString &id,
                     const QString &notebookId,
                     const QString &body,
                     const QDateTime &updatedAt = utc("2024-05-01T09:30:00.123Z"))
{
    Note note;
    note.id = id;
    note.notebookId = notebookId;
    note.body = body;
    note.createdAt = updatedAt.addSecs(-3600);
    note.updatedAt = updatedAt;
    note.modifiedAt = updatedAt;
    return note;
}

// Inserts a one-line note per id; false at the first that fails.
inline bool insertNotes(NoteRepository &notes,
                        const QStringList &ids,
                        const QString &notebookId = QString())
{
    for (const QString &id : ids) {
        if (!notes.insert(makeNote(id, notebookId, deltaBody({id}))))
            return false;
    }
    return true;
}

// The ids of a listing, in its order.
template<typename Item>
QStringList idsOf(const QList<Item> &items)
{
    QStringList ids;
    for (const Item &item : items)
        ids << item.id;
    return ids;
}
