#pragma once

#include <QString>

class Database;

// Groups the writes of one import or restore in a database batch: one
// transaction, and the repositories announce their changes once at the end,
// so the windows refresh once instead of once per record.
class ImportBatch
{
public:
    explicit ImportBatch(Database *database);
    // Finishes the batch when finish() was not called.
    ~ImportBatch();
    ImportBatch(const ImportBatch &) = delete;
    ImportBatch &operator=(const ImportBatch &) = delete;

    // Commits and announces the changes; false with the reason when the
    // batch could not be committed (the writes are then rolled back).
    bool finish(QString *error = nullptr);

private:
    Database *m_database;
    bool m_finished = false;
};
