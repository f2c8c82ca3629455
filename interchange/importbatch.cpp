#include "interchange/importbatch.h"

#include "app/appstate.h"
#include "interchange/interchangelog.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QSqlDatabase>
#include <QSqlError>

ImportBatch::ImportBatch(AppState *state)
    : m_state(state)
{
    if (!m_state)
        return;
    if (Database *database = m_state->database()) {
        QSqlDatabase db = database->database();
        // When a transaction is already open the writes simply join it.
        m_transaction = db.isOpen() && db.transaction();
    }
    if (m_state->notes())
        m_notesBlocked = m_state->notes()->blockSignals(true);
    if (m_state->notebooks())
        m_notebooksBlocked = m_state->notebooks()->blockSignals(true);
    if (m_state->attachments())
        m_attachmentsBlocked = m_state->attachments()->blockSignals(true);
}

ImportBatch::~ImportBatch()
{
    if (!m_finished)
        finish();
}

bool ImportBatch::finish(QString *error)
{
    if (m_finished)
        return true;
    m_finished = true;
    bool ok = true;
    if (m_transaction) {
        QSqlDatabase db = m_state->database()->database();
        if (!db.commit()) {
            const QString text = db.lastError().text();
            qCWarning(lcInterchange) << "ImportBatch::finish commit failed:" << text;
            db.rollback();
            if (error)
                *error = text;
            ok = false;
        }
    }
    if (!m_state)
        return ok;
    NoteRepository *notes = m_state->notes();
    NotebookRepository *notebooks = m_state->notebooks();
    AttachmentRepository *attachments = m_state->attachments();
    if (notes)
        notes->blockSignals(m_notesBlocked);
    if (notebooks)
        notebooks->blockSignals(m_notebooksBlocked);
    if (attachments)
        attachments->blockSignals(m_attachmentsBlocked);
    // One announcement per repository for the whole batch; after a failed
    // commit the rows are gone again, but the lists refresh all the same.
    if (notebooks && m_notebooksChanged)
        emit notebooks->notebooksChanged();
    if (notes && m_notesChanged)
        emit notes->notesChanged();
    if (attachments && m_attachmentsChanged)
        emit attachments->attachmentsChanged();
    return ok;
}
