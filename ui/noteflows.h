#pragma once

#include <QString>

#include <functional>
#include <optional>

#include "document/converters.h"

class AttachmentRepository;
class NotebookRepository;
class NoteEditor;
class NoteRepository;
class QTextDocument;
class QWidget;
class SnapshotRepository;
class StatusBar;
struct Note;

// Steps that the main window and the stand-alone note windows share when they
// load, save, snapshot, copy and print one note.

// A shared note is editable only with the "edit" permission; own notes always.
bool isNoteEditable(const Note &note);

// "Updated %1" or "Updated %1 · %2 words" for the header bar.
QString noteMetaText(const Note &note, int wordCount);

// The notebook's name, or an empty text when the id is empty or unknown.
QString notebookName(NotebookRepository *notebooks, const QString &notebookId);

// True when both texts hold the same Delta document, also when one keeps
// apart text runs of equal attributes that the other joins (bodies from
// imports, sync or older saves need not be in the editor's form).
bool sameDeltaBody(const QString &a, const QString &b);

// Writes json as the body of a fetched note unconditionally: times now,
// version up, pending. True when the repository stored it.
bool writeNoteBody(NoteRepository *notes, Note &note, const QString &json);

// Writes json as the note's body when it differs from the stored one: times
// now, version up, pending. True only when the note was written.
bool saveNoteBody(NoteRepository *notes, const QString &noteId, const QString &json);

// Stores a snapshot of json at the note's current version. True when stored.
bool snapshotNoteBody(NoteRepository *notes,
                      SnapshotRepository *snapshots,
                      const QString &noteId,
                      const QString &json);

// The snapshot rule of a window on close and note switch: when the editor's
// text differs from loadedContent, snapshot it and make it the new
// loadedContent. Nothing for an empty, read-only or never-loaded editor.
void snapshotEditorIfChanged(const NoteEditor *editor,
                             NoteRepository *notes,
                             SnapshotRepository *snapshots,
                             QString &loadedContent);

// "Move \"%1\" to Trash?" with the note's display title, or "this note".
QString trashQuestion(NoteRepository *notes, const QString &noteId);

// The clipboard forms of a stored note.
void copyNoteAsMarkdown(const Note &note);
void copyNoteAsHtml(const Note &note);

// A clone of the editor's document for paper: a 36 pt margin and pixel font
// sizes turned into point sizes so that the text prints at its screen size.
QTextDocument *createPrintCopy(const QTextDocument *source);

// "Print Note" dialog, then prints; true when printed.
bool printDocument(QWidget *parent, const QTextDocument *source, const QString &documentName);
// Modal print preview of the document.
void previewDocument(QWidget *parent, const QTextDocument *source, const QString &documentName);

// What the export dialog returned: the format and whether the note's
// attachments go along in a ZIP bundle.
struct ExportChoice
{
    ExportFormat format = ExportFormat::Markdown;
    bool bundle = false;
};

// Runs the export dialog modally; nothing when cancelled.
std::optional<ExportChoice> runExportDialog(QWidget *parent);
// The proposed file name and the save-dialog filter for a choice.
QString exportProposedName(const Note &note, const ExportChoice &choice);
QString exportFilter(const ExportChoice &choice);
// Writes the export and reports it: "Exported to %1" in the status bar, or
// the "Export Failed" warning.
void writeExport(QWidget *parent,
                 StatusBar *statusBar,
                 const Note &note,
                 const QString &path,
                 const ExportChoice &choice,
                 AttachmentRepository *attachments);

// The export flow of a window for a fetched note: the format, the file, then
// the write. The choosers are the window's own, so tests can answer them.
using ExportFormatChooser = std::function<std::optional<ExportChoice>()>;
using SaveNameChooser
    = std::function<QString(const QString &title, const QString &proposed, const QString &filter)>;
void runNoteExport(QWidget *parent,
                   StatusBar *statusBar,
                   const Note &note,
                   AttachmentRepository *attachments,
                   const ExportFormatChooser &chooseFormat,
                   const SaveNameChooser &chooseSaveName);
