#include "ui/mainwindow.h"

#include "app/appstate.h"
#include "document/appearance.h"
#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"
#include "ui/findbar.h"
#include "ui/notebooklistwidget.h"
#include "ui/noteflows.h"
#include "ui/notelistwidget.h"
#include "ui/searchscreen.h"
#include "ui/statusbar.h"
#include "ui/thememanager.h"
#include "ui/todosscreen.h"
#include "ui/trashscreen.h"
#include "ui/welcomescreen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const char settingsGroup[] = "mainWindow";

QList<int> parseSplitterSizes(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return {};
    QList<int> sizes;
    for (const QString &part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok, 10);
        if (!ok || value < 0)
            return {};
        sizes.append(value);
    }
    return sizes;
}

} // namespace

MainWindow::MainWindow(AppState *state, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
{
    setWindowTitle(tr("Velmora Notes"));
    createMenuBar();
    createUI();
    connectSignals();
    updateAuthUI();
    restoreWindowState();
    refreshNotebookList();

    QSettings settings;
    settings.beginGroup(QLatin1String(settingsGroup));
    m_sidebarVisible = settings.value(QStringLiteral("notebookSidebarVisible"), true).toBool();
    m_focusMode = settings.value(QStringLiteral("focusMode"), false).toBool();
    settings.endGroup();
    {
        const QSignalBlocker focusBlocker(m_focusAction);
        const QSignalBlocker sidebarBlocker(m_sidebarAction);
        m_focusAction->setChecked(m_focusMode);
        m_sidebarAction->setChecked(m_sidebarVisible);
    }
    applyPaneLayout();

    // The body size decides how the document is built, so it is in force
    // before the first note loads; the list refresh below picks it up too.
    const int pt = m_state->preferences()->getInt(QStringLiteral("editor_body_pt"), 12);
    setEditorBodyPixelSize(int(std::lround(pt * 96.0 / 72.0)));
    QFont editorFont;
    editorFont.setPixelSize(editorBodyPixelSize());
    m_editor->setFont(editorFont);

    const QString currentNoteId = m_state->currentNoteId();
    if (!currentNoteId.isEmpty())
        loadNote(currentNoteId, false);

    connect(m_state->preferences(),
            &PreferencesRepository::changed,
            this,
            &MainWindow::applyPreference);

    applyStenoLayout();
    // The list is filled only now; showing the restored note selected does
    // not reload it because the editor already holds it.
    if (!currentNoteId.isEmpty())
        m_noteList->selectNote(currentNoteId);

    setupTray();
    updateCentralPage();
}

MainWindow::~MainWindow()
{
    saveCurrentNote();
}

void MainWindow::createUI()
{
    m_leftPane = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(m_leftPane);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    m_notebookList = new NotebookListWidget(m_leftPane);
    leftLayout->addWidget(m_notebookList);

    m_middlePane = new QWidget(this);
    m_middleLayout = new QVBoxLayout(m_middlePane);
    m_middleLayout->setContentsMargins(0, 0, 0, 0);
    m_middleLayout->setSpacing(0);
    m_searchContainer = new QWidget(m_middlePane);
    auto *searchLayout = new QHBoxLayout(m_searchContainer);
    searchLayout->setContentsMargins(8, 8, 8, 8);
    m_searchField = new QLineEdit(m_searchContainer);
    m_searchField->setPlaceholderText(tr("Search..."));
    m_searchField->setClearButtonEnabled(true);
    searchLayout->addWidget(m_searchField);
    m_middleLayout->addWidget(m_searchContainer);
    m_noteList = new NoteListWidget(m_middlePane);
    // Names come from a table filled once per refresh: one query per row
    // would dominate the refresh of a large list.
    m_noteList->setNotebookNameResolver([this](const QString &notebookId) {
        return notebookId.isEmpty() ? QString() : m_notebookNames.value(notebookId);
    });
    m_middleLayout->addWidget(m_noteList);

    m_rightPane = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(m_rightPane);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    m_stack = new QStackedWidget(m_rightPane);
    rightLayout->addWidget(m_stack);

    m_welcome = new WelcomeScreen(m_state, m_stack);
    m_stack->addWidget(m_welcome);

    m_editorPage = new QWidget(m_stack);
    auto *pageLayout = new QVBoxLayout(m_editorPage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    m_headerBar = new NoteHeaderBar(m_editorPage);
    m_toolbar = new EditorToolbar(m_editorPage);
    m_editor = new NoteEditor(m_editorPage);
    m_editor->setAttachmentRepository(m_state->attachments());
    m_toolbar->setEditor(m_editor);
    m_toolbar->setEditorEnabled(false);
    m_findBar = new FindBar(m_editor, m_editorPage);
    pageLayout->addWidget(m_headerBar);
    pageLayout->addWidget(m_toolbar);
    pageLayout->addWidget(m_editor, 1);
    pageLayout->addWidget(m_findBar);
    m_stack->addWidget(m_editorPage);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(m_leftPane);
    m_splitter->addWidget(m_middlePane);
    m_splitter->addWidget(m_rightPane);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setSizes({200, 260, 800});
    setCentralWidget(m_splitter);

    m_statusBar = new StatusBar(this);
    setStatusBar(m_statusBar);

    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(300);
}

void MainWindow::connectSignals()
{
    connect(m_searchField, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this, &MainWindow::refreshNoteList);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        if (m_leftPane->isVisibleTo(this) && m_middlePane->isVisibleTo(this))
            m_normalSizes = m_splitter->sizes();
    });

    connect(m_notebookList, &NotebookListWidget::allNotesSelected, this, [this] {
        m_state->setCurrentNotebookId(QString());
        refreshNoteList();
    });
    connect(m_notebookList, &NotebookListWidget::notebookSelected, this, [this](const QString &id) {
        m_state->setCurrentNotebookId(id);
        refreshNoteList();
    });
    connect(m_notebookList, &NotebookListWidget::trashSelected, this, &MainWindow::showTrash);
    connect(m_notebookList,
            &NotebookListWidget::newNotebookRequested,
            this,
            &MainWindow::createNotebook);
    connect(m_notebookList,
            &NotebookListWidget::notebookContextMenuRequested,
            this,
            &MainWindow::showNotebookContextMenu);
    connect(m_notebookList, &NotebookListWidget::noteDroppedOnNotebook, this, &MainWindow::moveNote);

    connect(m_noteList, &NoteListWidget::noteSelected, this, &MainWindow::onNoteSelected);
    connect(m_noteList, &NoteListWidget::noteDoubleClicked, this, [this](const QString &id) {
        m_state->openNoteWindow(id);
    });
    connect(m_noteList, &NoteListWidget::noteActivated, this, [this] {
        m_editor->setFocus(Qt::OtherFocusReason);
    });
    connect(m_noteList, &NoteListWidget::noteDeleteRequested, this, [this] {
        moveSelectedNoteToTrash(false);
    });
    connect(m_noteList,
            &NoteListWidget::noteContextMenuRequested,
            this,
            &MainWindow::showNoteContextMenu);

    connect(m_editor, &NoteEditor::noteModified, this, &MainWindow::saveCurrentNote);
    connect(m_editor, &NoteEditor::wordCountChanged, m_statusBar, &StatusBar::setWordCount);
    connect(m_editor, &NoteEditor::savedStateChanged, m_statusBar, &StatusBar::setSaveState);

    connect(m_state, &AppState::notesChanged, this, [this] {
        refreshNoteList();
        refreshNotebookList();
        checkExternalChange();
    });
    connect(m_state, &AppState::notebooksChanged, this, [this] {
        refreshNotebookList();
        refreshHeaderNotebook();
    });
    if (ThemeManager *theme = m_state->themeManager())
        connect(theme, &ThemeManager::themeChanged, m_headerBar, &NoteHeaderBar::refreshChipStyle);
    m_headerBar->setShareVisible(m_state->canShare());
    connect(m_state, &AppState::canShareChanged, m_headerBar, &NoteHeaderBar::setShareVisible);
    connect(m_state,
            &AppState::noteUpdatedExternally,
            this,
            [this](const QString &noteId, QObject *source) {
                if (source != this && noteId == m_editor->currentNoteId())
                    loadNote(noteId, false);
            });
    connect(m_state, &AppState::noteDeletedExternally, this, [this](const QString &noteId) {
        if (noteId == m_editor->currentNoteId()) {
            saveCurrentNote(); // a pending edit goes into the trash with the note
            clearEditor();
            updateCentralPage();
        }
    });

    connect(m_headerBar, &NoteHeaderBar::focusToggleClicked, this, [this] {
        setFocusMode(!m_focusMode);
    });
    connect(m_headerBar,
            &NoteHeaderBar::notebookChipClicked,
            this,
            &MainWindow::openNotebookOfCurrentNote);
    connect(m_headerBar,
            &NoteHeaderBar::copyAsPlainTextRequested,
            this,
            &MainWindow::copyAsPlainText);
    connect(m_headerBar, &NoteHeaderBar::copyAsMarkdownRequested, this, &MainWindow::copyAsMarkdown);
    connect(m_headerBar, &NoteHeaderBar::copyAsHtmlRequested, this, &MainWindow::copyAsHtml);
    connect(m_headerBar, &NoteHeaderBar::historyRequested, this, &MainWindow::openVersionHistory);
    connect(m_headerBar, &NoteHeaderBar::includeInTodosToggled, this, [this](bool enabled) {
        const QString id = m_editor->currentNoteId();
        if (!id.isEmpty())
            m_state->notes()->setIncludeInTodos(id, enabled);
    });
    connect(m_headerBar, &NoteHeaderBar::moveToNotebookRequested, this, [this] {
        moveCurrentNoteWithChooser(true);
    });
    connect(m_headerBar, &NoteHeaderBar::exportRequested, this, [this] { exportCurrentNote(true); });
    connect(m_headerBar, &NoteHeaderBar::printRequested, this, &MainWindow::printCurrentNote);
    connect(m_headerBar, &NoteHeaderBar::deleteRequested, this, [this] {
        moveSelectedNoteToTrash(false);
    });

    connect(m_welcome, &WelcomeScreen::dismissRequested, this, [this] {
        m_stack->setCurrentWidget(m_editorPage);
    });
}

void MainWindow::updateAuthUI()
{
    // Without a sign-in service the entries that lead to it stay absent
    // rather than dead.
    m_signInAction->setVisible(isSignInAvailable() && !isSignedIn());
    m_signOutAction->setVisible(isSignInAvailable() && isSignedIn());
    m_welcome->setAccountAvailable(isSignInAvailable());
}

void MainWindow::updateCentralPage()
{
    if (!m_editor->currentNoteId().isEmpty() || isSignedIn())
        m_stack->setCurrentWidget(m_editorPage);
    else
        m_stack->setCurrentWidget(m_welcome);
}

void MainWindow::applyPaneLayout()
{
    const bool leftVisible = !m_focusMode && m_sidebarVisible;
    const bool middleVisible = !m_focusMode;
    m_leftPane->setVisible(leftVisible);
    m_middlePane->setVisible(middleVisible);
    m_headerBar->setFocusMode(m_focusMode);

    if (m_splitter->count() != 3)
        return;
    const QList<int> normal = m_normalSizes.size() == 3
                                  ? m_normalSizes
                                  : QList<int>{200, 260, std::max(width() - 460, 400)};
    const int left = leftVisible ? normal.at(0) : 0;
    const int middle = middleVisible ? normal.at(1) : 0;
    const int right = std::max(width() - left - middle, 100);
    m_splitter->setSizes({left, middle, right});
}

void MainWindow::setFocusMode(bool on)
{
    m_focusMode = on;
    {
        const QSignalBlocker blocker(m_focusAction);
        m_focusAction->setChecked(on);
    }
    applyPaneLayout();
    QSettings settings;
    settings.setValue(QStringLiteral("%1/focusMode").arg(QLatin1String(settingsGroup)), on);
}

void MainWindow::setSidebarVisible(bool visible)
{
    m_sidebarVisible = visible;
    {
        const QSignalBlocker blocker(m_sidebarAction);
        m_sidebarAction->setChecked(visible);
    }
    applyPaneLayout();
    QSettings settings;
    settings.setValue(QStringLiteral("%1/notebookSidebarVisible").arg(QLatin1String(settingsGroup)),
                      visible);
}

void MainWindow::applyStenoLayout()
{
    const bool steno = m_state->preferences()->getBool(QStringLiteral("steno_mode"), false);
    m_middleLayout->removeWidget(m_searchContainer);
    m_middleLayout->removeWidget(m_noteList);
    if (steno) {
        m_middleLayout->addWidget(m_noteList);
        m_middleLayout->addWidget(m_searchContainer);
    } else {
        m_middleLayout->addWidget(m_searchContainer);
        m_middleLayout->addWidget(m_noteList);
    }
    refreshNoteList();
}

void MainWindow::applyPreference(const QString &key)
{
    if (key == QLatin1String("theme_mode")) {
        if (ThemeManager *theme = m_state->themeManager())
            theme->setTheme(m_state->preferences()->getString(QStringLiteral("theme_mode"),
                                                              QStringLiteral("system")));
        m_noteList->viewport()->update();
        m_notebookList->viewport()->update();
    } else if (key == QLatin1String("steno_mode")) {
        applyStenoLayout();
    } else if (key == QLatin1String("close_to_tray") || key == QLatin1String("start_minimized")) {
        setupTray();
    } else if (key == QLatin1String("editor_body_pt")) {
        applyEditorFontSize();
    }
}

void MainWindow::applyEditorFontSize()
{
    const int pt = m_state->preferences()->getInt(QStringLiteral("editor_body_pt"), 12);
    setEditorBodyPixelSize(int(std::lround(pt * 96.0 / 72.0)));
    QFont font;
    font.setPixelSize(editorBodyPixelSize());
    m_editor->setFont(font);
    const QString noteId = m_editor->currentNoteId();
    if (!noteId.isEmpty()) {
        saveCurrentNote();
        loadNote(noteId, true);
    }
    refreshNoteList();
    refreshNotebookList();
}

void MainWindow::saveWindowState()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(settingsGroup));
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState());
    if (!m_focusMode && m_sidebarVisible && m_leftPane->isVisibleTo(this)
        && m_middlePane->isVisibleTo(this))
        m_normalSizes = m_splitter->sizes();
    if (m_normalSizes.size() == 3) {
        settings.setValue(QStringLiteral("normalSplitterSizes"),
                          QStringLiteral("%1,%2,%3")
                              .arg(m_normalSizes.at(0))
                              .arg(m_normalSizes.at(1))
                              .arg(m_normalSizes.at(2)));
    }
    settings.endGroup();
}

void MainWindow::restoreWindowState()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(settingsGroup));
    const QByteArray geometry = settings.value(QStringLiteral("geometry")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry))
        resize(1280, 1024);
    const QByteArray windowState = settings.value(QStringLiteral("windowState")).toByteArray();
    if (!windowState.isEmpty())
        restoreState(windowState);
    const QList<int> sizes = parseSplitterSizes(
        settings.value(QStringLiteral("normalSplitterSizes")).toString());
    if (sizes.size() == 3)
        m_normalSizes = sizes;
    settings.endGroup();
}

void MainWindow::setupTray()
{
    PreferencesRepository *prefs = m_state->preferences();
    m_closeToTray = prefs->getBool(QStringLiteral("close_to_tray"), false);
    const bool wanted = m_closeToTray || prefs->getBool(QStringLiteral("start_minimized"), false);

    if (wanted && !QSystemTrayIcon::isSystemTrayAvailable()) {
        m_closeToTray = false;
        return;
    }
    if (wanted && !m_tray) {
        QIcon icon(QStringLiteral(":/icons/app-icon.png"));
        if (icon.isNull())
            icon = windowIcon();
        if (icon.isNull())
            icon = style()->standardIcon(QStyle::SP_FileIcon);
        m_tray = new QSystemTrayIcon(icon, this);
        m_tray->setToolTip(tr("Velmora Notes"));
        auto *menu = new QMenu(this);
        connect(menu->addAction(tr("Show")), &QAction::triggered, this, &MainWindow::showFromTray);
        menu->addSeparator();
        connect(menu->addAction(tr("Quit")), &QAction::triggered, qApp, &QCoreApplication::quit);
        m_tray->setContextMenu(menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, &MainWindow::showFromTray);
        m_tray->show();
    } else if (!wanted && m_tray) {
        m_tray->hide();
        m_tray->deleteLater();
        m_tray = nullptr;
    }
}

void MainWindow::showFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveWindowState();
    saveCurrentNote();
    snapshotIfChanged();
    if (!m_closeToTray || !m_tray || !m_tray->isVisible()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
}

void MainWindow::quitApplication()
{
    PreferencesRepository *prefs = m_state->preferences();
    prefs->setString(QStringLiteral("restore_note_windows"),
                     m_state->openNoteWindowIds().join(QLatin1Char(',')));
    prefs->setBool(QStringLiteral("restore_todos_window"), m_todos && m_todos->isVisible());
    m_closeToTray = false;
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void MainWindow::showTodos()
{
    if (!m_todos) {
        // Owned by this window but a top-level window of its own.
        m_todos = new TodosScreen(m_state, this);
        m_todos->setWindowFlag(Qt::Window);
    }
    m_todos->present();
}

namespace {

// The search and trash windows are single instances that live as long as
// the state they show.
template<typename Screen>
Screen *sharedScreen(QPointer<Screen> &instance, AppState *state)
{
    if (!instance) {
        instance = new Screen(state);
        QObject::connect(state, &QObject::destroyed, instance.data(), [screen = instance.data()] {
            delete screen;
        });
    }
    return instance;
}

QPointer<SearchScreen> searchScreen;
QPointer<TrashScreen> trashScreen;

} // namespace

void MainWindow::showSearch()
{
    sharedScreen(searchScreen, m_state)->present();
}

void MainWindow::showTrash()
{
    sharedScreen(trashScreen, m_state)->present();
}
