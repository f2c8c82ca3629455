#pragma once

#include <QString>

class AppState;

// Groups the writes of one import or restore: they run in one transaction,
// and the repositories' change signals are held back and announced once at
// the end, so the windows refresh once instead of once per record.
class ImportBatch
{
public:
    explicit ImportBatch(AppState *state);
    // Finishes the batch when finish() was not called.
    ~ImportBatch();
    ImportBatch(const ImportBatch &) = delete;
    ImportBatch &operator=(const ImportBatch &) = delete;

    void noteNotebooksChanged() { m_notebooksChanged = true; }
    void noteNotesChanged() { m_notesChanged = true; }
    void noteAttachmentsChanged() { m_attachmentsChanged = true; }

    // Commits and announces the changes; false with the driver's text when
    // the commit failed (the writes are then rolled back).
    bool finish(QString *error = nullptr);

private:
    AppState *m_state;
    bool m_transaction = false;
    bool m_finished = false;
    bool m_notesBlocked = false;
    bool m_notebooksBlocked = false;
    bool m_attachmentsBlocked = false;
    bool m_notebooksChanged = false;
    bool m_notesChanged = false;
    bool m_attachmentsChanged = false;
};
