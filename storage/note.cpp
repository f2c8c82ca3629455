#include "storage/note.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUuid>

namespace {

constexpr int previewLimit = 120;

} // namespace

SyncStatus syncStatusFromText(const QString &text)
{
    if (text == QLatin1String("synced"))
        return SyncStatus::Synced;
    if (text == QLatin1String("conflict"))
        return SyncStatus::Conflict;
    return SyncStatus::Pending;
}

QString syncStatusText(SyncStatus status)
{
    switch (status) {
    case SyncStatus::Synced:
        return QStringLiteral("synced");
    case SyncStatus::Conflict:
        return QStringLiteral("conflict");
    case SyncStatus::Pending:
        break;
    }
    return QStringLiteral("pending");
}

QString Note::emptyBody()
{
    return QStringLiteral("[{\"insert\":\"\\n\"}]");
}

Note Note::create(const QString &notebookId)
{
    Note note;
    note.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    note.notebookId = notebookId;
    note.body = emptyBody();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    note.createdAt = now;
    note.updatedAt = now;
    note.modifiedAt = now;
    return note;
}

QString Note::plainText() const
{
    if (body.isEmpty())
        return QString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return body;
    QString text;
    const QJsonArray ops = document.array();
    for (const QJsonValue &op : ops) {
        if (!op.isObject())
            continue;
        const QJsonValue insert = op.toObject().value(QLatin1String("insert"));
        if (insert.isString())
            text += insert.toString();
    }
    return text;
}

QString Note::title() const
{
    const QString text = plainText();
    const qsizetype newline = text.indexOf(u'\n');
    return (newline < 0 ? text : text.left(newline)).trimmed();
}

QString Note::preview() const
{
    const QString text = plainText();
    const qsizetype newline = text.indexOf(u'\n');
    if (newline < 0)
        return QString();
    QString rest = text.mid(newline + 1).trimmed();
    rest.replace(u'\n', u' ');
    if (rest.size() > previewLimit)
        return rest.left(previewLimit) + QLatin1String("...");
    return rest;
}
