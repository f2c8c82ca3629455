#include "ui/notewindow.h"

#include "app/appstate.h"
#include "document/noteexport.h"
#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"
#include "storage/snapshotrepository.h"
#include "ui/findbar.h"
#include "ui/movetonotebookdialog.h"
#include "ui/noteflows.h"
#include "ui/statusbar.h"
#include "ui/thememanager.h"
#include "ui/versionhistorydialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

NoteWindow::NoteWindow(AppState *state, const QString &noteId, QWidget *parent)
    : QMainWindow(parent)
    , m_state(state)
    , m_noteId(noteId)
{
    setAttribute(Qt::WA_DeleteOnClose);
    resize(960, 760);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_headerBar = new NoteHeaderBar(central);
    m_headerBar->setFocusToggleVisible(false);
    m_headerBar->setShareVisible(m_state->canShare());
    m_toolbar = new EditorToolbar(central);
    m_editor = new NoteEditor(central);
    m_editor->setAttachmentRepository(m_state->attachments());
    m_toolbar->setEditor(m_editor);
    m_findBar = new FindBar(m_editor, central);
    layout->addWidget(m_headerBar);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_findBar);
    setCentralWidget(central);

    m_statusBar = new StatusBar(this);
    setStatusBar(m_statusBar);

    const QByteArray geometry = QByteArray::fromBase64(
        m_state->preferences()->getString(geometryKey(m_noteId)).toLatin1());
    if (!geometry.isEmpty())
        restoreGeometry(geometry);

    createMenus();
    connectSignals();
    loadNote();

    connect(this, &NoteWindow::windowClosed, m_state, &AppState::onNoteWindowClosed);
}

QString NoteWindow::geometryKey(const QString &noteId)
{
    return QStringLiteral("note_window_geom/%1").arg(noteId);
}

void NoteWindow::createMenus()
{
    QMenuBar *bar = menuBar();
    auto add = [this](QMenu *menu, const QString &text, const QKeySequence &key, auto slot) {
        QAction *action = menu->addAction(text);
        if (!key.isEmpty())
            action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu *file = bar->addMenu(tr("&File"));
    add(file, tr("Save Snapshot"), QKeySequence::Save, [this] { saveNote(); });
    add(file, tr("Export..."), QKeySequence(QStringLiteral("Ctrl+E")), [this] { exportNote(); });
    file->addSeparator();
    add(file, tr("Close"), QKeySequence::Close, [this] { close(); });

    QMenu *edit = bar->addMenu(tr("&Edit"));
    add(edit, tr("Undo"), QKeySequence::Undo, [this] { m_editor->undo(); });
    add(edit, tr("Redo"), QKeySequence::Redo, [this] { m_editor->redo(); });
    edit->addSeparator();
    add(edit, tr("Find in Note..."), QKeySequence::Find, [this] { m_findBar->activate(); });

    QMenu *format = bar->addMenu(tr("F&ormat"));
    add(format, tr("Bold"), QKeySequence::Bold, [this] { m_editor->toggleBold(); });
    add(format, tr("Italic"), QKeySequence::Italic, [this] { m_editor->toggleItalic(); });
    add(format, tr("Underline"), QKeySequence::Underline, [this] { m_editor->toggleUnderline(); });
    add(format, tr("Strikethrough"), QKeySequence(QStringLiteral("Ctrl+Shift+X")), [this] {
        m_editor->toggleStrikethrough();
    });
    format->addSeparator();
    add(format, tr("Heading 1"), QKeySequence(Qt::CTRL | Qt::Key_1), [this] {
        m_editor->setHeading(1);
    });
    add(format, tr("Heading 2"), QKeySequence(Qt::CTRL | Qt::Key_2), [this] {
        m_editor->setHeading(2);
    });
    add(format, tr("Heading 3"), QKeySequence(Qt::CTRL | Qt::Key_3), [this] {
        m_editor->setHeading(3);
    });
    add(format, tr("Normal Text"), QKeySequence(Qt::CTRL | Qt::Key_0), [this] {
        m_editor->setHeading(0);
    });
    format->addSeparator();
    add(format, tr("Bullet List"), QKeySequence(QStringLiteral("Ctrl+Shift+8")), [this] {
        m_editor->toggleBulletList();
    });
    add(format, tr("Numbered List"), QKeySequence(QStringLiteral("Ctrl+Shift+7")), [this] {
        m_editor->toggleNumberedList();
    });
    add(format, tr("Checkbox List"), QKeySequence(QStringLiteral("Ctrl+Shift+9")), [this] {
        m_editor->toggleCheckList();
    });
    format->addSeparator();
    add(format, tr("Code Block"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_QuoteLeft), [this] {
        m_editor->toggleCodeBlock();
    });
    add(format, tr("Blockquote"), QKeySequence(QStringLiteral("Ctrl+Shift+B")), [this] {
        m_editor->toggleBlockquote();
    });
    format->addSeparator();
    add(format, tr("Insert Divider"), QKeySequence(), [this] { m_editor->insertDivider(); });
    add(format, tr("Insert Table..."), QKeySequence(QStringLiteral("Ctrl+T")), [this] {
        insertTable();
    });

    // The toolbar's tooltips name these keys; the window has no menu entries
    // for them, so they live on window actions of their own.
    const auto hidden = [this](const char *name, const QKeySequence &key, auto slot) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [this, slot] {
            if (!m_editor->isReadOnly())
                slot();
        });
        addAction(action);
    };
    hidden("actionInsertLink", QKeySequence(QStringLiteral("Ctrl+K")), [this] {
        m_editor->insertLink();
    });
    hidden("actionInsertAttachment", QKeySequence(QStringLiteral("Ctrl+Shift+A")), [this] {
        m_editor->insertAttachment();
    });
    hidden("actionAlignLeft", QKeySequence(QStringLiteral("Ctrl+Shift+L")), [this] {
        m_editor->setBlockAlignment(Qt::AlignLeft);
    });
    hidden("actionAlignCenter", QKeySequence(QStringLiteral("Ctrl+Shift+E")), [this] {
        m_editor->setBlockAlignment(Qt::AlignHCenter);
    });
    hidden("actionAlignRight", QKeySequence(QStringLiteral("Ctrl+Shift+R")), [this] {
        m_editor->setBlockAlignment(Qt::AlignRight);
    });

    QMenu *note = bar->addMenu(tr("&Note"));
    add(note, tr("Move to Trash"), QKeySequence(QStringLiteral("Ctrl+Backspace")), [this] {
        moveToTrash(false);
    });

    QMenu *help = bar->addMenu(tr("&Help"));
    add(help, tr("About Velmora Notes"), QKeySequence(), [this] {
        QMessageBox::about(this,
                           tr("About"),
                           tr("Velmora Notes %1").arg(QCoreApplication::applicationVersion()));
    });
}

void NoteWindow::connectSignals()
{
    connect(m_editor, &NoteEditor::noteModified, this, &NoteWindow::saveNote);
    connect(m_editor, &NoteEditor::wordCountChanged, m_statusBar, &StatusBar::setWordCount);
    connect(m_editor, &NoteEditor::savedStateChanged, m_statusBar, &StatusBar::setSaveState);

    connect(m_state,
            &AppState::noteUpdatedExternally,
            this,
            [this](const QString &noteId, QObject *source) {
                if (source != this && noteId == m_noteId)
                    loadNote();
            });
    // The stand-alone window also follows changes made elsewhere (the main
    // editor, sync) while it holds no pending edit, so that a later save here
    // cannot overwrite them with stale text.
    connect(m_state, &AppState::notesChanged, this, [this] {
        if (m_closing || !m_editor->isSaved() || m_editor->currentNoteId().isEmpty())
            return;
        const auto note = m_state->notes()->get(m_noteId);
        if (note && !note->deletedAt && !sameDeltaBody(note->body, m_editor->noteJson()))
            loadNote();
        else
            showNotebook();
    });
    connect(m_state, &AppState::notebooksChanged, this, &NoteWindow::showNotebook);
    if (ThemeManager *theme = m_state->themeManager())
        connect(theme, &ThemeManager::themeChanged, m_headerBar, &NoteHeaderBar::refreshChipStyle);
    connect(m_state, &AppState::noteDeletedExternally, this, [this](const QString &noteId) {
        if (noteId == m_noteId)
            close();
    });
    connect(m_state, &AppState::canShareChanged, m_headerBar, &NoteHeaderBar::setShareVisible);

    connect(m_headerBar, &NoteHeaderBar::copyAsPlainTextRequested, this, [this] {
        QGuiApplication::clipboard()->setText(m_editor->toPlainText());
    });
    connect(m_headerBar, &NoteHeaderBar::copyAsMarkdownRequested, this, [this] {
        saveNote();
        if (const auto note = m_state->notes()->get(m_noteId))
            copyNoteAsMarkdown(*note);
    });
    connect(m_headerBar, &NoteHeaderBar::copyAsHtmlRequested, this, [this] {
        saveNote();
        if (const auto note = m_state->notes()->get(m_noteId))
            copyNoteAsHtml(*note);
    });
    connect(m_headerBar, &NoteHeaderBar::historyRequested, this, &NoteWindow::openVersionHistory);
    connect(m_headerBar, &NoteHeaderBar::includeInTodosToggled, this, [this](bool enabled) {
        m_state->notes()->setIncludeInTodos(m_noteId, enabled);
    });
    connect(m_headerBar,
            &NoteHeaderBar::moveToNotebookRequested,
            this,
            &NoteWindow::moveWithChooser);
    connect(m_headerBar, &NoteHeaderBar::exportRequested, this, &NoteWindow::exportNote);
    connect(m_headerBar, &NoteHeaderBar::printRequested, this, &NoteWindow::printNote);
    connect(m_headerBar, &NoteHeaderBar::deleteRequested, this, [this] { moveToTrash(true); });
}

void NoteWindow::loadNote()
{
    const auto note = m_state->notes()->get(m_noteId);
    if (!note) {
        setWindowTitle(tr("Velmora Notes"));
        return;
    }
    m_editor->loadNote(note->id, note->body, false);
    const bool editable = isNoteEditable(*note);
    m_editor->setReadOnly(!editable);
    m_toolbar->setEditorEnabled(editable);
    updateTitle();

    m_headerBar->setNoteActive(editable);
    m_headerBar->setMetaText(noteMetaText(*note, m_editor->wordCount()));
    m_headerBar->setIncludeInTodos(m_state->notes()->includeInTodos(note->id));
    showNotebook();
    m_loadedContent = note->body;
}

void NoteWindow::showNotebook()
{
    // Also run on moves and renames, which leave the body alone.
    const auto note = m_state->notes()->get(m_noteId);
    if (!note)
        return;
    const QString notebook = notebookName(m_state->notebooks(), note->notebookId);
    m_headerBar->setNotebookName(notebook);
    m_statusBar->setLocation(notebook.isEmpty() ? tr("Notes") : notebook, -1);
}

void NoteWindow::updateTitle()
{
    setWindowTitle(tr("%1 — Velmora Notes").arg(documentName()));
}

QString NoteWindow::documentName() const
{
    const auto note = m_state->notes()->get(m_noteId);
    const QString title = note ? note->title() : QString();
    return title.isEmpty() ? tr("Untitled") : title;
}

void NoteWindow::saveNote()
{
    if (m_editor->currentNoteId().isEmpty() || m_editor->isReadOnly())
        return;
    if (!saveNoteBody(m_state->notes(), m_editor->currentNoteId(), m_editor->noteJson()))
        return;
    emit m_state->noteUpdatedExternally(m_noteId, this);
    updateTitle();
}

void NoteWindow::snapshotIfChanged()
{
    snapshotEditorIfChanged(m_editor, m_state->notes(), m_state->snapshots(), m_loadedContent);
}

void NoteWindow::moveToTrash(bool confirm)
{
    if (confirm) {
        if (askQuestion(tr("Move to Trash"), trashQuestion(m_state->notes(), m_noteId))
            != QMessageBox::Yes)
            return;
    }
    // Trashing announces the deletion, which closes this window; a note that
    // is gone already still closes it.
    m_state->notes()->moveToTrash(m_noteId);
    close();
}

void NoteWindow::exportNote()
{
    saveNote();
    const auto note = m_state->notes()->get(m_noteId);
    if (!note)
        return;
    runNoteExport(
        this,
        m_statusBar,
        *note,
        m_state->attachments(),
        [this] { return chooseExport(); },
        [this](const QString &title, const QString &proposed, const QString &filter) {
            return chooseSaveFileName(title, proposed, filter);
        });
}

void NoteWindow::printNote()
{
    if (m_editor->currentNoteId().isEmpty()) {
        m_statusBar->showMessage(tr("No note selected"), 3000);
        return;
    }
    saveNote();
    const QString name = documentName();
    if (printDocument(this, m_editor->document(), name))
        m_statusBar->showMessage(tr("Printed %1").arg(name), 3000);
}

void NoteWindow::moveWithChooser()
{
    const auto note = m_state->notes()->get(m_noteId);
    if (!note)
        return;
    const QString target = chooseNotebook(m_state->notebooks()->listAll(), note->notebookId);
    if (target != note->notebookId && m_state->notes()->moveToNotebook(m_noteId, target))
        loadNote();
}

void NoteWindow::openVersionHistory()
{
    auto *dialog = new VersionHistoryDialog(m_state, m_noteId, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void NoteWindow::insertTable()
{
    const TableSizeChoice choice = NoteEditor::askTableSize(this);
    if (choice.accepted)
        m_editor->insertTable(choice.rows, choice.columns, choice.headerRow);
}

void NoteWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        saveNote();
        snapshotIfChanged();
        if (!m_noteId.isEmpty())
            m_state->preferences()->setString(geometryKey(m_noteId),
                                              QString::fromLatin1(saveGeometry().toBase64()));
        emit windowClosed(m_noteId);
    }
    QMainWindow::closeEvent(event);
}

QMessageBox::StandardButton NoteWindow::askQuestion(const QString &title, const QString &text)
{
    return QMessageBox::question(this,
                                 title,
                                 text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No);
}

QString NoteWindow::chooseNotebook(const QList<Notebook> &notebooks, const QString &currentId)
{
    return MoveToNotebookDialog::chooseNotebook(this, notebooks, currentId);
}

std::optional<ExportChoice> NoteWindow::chooseExport()
{
    return runExportDialog(this);
}

QString NoteWindow::chooseSaveFileName(const QString &title,
                                       const QString &proposedName,
                                       const QString &filter)
{
    return QFileDialog::getSaveFileName(this, title, proposedName, filter);
}
