#pragma once

#include <QWidget>

class AppState;
class NoteListWidget;
class QPushButton;

// Stand-alone window listing trashed notes, to restore or purge them.
class TrashScreen : public QWidget
{
    Q_OBJECT

public:
    explicit TrashScreen(AppState *state, QWidget *parent = nullptr);

    // Lists the trashed notes and resets the buttons.
    void reload();
    // What the main window does each time it shows the window.
    void present();

    NoteListWidget *noteList() const { return m_list; }
    QPushButton *restoreButton() const { return m_restore; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *emptyButton() const { return m_empty; }

private:
    void restoreSelected();
    void deleteSelected();
    void emptyTrash();

    AppState *m_state;
    QPushButton *m_restore;
    QPushButton *m_delete;
    QPushButton *m_empty;
    NoteListWidget *m_list;
};
