#pragma once

#include "interchange/importresult.h"
#include "storage/attachment.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class AttachmentRepository;
class Database;
class NotebookRepository;
class NoteRepository;
struct Note;

// An attachment of an imported note, with its bytes.
struct ImportedAttachment
{
    Attachment record;
    QByteArray data;
};

// The writes of one import or restore, grouped in a database batch: one
// transaction, and the repositories announce their changes once at the end,
// so the windows refresh once instead of once per record. Imported records
// are created new and pending.
class ImportBatch
{
public:
    explicit ImportBatch(Database *database,
                         NotebookRepository *notebooks = nullptr,
                         NoteRepository *notes = nullptr,
                         AttachmentRepository *attachments = nullptr);
    // Finishes the batch when finish() was not called.
    ~ImportBatch();
    ImportBatch(const ImportBatch &) = delete;
    ImportBatch &operator=(const ImportBatch &) = delete;

    // The time that stands in for a missing creation time.
    QDateTime now() const { return m_now; }

    // A notebook for an imported folder; the id it was given, empty when it
    // could not be stored. A missing creation time is now(), a missing
    // update time the creation time.
    QString addNotebook(const QString &name, const QDateTime &created, const QDateTime &updated);
    // Stores the note (id, notebook and body set by the caller) with the
    // same time rules, then its attachments; counts into `result`.
    void addNote(Note note,
                 const QDateTime &created,
                 const QDateTime &updated,
                 const QList<ImportedAttachment> &attachments,
                 ImportResult &result);

    // Commits and announces the changes; false with the reason when the
    // batch could not be committed (the writes are then rolled back).
    bool finish(QString *error = nullptr);
    // The same for an import: after a failed commit nothing it counted as
    // imported stays, so those records count as errors and `result.error`
    // says why.
    void finish(ImportResult &result);

private:
    Database *m_database;
    NotebookRepository *m_notebooks;
    NoteRepository *m_notes;
    AttachmentRepository *m_attachments;
    QDateTime m_now;
    bool m_finished = false;
};
