#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

class AppState;
class SingleInstance;
class WindowFactory;

// The process from its entry point to the running event loop: identity,
// embedded fonts, the single instance, the store and the first windows.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);
    ~Application() override;

    // Must be called before run(); the factory outlives the application.
    void setWindowFactory(WindowFactory *factory);

    int run();

    AppState *appState() const { return m_appState; }
    QWidget *mainWindow() const { return m_mainWindow; }
    SingleInstance *singleInstance() const { return m_singleInstance; }

public slots:
    void handleInstanceMessage(const QString &message);

private:
    void showMainWindow();

    WindowFactory *m_factory = nullptr;
    AppState *m_appState = nullptr;
    QPointer<QWidget> m_mainWindow;
    SingleInstance *m_singleInstance = nullptr;
};
