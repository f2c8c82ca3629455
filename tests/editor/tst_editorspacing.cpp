#include "document/deltadocument.h"
#include "document/richtextformats.h"
#include "editor/noteeditor.h"
#include "editortestsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

// How the layout shows each paragraph: spacing, indentation, list and the
// fonts of its text. Fonts are resolved against the document's default font,
// since an unset size draws the same as the default size.
static QStringList paragraphLooks(const QTextDocument *document)
{
    auto fontLook = [&](const QTextCharFormat &format) {
        const QFont font = format.font().resolve(document->defaultFont());
        return QStringLiteral("%1px w%2%3%4 %5")
            .arg(font.pixelSize())
            .arg(font.weight())
            .arg(font.italic() ? QStringLiteral(" italic") : QString())
            .arg(font.fixedPitch() ? QStringLiteral(" fixed") : QString())
            .arg(format.foreground().color().name(QColor::HexArgb));
    };
    QStringList looks;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        QStringList parts{block.text()};
        parts << QStringLiteral("margins %1/%2/%3/%4")
                     .arg(format.topMargin())
                     .arg(format.bottomMargin())
                     .arg(format.leftMargin())
                     .arg(format.rightMargin());
        parts << QStringLiteral("line %1 type %2")
                     .arg(format.lineHeight())
                     .arg(format.lineHeightType());
        parts << QStringLiteral("indent %1/%2").arg(format.indent()).arg(format.textIndent());
        parts << QStringLiteral("align %1 background %2")
                     .arg(int(format.alignment()))
                     .arg(format.background().color().name(QColor::HexArgb));
        if (const QTextList *list = block.textList())
            parts << QStringLiteral("list %1/%2")
                         .arg(list->format().style())
                         .arg(list->format().indent());
        parts << QStringLiteral("marker %1").arg(int(format.marker()));
        parts << QStringLiteral("block font %1").arg(fontLook(block.charFormat()));
        for (auto it = block.begin(); !it.atEnd(); ++it)
            parts << QStringLiteral("run %1").arg(fontLook(it.fragment().charFormat()));
        looks << parts.join(QStringLiteral("; "));
    }
    return looks;
}

// JSON written with ' for " and ` for an escaped quote inside a string.
static QString json(const char *text)
{
    QString result = QString::fromUtf8(text);
    result.replace(QLatin1Char('`'), QLatin1String("\\\""));
    result.replace(QLatin1Char('\''), QLatin1Char('"'));
    return result;
}

class TestEditorSpacing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Paragraphs made with Enter (and with the insert commands) are laid out
    // exactly like the same note once it is saved and loaded again.
    void typedParagraphsLookLikeReloadedOnes_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("typed"); // "\n" is Enter, "^" is Ctrl+0
        QTest::addColumn<QString>("lines");

        const QString lines = QStringLiteral("one\ntwo\nthree");
        const QString after = QStringLiteral("\ntwo\nthree");
        const QString paragraph = json("[{'insert':'first\\n'}]");
        auto line = [](const char *attributes) {
            return json("[{'insert':'first'},{'insert':'\\n','attributes':%1}]")
                .arg(json(attributes));
        };

        QTest::newRow("empty body")
            << QString() << QString() << lines << QStringLiteral("one|two|three");
        QTest::newRow("empty array")
            << QStringLiteral("[]") << QString() << lines << QStringLiteral("one|two|three");
        QTest::newRow("new note") << json("[{'insert':'\\n'}]") << QString() << lines
                                  << QStringLiteral("one|two|three");
        QTest::newRow("empty lines")
            << json("[{'insert':'\\n'}]") << QString() << QStringLiteral("one\n\n\nfour")
            << QStringLiteral("one|||four");
        QTest::newRow("after paragraph")
            << paragraph << QString() << after << QStringLiteral("first|two|three");
        QTest::newRow("heading, then body")
            << line("{'header':1}") << QString() << QStringLiteral("\ntwo\n^\n\nthree")
            << QStringLiteral("first|two|||three");
        QTest::newRow("code block") << line("{'code-block':true}") << QString()
                                    << QStringLiteral("\n\ntwo") << QStringLiteral("first||two");
        QTest::newRow("quotation") << line("{'blockquote':true}") << QString()
                                   << QStringLiteral("\n\ntwo") << QStringLiteral("first|two");
        QTest::newRow("heading, empty line ends it")
            << line("{'header':2}") << QString() << QStringLiteral("\n\ntwo")
            << QStringLiteral("first|two");
        QTest::newRow("bullet items")
            << line("{'list':'bullet'}") << QString() << QStringLiteral("\ntwo\n\nthree")
            << QStringLiteral("first|two|three");
        QTest::newRow("numbered items") << line("{'list':'ordered'}") << QString() << after
                                        << QStringLiteral("first|two|three");
        QTest::newRow("check items")
            << line("{'list':'checked'}") << QString() << QStringLiteral("\ntwo\n\nthree")
            << QStringLiteral("first|two|three");
        QTest::newRow("enter at start of item")
            << line("{'list':'bullet'}") << QStringLiteral("start") << QStringLiteral("\nabove")
            << QStringLiteral("above|first");
        QTest::newRow("after outside image")
            << json("[{'insert':'pic '},{'insert':{'image':'https:/x.test/a.png'}},"
                    "{'insert':'\\n'}]")
            << QString() << after << QStringLiteral("pic \uFFFC|two|three");
        QTest::newRow("after attachment")
            << json("[{'insert':{'velmora-notes-attachment':'abc'}},{'insert':'\\n'}]") << QString()
            << after << QStringLiteral("\uFFFC|two|three");
        QTest::newRow("after loaded table")
            << json("[{'insert':{'table':'{`cells`:[[`a`]],`hasHeader`:false}'}},"
                    "{'insert':'\\n'}]")
            << QString() << QStringLiteral("two\nthree") << QStringLiteral("|a|two|three");
        QTest::newRow("inserted divider")
            << paragraph << QStringLiteral("divider") << QStringLiteral("two\nthree")
            << QStringLiteral("first|\uFFFC|two|three");
        QTest::newRow("inserted table")
            << paragraph << QStringLiteral("table") << QStringLiteral("two\nthree")
            << QStringLiteral("first|||two|three");
        QTest::newRow("inserted attachment")
            << paragraph << QStringLiteral("attachment") << QStringLiteral("two\nthree")
            << QStringLiteral("first\uFFFC|two|three");
    }

    void typedParagraphsLookLikeReloadedOnes()
    {
        QFETCH(QString, note);
        QFETCH(QString, action);
        QFETCH(QString, typed);
        QFETCH(QString, lines);
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        editor.setAttachmentRepository(store.attachments.get());
        showEditor(editor, note);
        editor.moveCursor(action == QLatin1String("start") ? QTextCursor::Start : QTextCursor::End);
        if (action == QLatin1String("divider")) {
            editor.insertDivider();
        } else if (action == QLatin1String("table")) {
            editor.insertTable(1, 2, true);
            editor.moveCursor(QTextCursor::End);
        } else if (action == QLatin1String("attachment")) {
            const QString path = store.dir.filePath(QStringLiteral("a.txt"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("a");
            file.close();
            QVERIFY(editor.insertAttachmentFromPath(path));
        }
        for (const QChar ch : std::as_const(typed)) {
            if (ch == QLatin1Char('\n'))
                QTest::keyClick(&editor, Qt::Key_Return);
            else if (ch == QLatin1Char('^'))
                QTest::keyClick(&editor, Qt::Key_0, Qt::ControlModifier);
            else
                QTest::keyClick(&editor, ch.toLatin1());
        }
        // Every Enter made its paragraph.
        QCOMPARE(blockTexts(editor.document()), lines);

        QVERIFY(reloadsIdentically(editor));
        DeltaDocument reloaded;
        reloaded.loadJson(editor.noteJson());
        QCOMPARE(paragraphLooks(editor.document()), paragraphLooks(reloaded.textDocument()));
    }

    // Enter on an empty heading or quotation line leaves that style, so
    // pressing Enter twice gets back to body text; code blocks keep blank lines.
    void enterOnEmptyStyledLineEndsTheStyle_data()
    {
        QTest::addColumn<QString>("attributes");
        QTest::addColumn<QString>("written");
        QTest::newRow("heading") << json("{'header':1}")
                                 << json("[{'insert':'first'},{'insert':'\\n','attributes':"
                                         "{'header':1}},{'insert':'two'},{'insert':'\\n'}]");
        QTest::newRow("quotation")
            << json("{'blockquote':true}")
            << json("[{'insert':'first'},{'insert':'\\n','attributes':{'blockquote':true}},"
                    "{'insert':'two'},{'insert':'\\n'}]");
        QTest::newRow("code block")
            << json("{'code-block':true}")
            << json("[{'insert':'first'},{'insert':'\\n','attributes':{'code-block':true}},"
                    "{'insert':'\\n','attributes':{'code-block':true}},{'insert':'two'},"
                    "{'insert':'\\n','attributes':{'code-block':true}}]");
    }

    void enterOnEmptyStyledLineEndsTheStyle()
    {
        QFETCH(QString, attributes);
        QFETCH(QString, written);
        EditorStore store;
        QVERIFY(store.ready);
        ScriptedEditor editor;
        showEditor(editor,
                   json("[{'insert':'first'},{'insert':'\\n','attributes':%1}]").arg(attributes));
        editor.moveCursor(QTextCursor::End);
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClicks(&editor, QStringLiteral("two"));
        QCOMPARE(QJsonDocument::fromJson(editor.noteJson().toUtf8()).array(),
                 QJsonDocument::fromJson(written.toUtf8()).array());
        QVERIFY(reloadsIdentically(editor));
    }

    // A block operation on a line with a picture and text typed after it
    // gives the same look as loading that line.
    void blockOperationsOnPictureLines_data()
    {
        QTest::addColumn<int>("heading"); // 0: toggle the quotation instead
        QTest::newRow("heading") << 1;
        QTest::newRow("quotation") << 0;
    }

    void blockOperationsOnPictureLines()
    {
        QFETCH(int, heading);
        ScriptedEditor editor;
        showEditor(editor,
                   json("[{'insert':'x'},{'insert':{'velmora-notes-attachment':'abc'}},"
                        "{'insert':'\\n'}]"));
        editor.moveCursor(QTextCursor::End);
        QTest::keyClicks(&editor, QStringLiteral("typed"));
        if (heading)
            editor.setHeading(heading);
        else
            editor.toggleBlockquote();
        QVERIFY(reloadsIdentically(editor));
        DeltaDocument reloaded;
        reloaded.loadJson(editor.noteJson());
        QCOMPARE(paragraphLooks(editor.document()), paragraphLooks(reloaded.textDocument()));
    }

    // The spacing put back after an Enter is part of that Enter for undo.
    void enterIsUndoneInOneStep_data()
    {
        QTest::addColumn<QString>("note");
        QTest::newRow("empty paragraph") << json("[{'insert':'\\n'}]");
        QTest::newRow("bullet item") << json("[{'insert':'item'},{'insert':'\\n','attributes':"
                                             "{'list':'bullet'}}]");
        QTest::newRow("picture line")
            << json("[{'insert':{'velmora-notes-attachment':'abc'}},{'insert':'\\n'}]");
    }

    void enterIsUndoneInOneStep()
    {
        QFETCH(QString, note);
        ScriptedEditor editor;
        showEditor(editor, note);
        editor.moveCursor(QTextCursor::End);
        const QStringList before = paragraphLooks(editor.document());
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(editor.document()->blockCount(), before.size() + 1);
        editor.undo();
        QCOMPARE(paragraphLooks(editor.document()), before);
        QVERIFY(!editor.document()->isUndoAvailable());
    }
};

QTEST_MAIN(TestEditorSpacing)
#include "tst_editorspacing.moc"
