#include "ui/notelistwidget.h"

#include "ui/notelistdelegate.h"

#include <QCursor>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>

namespace {

// The note's display title and preview from one pass over its body; the
// record's own title() and preview() each scan the body again.
void titleAndPreview(const Note &note, QString &title, QString &preview)
{
    const QString text = note.plainText();
    const qsizetype newline = text.indexOf(u'\n');
    if (newline < 0) {
        title = text.trimmed();
        preview.clear();
        return;
    }
    title = text.left(newline).trimmed();
    preview = text.mid(newline + 1).trimmed();
    const bool cut = preview.size() > 120;
    if (cut)
        preview.truncate(120);
    preview.replace(u'\n', u' ');
    if (cut)
        preview += QLatin1String("...");
}

} // namespace

const char *const NoteListWidget::NoteIdMimeType = "application/x-velmora-note-id";

NoteListWidget::NoteListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setContextMenuPolicy(Qt::CustomContextMenu);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setItemDelegate(new NoteListDelegate(this));

    connect(this,
            &QListWidget::currentItemChanged,
            this,
            [this](QListWidgetItem *current, QListWidgetItem *) {
                if (current)
                    emit noteSelected(current->data(NoteIdRole).toString());
            });
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        emit noteDoubleClicked(item->data(NoteIdRole).toString());
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (QListWidgetItem *item = itemAt(pos))
            emit noteContextMenuRequested(item->data(NoteIdRole).toString(),
                                          viewport()->mapToGlobal(pos));
    });
}

void NoteListWidget::setNotebookNameResolver(NotebookNameResolver resolver)
{
    m_resolver = std::move(resolver);
}

void NoteListWidget::setNotes(const QList<Note> &notes)
{
    setNotes(QList<Note>(notes));
}

void NoteListWidget::setNotes(QList<Note> &&notes)
{
    const QString previousId = currentNoteId();
    const bool wasBlocked = blockSignals(true);
    clear();
    // The rows need the records' metadata only. Each body is let go as soon
    // as its texts are taken, so a large list never holds all bodies and all
    // rows at once and the rows reuse the bodies' memory.
    m_notes = std::move(notes);

    QListWidgetItem *toSelect = nullptr;
    for (Note &note : m_notes) {
        QString title;
        QString preview;
        titleAndPreview(note, title, preview);
        note.body = QString();
        bool untitled = false;
        if (title.isEmpty()) {
            untitled = true;
            title = preview.isEmpty() ? tr("Untitled") : preview;
            preview.clear();
        }
        auto *item = new QListWidgetItem;
        item->setData(NoteIdRole, note.id);
        item->setData(TitleRole, title);
        item->setData(PreviewRole, preview);
        item->setData(UpdatedRole, note.updatedAt);
        item->setData(NotebookNameRole, m_resolver ? m_resolver(note.notebookId) : QString());
        item->setData(UntitledRole, untitled);
        item->setData(SharedRole, note.isShared);
        item->setData(SyncStatusRole, int(note.syncStatus));
        addItem(item);
        if (!toSelect && !previousId.isEmpty() && note.id == previousId)
            toSelect = item;
    }
    if (toSelect)
        setCurrentItem(toSelect);

    blockSignals(wasBlocked);
}

void NoteListWidget::selectNote(const QString &noteId)
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(NoteIdRole).toString() == noteId) {
            setCurrentRow(row);
            return;
        }
    }
}

QString NoteListWidget::currentNoteId() const
{
    if (QListWidgetItem *item = currentItem())
        return item->data(NoteIdRole).toString();
    return QString();
}

void NoteListWidget::keyPressEvent(QKeyEvent *event)
{
    const QString id = currentNoteId();
    if (!id.isEmpty()) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            emit noteActivated(id);
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            emit noteDeleteRequested(id);
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

QStringList NoteListWidget::mimeTypes() const
{
    return {QString::fromLatin1(NoteIdMimeType)};
}

QMimeData *NoteListWidget::mimeData(const QList<QListWidgetItem *> &items) const
{
    if (items.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(NoteIdMimeType),
                  items.first()->data(NoteIdRole).toString().toUtf8());
    return data;
}

void NoteListWidget::startDrag(Qt::DropActions supportedActions)
{
    // The base class removes the dragged row itself when the drop reports a
    // move. The store moves the note and the list is refilled while the drop
    // runs, so that removal would take a row of the fresh list away (in All
    // Notes the moved note would vanish from the list).
    QListWidgetItem *item = currentItem();
    if (!item || !item->isSelected())
        return;
    QMimeData *data = mimeData({item});
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    const QRect rect = visualItemRect(item);
    if (rect.isValid()) {
        drag->setPixmap(viewport()->grab(rect));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
    }
    drag->exec(supportedActions, defaultDropAction());
}
