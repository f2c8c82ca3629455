#pragma once

#include "storage/batchedsignal.h"
#include "storage/note.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class AttachmentRepository;
class Database;

// Reads and writes the notes and note_task_settings tables. No caching: every
// call runs its statement and returns fresh values.
class NoteRepository : public QObject
{
    Q_OBJECT

public:
    explicit NoteRepository(Database *database, QObject *parent = nullptr);

    // Lets purge() remove the files of a purged note's attachments. Without
    // it, purging a note that has attachments is refused.
    void setAttachmentRepository(AttachmentRepository *attachments);

    QList<Note> listAll() const;
    QList<Note> listByNotebook(const QString &notebookId) const;
    QList<Note> listTrash() const;
    QList<Note> listPending() const;
    std::optional<Note> get(const QString &id) const;

    bool insert(const Note &note);
    bool update(const Note &note);
    bool moveToNotebook(const QString &id, const QString &notebookId);
    bool moveToTrash(const QString &id);
    bool restore(const QString &id);
    // Deletes the note with its snapshots, to-do setting and attachments, in
    // a transaction of its own: refused inside a batch.
    bool purge(const QString &id);
    bool markSynced(const QString &id, int version);

    // Full-text search; the last word matches as a prefix. Blank text lists
    // every note; text that the index cannot parse finds nothing.
    QList<Note> search(const QString &text) const;
    // Notes not in the trash per notebook id; the empty key holds the total.
    QHash<QString, int> countsByNotebook() const;

    bool includeInTodos(const QString &noteId) const;
    bool setIncludeInTodos(const QString &noteId, bool include);

signals:
    void notesChanged();
    void noteDeleted(const QString &noteId);
    void notePurged(const QString &noteId);

private:
    QList<Note> list(const QString &sql, const QVariantList &values = {}) const;
    // noteDeleted at once, or when the batch commits; a rolled-back batch
    // deleted nothing.
    void announceDeleted(const QString &noteId);
    void batchEnded(bool committed);

    Database *m_database;
    QPointer<AttachmentRepository> m_attachments;
    BatchedSignal m_changed;
    QStringList m_heldDeleted;
};
