#include "storage/batchedsignal.h"

#include "storage/database.h"

BatchedSignal::BatchedSignal(Database *database, std::function<void()> emitSignal)
    : m_database(database)
    , m_emit(std::move(emitSignal))
{}

void BatchedSignal::raise()
{
    if (m_database && m_database->inBatch())
        m_pending = true;
    else
        m_emit();
}

void BatchedSignal::flush()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_emit();
}
