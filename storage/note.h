#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Sync state of a stored record, kept as text in the sync_status columns.
enum class SyncStatus { Pending = 0, Synced = 1, Conflict = 2 };

// "synced" and "conflict" map to their values; any other text is Pending.
SyncStatus syncStatusFromText(const QString &text);
// Out-of-range values are written as "pending".
QString syncStatusText(SyncStatus status);

// One note as stored in the notes table. The body is a Delta document (JSON
// list of operations); title, preview and plain text are derived from it on
// demand and never stored.
struct Note
{
    QString id;
    QString notebookId; // empty: the note is in no notebook
    QString body;
    QDateTime createdAt;
    QDateTime updatedAt;                // last content change; lists sort by it
    QDateTime modifiedAt;               // last change of content or metadata
    std::optional<QDateTime> deletedAt; // set while the note is in the trash
    int version = 1;
    int opVersion = 0;
    SyncStatus syncStatus = SyncStatus::Pending;
    bool isSample = false;
    QString ownerId;
    bool isShared = false;
    QString permission;

    // The body of a note with no content.
    static QString emptyBody();
    // A fresh note as the application makes it: new id, empty body, all
    // three times now (UTC), version 1, pending.
    static Note create(const QString &notebookId = QString());

    QString plainText() const;
    QString title() const;
    QString preview() const;
};
