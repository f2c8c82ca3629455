#pragma once

#include <functional>

class Database;

// A repository's change signal as it should reach listeners: emitted at once
// outside a batch, and at most once for a batch in which the repository
// changed anything, when the repository calls flush() on the batch's end.
// After a rolled-back batch it still fires, so that views re-read the store
// and drop whatever they might have derived from the abandoned writes.
class BatchedSignal
{
public:
    // `emitSignal` emits the repository's signal.
    BatchedSignal(Database *database, std::function<void()> emitSignal);
    BatchedSignal(const BatchedSignal &) = delete;
    BatchedSignal &operator=(const BatchedSignal &) = delete;

    void raise();
    // Emits the signal held back during the batch, if any.
    void flush();

private:
    Database *m_database;
    std::function<void()> m_emit;
    bool m_pending = false;
};
