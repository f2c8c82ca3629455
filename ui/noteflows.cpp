#include "ui/noteflows.h"

#include "document/converters.h"
#include "editor/noteeditor.h"
#include "storage/notebookrepository.h"
#include "storage/noterepository.h"
#include "storage/snapshotrepository.h"
#include "ui/exportdialog.h"
#include "ui/relativetime.h"
#include "ui/statusbar.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUuid>

#include <memory>

namespace {

QString trText(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// Joins neighbouring text inserts of equal attributes and drops empty
// attribute objects, so that equal documents compare equal.
QJsonArray canonicalOps(const QJsonArray &ops)
{
    QJsonArray out;
    for (const QJsonValue &value : ops) {
        QJsonObject op = value.toObject();
        if (op.value(QLatin1String("attributes")).toObject().isEmpty())
            op.remove(QLatin1String("attributes"));
        const bool text = op.value(QLatin1String("insert")).isString() && op.size() <= 2;
        if (text && !out.isEmpty()) {
            QJsonObject last = out.last().toObject();
            if (last.value(QLatin1String("insert")).isString() && last.size() <= 2
                && last.value(QLatin1String("attributes"))
                       == op.value(QLatin1String("attributes"))) {
                last.insert(QLatin1String("insert"),
                            last.value(QLatin1String("insert")).toString()
                                + op.value(QLatin1String("insert")).toString());
                out.replace(out.size() - 1, last);
                continue;
            }
        }
        out.append(value.isObject() ? QJsonValue(op) : value);
    }
    return out;
}

} // namespace

bool sameDeltaBody(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QJsonDocument left = QJsonDocument::fromJson(a.toUtf8());
    const QJsonDocument right = QJsonDocument::fromJson(b.toUtf8());
    if (!left.isArray() || !right.isArray())
        return false;
    return canonicalOps(left.array()) == canonicalOps(right.array());
}

bool isNoteEditable(const Note &note)
{
    return !note.isShared || note.permission == QLatin1String("edit");
}

QString noteMetaText(const Note &note, int wordCount)
{
    const QString when = formatRelativeTime(note.updatedAt);
    if (wordCount < 1)
        return trText("Updated %1").arg(when);
    return trText("Updated %1 · %2 words").arg(when).arg(wordCount);
}

QString notebookName(NotebookRepository *notebooks, const QString &notebookId)
{
    if (!notebooks || notebookId.isEmpty())
        return QString();
    const auto notebook = notebooks->get(notebookId);
    return notebook ? notebook->name : QString();
}

bool saveNoteBody(NoteRepository *notes, const QString &noteId, const QString &json)
{
    auto note = notes->get(noteId);
    if (!note || sameDeltaBody(note->body, json))
        return false;
    return writeNoteBody(notes, *note, json);
}

bool writeNoteBody(NoteRepository *notes, Note &note, const QString &json)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    note.body = json;
    note.updatedAt = now;
    note.modifiedAt = now;
    note.version += 1;
    note.syncStatus = SyncStatus::Pending;
    return notes->update(note);
}

bool snapshotNoteBody(NoteRepository *notes,
                      SnapshotRepository *snapshots,
                      const QString &noteId,
                      const QString &json)
{
    const auto note = notes->get(noteId);
    if (!note)
        return false;
    Snapshot snapshot;
    snapshot.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    snapshot.noteId = note->id;
    snapshot.version = note->version;
    snapshot.body = json;
    snapshot.createdAt = QDateTime::currentDateTimeUtc();
    return snapshots->insert(snapshot);
}

void copyNoteAsMarkdown(const Note &note)
{
    QGuiApplication::clipboard()->setText(convertNoteBody(note.body, ExportFormat::Markdown));
}

void copyNoteAsHtml(const Note &note)
{
    auto *data = new QMimeData;
    data->setHtml(convertNoteBody(note.body, ExportFormat::Html));
    data->setText(convertNoteBody(note.body, ExportFormat::Markdown));
    QGuiApplication::clipboard()->setMimeData(data);
}

QTextDocument *createPrintCopy(const QTextDocument *source)
{
    QTextDocument *copy = source->clone();
    copy->setDocumentMargin(36.0);

    QFont defaultFont = copy->defaultFont();
    if (defaultFont.pixelSize() > 0) {
        defaultFont.setPointSizeF(defaultFont.pixelSize() * 72.0 / 96.0);
        copy->setDefaultFont(defaultFont);
    }

    // Collect first: changing formats while walking would split the fragments.
    struct Change
    {
        int position;
        int length;
        QTextCharFormat format;
    };
    QList<Change> changes;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat format = fragment.charFormat();
            const QFont font = format.font();
            if (font.pixelSize() >= 1) {
                QFont converted = font;
                converted.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
                format.setFont(converted);
                changes.append({fragment.position(), fragment.length(), format});
            }
        }
    }
    for (const Change &change : changes) {
        QTextCursor cursor(copy);
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    return copy;
}

bool printDocument(QWidget *parent, const QTextDocument *source, const QString &documentName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(trText("Print Note"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    std::unique_ptr<QTextDocument> copy(createPrintCopy(source));
    copy->print(&printer);
    return true;
}

void previewDocument(QWidget *parent, const QTextDocument *source, const QString &documentName)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(trText("Print Preview — %1").arg(documentName));
    dialog.resize(900, 700);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [source](QPrinter *p) {
        std::unique_ptr<QTextDocument> copy(createPrintCopy(source));
        copy->print(p);
    });
    dialog.exec();
}

std::optional<ExportChoice> runExportDialog(QWidget *parent)
{
    ExportDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return ExportChoice{dialog.exportFormat(), dialog.includeAttachments()};
}

QString exportProposedName(const Note &note, const ExportChoice &choice)
{
    return ExportDialog::suggestedFileName(note, choice.format, choice.bundle);
}

QString exportFilter(const ExportChoice &choice)
{
    return ExportDialog::fileFilter(choice.format, choice.bundle);
}

void writeExport(QWidget *parent,
                 StatusBar *statusBar,
                 const Note &note,
                 const QString &path,
                 const ExportChoice &choice,
                 AttachmentRepository *attachments)
{
    const ExportResult result = ExportDialog::exportTo(note,
                                                       path,
                                                       choice.format,
                                                       choice.bundle,
                                                       attachments);
    if (result.ok)
        statusBar->showMessage(trText("Exported to %1").arg(path), 3000);
    else
        QMessageBox::warning(parent, trText("Export Failed"), result.error);
}

void runNoteExport(QWidget *parent,
                   StatusBar *statusBar,
                   const Note &note,
                   AttachmentRepository *attachments,
                   const ExportFormatChooser &chooseFormat,
                   const SaveNameChooser &chooseSaveName)
{
    const std::optional<ExportChoice> choice = chooseFormat();
    if (!choice)
        return;
    const QString path = chooseSaveName(trText("Export Note"),
                                        exportProposedName(note, *choice),
                                        exportFilter(*choice));
    if (!path.isEmpty())
        writeExport(parent, statusBar, note, path, *choice, attachments);
}

void snapshotEditorIfChanged(const NoteEditor *editor,
                             NoteRepository *notes,
                             SnapshotRepository *snapshots,
                             QString &loadedContent)
{
    const QString noteId = editor->currentNoteId();
    if (noteId.isEmpty() || editor->isReadOnly() || loadedContent.isEmpty())
        return;
    const QString json = editor->noteJson();
    if (json.isEmpty() || sameDeltaBody(json, loadedContent))
        return;
    if (snapshotNoteBody(notes, snapshots, noteId, json))
        loadedContent = json;
}

QString trashQuestion(NoteRepository *notes, const QString &noteId)
{
    const auto note = notes->get(noteId);
    QString name = note ? note->title() : QString();
    if (name.isEmpty())
        name = trText("this note");
    return trText("Move \"%1\" to Trash?").arg(name);
}
