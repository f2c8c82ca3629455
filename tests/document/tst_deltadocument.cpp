#include "document/appearance.h"
#include "document/deltadocument.h"
#include "document/deltaop.h"
#include "document/richtextbinding.h"
#include "document/richtextformats.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

class TestDeltaDocument : public QObject
{
    Q_OBJECT

private:
    // moc reads "//" inside raw strings as a comment, so the data spells the
    // URLs with placeholders.
    static QString expand(QString text)
    {
        text.replace(QLatin1String("%URL%"), QLatin1String("https:/") + QLatin1String("/e.org"));
        text.replace(QLatin1String("%ATT%"),
                     QLatin1String("velmora-notes:/") + QLatin1String("/attachment/"));
        return text;
    }
    // JSON written with ' for " and ` for an escaped quote inside a string,
    // which keeps the data rows readable (and out of moc's way).
    static QString json(const char *text)
    {
        QString result = QString::fromUtf8(text);
        result.replace(QLatin1Char('`'), QLatin1String("\\\""));
        result.replace(QLatin1Char('\''), QLatin1Char('"'));
        return expand(result);
    }
    static QTextBlock blockAt(DeltaDocument &document, int index)
    {
        return document.textDocument()->findBlockByNumber(index);
    }
    static QTextCharFormat formatAt(const QTextBlock &block, int offset)
    {
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + offset + 1);
        return cursor.charFormat();
    }
    static void setWindowColour(const QColor &colour)
    {
        QPalette palette = QGuiApplication::palette();
        palette.setColor(QPalette::Window, colour);
        QGuiApplication::setPalette(palette);
    }

private slots:
    void init()
    {
        setEditorBodyPixelSize(16);
        setWindowColour(QColor(0xF5F5F5));
    }

    void parsesOps_data()
    {
        QTest::addColumn<QString>("json");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("attributes");

        QTest::newRow("text") << json("[{'insert':'a','attributes':{'bold':true}}]")
                              << int(DeltaOp::InsertText) << "a" << 0 << json("{'bold':true}");
        QTest::newRow("embed") << json("[{'insert':{'divider':'hr'}}]") << int(DeltaOp::InsertEmbed)
                               << "" << 0 << "{}";
        QTest::newRow("insert before retain")
            << json("[{'insert':'x','retain':3}]") << int(DeltaOp::InsertText) << "x" << 0 << "{}";
        QTest::newRow("retain of a number insert")
            << json("[{'insert':5,'retain':3}]") << int(DeltaOp::Retain) << "" << 3 << "{}";
        QTest::newRow("retain not a number")
            << json("[{'retain':'x'}]") << int(DeltaOp::Retain) << "" << 0 << "{}";
        QTest::newRow("delete") << json("[{'delete':2}]") << int(DeltaOp::Delete) << "" << 2
                                << "{}";
        QTest::newRow("unknown shape")
            << json("[{'foo':1}]") << int(DeltaOp::InsertText) << "" << 0 << "{}";
        QTest::newRow("attributes not an object") << json("[{'insert':'a','attributes':[1]}]")
                                                  << int(DeltaOp::InsertText) << "a" << 0 << "{}";
        QTest::newRow("non-objects skipped") << json("[1,'x',null,[],{'insert':'b'}]")
                                             << int(DeltaOp::InsertText) << "b" << 0 << "{}";
    }

    void parsesOps()
    {
        QFETCH(QString, json);
        const QList<DeltaOp> ops = parseDeltaOps(json);
        QCOMPARE(ops.size(), 1);
        QTEST(int(ops.first().type), "type");
        QTEST(ops.first().text, "text");
        QTEST(int(ops.first().length), "length");
        QFETCH(QString, attributes);
        QCOMPARE(ops.first().attributes, QJsonDocument::fromJson(attributes.toUtf8()).object());
    }

    void parseRejectsNonArrays_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("empty") << "";
        QTest::newRow("invalid") << "[{";
        QTest::newRow("object") << json("{'insert':'a'}");
        QTest::newRow("plain text") << "hello";
    }

    void parseRejectsNonArrays()
    {
        QFETCH(QString, json);
        QVERIFY(parseDeltaOps(json).isEmpty());
    }

    // Load and write back: the written JSON must be exactly `expected`.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");

        QTest::newRow("heading without bold")
            << json("[{'insert':'Title\\n','attributes':{'header':1}}]")
            << json("[{'insert':'Title'},{'attributes':{'header':1},'insert':'\\n'}]");
        QTest::newRow("no final newline")
            << json("[{'insert':'a'},{'insert':'b','attributes':{'bold':true}}]")
            << json("[{'insert':'a'},{'attributes':{'bold':true},'insert':'b'},{'insert':'\\n'}]");
        QTest::newRow("unknown inline key")
            << json("[{'insert':'x','attributes':{'color':'#ff0000'}}]")
            << json("[{'attributes':{'color':'#ff0000'},'insert':'x'},{'insert':'\\n'}]");
        QTest::newRow("unknown block key")
            << json("[{'insert':'x'},{'insert':'\\n','attributes':{'indent':2}}]")
            << json("[{'insert':'x'},{'attributes':{'indent':2},'insert':'\\n'}]");
        QTest::newRow("out-of-range heading kept, not shown")
            << json("[{'insert':'x'},{'insert':'\\n','attributes':{'header':9}}]")
            << json("[{'insert':'x'},{'attributes':{'header':9},'insert':'\\n'}]");
        QTest::newRow("bare attachment id")
            << json("[{'insert':{'velmora-notes-attachment':'abc'}},{'insert':'\\n'}]")
            << json("[{'insert':{'velmora-notes-attachment':'%ATT%abc'}},{'insert':'\\n'}]");
        QTest::newRow("attachment image")
            << json("[{'insert':{'image':'%ATT%i'}},{'insert':'\\n'}]")
            << json("[{'insert':{'image':'%ATT%i'}},{'insert':'\\n'}]");
        QTest::newRow("outside image kept") << json(
            "[{'insert':'see "
            "'},{'insert':{'image':'%URL%/a.png'},'attributes':{'width':'9'}},{'insert':'\\n'}]")
                                            << json("[{'insert':'see "
                                                    "'},{'attributes':{'width':'9'},'insert':{'"
                                                    "image':'%URL%/a.png'}},{'insert':'\\n'}]");
        QTest::newRow("unknown embed kind kept")
            << json("[{'insert':{'formula':'e=mc^2'}},{'insert':'\\n'}]")
            << json("[{'insert':{'formula':'e=mc^2'}},{'insert':'\\n'}]");
        QTest::newRow("embed with an object value kept")
            << json("[{'insert':{'mention':{'id':7}}},{'insert':'\\n'}]")
            << json("[{'insert':{'mention':{'id':7}}},{'insert':'\\n'}]");
        QTest::newRow("table 2x2 with header")
            << json("[{'insert':{'table':'{`cells`:[[`a`],[`b`,`c`]]}'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`a`}],[]],[[{`insert`:`b`}],[{`"
                    "insert`:`c`}]]],`hasHeader`:true}'}},{'insert':'\\n'}]");
        QTest::newRow("header cell bold not written")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`h`,`attributes`:{`bold`:true}}]],["
                    "[{`insert`:`b`,`attributes`:{`bold`:true}}]]]}'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`h`}]],[[{`attributes`:{`bold`:"
                    "true},`insert`:`b`}]]],`hasHeader`:true}'}},{'insert':'\\n'}]");
        QTest::newRow("unparsable table kept as object")
            << json("[{'insert':{'table':'{broken'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{broken'}},{'insert':'\\n'}]");
        QTest::newRow("cell with an embed and paragraph attributes")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`a\\\\nb`,`attributes`:{`k`:1}},{`"
                    "insert`:{`velmora-notes-attachment`:`z`}}]]],`hasHeader`:false}'}},{'insert':'"
                    "\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`attributes`:{`k`:1},`insert`:`a`},{`"
                    "attributes`:{`k`:1},`insert`:`\\\\n`},{`attributes`:{`k`:1},`insert`:`b`},{`"
                    "insert`:{`velmora-notes-attachment`:`%ATT%z`}}]]],`hasHeader`:false}'}},{'"
                    "insert':'\\n'}]");
        QTest::newRow("table sharing a line")
            << json("[{'insert':'t '},{'insert':{'table':'{`cells`:[[`a`]]}'}},{'insert':'\\n'}]")
            << json("[{'insert':'t '},{'insert':{'table':'{`cells`:[[`a`]]}'}},{'insert':'\\n'}]");
        QTest::newRow("retain and delete ignored")
            << json("[{'insert':'a'},{'retain':5},{'delete':2},{'insert':'b\\n'}]")
            << json("[{'insert':'ab'},{'insert':'\\n'}]");
        QTest::newRow("link without underline")
            << json("[{'insert':'l','attributes':{'link':'%URL%','underline':true}},{'insert':'\\n'"
                    "}]")
            << json("[{'attributes':{'link':'%URL%'},'insert':'l'},{'insert':'\\n'}]");
        QTest::newRow("empty link kept as it came")
            << json("[{'insert':'l','attributes':{'link':''}},{'insert':'\\n'}]")
            << json("[{'attributes':{'link':''},'insert':'l'},{'insert':'\\n'}]");
        QTest::newRow("bold false kept")
            << json("[{'insert':'n','attributes':{'bold':false}},{'insert':'\\n'}]")
            << json("[{'attributes':{'bold':false},'insert':'n'},{'insert':'\\n'}]");
        QTest::newRow("blockquote false is a quotation")
            << json("[{'insert':'q'},{'insert':'\\n','attributes':{'blockquote':false}}]")
            << json("[{'insert':'q'},{'attributes':{'blockquote':true},'insert':'\\n'}]");
        QTest::newRow("code block text not code")
            << json("[{'insert':'int x;'},{'insert':'\\n','attributes':{'code-block':'cpp'}}]")
            << json("[{'insert':'int x;'},{'attributes':{'code-block':'cpp'},'insert':'\\n'}]");
        QTest::newRow("user bold in a paragraph and level 3 heading")
            << json("[{'insert':'b','attributes':{'bold':true}},{'insert':'\\n','attributes':{'"
                    "header':3}}]")
            << json("[{'attributes':{'bold':true},'insert':'b'},{'attributes':{'header':3},'insert'"
                    ":'\\n'}]");
        QTest::newRow("inline code in a heading")
            << json("[{'insert':'c','attributes':{'code':true}},{'insert':'\\n','attributes':{'"
                    "header':2}}]")
            << json("[{'attributes':{'code':true},'insert':'c'},{'attributes':{'header':2},'insert'"
                    ":'\\n'}]");
        QTest::newRow("runs of equal format joined")
            << json("[{'insert':'a','attributes':{'italic':true}},{'insert':'b','attributes':{'"
                    "italic':true}},{'insert':'\\n'}]")
            << json("[{'attributes':{'italic':true},'insert':'ab'},{'insert':'\\n'}]");
        QTest::newRow("newline attributes apply to the text before")
            << json("[{'insert':'x\\n','attributes':{'color':'red','align':'center'}}]")
            << json("[{'attributes':{'color':'red'},'insert':'x'},{'attributes':{'align':'center','"
                    "color':'red'},'insert':'\\n'}]");
        QTest::newRow("lists")
            << json("[{'insert':'a\\n','attributes':{'list':'bullet'}},{'insert':'b\\n','"
                    "attributes':{'list':'checked'}},{'insert':'c\\n','attributes':{'list':'"
                    "ordered'}},{'insert':'d\\n','attributes':{'list':'todo'}}]")
            << json("[{'insert':'a'},{'attributes':{'list':'bullet'},'insert':'\\n'},{'insert':'b'}"
                    ",{'attributes':{'list':'checked'},'insert':'\\n'},{'insert':'c'},{'attributes'"
                    ":{'list':'ordered'},'insert':'\\n'},{'insert':'d'},{'attributes':{'list':'"
                    "todo'},'insert':'\\n'}]");
        QTest::newRow("carriage returns are no paragraph breaks")
            << "[{\"insert\":\"a\\r\\nb\\r\\n\"}]"
            << json("[{'insert':'a'},{'insert':'\\n'},{'insert':'b'},{'insert':'\\n'}]");
        QTest::newRow("object character in text kept") << "[{\"insert\":\"a\\ufffcb\\n\"}]"
                                                       << "[{\"insert\":\"a\xef\xbf\xbc"
                                                          "b\"},{\"insert\":\"\\n\"}]";
        QTest::newRow("empty document") << "[]" << json("[{'insert':'\\n'}]");
        QTest::newRow("empty paragraph")
            << json("[{'insert':'\\n'}]") << json("[{'insert':'\\n'}]");
        QTest::newRow("table first and last")
            << json("[{'insert':{'table':'{`cells`:[[`a`]]}'}},{'insert':'\\n'},{'insert':'x\\n'},{"
                    "'insert':{'table':'{`cells`:[[`b`]]}'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`a`}]]],`hasHeader`:true}'}},{'"
                    "insert':'\\n'},{'insert':'x'},{'insert':'\\n'},{'insert':{'table':'{`cells`:[["
                    "[{`insert`:`b`}]]],`hasHeader`:true}'}},{'insert':'\\n'}]");
        QTest::newRow("empty line kept after a table")
            << json("[{'insert':{'table':'{`cells`:[[`a`]],`hasHeader`:false,`widths`:[3]}'}},{'"
                    "insert':'\\n','attributes':{'id':'t'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`a`}]]],`hasHeader`:false,`widths`:"
                    "[3]}'}},{'attributes':{'id':'t'},'insert':'\\n'},{'insert':'\\n'}]");
    }

    void roundTrip()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        input = expand(input);
        expected = expand(expected);
        DeltaDocument document;
        document.loadJson(input);
        const QString written = document.toJson();
        QCOMPARE(written, expected);
        document.loadJson(written);
        QCOMPARE(document.toJson(), expected);
    }

    void hugeTableStaysAnObject()
    {
        QJsonArray row;
        for (int c = 0; c < 400; ++c)
            row.append(QString());
        QJsonArray rows;
        for (int r = 0; r < 400; ++r)
            rows.append(row);
        const QString table = QString::fromUtf8(
            QJsonDocument(QJsonObject{{"cells", rows}}).toJson(QJsonDocument::Compact));
        const QJsonArray ops{QJsonObject{{"insert", QJsonObject{{"table", table}}}},
                             QJsonObject{{"insert", "\n"}}};
        DeltaDocument document;
        document.setDelta(ops);
        QCOMPARE(formatAt(blockAt(document, 0), 0).objectType(), int(InlineTableObject));
        QCOMPARE(document.toDelta(), ops);
    }

    void loadsPlainTextLineByLine()
    {
        DeltaDocument document;
        document.setDelta(QJsonArray{QJsonObject{{"insert", "kept\n"}}});
        document.loadJson(QStringLiteral("first line\nsecond {not json"));
        QCOMPARE(document.textDocument()->blockCount(), 2);
        QCOMPARE(blockAt(document, 1).text(), QStringLiteral("second {not json"));
        QCOMPARE(document.toPlainText(), QStringLiteral("first line\nsecond {not json"));
        QCOMPARE(document.delta(), (QJsonArray{QJsonObject{{"insert", "kept\n"}}}));
        QVERIFY(!document.textDocument()->isUndoAvailable());
        QCOMPARE(blockAt(document, 1).blockFormat().bottomMargin(), 8.0);
        QCOMPARE(document.toJson(),
                 json("[{'insert':'first line'},{'insert':'\\n'},{'insert':'second {not "
                      "json'},{'insert':'\\n'}]"));
    }

    void loadsEmptyBody()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'x\\n'}]"));
        document.loadJson(QString());
        QVERIFY(document.toPlainText().isEmpty());
        QVERIFY(document.delta().isEmpty());
    }

    // Paragraphs that hold no line of the note (the only one of an empty
    // note, the spacers around a table) are spaced like body paragraphs, so
    // what is typed into them looks as it will after a reload.
    void linelessParagraphsHaveBodySpacing_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("written");
        const QString empty = json("[{'insert':'\\n'}]");
        QTest::newRow("empty body") << QString() << empty;
        QTest::newRow("empty array") << QStringLiteral("[]") << empty;
        QTest::newRow("table only")
            << json("[{'insert':{'table':'{`cells`:[[`c`]]}'}},{'insert':'\\n'}]")
            << json("[{'insert':{'table':'{`cells`:[[[{`insert`:`c`}]]],`hasHeader`:true}'}},"
                    "{'insert':'\\n'}]");
    }

    void linelessParagraphsHaveBodySpacing()
    {
        QFETCH(QString, body);
        QFETCH(QString, written);
        DeltaDocument document;
        document.loadJson(body);
        for (const QTextBlock &block :
             {document.textDocument()->firstBlock(), document.textDocument()->lastBlock()}) {
            const QTextBlockFormat format = block.blockFormat();
            QCOMPARE(format.bottomMargin(), 8.0);
            QCOMPARE(format.lineHeight(), 150.0);
            QCOMPARE(format.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
            QCOMPARE(block.charFormat().font().pixelSize(), 16);
        }
        // Nothing of that is written.
        QCOMPARE(document.toJson(), written);
    }

    void emptyHeaderCellTypesBold()
    {
        DeltaDocument document;
        document.loadJson(
            json("[{'insert':{'table':'{`cells`:[[``,`h`],[`b`]]}'}},{'insert':'\\n'}]"));
        QTextCursor cursor(document.textDocument());
        cursor.movePosition(QTextCursor::NextBlock);
        QTextTable *table = cursor.currentTable();
        QVERIFY(table);
        QTextCursor cell = table->cellAt(0, 0).firstCursorPosition();
        cell.insertText(QStringLiteral("typed"));
        QCOMPARE(formatAt(cell.block(), 0).fontWeight(), 700);
        QVERIFY(table->cellAt(1, 1).firstCursorPosition().blockCharFormat().fontWeight() < 700);
    }

    void loadingIsSilentAndNotUndoable()
    {
        DeltaDocument document;
        QSignalSpy changed(&document, &DeltaDocument::contentsChanged);
        document.loadJson(json("[{'insert':'a\\nb\\n','attributes':{'bold':true}}]"));
        QCOMPARE(changed.count(), 0);
        QVERIFY(!document.textDocument()->isUndoAvailable());
        QTextCursor cursor(document.textDocument());
        cursor.insertText(QStringLiteral("typed"));
        QVERIFY(changed.count() > 0);
        QVERIFY(document.textDocument()->isUndoAvailable());
        // Undo takes back the typing, never the load.
        document.textDocument()->undo();
        QCOMPARE(document.toPlainText(), QStringLiteral("a\nb"));
        QVERIFY(!document.textDocument()->isUndoAvailable());
    }

    void documentMetrics()
    {
        DeltaDocument document;
        QCOMPARE(document.textDocument()->documentMargin(), 16.0);
        QCOMPARE(document.textDocument()->defaultFont().pixelSize(), 16);
        document.loadJson(QStringLiteral("[{\"insert\":\"x\\n\"}]"));
        QCOMPARE(document.textDocument()->rootFrame()->frameFormat().margin(), 16.0);
        QCOMPARE(document.textDocument()->defaultFont().pixelSize(), 16);
        setEditorBodyPixelSize(20);
        DeltaDocument larger;
        QCOMPARE(larger.textDocument()->defaultFont().pixelSize(), 20);
        // A size changed later applies from the next load on.
        setEditorBodyPixelSize(18);
        larger.loadJson(QStringLiteral("[{\"insert\":\"x\\n\"}]"));
        QCOMPARE(larger.textDocument()->defaultFont().pixelSize(), 18);
        QCOMPARE(formatAt(blockAt(larger, 0), 0).font().pixelSize(), 18);
        setEditorBodyPixelSize(0);
        QCOMPARE(editorBodyPixelSize(), 16);
        setEditorBodyPixelSize(-3);
        QCOMPARE(editorBodyPixelSize(), 16);
    }

    void darkThemeTest()
    {
        setWindowColour(QColor(0x1E1E1E));
        QVERIFY(isDarkTheme());
        setWindowColour(QColor(0x101010));
        QVERIFY(isDarkTheme());
        setWindowColour(QColor(0x1F1F1F));
        QVERIFY(!isDarkTheme());
    }

    void headingSixMetrics_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("muted");
        QTest::newRow("light") << QColor(0xF5F5F5) << QColor(0x44474E);
        QTest::newRow("dark") << QColor(0x1E1E1E) << QColor(0xC4C6CF);
    }

    void headingSixMetrics()
    {
        QFETCH(QColor, window);
        setWindowColour(window);
        DeltaDocument document;
        document.loadJson(json("[{'insert':'h\\n','attributes':{'header':6}}]"));
        const QTextBlock block = blockAt(document, 0);
        const QTextCharFormat format = formatAt(block, 0);
        QCOMPARE(format.font().pixelSize(), 13);
        QCOMPARE(format.fontWeight(), 600);
        QTEST(format.foreground().color(), "muted");
        QCOMPARE(block.blockFormat().topMargin(), 8.0);
        QCOMPARE(block.blockFormat().bottomMargin(), 4.0);
        QCOMPARE(block.blockFormat().lineHeight(), 140.0);
    }

    void codeColours_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("blockBackground");
        QTest::addColumn<QColor>("inlineText");
        QTest::addColumn<QColor>("inlineBackground");
        QTest::newRow("light") << QColor(0xF5F5F5) << QColor(0xECEEF1) << QColor(0x0E1B2C)
                               << QColor(0xDCE6F4);
        QTest::newRow("dark") << QColor(0x1E1E1E) << QColor(0x2A2D31) << QColor(0xD6E3F7)
                              << QColor(0x33445C);
    }

    void codeColours()
    {
        QFETCH(QColor, window);
        setWindowColour(window);
        DeltaDocument document;
        document.loadJson(json("[{'insert':'x'},{'insert':'\\n','attributes':{'code-block':true}},{"
                               "'insert':'c','attributes':{'code':true}},{'insert':'\\n'}]"));
        const QTextBlock code = blockAt(document, 0);
        QTEST(code.blockFormat().background().color(), "blockBackground");
        QCOMPARE(code.blockFormat().leftMargin(), 12.0);
        QVERIFY(formatAt(code, 0).fontFixedPitch());
        const QTextCharFormat inlineCode = formatAt(blockAt(document, 1), 0);
        QVERIFY(inlineCode.fontFixedPitch());
        QCOMPARE(inlineCode.font().pixelSize(), 14);
        QTEST(inlineCode.foreground().color(), "inlineText");
        QTEST(inlineCode.background().color(), "inlineBackground");
    }

    void boldFalseShowsNormalWeight()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'n','attributes':{'bold':false}}]"));
        QVERIFY(formatAt(blockAt(document, 0), 0).fontWeight() < QFont::Bold);
    }

    void headerNineIsPlainParagraph()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'x\\n','attributes':{'header':9}}]"));
        const QTextBlock block = blockAt(document, 0);
        QVERIFY(!block.blockFormat().hasProperty(HeadingLevelProperty));
        QCOMPARE(formatAt(block, 0).font().pixelSize(), 16);
    }

    void listsJoinAndSplit()
    {
        DeltaDocument document;
        document.loadJson(
            json("[{'insert':'a\\n','attributes':{'list':'bullet'}},{'insert':'b\\n','attributes':{"
                 "'list':'bullet'}},{'insert':'c\\n','attributes':{'list':'checked'}},{'insert':'"
                 "d\\n','attributes':{'list':'ordered'}},{'insert':'e\\n'},{'insert':'f\\n','"
                 "attributes':{'list':'ordered'}}]"));
        QTextList *bullets = blockAt(document, 0).textList();
        QVERIFY(bullets);
        QCOMPARE(bullets->format().style(), QTextListFormat::ListDisc);
        QCOMPARE(blockAt(document, 1).textList(), bullets);
        QCOMPARE(blockAt(document, 2).textList(), bullets);
        QCOMPARE(blockAt(document, 2).blockFormat().marker(), QTextBlockFormat::MarkerType::Checked);
        QCOMPARE(bullets->count(), 3);
        QTextList *ordered = blockAt(document, 3).textList();
        QVERIFY(ordered && ordered != bullets);
        QCOMPARE(ordered->format().style(), QTextListFormat::ListDecimal);
        QVERIFY(!blockAt(document, 4).textList());
        QVERIFY(blockAt(document, 5).textList() && blockAt(document, 5).textList() != ordered);
    }

    void pictureLinesHaveSingleHeight()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'t'},{'insert':{'velmora-notes-attachment':'a'}},{'"
                               "insert':'\\nplain\\n'}]"));
        const QTextBlockFormat withImage = blockAt(document, 0).blockFormat();
        QCOMPARE(withImage.lineHeightType(), int(QTextBlockFormat::SingleHeight));
        QCOMPARE(blockAt(document, 1).blockFormat().lineHeightType(),
                 int(QTextBlockFormat::ProportionalHeight));
        const QTextCharFormat object = formatAt(blockAt(document, 0), 1);
        QCOMPARE(object.objectType(), int(AttachmentObject));
        QCOMPARE(object.stringProperty(EmbedValueProperty), expand(QStringLiteral("%ATT%a")));
    }

    void embedObjectTypes_data()
    {
        QTest::addColumn<QString>("embed");
        QTest::addColumn<int>("objectType");
        QTest::newRow("attachment")
            << json("{'velmora-notes-attachment':'x'}") << int(AttachmentObject);
        QTest::newRow("attachment image") << json("{'image':'%ATT%x'}") << int(AttachmentObject);
        QTest::newRow("outside image") << json("{'image':'%URL%/x.png'}") << int(PlaceholderObject);
        QTest::newRow("divider") << json("{'divider':'hr'}") << int(DividerObject);
        QTest::newRow("table in text") << json("{'table':'{}'}") << int(InlineTableObject);
        QTest::newRow("unknown") << json("{'video':'v'}") << int(PlaceholderObject);
    }

    void embedObjectTypes()
    {
        QFETCH(QString, embed);
        embed = expand(embed);
        DeltaDocument document;
        document.loadJson(
            QStringLiteral("[{\"insert\":\"t\"},{\"insert\":%1},{\"insert\":\"\\n\"}]").arg(embed));
        QTEST(formatAt(blockAt(document, 0), 1).objectType(), "objectType");
        QCOMPARE(blockAt(document, 0).text(), QStringLiteral("t\uFFFC"));
    }

    void headerRowFormats()
    {
        DeltaDocument document;
        document.loadJson(
            json("[{'insert':{'table':'{`cells`:[[`h`],[`b`]]}'}},{'insert':'\\n'}]"));
        QTextCursor cursor(document.textDocument());
        cursor.movePosition(QTextCursor::NextBlock);
        QTextTable *table = cursor.currentTable();
        QVERIFY(table);
        QCOMPARE(table->format().headerRowCount(), 1);
        QCOMPARE(table->format().cellPadding(), 6.0);
        QCOMPARE(table->format().border(), 1.0);
        QCOMPARE(table->cellAt(0, 0).format().background().color(),
                 QGuiApplication::palette().color(QPalette::AlternateBase));
        QCOMPARE(formatAt(table->cellAt(0, 0).firstCursorPosition().block(), 0).fontWeight(), 700);
        QVERIFY(formatAt(table->cellAt(1, 0).firstCursorPosition().block(), 0).fontWeight() < 700);
        // Without the header weight the header cell's text is written plain.
        QCOMPARE(QJsonDocument(writeTableCell(table->cellAt(0, 0))).toJson(QJsonDocument::Compact),
                 json("[{'insert':'h'}]").toUtf8());
    }

    void spacersWrittenOnlyOnceTypedInto()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'before\\n'},{'insert':'\\n'}]"));
        QTextCursor cursor(document.textDocument());
        cursor.movePosition(QTextCursor::End);
        // The preexisting empty paragraph holds the table; the one after is new.
        QTextTable *table = insertTableWithSpacers(cursor, 1, 1, noteTableFormat(false));
        QVERIFY(table);
        table->cellAt(0, 0).firstCursorPosition().insertText(QStringLiteral("c"));
        const QString table1 = json("{'insert':{'table':'{`cells`:[[[{`insert`:`c`}]]],`hasHeader`:"
                                    "false}'}},{'insert':'\\n'}");
        QCOMPARE(document.toJson(),
                 json("[{'insert':'before'},{'insert':'\\n'},{'insert':'\\n'},") + table1
                     + QStringLiteral("]"));

        QTextCursor after(document.textDocument());
        after.movePosition(QTextCursor::End);
        QVERIFY(after.block().blockFormat().boolProperty(TableSpacerProperty));
        after.insertText(QStringLiteral("typed"));
        QCOMPARE(document.toJson(),
                 json("[{'insert':'before'},{'insert':'\\n'},{'insert':'\\n'},") + table1
                     + json(",{'insert':'typed'},{'insert':'\\n'}]"));
    }

    void spacerHoldingAnObjectIsWritten()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':{'table':'{`cells`:[[`a`]]}'}},{'insert':'\\n'}]"));
        QTextCursor after(document.textDocument());
        after.movePosition(QTextCursor::End);
        after.insertText(QString(QChar::ObjectReplacementCharacter),
                         embedCharFormat(attachmentEmbedKind(), QStringLiteral("id1")));
        QVERIFY(document.toJson().endsWith(
            expand(json("{'insert':{'velmora-notes-attachment':'%ATT%id1'}},{'insert':'\\n'}]"))));
    }

    void textTypedAfterAnObjectIsText()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':{'divider':'hr'}},{'insert':'\\n'}]"));
        QTextCursor cursor(document.textDocument());
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertText(QStringLiteral("ab"));
        QCOMPARE(document.toJson(),
                 json("[{'insert':{'divider':'hr'}},{'insert':'ab'},{'insert':'\\n'}]"));
    }

    void blockLeftItsListIsNoListItem()
    {
        DeltaDocument document;
        document.loadJson(json("[{'insert':'a\\n','attributes':{'list':'checked'}},{'insert':'b\\n'"
                               ",'attributes':{'list':'bullet'}}]"));
        // What Qt's own Backspace at the start of a list item does.
        const QTextBlock block = blockAt(document, 1);
        block.textList()->remove(block);
        QCOMPARE(document.toJson(),
                 json("[{'insert':'a'},{'attributes':{'list':'checked'},'insert':'\\n'},{'insert':'"
                      "b'},{'insert':'\\n'}]"));
    }

    void qtListsWrittenByStyle()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("a"));
        cursor.createList(QTextListFormat::ListLowerRoman);
        QCOMPARE(QJsonDocument(writeDocument(&document)).toJson(QJsonDocument::Compact),
                 json("[{'insert':'a'},{'attributes':{'list':'ordered'},'insert':'\\n'}]").toUtf8());
    }
};

QTEST_MAIN(TestDeltaDocument)
#include "tst_deltadocument.moc"
