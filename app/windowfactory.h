#pragma once

#include <QString>

class AppState;
class QWidget;
class ThemeManager;

// The shell creates windows and the theme manager through this interface so
// that it never depends on the ui library, which itself builds on AppState.
// The executable installs the ui library's implementation.
class WindowFactory
{
public:
    virtual ~WindowFactory() = default;

    // Returns a theme manager that is a Qt child of state, with the stored
    // theme already applied.
    virtual ThemeManager *createThemeManager(AppState *state) = 0;

    // The main window, without a Qt parent.
    virtual QWidget *createMainWindow(AppState *state) = 0;

    // A stand-alone note window for noteId, without a Qt parent. The window
    // reports its closing through AppState::onNoteWindowClosed.
    virtual QWidget *createNoteWindow(AppState *state, const QString &noteId) = 0;

    // Shows the to-dos window of the given main window.
    virtual void showTodosWindow(QWidget *mainWindow) = 0;
};
