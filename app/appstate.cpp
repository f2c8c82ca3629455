#include "app/appstate.h"

#include "app/accountconfig.h"
#include "app/datapaths.h"
#include "app/shelllog.h"
#include "app/windowfactory.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/note.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"
#include "storage/snapshotrepository.h"

#include <QCoreApplication>

AppState::AppState(QObject *parent)
    : QObject(parent)
{}

AppState::~AppState()
{
    // Note windows have no Qt parent: they must stop talking to us before we go.
    const auto windows = m_noteWindows;
    m_noteWindows.clear();
    for (const QPointer<QWidget> &window : windows) {
        if (!window)
            continue;
        window->disconnect(this);
        disconnect(window, nullptr, this, nullptr);
        window->close();
    }
}

void AppState::setWindowFactory(WindowFactory *factory)
{
    m_factory = factory;
}

WindowFactory *AppState::windowFactory() const
{
    return m_factory;
}

void AppState::setStoragePaths(const QString &databasePath, const QString &attachmentsDirectory)
{
    m_databasePath = databasePath;
    m_attachmentsDirectory = attachmentsDirectory;
}

QString AppState::attachmentsDirectory() const
{
    return m_attachmentsDirectory.isEmpty() ? ::attachmentsDirectory() : m_attachmentsDirectory;
}

bool AppState::initialize()
{
    m_database = new Database(this);
    const QString path = m_databasePath.isEmpty() ? databasePath() : m_databasePath;
    qCInfo(lcShell).noquote() << "Opening database at:" << path;
    if (!m_database->open(path))
        return false;
    if (!m_database->migrate())
        return false;

    m_notes = new NoteRepository(m_database, this);
    m_notebooks = new NotebookRepository(m_database, this);
    m_preferences = new PreferencesRepository(m_database, this);
    m_snapshots = new SnapshotRepository(m_database, this);
    m_attachments = new AttachmentRepository(m_database, attachmentsDirectory(), this);
    m_notes->setAttachmentRepository(m_attachments);

    connect(m_notes, &NoteRepository::notesChanged, this, &AppState::notesChanged);
    connect(m_notebooks, &NotebookRepository::notebooksChanged, this, &AppState::notebooksChanged);
    connect(m_notes, &NoteRepository::noteDeleted, this, &AppState::noteDeletedExternally);
    connect(m_notes,
            &NoteRepository::notePurged,
            m_attachments,
            &AttachmentRepository::deleteForNote);

    if (m_factory)
        m_themeManager = m_factory->createThemeManager(this);

    const EndpointSettings endpoints = EndpointSettings::fromEnvironment();
    qCInfo(lcShell).noquote() << "Auth:" << endpoints.authBaseUrl
                              << "Account:" << endpoints.accountApiUrl
                              << "Sync:" << endpoints.syncApiUrl;
    m_accountConfig = endpoints.accountConfig(QCoreApplication::applicationVersion());
    m_syncApiUrl = endpoints.syncApiUrl;

    if (const auto notebookId = m_preferences->value(QStringLiteral("lastNotebookId")))
        m_currentNotebookId = *notebookId;
    if (const auto noteId = m_preferences->value(QStringLiteral("lastNoteId")))
        m_currentNoteId = *noteId;

    emit databaseReady();
    return true;
}

void AppState::setCurrentNotebookId(const QString &id)
{
    if (id == m_currentNotebookId)
        return;
    m_currentNotebookId = id;
    m_preferences->setString(QStringLiteral("lastNotebookId"), id);
    emit currentNotebookChanged(id);
}

void AppState::setCurrentNoteId(const QString &id)
{
    if (id == m_currentNoteId)
        return;
    m_currentNoteId = id;
    m_preferences->setString(QStringLiteral("lastNoteId"), id);
    emit currentNoteChanged(id);
}

QWidget *AppState::createNoteWindow()
{
    const Note note = Note::create(m_currentNotebookId);
    if (!m_notes->insert(note))
        return nullptr;
    openNoteWindow(note.id);
    return noteWindow(note.id);
}

void AppState::openNoteWindow(const QString &noteId)
{
    if (QWidget *existing = noteWindow(noteId)) {
        existing->raise();
        existing->activateWindow();
        return;
    }
    if (!m_factory)
        return;
    QWidget *window = m_factory->createNoteWindow(this, noteId);
    if (!window)
        return;
    m_noteWindows.insert(noteId, window);
    window->show();
    window->raise();
    window->activateWindow();
}

void AppState::onNoteWindowClosed(const QString &noteId)
{
    m_noteWindows.remove(noteId);
}

QStringList AppState::openNoteWindowIds() const
{
    QStringList ids;
    for (auto it = m_noteWindows.cbegin(); it != m_noteWindows.cend(); ++it) {
        if (it.value())
            ids.append(it.key());
    }
    return ids;
}

QWidget *AppState::noteWindow(const QString &noteId) const
{
    return m_noteWindows.value(noteId).data();
}
