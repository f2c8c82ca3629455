#include "ui/searchscreen.h"

#include "app/appstate.h"
#include "storage/noterepository.h"
#include "ui/notelistwidget.h"

#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

SearchScreen::SearchScreen(AppState *state, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(tr("Search all notes..."));
    m_field->setClearButtonEnabled(true);
    layout->addWidget(m_field);

    m_list = new NoteListWidget(this);
    layout->addWidget(m_list, 1);

    m_debounce = new QTimer(this);
    m_debounce->setSingleShot(true);
    m_debounce->setInterval(300);
    connect(m_debounce, &QTimer::timeout, this, &SearchScreen::refresh);
    connect(m_field, &QLineEdit::textChanged, m_debounce, qOverload<>(&QTimer::start));

    connect(m_list, &NoteListWidget::noteSelected, this, [this](const QString &noteId) {
        if (m_state)
            m_state->setCurrentNoteId(noteId);
    });
    connect(m_list, &NoteListWidget::noteDoubleClicked, this, [this](const QString &noteId) {
        if (m_state)
            m_state->openNoteWindow(noteId);
    });
}

void SearchScreen::refresh()
{
    m_debounce->stop();
    const QString query = m_field->text().trimmed();
    // A blank query shows nothing rather than every note.
    if (query.isEmpty() || !m_state || !m_state->notes()) {
        m_list->setNotes({});
        return;
    }
    m_list->setNotes(m_state->notes()->search(query));
}

void SearchScreen::present()
{
    refresh();
    setWindowTitle(tr("Search — Velmora Notes"));
    if (!isVisible())
        resize(600, 500);
    show();
    raise();
    activateWindow();
    m_field->setFocus(Qt::OtherFocusReason);
    m_field->selectAll();
}
