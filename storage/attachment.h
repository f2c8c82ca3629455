#pragma once

#include "storage/note.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Metadata of a file attached to a note; the bytes live in a file named
// after the id in the attachments directory.
struct Attachment
{
    QString id;
    QString noteId;
    QString filename; // name shown to the user
    QString mimeType;
    qint64 sizeBytes = 0;
    QDateTime createdAt;
    SyncStatus syncStatus = SyncStatus::Pending;
};
