// The menus and shortcuts of MainWindow.

#include "ui/mainwindow.h"

#include "app/appinfo.h"
#include "app/appstate.h"
#include "editor/noteeditor.h"
#include "ui/findbar.h"
#include "ui/importdialog.h"
#include "ui/settingsdialog.h"
#include "ui/welcomescreen.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>

QAction *MainWindow::addMenuAction(QMenu *menu,
                                   const QString &objectName,
                                   const QString &text,
                                   const QKeySequence &shortcut,
                                   bool appWide)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(objectName);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (appWide)
        action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

void MainWindow::createMenuBar()
{
    QMenuBar *bar = menuBar();

    QMenu *file = bar->addMenu(tr("&File"));
    connect(addMenuAction(file,
                          QStringLiteral("actionNewNote"),
                          tr("New Note"),
                          QKeySequence(QStringLiteral("Ctrl+N")),
                          true),
            &QAction::triggered,
            this,
            &MainWindow::createNewNote);
    connect(addMenuAction(file,
                          QStringLiteral("actionNewNoteInWindow"),
                          tr("New Note in Window"),
                          QKeySequence(QStringLiteral("Ctrl+Shift+N")),
                          true),
            &QAction::triggered,
            this,
            [this] { m_state->createNoteWindow(); });
    connect(addMenuAction(file,
                          QStringLiteral("actionSaveSnapshot"),
                          tr("Save Snapshot"),
                          QKeySequence::Save),
            &QAction::triggered,
            this,
            &MainWindow::saveCurrentNote);
    file->addSeparator();
    // Ctrl+I is also the standard Italic key here; two actions on one key
    // would both go dead, so Italic keeps it and Import goes without.
    QKeySequence importKey(QStringLiteral("Ctrl+I"));
    if (QKeySequence::keyBindings(QKeySequence::Italic).contains(importKey))
        importKey = QKeySequence();
    connect(addMenuAction(file, QStringLiteral("actionImport"), tr("Import..."), importKey),
            &QAction::triggered,
            this,
            [this] {
                auto *wizard = new ImportDialog(m_state, this);
                wizard->setAttribute(Qt::WA_DeleteOnClose);
                wizard->show();
            });
    connect(addMenuAction(file,
                          QStringLiteral("actionExport"),
                          tr("Export..."),
                          QKeySequence(QStringLiteral("Ctrl+E"))),
            &QAction::triggered,
            this,
            [this] { exportCurrentNote(false); });
    file->addSeparator();
    connect(addMenuAction(file, QStringLiteral("actionPrint"), tr("Print..."), QKeySequence::Print),
            &QAction::triggered,
            this,
            &MainWindow::printCurrentNote);
    connect(addMenuAction(file,
                          QStringLiteral("actionPrintPreview"),
                          tr("Print Preview..."),
                          QKeySequence(QStringLiteral("Ctrl+Shift+P"))),
            &QAction::triggered,
            this,
            &MainWindow::printPreviewCurrentNote);
    file->addSeparator();
    connect(addMenuAction(file, QStringLiteral("actionBackup"), tr("Backup Database..."), {}),
            &QAction::triggered,
            this,
            &MainWindow::backupDatabase);
    connect(addMenuAction(file, QStringLiteral("actionRestore"), tr("Restore Database..."), {}),
            &QAction::triggered,
            this,
            &MainWindow::restoreDatabase);
    file->addSeparator();
    m_signInAction = addMenuAction(file, QStringLiteral("actionSignIn"), tr("Sign In…"), {});
    connect(m_signInAction, &QAction::triggered, this, [this] {
        m_stack->setCurrentWidget(m_welcome);
    });
    m_signOutAction = addMenuAction(file, QStringLiteral("actionSignOut"), tr("Sign &Out"), {});
    file->addSeparator();
    QAction *preferences = addMenuAction(file,
                                         QStringLiteral("actionPreferences"),
                                         tr("Preferences…"),
                                         QKeySequence(QStringLiteral("Ctrl+,")),
                                         true);
    auto openPreferences = [this] {
        auto *dialog = new SettingsDialog(m_state, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    };
    connect(preferences, &QAction::triggered, this, openPreferences);
    file->addSeparator();
    connect(addMenuAction(file, QStringLiteral("actionQuit"), tr("Quit"), QKeySequence::Quit),
            &QAction::triggered,
            this,
            &MainWindow::quitApplication);

    QMenu *edit = bar->addMenu(tr("&Edit"));
    connect(addMenuAction(edit, QStringLiteral("actionUndo"), tr("Undo"), QKeySequence::Undo),
            &QAction::triggered,
            this,
            [this] { m_editor->undo(); });
    connect(addMenuAction(edit, QStringLiteral("actionRedo"), tr("Redo"), QKeySequence::Redo),
            &QAction::triggered,
            this,
            [this] { m_editor->redo(); });
    edit->addSeparator();
    connect(addMenuAction(edit,
                          QStringLiteral("actionFindInNote"),
                          tr("Find in Note..."),
                          QKeySequence::Find),
            &QAction::triggered,
            this,
            [this] { m_findBar->activate(); });
    edit->addSeparator();
    QAction *editPreferences = addMenuAction(edit,
                                             QStringLiteral("actionEditPreferences"),
                                             tr("Preferences…"),
                                             {});
    editPreferences->setMenuRole(QAction::PreferencesRole);
    connect(editPreferences, &QAction::triggered, this, openPreferences);

    QMenu *format = bar->addMenu(tr("F&ormat"));
    auto editorAction = [this, format](const QString &name,
                                       const QString &text,
                                       const QKeySequence &key,
                                       void (NoteEditor::*call)()) {
        connect(addMenuAction(format, name, text, key), &QAction::triggered, this, [this, call] {
            (m_editor->*call)();
        });
    };
    editorAction(QStringLiteral("actionBold"),
                 tr("Bold"),
                 QKeySequence::Bold,
                 &NoteEditor::toggleBold);
    editorAction(QStringLiteral("actionItalic"),
                 tr("Italic"),
                 QKeySequence::Italic,
                 &NoteEditor::toggleItalic);
    editorAction(QStringLiteral("actionUnderline"),
                 tr("Underline"),
                 QKeySequence::Underline,
                 &NoteEditor::toggleUnderline);
    editorAction(QStringLiteral("actionStrikethrough"),
                 tr("Strikethrough"),
                 QKeySequence(QStringLiteral("Ctrl+Shift+X")),
                 &NoteEditor::toggleStrikethrough);
    editorAction(QStringLiteral("actionCode"),
                 tr("Code"),
                 QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft),
                 &NoteEditor::toggleInlineCode);
    format->addSeparator();
    auto headingAction = [this,
                          format](const QString &name, const QString &text, int key, int level) {
        connect(addMenuAction(format, name, text, QKeySequence(Qt::CTRL | key)),
                &QAction::triggered,
                this,
                [this, level] { m_editor->setHeading(level); });
    };
    headingAction(QStringLiteral("actionHeading1"), tr("Heading 1"), Qt::Key_1, 1);
    headingAction(QStringLiteral("actionHeading2"), tr("Heading 2"), Qt::Key_2, 2);
    headingAction(QStringLiteral("actionHeading3"), tr("Heading 3"), Qt::Key_3, 3);
    headingAction(QStringLiteral("actionNormalText"), tr("Normal Text"), Qt::Key_0, 0);
    format->addSeparator();
    editorAction(QStringLiteral("actionBulletList"),
                 tr("Bullet List"),
                 QKeySequence(QStringLiteral("Ctrl+Shift+8")),
                 &NoteEditor::toggleBulletList);
    editorAction(QStringLiteral("actionNumberedList"),
                 tr("Numbered List"),
                 QKeySequence(QStringLiteral("Ctrl+Shift+7")),
                 &NoteEditor::toggleNumberedList);
    editorAction(QStringLiteral("actionCheckboxList"),
                 tr("Checkbox List"),
                 QKeySequence(QStringLiteral("Ctrl+Shift+9")),
                 &NoteEditor::toggleCheckList);
    format->addSeparator();
    editorAction(QStringLiteral("actionCodeBlock"),
                 tr("Code Block"),
                 QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_QuoteLeft),
                 &NoteEditor::toggleCodeBlock);
    editorAction(QStringLiteral("actionBlockquote"),
                 tr("Blockquote"),
                 QKeySequence(QStringLiteral("Ctrl+Shift+B")),
                 &NoteEditor::toggleBlockquote);
    format->addSeparator();
    auto alignAction =
        [this,
         format](const QString &name, const QString &text, const QString &key, Qt::Alignment a) {
            connect(addMenuAction(format, name, text, QKeySequence(key)),
                    &QAction::triggered,
                    this,
                    [this, a] { m_editor->setBlockAlignment(a); });
        };
    alignAction(QStringLiteral("actionAlignLeft"),
                tr("Align Left"),
                QStringLiteral("Ctrl+Shift+L"),
                Qt::AlignLeft);
    alignAction(QStringLiteral("actionAlignCenter"),
                tr("Align Center"),
                QStringLiteral("Ctrl+Shift+E"),
                Qt::AlignHCenter);
    alignAction(QStringLiteral("actionAlignRight"),
                tr("Align Right"),
                QStringLiteral("Ctrl+Shift+R"),
                Qt::AlignRight);
    format->addSeparator();
    editorAction(QStringLiteral("actionInsertLink"),
                 tr("Insert Link..."),
                 QKeySequence(QStringLiteral("Ctrl+K")),
                 &NoteEditor::insertLink);
    editorAction(QStringLiteral("actionInsertDivider"),
                 tr("Insert Divider"),
                 {},
                 &NoteEditor::insertDivider);
    connect(addMenuAction(format,
                          QStringLiteral("actionInsertTable"),
                          tr("Insert Table..."),
                          QKeySequence(QStringLiteral("Ctrl+T"))),
            &QAction::triggered,
            this,
            &MainWindow::insertTable);

    QMenu *note = bar->addMenu(tr("&Note"));
    connect(addMenuAction(note,
                          QStringLiteral("actionMoveToNotebook"),
                          tr("Move to Notebook..."),
                          QKeySequence(QStringLiteral("Ctrl+M"))),
            &QAction::triggered,
            this,
            [this] { moveCurrentNoteWithChooser(false); });
    connect(addMenuAction(note,
                          QStringLiteral("actionVersionHistory"),
                          tr("Version History..."),
                          QKeySequence(QStringLiteral("Ctrl+H"))),
            &QAction::triggered,
            this,
            &MainWindow::openVersionHistory);
    connect(addMenuAction(note,
                          QStringLiteral("actionOpenInNewWindow"),
                          tr("Open in New Window"),
                          QKeySequence(QStringLiteral("Ctrl+Shift+O"))),
            &QAction::triggered,
            this,
            &MainWindow::openCurrentNoteInWindow);
    note->addSeparator();
    connect(addMenuAction(note,
                          QStringLiteral("actionMoveToTrash"),
                          tr("Move to Trash…"),
                          QKeySequence(QStringLiteral("Ctrl+D")),
                          true),
            &QAction::triggered,
            this,
            [this] { moveSelectedNoteToTrash(true); });

    auto *quickTrash = new QAction(this);
    quickTrash->setObjectName(QStringLiteral("actionQuickTrash"));
    // Window context, not application-wide: a note window has its own
    // Ctrl+Backspace for its note, and one key held by two windows' actions
    // would fire neither (or trash a note the user is not looking at).
    quickTrash->setShortcut(QKeySequence(QStringLiteral("Ctrl+Backspace")));
    connect(quickTrash, &QAction::triggered, this, [this] { moveSelectedNoteToTrash(false); });
    addAction(quickTrash);

    // The toolbar names Ctrl+Shift+A for attachments; no menu lists it, so
    // the key lives on a window action of its own.
    auto *insertAttachment = new QAction(this);
    insertAttachment->setObjectName(QStringLiteral("actionInsertAttachment"));
    insertAttachment->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+A")));
    connect(insertAttachment, &QAction::triggered, this, [this] {
        if (!m_editor->currentNoteId().isEmpty())
            m_editor->insertAttachment();
    });
    addAction(insertAttachment);

    QMenu *view = bar->addMenu(tr("&View"));
    connect(addMenuAction(view,
                          QStringLiteral("actionTodos"),
                          tr("To-Dos"),
                          QKeySequence(QStringLiteral("Ctrl+Alt+T"))),
            &QAction::triggered,
            this,
            &MainWindow::showTodos);
    connect(addMenuAction(view, QStringLiteral("actionFind"), tr("Find"), QKeySequence(Qt::Key_F3)),
            &QAction::triggered,
            this,
            [this] {
                m_searchField->setFocus(Qt::ShortcutFocusReason);
                m_searchField->selectAll();
            });
    connect(addMenuAction(view,
                          QStringLiteral("actionSearchAllNotes"),
                          tr("Search All Notes..."),
                          QKeySequence(QStringLiteral("Ctrl+Shift+F"))),
            &QAction::triggered,
            this,
            &MainWindow::showSearch);
    connect(addMenuAction(view,
                          QStringLiteral("actionTrash"),
                          tr("Trash"),
                          QKeySequence(QStringLiteral("Ctrl+Alt+D"))),
            &QAction::triggered,
            this,
            &MainWindow::showTrash);
    view->addSeparator();
    m_focusAction = addMenuAction(view,
                                  QStringLiteral("actionFocusMode"),
                                  tr("Focus Mode"),
                                  QKeySequence(QStringLiteral("Ctrl+\\")));
    m_focusAction->setCheckable(true);
    m_focusAction->setToolTip(tr("Hide the notebook and note lists to write without distractions"));
    connect(m_focusAction, &QAction::triggered, this, [this] { setFocusMode(!m_focusMode); });
    m_sidebarAction = addMenuAction(view,
                                    QStringLiteral("actionShowNotebookSidebar"),
                                    tr("Show Notebook Sidebar"),
                                    QKeySequence(QStringLiteral("Ctrl+Alt+B")));
    m_sidebarAction->setCheckable(true);
    m_sidebarAction->setChecked(true);
    connect(m_sidebarAction, &QAction::triggered, this, [this] {
        setSidebarVisible(!m_sidebarVisible);
    });
    // "Sync Now" joins this menu with the sync engine.

    QMenu *help = bar->addMenu(tr("&Help"));
    connect(addMenuAction(help, QStringLiteral("actionAbout"), tr("About Velmora Notes"), {}),
            &QAction::triggered,
            this,
            &MainWindow::showAbout);
    // "What's New" and "Check for Updates" join with the update client.
    help->addSeparator();
    connect(addMenuAction(help, QStringLiteral("actionAboutQt"), tr("About Qt"), {}),
            &QAction::triggered,
            this,
            [this] { QMessageBox::aboutQt(this, QString()); });
}

void MainWindow::showAbout()
{
    QMessageBox::about(this,
                       tr("About Velmora Notes"),
                       tr("Velmora Notes %1\n\nSearch-first, zero-friction note-taking.")
                               .arg(QCoreApplication::applicationVersion())
                           + QStringLiteral("\n\nhttps://%1")
                                 .arg(QLatin1String(AppInfo::organizationDomain)));
}

void MainWindow::insertTable()
{
    const TableSizeChoice choice = NoteEditor::askTableSize(this);
    if (choice.accepted)
        m_editor->insertTable(choice.rows, choice.columns, choice.headerRow);
}
