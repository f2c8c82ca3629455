#include "ui/uiwindowfactory.h"

#include "app/appstate.h"
#include "ui/imagelightbox.h"
#include "ui/mainwindow.h"
#include "ui/notewindow.h"
#include "ui/thememanager.h"

UiWindowFactory::UiWindowFactory()
{
    ImageLightbox::installAsImageViewer();
}

ThemeManager *UiWindowFactory::createThemeManager(AppState *state)
{
    auto *manager = new ThemeManager(state->preferences(), state);
    manager->applyStoredTheme();
    return manager;
}

QWidget *UiWindowFactory::createMainWindow(AppState *state)
{
    return new MainWindow(state);
}

QWidget *UiWindowFactory::createNoteWindow(AppState *state, const QString &noteId)
{
    return new NoteWindow(state, noteId);
}

void UiWindowFactory::showTodosWindow(QWidget *mainWindow)
{
    if (auto *window = qobject_cast<MainWindow *>(mainWindow))
        window->showTodos();
}
