#include "ui/trashscreen.h"

#include "app/appstate.h"
#include "storage/noterepository.h"
#include "ui/notelistwidget.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TrashScreen::TrashScreen(AppState *state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);

    auto *buttons = new QHBoxLayout;
    m_restore = new QPushButton(tr("Restore"), this);
    m_delete = new QPushButton(tr("Delete Permanently"), this);
    m_empty = new QPushButton(tr("Empty Trash"), this);
    m_restore->setEnabled(false);
    m_delete->setEnabled(false);
    buttons->addWidget(m_restore);
    buttons->addWidget(m_delete);
    buttons->addStretch(1);
    buttons->addWidget(m_empty);
    layout->addLayout(buttons);

    m_list = new NoteListWidget(this);
    layout->addWidget(m_list, 1);

    connect(m_list, &NoteListWidget::noteSelected, this, [this](const QString &noteId) {
        if (!noteId.isEmpty()) {
            m_restore->setEnabled(true);
            m_delete->setEnabled(true);
        }
    });
    connect(m_restore, &QPushButton::clicked, this, &TrashScreen::restoreSelected);
    connect(m_delete, &QPushButton::clicked, this, &TrashScreen::deleteSelected);
    connect(m_empty, &QPushButton::clicked, this, &TrashScreen::emptyTrash);
}

void TrashScreen::reload()
{
    m_list->setNotes(m_state && m_state->notes() ? m_state->notes()->listTrash() : QList<Note>());
    m_restore->setEnabled(false);
    m_delete->setEnabled(false);
    m_empty->setEnabled(m_list->count() > 0);
}

void TrashScreen::present()
{
    reload();
    setWindowTitle(tr("Trash — Velmora Notes"));
    if (!isVisible())
        resize(500, 400);
    show();
    raise();
    activateWindow();
}

void TrashScreen::restoreSelected()
{
    const QString noteId = m_list->currentNoteId();
    if (noteId.isEmpty() || !m_state || !m_state->notes())
        return;
    m_state->notes()->restore(noteId);
    reload();
}

void TrashScreen::deleteSelected()
{
    const QString noteId = m_list->currentNoteId();
    if (noteId.isEmpty() || !m_state || !m_state->notes())
        return;
    const auto answer
        = QMessageBox::question(this,
                                tr("Delete Permanently"),
                                tr("This note will be permanently deleted. This cannot be undone."),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    m_state->notes()->purge(noteId);
    reload();
}

void TrashScreen::emptyTrash()
{
    if (!m_state || !m_state->notes())
        return;
    const QList<Note> trashed = m_state->notes()->listTrash();
    if (trashed.isEmpty())
        return;
    const auto answer = QMessageBox::question(
        this,
        tr("Empty Trash"),
        tr("Permanently delete all %1 notes in trash? This cannot be undone.").arg(trashed.size()),
        QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    for (const Note &note : trashed)
        m_state->notes()->purge(note.id);
    reload();
}
