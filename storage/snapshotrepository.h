#pragma once

#include "storage/snapshot.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class Database;

// Earlier versions of note bodies, one per (note, version); a new snapshot of
// the same version replaces the earlier one.
class SnapshotRepository : public QObject
{
    Q_OBJECT

public:
    explicit SnapshotRepository(Database *database, QObject *parent = nullptr);

    std::optional<Snapshot> get(const QString &id) const;
    QList<Snapshot> listForNote(const QString &noteId) const; // newest version first
    bool insert(const Snapshot &snapshot);

private:
    Database *m_database;
};
