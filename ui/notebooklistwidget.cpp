#include "ui/notebooklistwidget.h"

#include "ui/notebooklistdelegate.h"
#include "ui/notelistwidget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace {

QListWidgetItem *makeItem(int kind, const QString &label)
{
    auto *item = new QListWidgetItem;
    item->setData(NotebookListWidget::KindRole, kind);
    item->setData(NotebookListWidget::LabelRole, label);
    Qt::ItemFlags flags = item->flags();
    if (kind == NotebookListWidget::AllNotesRow || kind == NotebookListWidget::NotebookRow)
        flags |= Qt::ItemIsDropEnabled;
    else
        flags &= ~Qt::ItemIsDropEnabled;
    item->setFlags(flags);
    return item;
}

bool carriesNote(const QMimeData *data)
{
    return data && data->hasFormat(QString::fromLatin1(NoteListWidget::NoteIdMimeType));
}

} // namespace

NotebookListWidget::NotebookListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(true);
    setItemDelegate(new NotebookListDelegate(this));

    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        switch (item->data(KindRole).toInt()) {
        case AllNotesRow:
            emit allNotesSelected();
            break;
        case NotebookRow:
            emit notebookSelected(item->data(NotebookIdRole).toString());
            break;
        case TrashRow:
            emit trashSelected();
            break;
        case NewNotebookRow:
            emit newNotebookRequested();
            break;
        }
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QListWidgetItem *item = itemAt(pos);
        if (item && item->data(KindRole).toInt() == NotebookRow)
            emit notebookContextMenuRequested(item->data(NotebookIdRole).toString(),
                                              viewport()->mapToGlobal(pos));
    });
}

void NotebookListWidget::setNotebooks(const QList<Notebook> &notebooks,
                                      const QHash<QString, int> &counts,
                                      const QString &currentNotebookId,
                                      int trashCount)
{
    const bool wasBlocked = blockSignals(true);
    clear();
    int rowToSelect = 0;

    QListWidgetItem *all = makeItem(AllNotesRow, tr("All Notes"));
    all->setData(CountRole, counts.value(QString(), 0));
    addItem(all);

    for (const Notebook &notebook : notebooks) {
        if (notebook.deletedAt)
            continue;
        QListWidgetItem *item = makeItem(NotebookRow, notebook.name);
        item->setData(NotebookIdRole, notebook.id);
        item->setData(CountRole, counts.value(notebook.id, 0));
        item->setData(DefaultRole, notebook.isDefault);
        item->setData(SharedRole, notebook.isShared);
        addItem(item);
        if (!currentNotebookId.isEmpty() && notebook.id == currentNotebookId)
            rowToSelect = count() - 1;
    }

    QListWidgetItem *trash = makeItem(TrashRow, tr("Trash"));
    trash->setData(CountRole, trashCount);
    addItem(trash);
    addItem(makeItem(NewNotebookRow, tr("New Notebook…")));

    setCurrentRow(rowToSelect);
    blockSignals(wasBlocked);
}

void NotebookListWidget::mousePressEvent(QMouseEvent *event)
{
    // A right click only asks for the context menu; moving the selection
    // would mark a notebook whose notes the list does not show.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void NotebookListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (carriesNote(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QListWidget::dragEnterEvent(event);
}

void NotebookListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (carriesNote(event->mimeData())) {
        QListWidgetItem *target = itemAt(event->position().toPoint());
        if (target && target->data(KindRole).toInt() < TrashRow) {
            setCurrentItem(target);
            event->acceptProposedAction();
            return;
        }
    }
    event->ignore();
}

void NotebookListWidget::dropEvent(QDropEvent *event)
{
    QListWidgetItem *target = itemAt(event->position().toPoint());
    if (!carriesNote(event->mimeData()) || !target) {
        QListWidget::dropEvent(event);
        return;
    }
    const int kind = target->data(KindRole).toInt();
    const QString noteId = QString::fromUtf8(
        event->mimeData()->data(QString::fromLatin1(NoteListWidget::NoteIdMimeType)));
    if (kind >= TrashRow || noteId.isEmpty()) {
        event->ignore();
        return;
    }
    const QString targetId = kind == NotebookRow ? target->data(NotebookIdRole).toString()
                                                 : QString();
    emit noteDroppedOnNotebook(noteId, targetId);
    event->acceptProposedAction();
}
