// The note and notebook workflows of MainWindow: switching, loading and
// saving notes, snapshots, list refreshes, trash, moves, notebooks, export,
// copy and print.

#include "ui/mainwindow.h"

#include "app/appstate.h"
#include "document/noteexport.h"
#include "editor/editortoolbar.h"
#include "editor/noteeditor.h"
#include "editor/noteheaderbar.h"
#include "interchange/backup.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/preferencesrepository.h"
#include "storage/snapshotrepository.h"
#include "ui/movetonotebookdialog.h"
#include "ui/notebookdialog.h"
#include "ui/notebooklistwidget.h"
#include "ui/noteflows.h"
#include "ui/notelistwidget.h"
#include "ui/statusbar.h"
#include "ui/versionhistorydialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QUuid>

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void MainWindow::onNoteSelected(const QString &noteId)
{
    if (noteId == m_editor->currentNoteId())
        return;
    if (!m_editor->isSaved()) {
        saveCurrentNote();
        snapshotIfChanged();
    }
    m_state->setCurrentNoteId(noteId);
    loadNote(noteId, false);
}

void MainWindow::clearEditor()
{
    m_editor->clearNote();
    m_toolbar->setEditorEnabled(false);
    m_headerBar->setNoteActive(false);
    m_loadedContent.clear();
}

void MainWindow::loadNote(const QString &noteId, bool force)
{
    const auto note = m_state->notes()->get(noteId);
    // A note in the trash is not opened for editing (the last note id may
    // name one after a restart).
    if (!note || note->deletedAt) {
        clearEditor();
        updateCentralPage();
        return;
    }
    m_editor->loadNote(note->id, note->body, force);

    const bool editable = isNoteEditable(*note);
    m_toolbar->setEditorEnabled(editable);
    m_editor->setReadOnly(!editable);

    m_headerBar->setNoteActive(editable);
    m_headerBar->setNotebookName(notebookName(m_state->notebooks(), note->notebookId));
    m_headerBar->setMetaText(noteMetaText(*note, m_editor->wordCount()));
    m_headerBar->setIncludeInTodos(m_state->notes()->includeInTodos(note->id));

    m_loadedContent = note->body;
    updateCentralPage();
}

void MainWindow::saveCurrentNote()
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty() || m_editor->isReadOnly())
        return;
    if (!saveNoteBody(m_state->notes(), noteId, m_editor->noteJson()))
        return;
    // Keep the header's "Updated …" line true while the note is being written.
    if (const auto note = m_state->notes()->get(noteId))
        m_headerBar->setMetaText(noteMetaText(*note, m_editor->wordCount()));
}

void MainWindow::snapshotIfChanged()
{
    snapshotEditorIfChanged(m_editor, m_state->notes(), m_state->snapshots(), m_loadedContent);
}

void MainWindow::checkExternalChange()
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty() || !m_editor->isSaved())
        return;
    const auto note = m_state->notes()->get(noteId);
    if (note && !sameDeltaBody(note->body, m_editor->noteJson()))
        loadNote(noteId, true);
    else
        refreshHeaderNotebook();
}

void MainWindow::refreshHeaderNotebook()
{
    // A move or a rename leaves the body alone, so no reload brings the chip
    // up to date.
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    if (const auto note = m_state->notes()->get(noteId))
        m_headerBar->setNotebookName(notebookName(m_state->notebooks(), note->notebookId));
}

void MainWindow::refreshNoteList()
{
    NoteRepository *notes = m_state->notes();
    const QString query = m_searchField->text().trimmed();
    const QString notebookId = m_state->currentNotebookId();
    int count = 0;
    {
        QList<Note> list;
        if (query.isEmpty()) {
            list = notebookId.isEmpty() ? notes->listAll() : notes->listByNotebook(notebookId);
            if (m_state->preferences()->getBool(QStringLiteral("steno_mode"), false))
                std::reverse(list.begin(), list.end());
        } else {
            list = notes->search(query);
        }
        m_notebookNames.clear();
        for (const Notebook &notebook : m_state->notebooks()->listAllWithDeleted())
            m_notebookNames.insert(notebook.id, notebook.name);
        count = int(list.size());
        m_noteList->setNotes(std::move(list));
    }
#ifdef __GLIBC__
    // The bodies of a large list were freed all at once just now; hand the
    // pages back rather than keep the peak of every refresh mapped.
    if (count >= 1000)
        malloc_trim(0);
#endif

    QString location = tr("All Notes");
    if (!notebookId.isEmpty()) {
        if (const auto notebook = m_state->notebooks()->get(notebookId))
            location = notebook->name;
    }
    m_statusBar->setLocation(location, count);
}

void MainWindow::refreshNotebookList()
{
    m_notebookList->setNotebooks(m_state->notebooks()->listAll(),
                                 m_state->notes()->countsByNotebook(),
                                 m_state->currentNotebookId(),
                                 int(m_state->notes()->listTrash().size()));
}

void MainWindow::createNewNote()
{
    saveCurrentNote();
    Note note;
    note.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    note.notebookId = m_state->currentNotebookId();
    note.body = QStringLiteral("[{\"insert\":\"\\n\"}]");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    note.createdAt = now;
    note.updatedAt = now;
    note.modifiedAt = now;
    note.version = 1;
    if (!m_state->notes()->insert(note))
        return;
    m_noteList->selectNote(note.id);
    loadNote(note.id, false);
    // The list may not show the note (a search is active); it is the
    // current note all the same, and the caret waits in it.
    m_state->setCurrentNoteId(note.id);
    m_editor->setFocus(Qt::OtherFocusReason);
}

void MainWindow::moveSelectedNoteToTrash(bool confirm)
{
    const QString noteId = m_noteList->currentNoteId();
    if (noteId.isEmpty())
        return;
    if (confirm) {
        if (askQuestion(tr("Move to Trash"),
                        trashQuestion(m_state->notes(), noteId),
                        QMessageBox::No)
            != QMessageBox::Yes)
            return;
    }

    const int row = m_noteList->currentRow();
    if (noteId == m_editor->currentNoteId()) {
        // An edit still waiting for the save delay goes into the trash with
        // the note; clearing first would drop it.
        saveCurrentNote();
        clearEditor();
    }
    m_state->notes()->moveToTrash(noteId);

    if (m_noteList->count() == 0) {
        updateCentralPage();
        return;
    }
    const int target = std::min(row, m_noteList->count() - 1);
    {
        // The row is chosen here and loaded below, so selecting must not
        // start a second switch.
        const QSignalBlocker blocker(m_noteList);
        m_noteList->setCurrentRow(target);
    }
    const QString nextId = m_noteList->currentNoteId();
    if (!nextId.isEmpty()) {
        loadNote(nextId, false);
        m_state->setCurrentNoteId(nextId);
    }
}

void MainWindow::showNoteContextMenu(const QString &noteId, const QPoint &globalPos)
{
    const auto note = m_state->notes()->get(noteId);
    QMenu menu(this);
    connect(menu.addAction(tr("Open in New Window")), &QAction::triggered, this, [this, noteId] {
        m_state->openNoteWindow(noteId);
    });
    QMenu *move = menu.addMenu(tr("Move to Notebook"));
    for (const Notebook &notebook : m_state->notebooks()->listAll()) {
        if (notebook.deletedAt)
            continue;
        QAction *entry = move->addAction(notebook.name);
        entry->setCheckable(true);
        entry->setChecked(note && note->notebookId == notebook.id);
        const QString target = notebook.id;
        connect(entry, &QAction::triggered, this, [this, noteId, target] {
            moveNote(noteId, target);
        });
    }
    menu.addSeparator();
    connect(menu.addAction(tr("Move to Trash")), &QAction::triggered, this, [this, noteId] {
        if (noteId == m_editor->currentNoteId()) {
            saveCurrentNote();
            clearEditor();
            updateCentralPage();
        }
        m_state->notes()->moveToTrash(noteId);
    });
    menu.exec(globalPos);
}

void MainWindow::moveNote(const QString &noteId, const QString &notebookId)
{
    m_state->notes()->moveToNotebook(noteId, notebookId);
}

void MainWindow::moveCurrentNoteWithChooser(bool fromHeader)
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    const auto note = m_state->notes()->get(noteId);
    if (!note)
        return;
    const QString target = chooseNotebook(m_state->notebooks()->listAll(), note->notebookId);
    if (fromHeader ? target != note->notebookId : !target.isEmpty())
        moveNote(noteId, target);
}

void MainWindow::showNotebookContextMenu(const QString &notebookId, const QPoint &globalPos)
{
    QMenu menu(this);
    connect(menu.addAction(tr("Rename Notebook…")), &QAction::triggered, this, [this, notebookId] {
        renameNotebook(notebookId);
    });
    // "Share Notebook…" joins this menu with sharing.
    menu.addSeparator();
    connect(menu.addAction(tr("Delete Notebook")), &QAction::triggered, this, [this, notebookId] {
        deleteNotebook(notebookId);
    });
    menu.exec(globalPos);
}

void MainWindow::createNotebook()
{
    const QString name = askNewNotebookName();
    if (name.isEmpty())
        return;
    Notebook notebook;
    notebook.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    notebook.name = name;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    notebook.createdAt = now;
    notebook.updatedAt = now;
    notebook.version = 1;
    if (!m_state->notebooks()->insert(notebook))
        return;
    m_state->setCurrentNotebookId(notebook.id);
    refreshNoteList();
    refreshNotebookList();
}

void MainWindow::renameNotebook(const QString &notebookId)
{
    auto notebook = m_state->notebooks()->get(notebookId);
    if (!notebook)
        return;
    const QString name = askRenamedNotebookName(notebook->name);
    if (name.isEmpty() || name == notebook->name)
        return;
    notebook->name = name;
    notebook->updatedAt = QDateTime::currentDateTimeUtc();
    notebook->version += 1;
    notebook->syncStatus = SyncStatus::Pending;
    m_state->notebooks()->update(*notebook);
}

void MainWindow::deleteNotebook(const QString &notebookId)
{
    const auto notebook = m_state->notebooks()->get(notebookId);
    if (!notebook)
        return;
    if (askQuestion(tr("Delete Notebook"),
                    tr("Delete \"%1\"? Its notes will move to All Notes.").arg(notebook->name),
                    QMessageBox::NoButton)
        != QMessageBox::Yes)
        return;
    NoteRepository *notes = m_state->notes();
    for (const Note &note : notes->listByNotebook(notebookId))
        notes->moveToNotebook(note.id, QString());
    // Trashed notes keep their notebook too; move them so that a restore
    // does not bring them back into a notebook that no longer exists.
    for (const Note &note : notes->listTrash()) {
        if (note.notebookId == notebookId)
            notes->moveToNotebook(note.id, QString());
    }
    m_state->notebooks()->markDeleted(notebookId);
    if (m_state->currentNotebookId() == notebookId) {
        m_state->setCurrentNotebookId(QString());
        refreshNoteList();
        refreshNotebookList();
    }
}

void MainWindow::openNotebookOfCurrentNote()
{
    const auto note = m_state->notes()->get(m_editor->currentNoteId());
    if (!note)
        return;
    m_state->setCurrentNotebookId(note->notebookId);
    refreshNoteList();
    refreshNotebookList();
}

void MainWindow::exportCurrentNote(bool saveFirst)
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    if (saveFirst)
        saveCurrentNote();
    const auto note = m_state->notes()->get(noteId);
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

void MainWindow::copyAsPlainText()
{
    if (m_editor->currentNoteId().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(m_editor->toPlainText());
}

void MainWindow::copyAsMarkdown()
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    saveCurrentNote();
    if (const auto note = m_state->notes()->get(noteId))
        copyNoteAsMarkdown(*note);
}

void MainWindow::copyAsHtml()
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    saveCurrentNote();
    if (const auto note = m_state->notes()->get(noteId))
        copyNoteAsHtml(*note);
}

QString MainWindow::currentDocumentName() const
{
    const auto note = m_state->notes()->get(m_editor->currentNoteId());
    const QString title = note ? note->title() : QString();
    return title.isEmpty() ? tr("Untitled") : title;
}

void MainWindow::printCurrentNote()
{
    if (m_editor->currentNoteId().isEmpty()) {
        m_statusBar->showMessage(tr("No note selected"), 3000);
        return;
    }
    saveCurrentNote();
    const QString name = currentDocumentName();
    if (runPrintDialog(name))
        m_statusBar->showMessage(tr("Printed %1").arg(name), 3000);
}

void MainWindow::printPreviewCurrentNote()
{
    if (m_editor->currentNoteId().isEmpty()) {
        m_statusBar->showMessage(tr("No note selected"), 3000);
        return;
    }
    saveCurrentNote();
    runPrintPreview(currentDocumentName());
}

void MainWindow::backupDatabase()
{
    const QString path = chooseSaveFileName(tr("Save Backup"),
                                            QStringLiteral("velmora-notes-backup.zip"),
                                            tr("ZIP Archive (*.zip)"));
    if (path.isEmpty())
        return;
    saveCurrentNote();
    const ImportResult result = createBackup(path, m_state);
    if (result.errors > 0 || !result.error.isEmpty()) {
        showWarning(tr("Backup Failed"), result.error);
        return;
    }
    m_statusBar->showMessage(tr("Backup saved: %1 notes").arg(result.imported), 3000);
}

void MainWindow::restoreDatabase()
{
    const QString path = chooseOpenFileName(tr("Select Backup"), tr("ZIP Archive (*.zip)"));
    if (path.isEmpty())
        return;
    if (askQuestion(tr("Restore Backup"),
                    tr("Import notes from backup? Existing notes with the same ID will be "
                       "skipped."),
                    QMessageBox::NoButton)
        != QMessageBox::Yes)
        return;
    const ImportResult result = restoreBackup(path, m_state);
    QString text = tr("Imported: %1\nSkipped: %2\nErrors: %3")
                       .arg(result.imported)
                       .arg(result.skipped)
                       .arg(result.errors);
    // A restore that failed as a whole says why, not only "Errors: 1".
    if (!result.error.isEmpty())
        text += QStringLiteral("\n\n") + result.error;
    showInformation(tr("Restore Complete"), text);
}

void MainWindow::openVersionHistory()
{
    const QString noteId = m_editor->currentNoteId();
    if (noteId.isEmpty())
        return;
    auto *dialog = new VersionHistoryDialog(m_state, noteId, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::openCurrentNoteInWindow()
{
    const QString noteId = m_editor->currentNoteId();
    if (!noteId.isEmpty())
        m_state->openNoteWindow(noteId);
}

QMessageBox::StandardButton MainWindow::askQuestion(const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(this,
                                 title,
                                 text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 defaultButton);
}

QString MainWindow::askNewNotebookName()
{
    return NotebookDialog::getNewNotebookName(this);
}

QString MainWindow::askRenamedNotebookName(const QString &currentName)
{
    return NotebookDialog::getRenamedNotebookName(this, currentName);
}

QString MainWindow::chooseNotebook(const QList<Notebook> &notebooks, const QString &currentId)
{
    return MoveToNotebookDialog::chooseNotebook(this, notebooks, currentId);
}

std::optional<ExportChoice> MainWindow::chooseExport()
{
    return runExportDialog(this);
}

QString MainWindow::chooseSaveFileName(const QString &title,
                                       const QString &proposedName,
                                       const QString &filter)
{
    return QFileDialog::getSaveFileName(this, title, proposedName, filter);
}

QString MainWindow::chooseOpenFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(this, title, QString(), filter);
}

void MainWindow::showInformation(const QString &title, const QString &text)
{
    QMessageBox::information(this, title, text);
}

void MainWindow::showWarning(const QString &title, const QString &text)
{
    QMessageBox::warning(this, title, text);
}

bool MainWindow::runPrintDialog(const QString &documentName)
{
    return printDocument(this, m_editor->document(), documentName);
}

void MainWindow::runPrintPreview(const QString &documentName)
{
    previewDocument(this, m_editor->document(), documentName);
}
