#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/accountconfig.h"

class AttachmentRepository;
class Database;
class NotebookRepository;
class NoteRepository;
class PreferencesRepository;
class SnapshotRepository;
class ThemeManager;
class WindowFactory;

// The one object every window is built on: it owns the store, holds the
// current notebook and note, keeps the open note windows and relays change
// notifications so that windows listen here rather than to repositories.
class AppState : public QObject
{
    Q_OBJECT

public:
    explicit AppState(QObject *parent = nullptr);
    ~AppState() override;

    // Installed before initialize(); without one no theme manager and no
    // windows are created (tests run that way).
    void setWindowFactory(WindowFactory *factory);
    WindowFactory *windowFactory() const;

    // Overrides the database and attachment locations; by default they come
    // from the data path functions.
    void setStoragePaths(const QString &databasePath, const QString &attachmentsDirectory);

    bool initialize();

    Database *database() const { return m_database; }
    NoteRepository *notes() const { return m_notes; }
    NotebookRepository *notebooks() const { return m_notebooks; }
    PreferencesRepository *preferences() const { return m_preferences; }
    SnapshotRepository *snapshots() const { return m_snapshots; }
    AttachmentRepository *attachments() const { return m_attachments; }
    ThemeManager *themeManager() const { return m_themeManager; }
    QString attachmentsDirectory() const;

    // The endpoint settings resolved at start-up, for the account services.
    AccountConfig accountConfig() const { return m_accountConfig; }
    QString syncApiUrl() const { return m_syncApiUrl; }

    QString currentNotebookId() const { return m_currentNotebookId; }
    QString currentNoteId() const { return m_currentNoteId; }
    bool canShare() const { return m_canShare; }

    void setCurrentNotebookId(const QString &id);
    void setCurrentNoteId(const QString &id);

    // Makes a new empty note in the current notebook and opens its window;
    // null when the insert fails.
    QWidget *createNoteWindow();
    void openNoteWindow(const QString &noteId);
    QStringList openNoteWindowIds() const;
    QWidget *noteWindow(const QString &noteId) const;

public slots:
    void onNoteWindowClosed(const QString &noteId);

signals:
    void databaseReady();
    void currentNotebookChanged(const QString &notebookId);
    void currentNoteChanged(const QString &noteId);
    void notesChanged();
    void notebooksChanged();
    void canShareChanged(bool canShare);
    void noteUpdatedExternally(const QString &noteId, QObject *source);
    void noteDeletedExternally(const QString &noteId);

private:
    WindowFactory *m_factory = nullptr;
    QString m_databasePath;
    QString m_attachmentsDirectory;

    Database *m_database = nullptr;
    NoteRepository *m_notes = nullptr;
    NotebookRepository *m_notebooks = nullptr;
    PreferencesRepository *m_preferences = nullptr;
    SnapshotRepository *m_snapshots = nullptr;
    AttachmentRepository *m_attachments = nullptr;
    ThemeManager *m_themeManager = nullptr;
    AccountConfig m_accountConfig;
    QString m_syncApiUrl;
    QString m_currentNotebookId;
    QString m_currentNoteId;
    bool m_canShare = false;
    QHash<QString, QPointer<QWidget>> m_noteWindows;
};
