#pragma once

// Shared by the editor tests: an editor whose questions, dialogs and desktop
// calls are scripted, a store with an attachment repository in a temporary
// directory, and the reload check for what the editor writes.

#include "document/deltadocument.h"
#include "editor/noteeditor.h"
#include "storage/attachmentrepository.h"
#include "storage/database.h"
#include "storage/noterepository.h"
#include "tests/document/deltaroundtrip.h"

#include <QApplication>
#include <QJsonDocument>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include <memory>

class ScriptedEditor : public NoteEditor
{
public:
    using NoteEditor::createEditorContextMenu;
    using NoteEditor::NoteEditor;

    struct Question
    {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
    };

    QList<Question> questions;
    QMessageBox::StandardButton answer = QMessageBox::No;
    LinkChoice linkAnswer;
    QStringList linkDialogs; // "title|text|url" of each link dialog
    QString openFileAnswer;
    QString saveFileAnswer;
    QList<QUrl> openedUrls;
    bool openResult = true;
    QStringList previews; // captions of image previews
    bool previewAvailable = true;

    void insertFromMimeDataForTest(const QMimeData *data) { insertFromMimeData(data); }
    bool canInsertFromMimeDataForTest(const QMimeData *data) const
    {
        return canInsertFromMimeData(data);
    }

protected:
    QMessageBox::StandardButton askQuestion(const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) override
    {
        questions.append({title, text, buttons, defaultButton});
        return answer;
    }
    LinkChoice askLink(const QString &title, const QString &text, const QString &url) override
    {
        linkDialogs.append(title + QLatin1Char('|') + text + QLatin1Char('|') + url);
        return linkAnswer;
    }
    QString chooseOpenFileName(const QString &, const QString &) override { return openFileAnswer; }
    QString chooseSaveFileName(const QString &, const QString &) override { return saveFileAnswer; }
    bool openUrlInDesktop(const QUrl &url) override
    {
        openedUrls.append(url);
        return openResult;
    }
    bool showImagePreview(const QImage &, const QString &caption) override
    {
        if (!previewAvailable)
            return false;
        previews.append(caption);
        return true;
    }
};

// A migrated store with an attachment repository, in a directory of its own.
struct EditorStore
{
    EditorStore()
    {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("NOTES_DATA_DIR", dir.path().toUtf8());
        ready = dir.isValid() && database.open(dir.filePath(QStringLiteral("store.db")))
                && database.migrate();
        attachments = std::make_unique<AttachmentRepository>(&database,
                                                             dir.filePath(
                                                                 QStringLiteral("attachments")));
        // Attachment rows belong to notes that exist.
        NoteRepository notes(&database);
        for (const char *id : {"note-1", "n"}) {
            Note note = Note::create();
            note.id = QString::fromLatin1(id);
            ready = ready && notes.insert(note);
        }
    }

    QTemporaryDir dir;
    Database database;
    std::unique_ptr<AttachmentRepository> attachments;
    bool ready = false;
};

inline QString compactJson(const QJsonArray &ops)
{
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

inline QJsonArray parseArray(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

// What the editor wrote loads back through the document layer into a
// document that writes exactly the same Delta, with the same content.
inline bool reloadsIdentically(const NoteEditor &editor, QString *written = nullptr)
{
    const QString json = editor.noteJson();
    if (written)
        *written = json;
    DeltaDocument reloaded;
    reloaded.loadJson(json);
    const QString again = reloaded.toJson();
    if (again != json) {
        qWarning("written: %s\nreloaded: %s", qPrintable(json), qPrintable(again));
        return false;
    }
    const DeltaContent before = DeltaContent::of(parseArray(json));
    const DeltaContent after = DeltaContent::of(parseArray(again));
    return before.tokens == after.tokens && before.unknown == after.unknown;
}

// An editor showing a note, shown on screen and focused so key events reach it.
inline void showEditor(NoteEditor &editor, const QString &json = QString())
{
    editor.resize(600, 400);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.activateWindow();
    editor.setFocus();
    editor.loadNote(QStringLiteral("note-1"), json);
}

inline QString blockTexts(const QTextDocument *document)
{
    QStringList texts;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        texts.append(block.text());
    return texts.join(QLatin1Char('|'));
}
