#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <optional>

#include "ui/noteflows.h"
#include "ui/todosscreen.h"

class AppState;
class EditorToolbar;
class FindBar;
class NotebookListWidget;
class NoteEditor;
class NoteHeaderBar;
class NoteListWidget;
class QAction;
class QLineEdit;
class QSplitter;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;
class QVBoxLayout;
class StatusBar;
class TodosScreen;
class WelcomeScreen;
struct Notebook;

// The application's primary window: notebook sidebar, note list with its
// search field, and the editor area, with the menus that reach every
// feature, the status bar and the optional tray icon.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(AppState *state, QWidget *parent = nullptr);
    ~MainWindow() override;

    void showTodos();
    TodosScreen *todosWindow() const { return m_todos; }

    // Whether the user is signed in to an account, and whether signing in is
    // possible at all. Sign-in does not exist yet, so the window always
    // behaves as signed out.
    bool isSignedIn() const { return false; }
    bool isSignInAvailable() const { return false; }

    NoteListWidget *noteList() const { return m_noteList; }
    NotebookListWidget *notebookList() const { return m_notebookList; }
    NoteEditor *editor() const { return m_editor; }
    EditorToolbar *editorToolbar() const { return m_toolbar; }
    NoteHeaderBar *headerBar() const { return m_headerBar; }
    StatusBar *statusBarWidget() const { return m_statusBar; }
    QLineEdit *searchField() const { return m_searchField; }
    QSplitter *splitter() const { return m_splitter; }
    QStackedWidget *centralStack() const { return m_stack; }
    WelcomeScreen *welcomeScreen() const { return m_welcome; }
    QWidget *editorPage() const { return m_editorPage; }
    FindBar *findBar() const { return m_findBar; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QAction *focusModeAction() const { return m_focusAction; }
    QAction *sidebarAction() const { return m_sidebarAction; }
    bool isFocusMode() const { return m_focusMode; }
    bool isSidebarVisible() const { return m_sidebarVisible; }
    bool closesToTray() const { return m_closeToTray; }
    QList<int> normalSizes() const { return m_normalSizes; }
    QString loadedContent() const { return m_loadedContent; }

public slots:
    void setFocusMode(bool on);
    void setSidebarVisible(bool visible);

    void refreshNoteList();
    void refreshNotebookList();
    void loadNote(const QString &noteId, bool force = false);
    void saveCurrentNote();
    void snapshotIfChanged();
    void createNewNote();
    void moveSelectedNoteToTrash(bool confirm);
    void moveCurrentNoteWithChooser(bool fromHeader);
    void exportCurrentNote(bool saveFirst);
    void printCurrentNote();
    void printPreviewCurrentNote();
    void backupDatabase();
    void restoreDatabase();
    void createNotebook();
    void renameNotebook(const QString &notebookId);
    void deleteNotebook(const QString &notebookId);
    void moveNote(const QString &noteId, const QString &notebookId);
    void quitApplication();

protected:
    void closeEvent(QCloseEvent *event) override;

    // Everything that waits for the user goes through these, so that a test
    // can answer without a modal window.
    virtual QMessageBox::StandardButton askQuestion(const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButton defaultButton);
    virtual QString askNewNotebookName();
    virtual QString askRenamedNotebookName(const QString &currentName);
    virtual QString chooseNotebook(const QList<Notebook> &notebooks, const QString &currentId);
    virtual std::optional<ExportChoice> chooseExport();
    virtual QString chooseSaveFileName(const QString &title,
                                       const QString &proposedName,
                                       const QString &filter);
    virtual QString chooseOpenFileName(const QString &title, const QString &filter);
    virtual void showInformation(const QString &title, const QString &text);
    virtual void showWarning(const QString &title, const QString &text);
    virtual bool runPrintDialog(const QString &documentName);
    virtual void runPrintPreview(const QString &documentName);

private:
    // Construction, layout, settings and tray (mainwindow.cpp); menus
    // (mainwindowmenus.cpp)
    void createMenuBar();
    void createUI();
    void connectSignals();
    void updateAuthUI();
    void updateCentralPage();
    void applyPaneLayout();
    void applyStenoLayout();
    void applyPreference(const QString &key);
    void applyEditorFontSize();
    void saveWindowState();
    void restoreWindowState();
    void setupTray();
    void showFromTray();
    void showSearch();
    void showTrash();
    void showAbout();
    void insertTable();
    QAction *addMenuAction(QMenu *menu,
                           const QString &objectName,
                           const QString &text,
                           const QKeySequence &shortcut,
                           bool appWide = false);

    // Workflows (mainwindowworkflows.cpp)
    void onNoteSelected(const QString &noteId);
    void checkExternalChange();
    void refreshHeaderNotebook();
    void clearEditor();
    void showNoteContextMenu(const QString &noteId, const QPoint &globalPos);
    void showNotebookContextMenu(const QString &notebookId, const QPoint &globalPos);
    void openNotebookOfCurrentNote();
    void copyAsPlainText();
    void copyAsMarkdown();
    void copyAsHtml();
    void openVersionHistory();
    void openCurrentNoteInWindow();
    QString currentDocumentName() const;

    AppState *m_state;
    QSplitter *m_splitter = nullptr;
    QWidget *m_leftPane = nullptr;
    QWidget *m_middlePane = nullptr;
    QVBoxLayout *m_middleLayout = nullptr;
    QWidget *m_searchContainer = nullptr;
    QWidget *m_rightPane = nullptr;
    NotebookListWidget *m_notebookList = nullptr;
    QLineEdit *m_searchField = nullptr;
    NoteListWidget *m_noteList = nullptr;
    QStackedWidget *m_stack = nullptr;
    WelcomeScreen *m_welcome = nullptr;
    QWidget *m_editorPage = nullptr;
    NoteHeaderBar *m_headerBar = nullptr;
    EditorToolbar *m_toolbar = nullptr;
    NoteEditor *m_editor = nullptr;
    FindBar *m_findBar = nullptr;
    StatusBar *m_statusBar = nullptr;

    QAction *m_signInAction = nullptr;
    QAction *m_signOutAction = nullptr;
    QAction *m_focusAction = nullptr;
    QAction *m_sidebarAction = nullptr;

    bool m_focusMode = false;
    bool m_sidebarVisible = true;
    bool m_closeToTray = false;
    QSystemTrayIcon *m_tray = nullptr;
    QPointer<TodosScreen> m_todos;
    QTimer *m_searchTimer = nullptr;
    QList<int> m_normalSizes;
    QString m_loadedContent;
    QHash<QString, QString> m_notebookNames;
};
