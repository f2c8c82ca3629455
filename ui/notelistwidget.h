#pragma once

#include <QList>
#include <QListWidget>

#include <functional>

#include "storage/note.h"

// The middle pane: one card per note. Reports selection, activation,
// deletion, double-click and context-menu requests, and lets a note be
// dragged onto a notebook of the sidebar.
class NoteListWidget : public QListWidget
{
    Q_OBJECT

public:
    enum Role {
        NoteIdRole = Qt::UserRole,
        TitleRole = Qt::UserRole + 1,
        PreviewRole = Qt::UserRole + 2,
        UpdatedRole = Qt::UserRole + 3,
        NotebookNameRole = Qt::UserRole + 4,
        UntitledRole = Qt::UserRole + 5,
        SharedRole = Qt::UserRole + 6,
        SyncStatusRole = Qt::UserRole + 7,
    };

    using NotebookNameResolver = std::function<QString(const QString &notebookId)>;

    static const char *const NoteIdMimeType;

    explicit NoteListWidget(QWidget *parent = nullptr);

    void setNotebookNameResolver(NotebookNameResolver resolver);
    void setNotes(const QList<Note> &notes);
    void setNotes(QList<Note> &&notes);
    // The records of the rows, without their bodies.
    const QList<Note> &notes() const { return m_notes; }

    // Makes the first row of noteId current (emitting noteSelected); nothing
    // when no row matches.
    void selectNote(const QString &noteId);
    QString currentNoteId() const;

signals:
    void noteSelected(const QString &noteId);
    void noteDoubleClicked(const QString &noteId);
    void noteActivated(const QString &noteId);
    void noteDeleteRequested(const QString &noteId);
    void noteContextMenuRequested(const QString &noteId, const QPoint &globalPos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    QList<Note> m_notes;
    NotebookNameResolver m_resolver;
};
