#include "app/application.h"

#include "app/accountconfig.h"
#include "app/appinfo.h"
#include "app/appstate.h"
#include "app/datapaths.h"
#include "app/singleinstance.h"
#include "app/windowfactory.h"
#include "storage/preferencesrepository.h"

#include <QFontDatabase>
#include <QIcon>
#include <QMessageBox>
#include <QWidget>

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QString::fromLatin1(AppInfo::organizationName));
    setOrganizationDomain(QString::fromLatin1(AppInfo::organizationDomain));
    setApplicationName(QString::fromLatin1(AppInfo::applicationName));
    setApplicationVersion(QString::fromLatin1(AppInfo::version));

    // A font that does not register is simply not used.
    for (const char *font : {":/fonts/IBMPlexSans.ttf",
                             ":/fonts/IBMPlexSans-Italic.ttf",
                             ":/fonts/IBMPlexMono-Medium.ttf",
                             ":/fonts/MaterialIcons-Regular.otf"}) {
        QFontDatabase::addApplicationFont(QString::fromLatin1(font));
    }
    setWindowIcon(QIcon(QStringLiteral(":/icons/app-icon.png")));
}

Application::~Application()
{
    // The main window has no Qt parent; it goes before the state it is built on.
    delete m_mainWindow;
}

void Application::setWindowFactory(WindowFactory *factory)
{
    m_factory = factory;
}

int Application::run()
{
    m_singleInstance = new SingleInstance(QString::fromLatin1(AppInfo::instanceServerName), this);
    const QStringList args = arguments();
    if (!m_singleInstance->tryStart(SingleInstance::parseCommandLine(args)))
        return 0;

    m_appState = new AppState(this);
    m_appState->setWindowFactory(m_factory);
    if (!m_appState->initialize()) {
        QMessageBox box(QMessageBox::Critical,
                        tr("Database Error"),
                        tr("Failed to initialize the database.\n\nData directory: %1\n\nPlease "
                           "check file permissions and try again.")
                            .arg(dataDirectory()),
                        QMessageBox::Ok);
        box.exec();
        return 1;
    }

    connect(m_singleInstance,
            &SingleInstance::messageReceived,
            this,
            &Application::handleInstanceMessage);

    const QString request = SingleInstance::parseCommandLine(args);
    const bool newNote = request == QLatin1String("new-note");
    const bool noteRequested = newNote || request.startsWith(QLatin1String("note:"));
    if (newNote)
        m_appState->createNoteWindow();
    else if (noteRequested)
        m_appState->openNoteWindow(request.mid(5));

    if (m_factory)
        m_mainWindow = m_factory->createMainWindow(m_appState);

    PreferencesRepository *prefs = m_appState->preferences();
    const bool startMinimized = prefs->getBool(QStringLiteral("start_minimized"), false);
    if (m_mainWindow && !noteRequested && !startMinimized)
        m_mainWindow->show();

    const QString restore = prefs->getString(QStringLiteral("restore_note_windows"), QString());
    if (!restore.isEmpty()) {
        for (const QString &id : restore.split(QLatin1Char(','), Qt::SkipEmptyParts))
            m_appState->openNoteWindow(id);
        prefs->remove(QStringLiteral("restore_note_windows"));
    }

    if (prefs->getBool(QStringLiteral("restore_todos_window"), false)) {
        if (m_factory && m_mainWindow)
            m_factory->showTodosWindow(m_mainWindow);
        prefs->remove(QStringLiteral("restore_todos_window"));
    }

    return exec();
}

void Application::handleInstanceMessage(const QString &message)
{
    if (!m_appState)
        return;
    if (message == QLatin1String("new-note"))
        m_appState->createNoteWindow();
    else if (message.startsWith(QLatin1String("note:")))
        m_appState->openNoteWindow(message.mid(5));
    else
        showMainWindow();
}

void Application::showMainWindow()
{
    if (!m_mainWindow)
        return;
    if (m_mainWindow->isMinimized())
        m_mainWindow->showNormal();
    else
        m_mainWindow->show();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}
