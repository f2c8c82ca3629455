#pragma once

#include "app/windowfactory.h"

// Creates the ui library's windows and theme manager for the shell.
class UiWindowFactory : public WindowFactory
{
public:
    // Also lets the editor show image attachments in the lightbox.
    UiWindowFactory();

    ThemeManager *createThemeManager(AppState *state) override;
    QWidget *createMainWindow(AppState *state) override;
    QWidget *createNoteWindow(AppState *state, const QString &noteId) override;
    void showTodosWindow(QWidget *mainWindow) override;
};
