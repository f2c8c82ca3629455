#pragma once

#include "storage/batchedsignal.h"
#include "storage/notebook.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class Database;

// Reads and writes the notebooks table. Deleting is a soft delete of the
// notebook row; its notes are left alone.
class NotebookRepository : public QObject
{
    Q_OBJECT

public:
    explicit NotebookRepository(Database *database, QObject *parent = nullptr);

    QList<Notebook> listAll() const;
    QList<Notebook> listAllWithDeleted() const;
    std::optional<Notebook> get(const QString &id) const;

    bool insert(const Notebook &notebook);
    bool update(const Notebook &notebook);
    bool markDeleted(const QString &id);

signals:
    void notebooksChanged();

private:
    QList<Notebook> list(const QString &sql) const;

    Database *m_database;
    BatchedSignal m_changed;
};
