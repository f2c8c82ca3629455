#pragma once

#include <QString>

#include <functional>

// Outcome of a backup, a restore or an import.
struct ImportResult
{
    int imported = 0;    // records added (a backup: notes written)
    int skipped = 0;     // records left out because they already exist
    int errors = 0;      // 1 when the whole operation failed
    int attachments = 0; // attachments added (importers only)
    QString error;       // why the operation ended, empty otherwise
};

// Progress of an import: (current, total, message); a total of 0 means the
// amount of work is not known yet.
using ImportProgress = std::function<void(int current, int total, const QString &message)>;
