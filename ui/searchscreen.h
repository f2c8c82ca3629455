#pragma once

#include <QWidget>

class AppState;
class NoteListWidget;
class QLineEdit;
class QTimer;

// Stand-alone window that searches all notes as the user types.
class SearchScreen : public QWidget
{
    Q_OBJECT

public:
    explicit SearchScreen(AppState *state, QWidget *parent = nullptr);

    // Runs the search for the field's current text.
    void refresh();
    // What the main window does each time it shows the window: refresh,
    // title, first size, show and raise, then focus the field.
    void present();

    NoteListWidget *noteList() const { return m_list; }
    QLineEdit *searchField() const { return m_field; }

private:
    AppState *m_state;
    QLineEdit *m_field;
    NoteListWidget *m_list;
    QTimer *m_debounce;
};
