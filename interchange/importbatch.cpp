#include "interchange/importbatch.h"

#include "interchange/interchangelog.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/notebook.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"

#include <QCoreApplication>
#include <QUuid>

ImportBatch::ImportBatch(Database *database,
                         NotebookRepository *notebooks,
                         NoteRepository *notes,
                         AttachmentRepository *attachments)
    : m_database(database)
    , m_notebooks(notebooks)
    , m_notes(notes)
    , m_attachments(attachments)
    , m_now(QDateTime::currentDateTimeUtc())
{
    if (m_database)
        m_database->beginBatch();
}

ImportBatch::~ImportBatch()
{
    if (!m_finished)
        finish();
}

QString ImportBatch::addNotebook(const QString &name,
                                 const QDateTime &created,
                                 const QDateTime &updated)
{
    if (!m_notebooks)
        return QString();
    Notebook notebook;
    notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    notebook.name = name;
    notebook.createdAt = created.isValid() ? created : m_now;
    notebook.updatedAt = updated.isValid() ? updated : notebook.createdAt;
    notebook.version = 1;
    notebook.syncStatus = SyncStatus::Pending;
    return m_notebooks->insert(notebook) ? notebook.id : QString();
}

void ImportBatch::addNote(Note note,
                          const QDateTime &created,
                          const QDateTime &updated,
                          const QList<ImportedAttachment> &attachments,
                          ImportResult &result)
{
    note.createdAt = created.isValid() ? created : m_now;
    note.updatedAt = updated.isValid() ? updated : note.createdAt;
    note.modifiedAt = note.updatedAt;
    note.version = 1;
    note.opVersion = 0;
    note.syncStatus = SyncStatus::Pending;
    if (!m_notes || !m_notes->insert(note)) {
        ++result.errors;
        return;
    }
    ++result.imported;
    if (!m_attachments)
        return;
    for (const ImportedAttachment &attachment : attachments) {
        if (!m_attachments->insert(attachment.record))
            continue;
        if (m_attachments->saveFile(attachment.record.id, attachment.data))
            ++result.attachments;
        else // a row without its bytes would show a broken attachment
            m_attachments->deleteById(attachment.record.id);
    }
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

void ImportBatch::finish(ImportResult &result)
{
    QString error;
    if (finish(&error))
        return;
    result.errors += result.imported;
    result.imported = 0;
    result.attachments = 0;
    result.error = QCoreApplication::translate("ImportBatch",
                                               "Failed to save the imported notes: %1")
                       .arg(error);
}
