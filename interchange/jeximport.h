#pragma once

#include "interchange/importresult.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

class AppState;

// One Joplin item file (".md" in the archive): body, blank line, metadata.
struct JexItem
{
    QString id;
    QString title;
    QString parentId;
    int type = 0;           // 1 note, 2 folder, 4 resource
    int markupLanguage = 1; // 2 is HTML, anything else Markdown
    QDateTime createdTime;
    QDateTime updatedTime;
    QString mime;
    QString fileExtension;
};

// Imports a Joplin export archive: folders become notebooks, notes become
// notes, resources linked from a note become its attachments. Everything is
// created new.
ImportResult importJex(const QString &path,
                       AppState *appState,
                       const ImportProgress &progress = ImportProgress());

JexItem parseJexItem(const QByteArray &bytes);
// ISO 8601 with or without milliseconds (UTC when no zone is given), or
// milliseconds since the epoch; invalid otherwise.
QDateTime parseJexTime(const QString &text);
// The blob holding a resource's bytes, looked up by the names Joplin uses;
// empty when there is none.
QByteArray findResourceData(const QMap<QString, QByteArray> &blobs,
                            const QString &resourceId,
                            const QString &fileExtension);
