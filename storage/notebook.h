#pragma once

#include "storage/note.h"

#include <QDateTime>
#include <QString>

#include <optional>

// One notebook as stored in the notebooks table.
struct Notebook
{
    QString id;
    QString name;
    bool isDefault = false; // legacy flag; new notebooks never carry it
    bool isShared = false;
    QString ownerId; // empty for the user's own notebooks
    QDateTime createdAt;
    QDateTime updatedAt;
    std::optional<QDateTime> deletedAt; // set once the notebook is deleted
    int version = 1;
    SyncStatus syncStatus = SyncStatus::Pending;
};
