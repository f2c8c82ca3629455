#pragma once

#include "app/windowfactory.h"

// Creates the ui library's windows and theme manager for the shell.
class UiWindowFactory : public WindowFactory
{
public:
    ThemeManager *createThemeManager(AppState *state) override;
    QWidget *createMainWindow(AppState *state) override;
    QWidget *createNoteWindow(AppState *state, const QString &noteId) override;
    void showTodosWindow(QWidget *mainWindow) override;
};
