#include "interchange/importbatch.h"

#include "interchange/interchangelog.h"
#include "storage/database.h"

ImportBatch::ImportBatch(Database *database)
    : m_database(database)
{
    if (m_database)
        m_database->beginBatch();
}

ImportBatch::~ImportBatch()
{
    if (!m_finished)
        finish();
}

bool ImportBatch::finish(QString *error)
{
    if (m_finished || !m_database)
        return true;
    m_finished = true;
    QString text;
    if (m_database->endBatch(&text))
        return true;
    qCWarning(lcInterchange) << "ImportBatch::finish commit failed:" << text;
    if (error)
        *error = text;
    return false;
}
