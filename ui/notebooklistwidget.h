#pragma once

#include <QHash>
#include <QList>
#include <QListWidget>

#include "storage/notebook.h"

// The left pane: All Notes, the notebooks, Trash and New Notebook…, each with
// a note count. Notes dropped on All Notes or a notebook are reported so the
// main window can move them.
class NotebookListWidget : public QListWidget
{
    Q_OBJECT

public:
    enum Role {
        KindRole = Qt::UserRole,
        NotebookIdRole = Qt::UserRole + 1,
        LabelRole = Qt::UserRole + 2,
        CountRole = Qt::UserRole + 3,
        DefaultRole = Qt::UserRole + 4,
        SharedRole = Qt::UserRole + 5,
    };

    enum RowKind {
        AllNotesRow = 0,
        NotebookRow = 1,
        TrashRow = 2,
        NewNotebookRow = 3,
    };

    explicit NotebookListWidget(QWidget *parent = nullptr);

    // counts maps notebook ids to their notes; the empty id holds the total.
    void setNotebooks(const QList<Notebook> &notebooks,
                      const QHash<QString, int> &counts,
                      const QString &currentNotebookId,
                      int trashCount);

signals:
    void allNotesSelected();
    void notebookSelected(const QString &notebookId);
    void trashSelected();
    void newNotebookRequested();
    void notebookContextMenuRequested(const QString &notebookId, const QPoint &globalPos);
    void noteDroppedOnNotebook(const QString &noteId, const QString &targetNotebookId);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};
