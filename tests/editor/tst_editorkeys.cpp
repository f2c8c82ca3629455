#include "document/richtextformats.h"
#include "editor/noteeditor.h"
#include "editortestsupport.h"

#include <QAction>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

static QJsonObject textOp(const QString &text, const QJsonObject &attributes = {})
{
    QJsonObject op{{QStringLiteral("insert"), text}};
    if (!attributes.isEmpty())
        op.insert(QStringLiteral("attributes"), attributes);
    return op;
}

static QJsonObject listAttr(const QString &kind)
{
    return QJsonObject{{QStringLiteral("list"), kind}};
}

static void placeCaret(NoteEditor &editor, int position)
{
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(position);
    editor.setTextCursor(cursor);
}

static QString listKindOf(const QTextBlock &block)
{
    return block.blockFormat().stringProperty(ListKindProperty);
}

class TestEditorKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void enterInEmptyBulletEndsList()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("one")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet"))),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet")))}));
        placeCaret(editor, editor.document()->lastBlock().position());
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(editor.document()->blockCount(), 2);
        const QTextBlock last = editor.document()->lastBlock();
        QVERIFY(!last.textList());
        QCOMPARE(last.blockFormat().marker(), QTextBlockFormat::MarkerType::NoMarker);
        QCOMPARE(listKindOf(last), QString());
        QVERIFY(editor.document()->firstBlock().textList());
        QVERIFY(reloadsIdentically(editor));
    }

    void enterAtStartOfItemLeavesPlainParagraphAbove()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("item")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet")))}));
        placeCaret(editor, 0);
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("|item"));
        const QTextBlock first = editor.document()->firstBlock();
        QVERIFY(!first.textList());
        QCOMPARE(listKindOf(first), QString());
        QVERIFY(first.next().textList());
        QCOMPARE(editor.textCursor().block(), first);
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray({textOp(QStringLiteral("\n")),
                             textOp(QStringLiteral("item")),
                             textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet")))}));
    }

    void enterInsideItemContinuesList()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("item")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("ordered")))}));
        placeCaret(editor, 4);
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, QStringLiteral("next"));
        QCOMPARE(editor.document()->lastBlock().textList(),
                 editor.document()->firstBlock().textList());
        QVERIFY(reloadsIdentically(editor));
    }

    void backspaceInEmptyFirstItemPullsNextUp()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson(
                       {textOp(QStringLiteral("\n"), listAttr(QStringLiteral("unchecked"))),
                        textOp(QStringLiteral("Heading")),
                        textOp(QStringLiteral("\n"), QJsonObject{{QStringLiteral("header"), 2}})}));
        placeCaret(editor, 0);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QCOMPARE(editor.document()->blockCount(), 1);
        const QTextBlock block = editor.document()->firstBlock();
        QCOMPARE(block.text(), QStringLiteral("Heading"));
        QVERIFY(!block.textList());
        QCOMPARE(block.blockFormat().intProperty(HeadingLevelProperty), 2);
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray(
                     {textOp(QStringLiteral("Heading")),
                      textOp(QStringLiteral("\n"), QJsonObject{{QStringLiteral("header"), 2}})}));
    }

    void backspaceAtStartOfSecondItemLeavesListForGood()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("one")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("unchecked"))),
                                textOp(QStringLiteral("two")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("checked")))}));
        placeCaret(editor, editor.document()->lastBlock().position());
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("one|two"));
        QVERIFY(!editor.document()->lastBlock().textList());
        // What is saved is what is shown: a plain paragraph.
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray({textOp(QStringLiteral("one")),
                             textOp(QStringLiteral("\n"), listAttr(QStringLiteral("unchecked"))),
                             textOp(QStringLiteral("two")),
                             textOp(QStringLiteral("\n"))}));
        editor.undo();
        QVERIFY(editor.document()->lastBlock().textList());
    }

    void backspaceElsewhereIsStandard()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("ab\ncd\n"))}));
        placeCaret(editor, 3);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("abcd"));
    }

    void tabInLastCellAppendsRow()
    {
        ScriptedEditor editor;
        showEditor(editor);
        editor.insertTable(2, 2, false);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        editor.setTextCursor(table->cellAt(1, 1).firstCursorPosition());
        QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(table->rows(), 3);
        QCOMPARE(table->cellAt(editor.textCursor()).row(), 2);
        QCOMPARE(table->cellAt(editor.textCursor()).column(), 0);

        // Within a row Tab goes right, without a tab character anywhere.
        editor.setTextCursor(table->cellAt(0, 0).firstCursorPosition());
        QTest::keyClick(&editor, Qt::Key_Tab);
        QCOMPARE(table->cellAt(editor.textCursor()).column(), 1);
        QVERIFY(!editor.toPlainText().contains(QLatin1Char('\t')));
    }

    void shiftTabMovesBackAndStopsAtFirstCell()
    {
        ScriptedEditor editor;
        showEditor(editor);
        editor.insertTable(2, 2, true);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        editor.setTextCursor(table->cellAt(1, 0).firstCursorPosition());
        QTest::keyClick(&editor, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(table->cellAt(editor.textCursor()).row(), 0);
        QCOMPARE(table->cellAt(editor.textCursor()).column(), 1);

        editor.setTextCursor(table->cellAt(0, 0).firstCursorPosition());
        const QString before = editor.noteJson();
        QTest::keyClick(&editor, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(table->cellAt(editor.textCursor()).row(), 0);
        QCOMPARE(table->cellAt(editor.textCursor()).column(), 0);
        QCOMPARE(editor.noteJson(), before);
    }

    void ctrlShiftKDeletesBlock()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("one\ntwo\nthree\n"))}));
        placeCaret(editor, editor.document()->lastBlock().position() + 2);
        QTest::keyClick(&editor, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("one|two|"));
        placeCaret(editor, 1);
        QTest::keyClick(&editor, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("two|"));
        editor.undo();
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("one|two|"));
    }

    void altUpOnFirstParagraphChangesNothing()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("one\ntwo\n"))}));
        const QString before = editor.noteJson();
        placeCaret(editor, 1);
        QTest::keyClick(&editor, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(editor.noteJson(), before);
        QCOMPARE(editor.textCursor().position(), 1);
        QVERIFY(!editor.document()->isUndoAvailable());
        placeCaret(editor, editor.document()->lastBlock().position());
        QTest::keyClick(&editor, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(editor.noteJson(), before);
    }

    void altDownSwapsLinesWithFormats()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson(
                       {textOp(QStringLiteral("Title")),
                        textOp(QStringLiteral("\n"), QJsonObject{{QStringLiteral("header"), 1}}),
                        textOp(QStringLiteral("ab")),
                        textOp(QStringLiteral("\n"))}));
        placeCaret(editor, 4);
        QTest::keyClick(&editor, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("ab|Title"));
        // Offset 4 clamped to the end of the moved line's block... which is "Title" now below.
        QCOMPARE(editor.textCursor().block().text(), QStringLiteral("Title"));
        QCOMPARE(editor.textCursor().positionInBlock(), 4);
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray(
                     {textOp(QStringLiteral("ab")),
                      textOp(QStringLiteral("\n")),
                      textOp(QStringLiteral("Title")),
                      textOp(QStringLiteral("\n"), QJsonObject{{QStringLiteral("header"), 1}})}));
        QTest::keyClick(&editor, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("Title|ab"));
        QVERIFY(reloadsIdentically(editor));
    }

    void altDownMovesListItems()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson({textOp(QStringLiteral("task")),
                                textOp(QStringLiteral("\n"), listAttr(QStringLiteral("checked"))),
                                textOp(QStringLiteral("para")),
                                textOp(QStringLiteral("\n"))}));
        placeCaret(editor, 0);
        QTest::keyClick(&editor, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("para|task"));
        QVERIFY(!editor.document()->firstBlock().textList());
        QVERIFY(editor.document()->lastBlock().textList());
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray({textOp(QStringLiteral("para")),
                             textOp(QStringLiteral("\n")),
                             textOp(QStringLiteral("task")),
                             textOp(QStringLiteral("\n"), listAttr(QStringLiteral("checked")))}));
        editor.undo();
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("task|para"));
    }

    void ctrlShiftDDuplicatesBlock()
    {
        ScriptedEditor editor;
        showEditor(editor,
                   compactJson(
                       {textOp(QStringLiteral("a")),
                        textOp(QStringLiteral("b"), QJsonObject{{QStringLiteral("bold"), true}}),
                        textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet")))}));
        placeCaret(editor, 1);
        QTest::keyClick(&editor, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("ab|ab"));
        QCOMPARE(editor.textCursor().position(), editor.document()->lastBlock().position() + 2);
        const QJsonArray line{textOp(QStringLiteral("a")),
                              textOp(QStringLiteral("b"),
                                     QJsonObject{{QStringLiteral("bold"), true}}),
                              textOp(QStringLiteral("\n"), listAttr(QStringLiteral("bullet")))};
        QJsonArray expected = line;
        for (const QJsonValue &v : line)
            expected.append(v);
        QCOMPARE(parseArray(editor.noteJson()), expected);
        editor.undo();
        QCOMPARE(blockTexts(editor.document()), QStringLiteral("ab"));
    }

    void ctrlKeys()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("first line\nhello big world\n"))}));
        placeCaret(editor, editor.document()->lastBlock().position() + 3);
        QTest::keyClick(&editor, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(editor.textCursor().selectedText(), QStringLiteral("hello big world"));

        editor.moveCursor(QTextCursor::End);
        QTest::keyClick(&editor, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(editor.document()->lastBlock().text(), QStringLiteral("hello big "));

        QTest::keyClick(&editor, Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(editor.textCursor().blockFormat().intProperty(HeadingLevelProperty), 2);
        QTest::keyClick(&editor, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(editor.textCursor().blockFormat().intProperty(HeadingLevelProperty), 0);

        QTest::keyClick(&editor, Qt::Key_8, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(listKindOf(editor.textCursor().block()), QStringLiteral("bullet"));
        QTest::keyClick(&editor, Qt::Key_Asterisk, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(listKindOf(editor.textCursor().block()), QString());
        QTest::keyClick(&editor, Qt::Key_9, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(listKindOf(editor.textCursor().block()), QStringLiteral("unchecked"));
        QTest::keyClick(&editor, Qt::Key_QuoteLeft, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(editor.textCursor().blockFormat().hasProperty(CodeBlockProperty));
        QVERIFY(reloadsIdentically(editor));
    }

    void shortcutTable_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("written");
        QTest::newRow("Ctrl+1") << int(Qt::Key_1) << false << "\"header\":1";
        QTest::newRow("Ctrl+2") << int(Qt::Key_2) << false << "\"header\":2";
        QTest::newRow("Ctrl+3") << int(Qt::Key_3) << false << "\"header\":3";
        QTest::newRow("Ctrl+B") << int(Qt::Key_B) << false << "\"bold\":true";
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << false << "\"italic\":true";
        QTest::newRow("Ctrl+U") << int(Qt::Key_U) << false << "\"underline\":true";
        QTest::newRow("Ctrl+`") << int(Qt::Key_QuoteLeft) << false << "\"code\":true";
        QTest::newRow("Ctrl+Shift+7") << int(Qt::Key_7) << true << "\"list\":\"ordered\"";
        QTest::newRow("Ctrl+Shift+8") << int(Qt::Key_8) << true << "\"list\":\"bullet\"";
        QTest::newRow("Ctrl+Shift+9") << int(Qt::Key_9) << true << "\"list\":\"unchecked\"";
        QTest::newRow("Ctrl+Shift+B") << int(Qt::Key_B) << true << "\"blockquote\":true";
        QTest::newRow("Ctrl+Shift+X") << int(Qt::Key_X) << true << "\"strike\":true";
        QTest::newRow("Ctrl+Shift+`") << int(Qt::Key_QuoteLeft) << true << "\"code-block\":true";
    }

    void shortcutTable()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(QString, written);
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("word\n"))}));
        QTextCursor cursor = editor.textCursor();
        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ControlModifier | Qt::ShiftModifier
                                                      : Qt::ControlModifier;
        QTest::keyClick(&editor, Qt::Key(key), modifiers);
        const QString json = editor.noteJson();
        QVERIFY2(json.contains(written), qPrintable(json));
        QCOMPARE(editor.toPlainText(), QStringLiteral("word"));
        QVERIFY(reloadsIdentically(editor));
        // Pressed again, a toggle takes its format away.
        if (key != Qt::Key_1 && key != Qt::Key_2 && key != Qt::Key_3) {
            QTest::keyClick(&editor, Qt::Key(key), modifiers);
            QCOMPARE(parseArray(editor.noteJson()),
                     QJsonArray({textOp(QStringLiteral("word")), textOp(QStringLiteral("\n"))}));
        }
    }

    void editorKeysWinOverWindowShortcuts()
    {
        QWidget window;
        auto *editor = new ScriptedEditor(&window);
        auto *action = new QAction(&window);
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
        window.addAction(action);
        QSignalSpy triggered(action, &QAction::triggered);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        editor->resize(400, 300);
        editor->setFocus();
        editor->loadNote(QStringLiteral("n"), compactJson({textOp(QStringLiteral("two words\n"))}));
        editor->moveCursor(QTextCursor::EndOfBlock);
        QTest::keyClick(editor, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 0);
        QCOMPARE(editor->toPlainText(), QStringLiteral("two "));
        // Keys the editor does not handle still reach the window.
        action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
        QTest::keyClick(editor, Qt::Key_K, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 1);
    }

    void ctrlBTypesBold()
    {
        ScriptedEditor editor;
        showEditor(editor);
        QTest::keyClick(&editor, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClicks(&editor, QStringLiteral("bo"));
        QTest::keyClick(&editor, Qt::Key_B, Qt::ControlModifier);
        QTest::keyClicks(&editor, QStringLiteral("x"));
        QCOMPARE(parseArray(editor.noteJson()),
                 QJsonArray(
                     {textOp(QStringLiteral("bo"), QJsonObject{{QStringLiteral("bold"), true}}),
                      textOp(QStringLiteral("x")),
                      textOp(QStringLiteral("\n"))}));
    }

    void tripleClickSelectsBlock()
    {
        ScriptedEditor editor;
        showEditor(editor, compactJson({textOp(QStringLiteral("one two three\nnext\n"))}));
        const QPoint point = editor.cursorRect(QTextCursor(editor.document()->findBlock(0))).center()
                             + QPoint(30, 0);
        QTest::mouseDClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QVERIFY(editor.textCursor().hasSelection());
        QVERIFY(editor.textCursor().selectedText() != QStringLiteral("one two three"));
        QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QCOMPARE(editor.textCursor().selectedText(), QStringLiteral("one two three"));
    }

    void pastedTableInsideTableDoesNotNest()
    {
        ScriptedEditor editor;
        showEditor(editor);
        editor.insertTable(1, 2, false);
        QVERIFY(editor.textCursor().currentTable());
        QMimeData data;
        data.setHtml(QStringLiteral("<table><tr><td>in</td><td>side</td></tr></table>"));
        editor.insertFromMimeDataForTest(&data);
        QTextTable *table = editor.textCursor().currentTable();
        QVERIFY(table);
        QCOMPARE(editor.document()->rootFrame()->childFrames().size(), 1);
        QVERIFY(table->childFrames().isEmpty());
        QCOMPARE(table->cellAt(0, 0).firstCursorPosition().block().text(), QStringLiteral("in"));
        QVERIFY(reloadsIdentically(editor));
    }

    void paste_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("expectedJsonFragment");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("markdown heading as plain text") << "text/plain"
                                                        << "# Title"
                                                        << "\"header\":1"
                                                        << "Title";
        QTest::newRow("lone less-than") << "text/plain"
                                        << "a < b"
                                        << ""
                                        << "a < b";
        QTest::newRow("plain prose") << "text/plain"
                                     << "just words"
                                     << ""
                                     << "just words";
        QTest::newRow("bold tag in plain text") << "text/plain"
                                                << "<b>strong</b> words"
                                                << "\"bold\":true"
                                                << "strong words";
        QTest::newRow("paragraph after blank") << "text/plain"
                                               << "  <p>para</p>"
                                               << ""
                                               << "para";
        QTest::newRow("markdown mime") << "text/markdown"
                                       << "**md**"
                                       << "\"bold\":true"
                                       << "md";
        QTest::newRow("markdown list") << "text/plain"
                                       << "- one\n- two"
                                       << "\"list\":\"bullet\""
                                       << "one|two";
        QTest::newRow("html table") << "text/html"
                                    << "<table><tr><th>H</th></tr><tr><td>cell</td></tr></table>"
                                    << "{\"table\":"
                                    << "";
    }

    void paste()
    {
        QFETCH(QString, format);
        QFETCH(QString, payload);
        QFETCH(QString, expectedJsonFragment);
        QFETCH(QString, expectedText);
        ScriptedEditor editor;
        showEditor(editor);
        QMimeData data;
        if (format == QLatin1String("text/plain"))
            data.setText(payload);
        else if (format == QLatin1String("text/html"))
            data.setHtml(payload);
        else
            data.setData(format, payload.toUtf8());
        QVERIFY(editor.canInsertFromMimeDataForTest(&data));
        editor.insertFromMimeDataForTest(&data);
        const QString json = editor.noteJson();
        if (!expectedJsonFragment.isEmpty())
            QVERIFY2(json.contains(expectedJsonFragment), qPrintable(json));
        else
            QVERIFY2(!json.contains(QStringLiteral("attributes")), qPrintable(json));
        if (!expectedText.isEmpty()) {
            QString texts = blockTexts(editor.document());
            while (texts.endsWith(QLatin1Char('|')))
                texts.chop(1);
            QCOMPARE(texts, expectedText);
        }
        QVERIFY(reloadsIdentically(editor));
        QVERIFY(!editor.isSaved());
    }
};

QTEST_MAIN(TestEditorKeys)
#include "tst_editorkeys.moc"
