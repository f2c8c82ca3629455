#include "document/attachmenturl.h"
#include "document/richtextformats.h"
#include "editor/noteeditor.h"
#include "editortestsupport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QToolTip>

static QJsonObject textOp(const QString &text, const QJsonObject &attributes = {})
{
    QJsonObject op{{QStringLiteral("insert"), text}};
    if (!attributes.isEmpty())
        op.insert(QStringLiteral("attributes"), attributes);
    return op;
}

static void placeCaret(NoteEditor &editor, int position)
{
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(position);
    editor.setTextCursor(cursor);
}

static QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(bytes);
    return path;
}

static QByteArray pngBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Position of the first object character of an attachment with this id.
static int attachmentPosition(const NoteEditor &editor, const QString &id)
{
    for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.objectType() == AttachmentObject
                && attachmentIdFromUrl(format.stringProperty(EmbedValueProperty)) == id)
                return it.fragment().position();
        }
    }
    return -1;
}

static QPoint pointOfPosition(const NoteEditor &editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    return editor.cursorRect(cursor).center() + QPoint(4, 0);
}

static bool hasExecuteBit(const QString &path)
{
    const QFile::Permissions permissions = QFileInfo(path).permissions();
    return permissions
           & (QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup
              | QFileDevice::ExeOther);
}

class TestEditorObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // ---- Tables ----

    void tableGoesAfterTheParagraph()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("before after\n"))}));
        placeCaret(editor, 6);
        editor.insertTable(2, 2, true);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        QCOMPARE(editor.document()->firstBlock().text(), QStringLiteral("before after"));
        QCOMPARE(table->cellAt(editor.textCursor()).row(), 0);
        QTest::keyClicks(&editor, QStringLiteral("Head"));
        QTest::keyClick(&editor, Qt::Key_Tab);
        QTest::keyClick(&editor, Qt::Key_Tab);
        QTest::keyClicks(&editor, QStringLiteral("body"));
        const QJsonArray written = parseArray(editor.noteJson());
        QCOMPARE(written.at(0), QJsonValue(textOp(QStringLiteral("before after"))));
        const QString tableJson = written.at(2)
                                      .toObject()
                                      .value(QStringLiteral("insert"))
                                      .toObject()
                                      .value(QStringLiteral("table"))
                                      .toString();
        QCOMPARE(tableJson,
                 QStringLiteral("{\"cells\":[[[{\"insert\":\"Head\"}],[]],[[{\"insert\":\"body\"}],"
                                "[]]],\"hasHeader\":true}"));
        QVERIFY(reloadsIdentically(editor));

        // Header cells are bold and shaded.
        QTextCursor head = table->cellAt(0, 0).firstCursorPosition();
        head.movePosition(QTextCursor::NextCharacter);
        QVERIFY(head.charFormat().fontWeight() >= 700);

        // No table inside a table.
        editor.insertTable(2, 2, false);
        QCOMPARE(editor.textCursor().currentTable(), table);
        QCOMPARE(table->rows(), 2);
    }

    void rowAndColumnOperations()
    {
        ScriptedEditor editor;
        showEditor(editor);
        editor.insertTable(2, 2, false);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        editor.insertRowAbove();
        editor.insertRowBelow();
        QCOMPARE(table->rows(), 4);
        editor.insertColumnBefore();
        editor.insertColumnAfter();
        QCOMPARE(table->columns(), 4);
        editor.deleteRow();
        editor.deleteColumn();
        QCOMPARE(table->rows(), 3);
        QCOMPARE(table->columns(), 3);
        QVERIFY(reloadsIdentically(editor));
    }

    void deletingOnlyColumnDeletesTable()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("keep\n"))}));
        editor.moveCursor(QTextCursor::End);
        editor.insertTable(3, 1, false);
        QVERIFY(editor.textCursor().currentTable());
        editor.deleteColumn();
        QVERIFY(!editor.textCursor().currentTable());
        QCOMPARE(editor.document()->rootFrame()->childFrames().size(), 0);
        QCOMPARE(parseArray(editor.noteJson()).at(0), QJsonValue(textOp(QStringLiteral("keep"))));
        QVERIFY(!editor.noteJson().contains(QStringLiteral("table")));
    }

    void deleteTableTakesSpacerAlong()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("a\n"))}));
        editor.moveCursor(QTextCursor::End);
        editor.insertTable(1, 2, false);
        editor.deleteTable();
        QCOMPARE(editor.document()->rootFrame()->childFrames().size(), 0);
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray({textOp(QStringLiteral("a")), textOp(QStringLiteral("\n"))}));
        // Outside a table the operations do nothing.
        const QString before = editor.noteJson();
        editor.deleteTable();
        editor.deleteRow();
        editor.insertRowAbove();
        QCOMPARE(editor.noteJson(), before);
    }

    void tableContextMenu()
    {
        ScriptedEditor editor;
        showEditor(editor);
        editor.insertTable(1, 1, false);
        std::unique_ptr<QMenu> menu(editor.createEditorContextMenu(QPoint(5, 5)));
        QVERIFY(menu);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts.join(QLatin1Char(',')),
                 QStringLiteral("Insert Row Above,Insert Row Below,-,Insert Column Before,Insert "
                                "Column After,-,Delete Row,Delete Column,-,Delete Table"));
    }

    // ---- Links ----

    void insertLinkWithEmptyTextUsesUrl()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("go \n"))}));
        editor.moveCursor(QTextCursor::EndOfBlock);
        editor.linkAnswer = {true, QString(), QStringLiteral("https://example.org/x")};
        editor.insertLink();
        QCOMPARE(editor.linkDialogs.last(), QStringLiteral("Insert Link||https://"));
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray({textOp(QStringLiteral("go ")),
                             textOp(QStringLiteral("https://example.org/x"),
                                    QJsonObject{{QStringLiteral("link"),
                                                 QStringLiteral("https://example.org/x")}}),
                             textOp(QStringLiteral("\n"))}));
        const LinkRange range = editor.linkAt(5);
        QVERIFY(range.found);
        QCOMPARE(range.start, 3);
        QCOMPARE(range.end, 3 + 21);
        QCOMPARE(range.href, QStringLiteral("https://example.org/x"));
        QVERIFY(!editor.linkAt(1).found);
        QVERIFY(reloadsIdentically(editor));
        // Typing straight after the new link does not lengthen it.
        QTest::keyClicks(&editor, QStringLiteral(" z"));
        const QJsonArray ops = parseArray(editor.noteJson());
        QCOMPARE(ops.at(2), QJsonValue(textOp(QStringLiteral(" z"))));
        QCOMPARE(editor.linkAt(5).end, 3 + 21);
    }

    void linkOnSelectionAndEditAndRemove()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("see docs now\n"))}));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(4);
        cursor.setPosition(8, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        editor.linkAnswer = {true, QStringLiteral("docs"), QStringLiteral("https://d.example")};
        editor.insertLink();
        QCOMPARE(editor.linkDialogs.last(), QStringLiteral("Insert Link|docs|https://"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("see docs now"));
        LinkRange range = editor.linkAt(6);
        QVERIFY(range.found);
        QCOMPARE(range.href, QStringLiteral("https://d.example"));

        editor.linkAnswer = {true, QStringLiteral("manual"), QStringLiteral("https://m.example")};
        editor.editLink(range);
        QCOMPARE(editor.linkDialogs.last(), QStringLiteral("Edit Link|docs|https://d.example"));
        QCOMPARE(editor.toPlainText(), QStringLiteral("see manual now"));
        range = editor.linkAt(6);
        QCOMPARE(range.href, QStringLiteral("https://m.example"));

        // A cancelled dialog changes nothing.
        editor.linkAnswer = {false, QStringLiteral("x"), QStringLiteral("https://x")};
        const QString before = editor.noteJson();
        editor.editLink(range);
        QCOMPARE(editor.noteJson(), before);

        editor.removeLink(range);
        QVERIFY(!editor.linkAt(6).found);
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray(
                     {textOp(QStringLiteral("see manual now")), textOp(QStringLiteral("\n"))}));
    }

    void openLink_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("asks");
        QTest::newRow("bare host") << "example.org"
                                   << "https://example.org" << false;
        QTest::newRow("https") << "https://a.example/p?q=1"
                               << "https://a.example/p?q=1" << false;
        QTest::newRow("http") << "http://a.example"
                              << "http://a.example" << false;
        QTest::newRow("mailto") << "mailto:x@example.org"
                                << "mailto:x@example.org" << false;
        QTest::newRow("file") << "file:///etc/passwd"
                              << "file:///etc/passwd" << true;
        QTest::newRow("javascript") << "javascript:alert(1)"
                                    << "javascript:alert(1)" << true;
        QTest::newRow("custom handler") << "ms-settings:privacy"
                                        << "ms-settings:privacy" << true;
        QTest::newRow("empty") << "  "
                               << "" << false;
    }

    void openLink()
    {
        QFETCH(QString, url);
        QFETCH(QString, opened);
        QFETCH(bool, asks);
        ScriptedEditor editor;
        editor.answer = QMessageBox::No;
        editor.openLink(url);
        QCOMPARE(editor.questions.size(), asks ? 1 : 0);
        if (asks) {
            const ScriptedEditor::Question question = editor.questions.first();
            QVERIFY2(question.text.startsWith(QStringLiteral("Open this link?")),
                     qPrintable(question.text));
            QVERIFY2(question.text.contains(opened), qPrintable(question.text));
            QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(question.defaultButton, QMessageBox::No);
            QVERIFY(editor.openedUrls.isEmpty());
            editor.answer = QMessageBox::Yes;
            editor.openLink(url);
        }
        if (opened.isEmpty()) {
            QVERIFY(editor.openedUrls.isEmpty());
        } else {
            QCOMPARE(editor.openedUrls.size(), 1);
            QCOMPARE(editor.openedUrls.first().toString(), opened);
        }
    }

    void ctrlClickOpensLink()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("click here"),
                                       QJsonObject{{QStringLiteral("link"),
                                                    QStringLiteral("javascript:run()")}}),
                                textOp(QStringLiteral("\n"))}));
        const QPoint point = pointOfPosition(editor, 3);
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QVERIFY(editor.questions.isEmpty());
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ControlModifier, point);
        QCOMPARE(editor.questions.size(), 1);
        QVERIFY(editor.openedUrls.isEmpty());

        QHelpEvent help(QEvent::ToolTip, point, editor.viewport()->mapToGlobal(point));
        QApplication::sendEvent(editor.viewport(), &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("javascript:run()\n(Ctrl+click to open)"));

        placeCaret(editor, 2);
        std::unique_ptr<QMenu> menu(editor.createEditorContextMenu(QPoint(1, 1)));
        QVERIFY(menu);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Open Link"));
    }

    // ---- Attachments ----

    void attachmentSizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("512 bytes") << qint64(512) << "0.5 KB";
        QTest::newRow("just under a megabyte") << qint64(1048575) << "1024.0 KB";
        QTest::newRow("one megabyte") << qint64(1048576) << "1.0 MB";
        QTest::newRow("3 MB") << qint64(3145728) << "3.0 MB";
    }

    void attachmentSizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(NoteEditor::attachmentSizeText(bytes), text);
    }

    void insertAttachmentAndTooltip_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("512 bytes") << 512 << "0.5 KB";
        QTest::newRow("3 MB") << 3145728 << "3.0 MB";
    }

    void insertAttachmentAndTooltip()
    {
        QFETCH(int, size);
        QFETCH(QString, sizeText);
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor, compactJson({textOp(QStringLiteral("x\n"))}));
        editor.moveCursor(QTextCursor::End);
        const QString path = writeFile(store.dir,
                                       QStringLiteral("notes.txt"),
                                       QByteArray(size, 'a'));
        QSignalSpy saved(&editor, &NoteEditor::savedStateChanged);
        QVERIFY(editor.insertAttachmentFromPath(path));
        QVERIFY(!editor.isSaved());
        QVERIFY(!saved.isEmpty());

        const QList<Attachment> records = store.attachments->listForNote(QStringLiteral("note-1"));
        QCOMPARE(records.size(), 1);
        const Attachment record = records.first();
        QCOMPARE(record.filename, QStringLiteral("notes.txt"));
        QCOMPARE(record.sizeBytes, qint64(size));
        QCOMPARE(record.mimeType, QStringLiteral("text/plain"));
        QCOMPARE(store.attachments->readFile(record.id).size(), size);
        QVERIFY(editor.noteJson().contains(
            QStringLiteral(
                "{\"insert\":{\"velmora-notes-attachment\":\"velmora-notes://attachment/%1\"}}")
                .arg(record.id)));
        QVERIFY(reloadsIdentically(editor));

        const int position = attachmentPosition(editor, record.id);
        QVERIFY(position >= 0);
        const QPoint point = pointOfPosition(editor, position);
        QCOMPARE(editor.attachmentIdAt(point), record.id);
        QHelpEvent help(QEvent::ToolTip, point, editor.viewport()->mapToGlobal(point));
        QApplication::sendEvent(editor.viewport(), &help);
        QCOMPARE(QToolTip::text(),
                 QStringLiteral("notes.txt (%1)\n(Double-click to open, right-click for more)")
                     .arg(sizeText));

        std::unique_ptr<QMenu> menu(editor.createEditorContextMenu(point));
        QVERIFY(menu);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts.join(QLatin1Char(',')),
                 QStringLiteral("Open,Save As…,Copy File,-,Remove Attachment"));
    }

    void attachmentInsideTableCellIsKept()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor);
        editor.insertTable(1, 2, false);
        QVERIFY(editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("c.txt"), "c")));
        const Attachment record = store.attachments->listForNote(QStringLiteral("note-1")).first();
        QString written;
        QVERIFY(reloadsIdentically(editor, &written));
        QVERIFY2(written.contains(record.id), qPrintable(written));
    }

    void pointerShapes()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        QVERIFY(!editor.document()->documentLayout()->handlerForObject(AttachmentObject));
        editor.setAttachmentRepository(nullptr);
        QVERIFY(!editor.attachmentRepository());
        editor.setAttachmentRepository(store.attachments.get());
        QVERIFY(editor.document()->documentLayout()->handlerForObject(AttachmentObject));
        QVERIFY(editor.acceptDrops());
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("link"),
                                       QJsonObject{{QStringLiteral("link"),
                                                    QStringLiteral("https://a.example")}}),
                                textOp(QStringLiteral(" plain text here\n"))}));
        editor.moveCursor(QTextCursor::End);
        QVERIFY(editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("p.txt"), "p")));
        const Attachment record = store.attachments->listForNote(QStringLiteral("note-1")).first();
        const QPoint onLink = pointOfPosition(editor, 1);
        const QPoint onText = pointOfPosition(editor, 10);
        const QPoint onAttachment = pointOfPosition(editor, attachmentPosition(editor, record.id));
        auto moveTo = [&](const QPoint &point, Qt::KeyboardModifiers modifiers) {
            QMouseEvent move(QEvent::MouseMove,
                             point,
                             editor.viewport()->mapToGlobal(point),
                             Qt::NoButton,
                             Qt::NoButton,
                             modifiers);
            QApplication::sendEvent(editor.viewport(), &move);
            return editor.viewport()->cursor().shape();
        };
        QCOMPARE(moveTo(onText, Qt::NoModifier), Qt::IBeamCursor);
        QCOMPARE(moveTo(onLink, Qt::NoModifier), Qt::IBeamCursor);
        QCOMPARE(moveTo(onLink, Qt::ControlModifier), Qt::PointingHandCursor);
        QCOMPARE(moveTo(onAttachment, Qt::NoModifier), Qt::PointingHandCursor);
    }

    void insertingNeedsNoteFileAndBytes()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        const QString path = writeFile(store.dir, QStringLiteral("a.txt"), "abc");
        // No repository, no note, an empty file, a missing file.
        editor.loadNote(QStringLiteral("n"), QString());
        QVERIFY(!editor.insertAttachmentFromPath(path));
        editor.setAttachmentRepository(store.attachments.get());
        editor.clearNote();
        QVERIFY(!editor.insertAttachmentFromPath(path));
        editor.loadNote(QStringLiteral("n"), QString());
        QVERIFY(!editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("e"), {})));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(
                                 QStringLiteral("insertAttachmentFromPath: can't open")));
        QVERIFY(!editor.insertAttachmentFromPath(store.dir.filePath(QStringLiteral("missing"))));
        QVERIFY(store.attachments->listForNote(QStringLiteral("n")).isEmpty());
        QCOMPARE(editor.toPlainText(), QString());
    }

    void removingAttachmentAwayFromCaret()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor, compactJson({textOp(QStringLiteral("top\n"))}));
        editor.moveCursor(QTextCursor::End);
        QVERIFY(
            editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("one.txt"), "1")));
        QVERIFY(
            editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("two.txt"), "2")));
        QList<Attachment> records = store.attachments->listForNote(QStringLiteral("note-1"));
        QCOMPARE(records.size(), 2);
        const Attachment first = records.at(0).filename == QLatin1String("one.txt") ? records.at(0)
                                                                                    : records.at(1);
        const Attachment second = records.at(0).filename == QLatin1String("one.txt")
                                      ? records.at(1)
                                      : records.at(0);
        const QString firstFile = store.attachments->filePath(first.id);
        QVERIFY(QFile::exists(firstFile));

        // The caret sits right after the second attachment's line; removing
        // the first must not take the second's character.
        placeCaret(editor, attachmentPosition(editor, second.id) + 1);
        editor.removeAttachment(first.id);
        QVERIFY(!store.attachments->get(first.id));
        QVERIFY(!QFile::exists(firstFile));
        QCOMPARE(attachmentPosition(editor, first.id), -1);
        QVERIFY(attachmentPosition(editor, second.id) >= 0);
        QVERIFY(store.attachments->get(second.id));
        QVERIFY(!editor.isSaved());
        QVERIFY(reloadsIdentically(editor));
    }

    void dropWithoutNoteDoesNothing()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        editor.resize(400, 300);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        const QString path = writeFile(store.dir, QStringLiteral("d.txt"), "data");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor.viewport(), &drop);
        QCOMPARE(editor.toPlainText(), QString());
        QVERIFY(store.attachments->listPending().isEmpty());

        // With a note shown the same drop attaches the file.
        editor.loadNote(QStringLiteral("n"), QString());
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor.viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent again(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor.viewport(), &again);
        QCOMPARE(store.attachments->listForNote(QStringLiteral("n")).size(), 1);
        QVERIFY(editor.noteJson().contains(QStringLiteral("velmora-notes-attachment")));
    }

    void openingWritesAPrivateCopy()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor);
        QVERIFY(editor.insertAttachmentFromPath(
            writeFile(store.dir, QStringLiteral("doc.txt"), "text")));
        const Attachment record = store.attachments->listForNote(QStringLiteral("note-1")).first();
        QVERIFY(editor.openAttachment(record.id, record.filename));
        QVERIFY(editor.questions.isEmpty());
        QCOMPARE(editor.openedUrls.size(), 1);
        const QString copy = editor.openedUrls.first().toLocalFile();
        QCOMPARE(copy,
                 QDir::tempPath() + QStringLiteral("/velmora-notes/") + record.id
                     + QStringLiteral("/doc.txt"));
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("text"));
        QVERIFY(!hasExecuteBit(copy));

        // A stale executable file at that place is replaced by a plain one.
        QFile::setPermissions(copy, QFileInfo(copy).permissions() | QFileDevice::ExeOwner);
        QVERIFY(editor.openAttachment(record.id, record.filename));
        QVERIFY(!hasExecuteBit(copy));

        // A name reaching outside the folder stays inside it.
        QVERIFY(editor.openAttachment(record.id, QStringLiteral("../../escape.txt")));
        QCOMPARE(QFileInfo(editor.openedUrls.last().toLocalFile()).absolutePath(),
                 QDir::tempPath() + QStringLiteral("/velmora-notes/") + record.id);
        QVERIFY(!editor.openAttachment(QStringLiteral("no-such-id"), QStringLiteral("x")));

        editor.copyAttachmentFile(record.id, record.filename);
        const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
        QVERIFY(clip && clip->hasUrls());
        QCOMPARE(clip->urls().first().toLocalFile(), copy);
        QVERIFY(!hasExecuteBit(copy));
    }

    void executableAttachmentsAskFirst_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("shell script") << "run.sh" << QByteArray("#!/bin/sh\necho hi\n");
        QTest::newRow("script without extension") << "tool" << QByteArray("#!/bin/sh\nrm -rf x\n");
        QTest::newRow("elf program") << "photo.dat"
                                     << QByteArray("\x7f"
                                                   "ELF\x02\x01\x01",
                                                   7)
                                            + QByteArray(64, '\0');
        QTest::newRow("windows program") << "setup.exe" << QByteArray("MZ") + QByteArray(64, '\0');
        QTest::newRow("desktop entry")
            << "app.desktop" << QByteArray("[Desktop Entry]\nType=Application\nExec=x\n");
        QTest::newRow("jar") << "app.jar" << QByteArray("PK\x03\x04", 4) + QByteArray(30, '\0');
        QTest::newRow("batch") << "go.bat" << QByteArray("@echo off\n");
    }

    void executableAttachmentsAskFirst()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor);
        QVERIFY(editor.insertAttachmentFromPath(writeFile(store.dir, name, bytes)));
        const Attachment record = store.attachments->listForNote(QStringLiteral("note-1")).first();

        editor.answer = QMessageBox::Cancel;
        QVERIFY(!editor.openAttachment(record.id, record.filename));
        QCOMPARE(editor.questions.size(), 1);
        QVERIFY(editor.questions.first().text.contains(name));
        QVERIFY(editor.questions.first().buttons & QMessageBox::Save);
        QCOMPARE(editor.questions.first().defaultButton, QMessageBox::Cancel);
        QVERIFY(editor.openedUrls.isEmpty());

        editor.answer = QMessageBox::Save;
        editor.saveFileAnswer = store.dir.filePath(QStringLiteral("saved-") + name);
        QVERIFY(!editor.openAttachment(record.id, record.filename));
        QVERIFY(editor.openedUrls.isEmpty());
        QFile saved(editor.saveFileAnswer);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), bytes);
        QVERIFY(!hasExecuteBit(editor.saveFileAnswer));

        editor.answer = QMessageBox::Open;
        QVERIFY(editor.openAttachment(record.id, record.filename));
        QCOMPARE(editor.openedUrls.size(), 1);
        QVERIFY(!hasExecuteBit(editor.openedUrls.first().toLocalFile()));
    }

    void doubleClickPreviewsImagesAndOpensFiles()
    {
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor);
        QVERIFY(editor.insertAttachmentFromPath(
            writeFile(store.dir, QStringLiteral("pic.png"), pngBytes(40, 30))));
        QVERIFY(
            editor.insertAttachmentFromPath(writeFile(store.dir, QStringLiteral("doc.txt"), "t")));
        const QList<Attachment> records = store.attachments->listForNote(QStringLiteral("note-1"));
        QCOMPARE(records.size(), 2);
        for (const Attachment &record : records) {
            const QPoint point = pointOfPosition(editor, attachmentPosition(editor, record.id));
            QCOMPARE(editor.attachmentIdAt(point), record.id);
            QTest::mouseDClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, point);
        }
        QCOMPARE(editor.previews, QStringList{QStringLiteral("pic.png")});
        QCOMPARE(editor.openedUrls.size(), 1);
        QVERIFY(editor.openedUrls.first().toLocalFile().endsWith(QStringLiteral("/doc.txt")));
    }
};

QTEST_MAIN(TestEditorObjects)
#include "tst_editorobjects.moc"
