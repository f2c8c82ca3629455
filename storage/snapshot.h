#pragma once

#include <QDateTime>
#include <QString>

// An earlier body of a note, at most one per (note, version).
struct Snapshot
{
    QString id;
    QString noteId;
    int version = 0; // the note's version when the snapshot was taken
    QString body;
    QDateTime createdAt;
};
