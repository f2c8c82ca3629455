#include "document/richtextformats.h"
#include "editor/noteeditor.h"
#include "editortestsupport.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

static QString line(const QString &text,
                    const QJsonObject &block = {},
                    const QJsonObject &inlineAttributes = {})
{
    QJsonArray ops;
    QJsonObject textOp{{QStringLiteral("insert"), text}};
    if (!inlineAttributes.isEmpty())
        textOp.insert(QStringLiteral("attributes"), inlineAttributes);
    ops.append(textOp);
    QJsonObject newline{{QStringLiteral("insert"), QStringLiteral("\n")}};
    if (!block.isEmpty())
        newline.insert(QStringLiteral("attributes"), block);
    ops.append(newline);
    return compactJson(ops);
}

class TestNoteEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void noteLoadedBeforeShowingStartsAtTop()
    {
        // A window loads its note while still at its first, tiny size; the
        // note must not stay scrolled past the top of its first heading.
        QWidget window;
        auto *editor = new NoteEditor(&window);
        editor->resize(100, 30);
        QString json = QStringLiteral(
            R"([{"insert":"Title"},{"insert":"\n","attributes":{"header":1}})");
        for (int i = 0; i < 40; ++i)
            json += QStringLiteral(R"(,{"insert":"line %1\n"})").arg(i);
        json += QStringLiteral("]");
        editor->loadNote(QStringLiteral("n1"), json);
        editor->resize(600, 400);
        window.resize(600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(editor->verticalScrollBar()->value(), 0);
        QCOMPARE(editor->textCursor().position(), 0);
    }

    void startsEmptyAndReadOnly()
    {
        ScriptedEditor editor;
        QVERIFY(editor.isReadOnly());
        QCOMPARE(editor.placeholderText(),
                 QStringLiteral("Select a note or press Ctrl+N to create one"));
        QVERIFY(editor.currentNoteId().isEmpty());
        QVERIFY(!editor.tabChangesFocus());
    }

    void typingSavesOnceAfterTheLastKey()
    {
        ScriptedEditor editor;
        showEditor(editor);
        QSignalSpy saved(&editor, &NoteEditor::savedStateChanged);
        QSignalSpy modified(&editor, &NoteEditor::noteModified);
        QSignalSpy words(&editor, &NoteEditor::wordCountChanged);

        QTest::keyClick(&editor, Qt::Key_A);
        QTest::keyClick(&editor, Qt::Key_B);
        QTest::keyClick(&editor, Qt::Key_C);
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QCOMPARE(saved.count(), 3);
        for (const QList<QVariant> &args : std::as_const(saved))
            QCOMPARE(args.at(0).toBool(), false);
        QVERIFY(!editor.isSaved());
        QCOMPARE(modified.count(), 0);
        QCOMPARE(words.last().at(0).toInt(), 1);

        QVERIFY(modified.wait(3000));
        // A coarse timer may fire a little early, never much.
        QVERIFY2(sinceLastKey.elapsed() >= 900, qPrintable(QString::number(sinceLastKey.elapsed())));
        QCOMPARE(modified.count(), 1);
        QCOMPARE(saved.count(), 4);
        QCOMPARE(saved.last().at(0).toBool(), true);
        QTest::qWait(1200);
        QCOMPARE(modified.count(), 1);
        QCOMPARE(editor.toPlainText(), QStringLiteral("abc"));
        QVERIFY(reloadsIdentically(editor));
    }

    void loadingEmitsNoChange()
    {
        ScriptedEditor editor;
        QSignalSpy saved(&editor, &NoteEditor::savedStateChanged);
        QSignalSpy modified(&editor, &NoteEditor::noteModified);
        QSignalSpy words(&editor, &NoteEditor::wordCountChanged);
        QSignalSpy format(&editor, &NoteEditor::formatStateChanged);
        editor.loadNote(QStringLiteral("n1"), line(QStringLiteral("two words")));
        editor.loadNote(QStringLiteral("n2"), QStringLiteral("plain text body"));
        QTest::qWait(1100);
        QCOMPARE(modified.count(), 0);
        QCOMPARE(saved.count(), 2);
        QVERIFY(saved.at(0).at(0).toBool());
        QVERIFY(saved.at(1).at(0).toBool());
        QCOMPARE(words.last().at(0).toInt(), 3);
        QVERIFY(format.count() >= 2);
        QVERIFY(!editor.isReadOnly());
        QCOMPARE(editor.placeholderText(), QStringLiteral("Start typing..."));
        QCOMPARE(editor.currentNoteId(), QStringLiteral("n2"));
        QCOMPARE(editor.textCursor().position(), 0);
    }

    void sameNoteSameJsonKeepsCaretAndUndo()
    {
        ScriptedEditor editor;
        showEditor(editor, line(QStringLiteral("hello")));
        editor.moveCursor(QTextCursor::End);
        QTest::keyClicks(&editor, QStringLiteral(" world"));
        QSignalSpy modified(&editor, &NoteEditor::noteModified);
        QVERIFY(modified.wait(3000));
        const QString json = editor.noteJson();
        const int caret = editor.textCursor().position();
        QVERIFY(editor.document()->isUndoAvailable());

        editor.loadNote(QStringLiteral("note-1"), json);
        QCOMPARE(editor.textCursor().position(), caret);
        QVERIFY(editor.document()->isUndoAvailable());

        // Different content, or force, reloads.
        editor.loadNote(QStringLiteral("note-1"), json, true);
        QCOMPARE(editor.textCursor().position(), 0);
        QVERIFY(!editor.document()->isUndoAvailable());
    }

    void unsavedEditsAreReplacedByALoad()
    {
        ScriptedEditor editor;
        showEditor(editor, line(QStringLiteral("x")));
        const QString json = editor.noteJson();
        QTest::keyClick(&editor, Qt::Key_Y);
        QVERIFY(!editor.isSaved());
        QSignalSpy modified(&editor, &NoteEditor::noteModified);
        // Same id, but unsaved: the load is not skipped.
        editor.loadNote(QStringLiteral("note-1"), json);
        QCOMPARE(editor.toPlainText(), QStringLiteral("x"));
        QVERIFY(editor.isSaved());
        QTest::qWait(1100);
        QCOMPARE(modified.count(), 0);
    }

    void clearNoteReturnsToEmpty()
    {
        ScriptedEditor editor;
        showEditor(editor, line(QStringLiteral("some words here")));
        QSignalSpy words(&editor, &NoteEditor::wordCountChanged);
        QSignalSpy modified(&editor, &NoteEditor::noteModified);
        editor.clearNote();
        QVERIFY(editor.isReadOnly());
        QVERIFY(editor.currentNoteId().isEmpty());
        QCOMPARE(editor.toPlainText(), QString());
        QCOMPARE(words.last().at(0).toInt(), 0);
        QCOMPARE(editor.placeholderText(),
                 QStringLiteral("Select a note or press Ctrl+N to create one"));
        // Keys do nothing without a note.
        QTest::keyClick(&editor, Qt::Key_Z);
        QTest::keyClick(&editor, Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(editor.toPlainText(), QString());
        QTest::qWait(1100);
        QCOMPARE(modified.count(), 0);
    }

    void wordCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("blanks") << QStringLiteral("   \t  \n  ") << 0;
        QTest::newRow("runs of blanks") << QStringLiteral("  one   two\tthree \n ") << 3;
        QTest::newRow("newline between") << QStringLiteral("one\ntwo") << 2;
        QTest::newRow("punctuation") << QStringLiteral("it's a test, isn't it?") << 5;
    }

    void wordCount()
    {
        QFETCH(QString, text);
        QFETCH(int, count);
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"), QString());
        QSignalSpy words(&editor, &NoteEditor::wordCountChanged);
        editor.insertPlainText(text);
        editor.document()->clearUndoRedoStacks();
        QCOMPARE(editor.wordCount(), count);
        if (!text.isEmpty())
            QCOMPARE(words.last().at(0).toInt(), count);
        // The count stays right while single blocks change.
        editor.moveCursor(QTextCursor::End);
        editor.insertPlainText(QStringLiteral(" extra"));
        QCOMPARE(editor.wordCount(), count + 1);
        editor.undo();
        QCOMPARE(editor.wordCount(), count);
    }

    void boldReportedFromFirstSelectedCharacter()
    {
        ScriptedEditor editor;
        const QJsonArray ops{QJsonObject{{QStringLiteral("insert"), QStringLiteral("W")},
                                         {QStringLiteral("attributes"),
                                          QJsonObject{{QStringLiteral("bold"), true}}}},
                             QJsonObject{{QStringLiteral("insert"), QStringLiteral("ord rest\n")}}};
        editor.loadNote(QStringLiteral("n"), compactJson(ops));
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        QVERIFY(!state.isEmpty());
        QCOMPARE(state.last().at(0).toBool(), true);

        editor.toggleBold();
        QCOMPARE(state.last().at(0).toBool(), false);
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("Word rest"))));
        QVERIFY(reloadsIdentically(editor));

        // And back: bold from a plain first character makes it all bold.
        editor.toggleBold();
        QCOMPARE(state.last().at(0).toBool(), true);
    }

    void inlineToggles_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<int>("stateIndex");
        QTest::newRow("italic") << "italic"
                                << "italic" << 1;
        QTest::newRow("underline") << "underline"
                                   << "underline" << 2;
        QTest::newRow("strike") << "strike"
                                << "strike" << 3;
        QTest::newRow("code") << "code"
                              << "code" << 4;
    }

    void inlineToggles()
    {
        QFETCH(QString, which);
        QFETCH(QString, attribute);
        QFETCH(int, stateIndex);
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"), line(QStringLiteral("abc def")));
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(0);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        auto toggle = [&] {
            if (which == QLatin1String("italic"))
                editor.toggleItalic();
            else if (which == QLatin1String("underline"))
                editor.toggleUnderline();
            else if (which == QLatin1String("strike"))
                editor.toggleStrikethrough();
            else
                editor.toggleInlineCode();
        };
        toggle();
        QCOMPARE(state.last().at(stateIndex).toBool(), true);
        const QJsonArray on = parseArray(editor.noteJson());
        QCOMPARE(on.at(0).toObject().value(QStringLiteral("attributes")).toObject(),
                 (QJsonObject{{attribute, true}}));
        QVERIFY(reloadsIdentically(editor));
        toggle();
        QCOMPARE(state.last().at(stateIndex).toBool(), false);
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("abc def"))));
    }

    void headingReplacesBoldRun()
    {
        ScriptedEditor editor;
        const QJsonArray ops{QJsonObject{{QStringLiteral("insert"), QStringLiteral("a ")}},
                             QJsonObject{{QStringLiteral("insert"), QStringLiteral("bold")},
                                         {QStringLiteral("attributes"),
                                          QJsonObject{{QStringLiteral("bold"), true}}}},
                             QJsonObject{{QStringLiteral("insert"), QStringLiteral(" word\n")}}};
        editor.loadNote(QStringLiteral("n"), compactJson(ops));
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        editor.setHeading(3);
        QCOMPARE(state.last().at(5).toInt(), 3);
        // Level 3 is weight 600, so nothing in the line is bold any more.
        QCOMPARE(parseArray(editor.noteJson()),
                 parseArray(line(QStringLiteral("a bold word"),
                                 QJsonObject{{QStringLiteral("header"), 3}})));
        QVERIFY(reloadsIdentically(editor));

        editor.setHeading(0);
        QCOMPARE(state.last().at(5).toInt(), 0);
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("a bold word"))));
    }

    void headingKeepsLinksAndAttachments()
    {
        ScriptedEditor editor;
        const QJsonArray ops{QJsonObject{{QStringLiteral("insert"), QStringLiteral("see ")}},
                             QJsonObject{{QStringLiteral("insert"), QStringLiteral("site")},
                                         {QStringLiteral("attributes"),
                                          QJsonObject{{QStringLiteral("link"),
                                                       QStringLiteral("https://a.example")}}}},
                             QJsonObject{
                                 {QStringLiteral("insert"),
                                  QJsonObject{{QStringLiteral("velmora-notes-attachment"),
                                               QStringLiteral("velmora-notes://attachment/abc")}}}},
                             QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")}}};
        editor.loadNote(QStringLiteral("n"), compactJson(ops));
        editor.setHeading(2);
        const QString json = editor.noteJson();
        QVERIFY2(json.contains(QStringLiteral("\"link\":\"https://a.example\"")), qPrintable(json));
        QVERIFY2(json.contains(QStringLiteral("velmora-notes://attachment/abc")), qPrintable(json));
        QVERIFY(reloadsIdentically(editor));
    }

    void codeBlockToggling()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        line(QStringLiteral("Title"), QJsonObject{{QStringLiteral("header"), 1}}));
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        editor.toggleCodeBlock();
        QCOMPARE(state.last().at(5).toInt(), 0);
        QCOMPARE(state.last().at(7).toBool(), true);
        QCOMPARE(parseArray(editor.noteJson()),
                 parseArray(line(QStringLiteral("Title"),
                                 QJsonObject{{QStringLiteral("code-block"), true}})));
        QVERIFY(reloadsIdentically(editor));
        editor.toggleCodeBlock();
        QCOMPARE(state.last().at(7).toBool(), false);
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("Title"))));
    }

    void taggedCodeBlockTogglesOff()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        line(QStringLiteral("int x;"),
                             QJsonObject{{QStringLiteral("code-block"), QStringLiteral("cpp")}}));
        editor.toggleCodeBlock();
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("int x;"))));
    }

    void blockquoteOverListAndHeading()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        line(QStringLiteral("item"),
                             QJsonObject{{QStringLiteral("list"), QStringLiteral("bullet")}}));
        editor.toggleBlockquote();
        QVERIFY(!editor.textCursor().block().textList());
        QCOMPARE(parseArray(editor.noteJson()),
                 parseArray(line(QStringLiteral("item"),
                                 QJsonObject{{QStringLiteral("blockquote"), true}})));
        editor.toggleBlockquote();
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("item"))));
    }

    void listToggles_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("kind");
        QTest::newRow("bullet") << 0 << "bullet";
        QTest::newRow("numbered") << 1 << "ordered";
        QTest::newRow("check") << 2 << "unchecked";
    }

    void listToggles()
    {
        QFETCH(int, which);
        QFETCH(QString, kind);
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        compactJson(QJsonArray{QJsonObject{
                            {QStringLiteral("insert"), QStringLiteral("one\ntwo\n")}}}));
        QTextCursor all = editor.textCursor();
        all.select(QTextCursor::Document);
        editor.setTextCursor(all);
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        auto toggle = [&] {
            if (which == 0)
                editor.toggleBulletList();
            else if (which == 1)
                editor.toggleNumberedList();
            else
                editor.toggleCheckList();
        };
        toggle();
        QCOMPARE(state.last().at(6).toString(), kind);
        const QJsonObject attributes{{QStringLiteral("list"), kind}};
        const QJsonArray expected{QJsonObject{{QStringLiteral("insert"), QStringLiteral("one")}},
                                  QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")},
                                              {QStringLiteral("attributes"), attributes}},
                                  QJsonObject{{QStringLiteral("insert"), QStringLiteral("two")}},
                                  QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")},
                                              {QStringLiteral("attributes"), attributes}}};
        QCOMPARE(parseArray(editor.noteJson()), expected);
        QVERIFY(editor.document()->firstBlock().textList());
        QCOMPARE(editor.document()->firstBlock().textList(),
                 editor.document()->firstBlock().next().textList());
        QVERIFY(reloadsIdentically(editor));
        toggle();
        QVERIFY(!editor.document()->firstBlock().textList());
        QCOMPARE(editor.noteJson(),
                 QStringLiteral("[{\"insert\":\"one\"},{\"insert\":\"\\n\"},"
                                "{\"insert\":\"two\"},{\"insert\":\"\\n\"}]"));
    }

    void checkedItemTogglesOutOfCheckList()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        line(QStringLiteral("done"),
                             QJsonObject{{QStringLiteral("list"), QStringLiteral("checked")}}));
        editor.toggleCheckList();
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("done"))));
    }

    void alignment_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("written");
        QTest::newRow("center") << int(Qt::AlignHCenter) << "center";
        QTest::newRow("right") << int(Qt::AlignRight | Qt::AlignTop) << "right";
        QTest::newRow("justify") << int(Qt::AlignJustify) << "justify";
        QTest::newRow("left") << int(Qt::AlignLeft) << "";
    }

    void alignment()
    {
        QFETCH(int, alignment);
        QFETCH(QString, written);
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"), line(QStringLiteral("text")));
        QSignalSpy state(&editor, &NoteEditor::formatStateChanged);
        editor.setBlockAlignment(Qt::Alignment(alignment));
        QCOMPARE(int(state.last().at(10).value<Qt::Alignment>()),
                 alignment & int(Qt::AlignHorizontal_Mask));
        const QJsonObject block = written.isEmpty()
                                      ? QJsonObject()
                                      : QJsonObject{{QStringLiteral("align"), written}};
        QCOMPARE(parseArray(editor.noteJson()), parseArray(line(QStringLiteral("text"), block)));
    }

    void dividerStandsOnItsOwnLine()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"),
                        line(QStringLiteral("item"),
                             QJsonObject{{QStringLiteral("list"), QStringLiteral("bullet")}}));
        editor.insertDivider();
        QTest::keyClicks(&editor, QStringLiteral("after"));
        const QJsonArray
            expected{QJsonObject{{QStringLiteral("insert"), QStringLiteral("item")}},
                     QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")},
                                 {QStringLiteral("attributes"),
                                  QJsonObject{{QStringLiteral("list"), QStringLiteral("bullet")}}}},
                     QJsonObject{{QStringLiteral("insert"),
                                  QJsonObject{{QStringLiteral("divider"), QStringLiteral("hr")}}}},
                     QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")}},
                     QJsonObject{{QStringLiteral("insert"), QStringLiteral("after")}},
                     QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")}}};
        QCOMPARE(parseArray(editor.noteJson()), expected);
        QVERIFY(reloadsIdentically(editor));
    }

    void insertDeltaLeavesNoTrailingParagraph()
    {
        ScriptedEditor editor;
        editor.loadNote(QStringLiteral("n"), line(QStringLiteral("ab")));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(1);
        editor.setTextCursor(cursor);
        editor.insertDelta(
            QJsonArray{QJsonObject{{QStringLiteral("insert"), QStringLiteral("X")},
                                   {QStringLiteral("attributes"),
                                    QJsonObject{{QStringLiteral("bold"), true}}}},
                       QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")}}});
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("aXb"));
        editor.insertDelta(QJsonArray());
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("aXb"));
        QVERIFY(reloadsIdentically(editor));
    }
};

QTEST_MAIN(TestNoteEditor)
#include "tst_noteeditor.moc"
