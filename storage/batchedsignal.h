#pragma once

#include <functional>

class Database;
class QObject;

// A repository's change signal as it should reach listeners: emitted at once
// outside a batch, and at most once, when the batch ends, for a batch in
// which the repository changed anything. After a rolled-back batch it still
// fires, so that views re-read the store and drop whatever they might have
// derived from the abandoned writes.
class BatchedSignal
{
public:
    // `owner` is the repository: the connection to the database lives as
    // long as it does. `emitSignal` emits the repository's signal.
    BatchedSignal(Database *database, QObject *owner, std::function<void()> emitSignal);
    BatchedSignal(const BatchedSignal &) = delete;
    BatchedSignal &operator=(const BatchedSignal &) = delete;

    void raise();

private:
    void flush();

    Database *m_database;
    std::function<void()> m_emit;
    bool m_pending = false;
};
