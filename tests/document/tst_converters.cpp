#include "document/converters.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextDocument>
#include <QtTest>

// Delta written in tests as JSON text; compared in one canonical form.
static QJsonArray ops(const char *json)
{
    return QJsonDocument::fromJson(QByteArray(json)).array();
}

static QByteArray canonical(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

static QString html(const QString &body)
{
    return QStringLiteral("<html><body>\n") + body + QStringLiteral("</body></html>");
}

// The table embed op for a table object given as JSON text.
static QJsonObject tableOp(const char *tableJson)
{
    return QJsonObject{{"insert", QJsonObject{{"table", QString::fromUtf8(tableJson)}}}};
}

// Text of each line of a Delta (text inserts joined, cut at newlines), with
// the block attributes of each line.
struct DeltaLine
{
    QString text;
    QJsonObject block;
};

static QList<DeltaLine> linesOf(const QJsonArray &delta)
{
    QList<DeltaLine> lines{{}};
    for (const QJsonValue &value : delta) {
        const QJsonObject op = value.toObject();
        const QJsonValue insert = op.value("insert");
        if (insert.isObject()) {
            lines.last().text += QStringLiteral("{%1}").arg(insert.toObject().begin().key());
            continue;
        }
        const QStringList parts = insert.toString().split('\n');
        for (int i = 0; i < parts.size(); ++i) {
            if (i > 0) {
                lines.last().block = op.value("attributes").toObject();
                lines.append(DeltaLine());
            }
            lines.last().text += parts.at(i);
        }
    }
    if (lines.last().text.isEmpty())
        lines.removeLast();
    return lines;
}

// Attributes of the first text insert that holds exactly `text`.
static QJsonObject attributesOfRun(const QJsonArray &delta, const QString &text)
{
    for (const QJsonValue &value : delta) {
        const QJsonObject op = value.toObject();
        if (op.value("insert").toString() == text)
            return op.value("attributes").toObject();
    }
    return QJsonObject{{"missing", true}};
}

// The first table object a Delta embeds.
static QJsonObject tableOf(const QJsonArray &delta)
{
    for (const QJsonValue &value : delta) {
        const QJsonObject embed = value.toObject().value("insert").toObject();
        if (embed.contains("table"))
            return QJsonDocument::fromJson(embed.value("table").toString().toUtf8()).object();
    }
    return QJsonObject();
}

// Plain text of a written table cell (array of ops or string).
static QString cellText(const QJsonValue &cell)
{
    if (cell.isString())
        return cell.toString();
    QString text;
    for (const QJsonValue &op : cell.toArray())
        text += op.toObject().value("insert").toString();
    return text;
}

class TestConverters : public QObject
{
    Q_OBJECT

private slots:
    void deltaToHtml_data();
    void deltaToHtml();
    void htmlLinkCannotBreakOutOfItsAttribute();
    void deltaToMarkdown_data();
    void deltaToMarkdown();
    void deltaToPlainText();
    void convertNoteBody_data();
    void convertNoteBody();
    void htmlToDelta_data();
    void htmlToDelta();
    void htmlToDeltaRemovesPageFurniture_data();
    void htmlToDeltaRemovesPageFurniture();
    void htmlToDeltaReadsTables();
    void deltaThroughHtmlKeepsContent();
    void deltaThroughMarkdownKeepsLists();
    void markdownToDeltaReadsBrowserStyleDocument();
    void htmlToDeltaSurvivesOddMarkup_data();
    void htmlToDeltaSurvivesOddMarkup();
    void convertersSurviveMalformedInput_data();
    void convertersSurviveMalformedInput();
};

void TestConverters::deltaToHtml_data()
{
    QTest::addColumn<QJsonArray>("delta");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty document") << QJsonArray() << html("");
    QTest::newRow("bold link") << ops(R"([{"insert":"go","attributes":{"bold":true,
                                          "link":"https://x.test/a?b=1&c=2"}},{"insert":"\n"}])")
                               << html("<p><a href=\"https://x.test/a?b=1&amp;c=2\">"
                                       "<strong>go</strong></a></p>\n");
    QTest::newRow("less-than escaped") << ops(R"([{"insert":"a < b & \"c\"\n"}])")
                                       << html("<p>a &lt; b &amp; &quot;c&quot;</p>\n");
    QTest::newRow("styles nest innermost first")
        << ops(R"([{"insert":"t","attributes":{"bold":true,"italic":true,"underline":true,
                    "strike":true,"code":true}},{"insert":"\n"}])")
        << html("<p><code><del><u><em><strong>t</strong></em></u></del></code></p>\n");
    QTest::newRow("false and unknown inline keys do nothing")
        << ops(R"([{"insert":"x","attributes":{"bold":false,"color":"#f00"}},{"insert":"\n"}])")
        << html("<p>x</p>\n");
    QTest::newRow("block elements")
        << ops(R"([{"insert":"H"},{"insert":"\n","attributes":{"header":2}},
                   {"insert":"Q"},{"insert":"\n","attributes":{"blockquote":true}},
                   {"insert":"C"},{"insert":"\n","attributes":{"code-block":"cpp"}},
                   {"insert":"both"},{"insert":"\n","attributes":{"header":1,"blockquote":true}},
                   {"insert":"nine"},{"insert":"\n","attributes":{"header":9}},
                   {"insert":"item"},{"insert":"\n","attributes":{"list":"bullet",
                    "align":"center"}},
                   {"insert":"\n"}])")
        << html("<h2>H</h2>\n<blockquote>Q</blockquote>\n<pre><code>C</code></pre>\n"
                "<h1>both</h1>\n<p>nine</p>\n<p>item</p>\n<p></p>\n");
    QTest::newRow("newline op attributes style its own text")
        << ops(R"([{"insert":"Title\n","attributes":{"header":1,"bold":true}}])")
        << html("<h1><strong>Title</strong></h1>\n");
    QTest::newRow("text after the last newline is a paragraph")
        << ops(R"([{"insert":"a\nb"}])") << html("<p>a</p>\n<p>b</p>\n");
    QTest::newRow("divider ends the pending line")
        << ops(R"([{"insert":"a"},{"insert":{"divider":"hr"}},{"insert":"\n"},{"insert":"b\n"}])")
        << html("<p>a</p>\n<hr>\n<p></p>\n<p>b</p>\n");
    QTest::newRow("attachments and images write nothing") << ops(
        R"([{"insert":"a"},{"insert":{"velmora-notes-attachment":"velmora-notes://attachment/1"}},
                   {"insert":{"image":"https://x.test/i.png"}},{"insert":"b\n"}])")
                                                          << html("<p>ab</p>\n");
    QTest::newRow("retain, delete and non-objects are ignored")
        << ops(R"([{"retain":5},{"delete":2},7,"text",{"insert":"x\n"}])") << html("<p>x</p>\n");

    QJsonArray headed{tableOp(R"({"cells":[["H1",["a","b"]],[[{"insert":"x","attributes":
                        {"bold":true}},{"insert":"\n"},{"insert":"y<"}],[]],["only"]]})"),
                      QJsonObject{{"insert", "\n"}}};
    QTest::newRow("table with header row")
        << headed
        << html("<table border=\"1\" cellpadding=\"6\" cellspacing=\"0\" "
                "style=\"border-collapse:collapse\">\n"
                "  <tr><th>H1</th><th>&nbsp;</th></tr>\n"
                "  <tr><td><strong>x</strong><br>y&lt;</td><td>&nbsp;</td></tr>\n"
                "  <tr><td>only</td></tr>\n"
                "</table>\n<p></p>\n");
    QJsonArray headerless{QJsonObject{{"insert", "before"}},
                          tableOp(R"({"cells":[["a","b"],["c","d\ne"]],"hasHeader":false})"),
                          QJsonObject{{"insert", "\n"}}};
    QTest::newRow("header-less table")
        << headerless
        << html("<p>before</p>\n"
                "<table border=\"1\" cellpadding=\"6\" cellspacing=\"0\" "
                "style=\"border-collapse:collapse\">\n"
                "  <tr><td>a</td><td>b</td></tr>\n"
                "  <tr><td>c</td><td>d\ne</td></tr>\n"
                "</table>\n<p></p>\n");
    QJsonArray broken{tableOp("not json"), tableOp(R"({"cells":[]})"), tableOp("[1,2]")};
    QTest::newRow("malformed tables write nothing") << broken << html("");
}

void TestConverters::deltaToHtml()
{
    QFETCH(QJsonArray, delta);
    QFETCH(QString, expected);
    QCOMPARE(::deltaToHtml(delta), expected);
}

void TestConverters::htmlLinkCannotBreakOutOfItsAttribute()
{
    const QString url = QStringLiteral("https://x.test/\"><script>alert('x')</script><a b='");
    const QJsonArray delta{QJsonObject{{"insert", "click"},
                                       {"attributes", QJsonObject{{"link", url}}}},
                           QJsonObject{{"insert", "\n"}}};
    const QString out = ::deltaToHtml(delta);
    QCOMPARE(out,
             html("<p><a href=\"https://x.test/&quot;&gt;&lt;script&gt;alert(&#39;x&#39;)"
                  "&lt;/script&gt;&lt;a b=&#39;\">click</a></p>\n"));

    // Read back, the link is one anchor holding the whole URL and no script.
    QTextDocument document;
    document.setHtml(out);
    QCOMPARE(document.toPlainText(), QStringLiteral("click"));
    const QJsonArray back = ::htmlToDelta(out);
    QCOMPARE(attributesOfRun(back, "click").value("link").toString(), url);
}

void TestConverters::deltaToMarkdown_data()
{
    QTest::addColumn<QJsonArray>("delta");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty document") << QJsonArray() << QString("\n");
    QTest::newRow("three bullets then a paragraph")
        << ops(R"([{"insert":"a"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"b"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"c"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"after\n"}])")
        << QString("- a\n- b\n- c\n\nafter\n");
    QTest::newRow("ordered list numbers every item 1")
        << ops(R"([{"insert":"intro\none"},{"insert":"\n","attributes":{"list":"ordered"}},
                   {"insert":"two"},{"insert":"\n","attributes":{"list":"ordered"}},
                   {"insert":"three"},{"insert":"\n","attributes":{"list":"ordered"}}])")
        << QString("intro\n\n1. one\n1. two\n1. three\n");
    QTest::newRow("heading is followed by a blank line")
        << ops(R"([{"insert":"  Title "},{"insert":"\n","attributes":{"header":2}},
                   {"insert":"body\n"}])")
        << QString("## Title\n\nbody\n");
    QTest::newRow("empty heading writes nothing")
        << ops(R"([{"insert":"a\n"},{"insert":"  \n","attributes":{"header":1}},{"insert":"b\n"}])")
        << QString("a\n\nb\n");
    QTest::newRow("less-than unchanged")
        << ops(R"([{"insert":"a < b & c\n"}])") << QString("a < b & c\n");
    QTest::newRow("inline wrapping, no underline")
        << ops(R"([{"insert":"t","attributes":{"bold":true,"italic":true,"code":true,
                    "strike":true,"underline":true,"link":"https://x.test"}},
                   {"insert":" u","attributes":{"underline":true}},{"insert":"\n"}])")
        << QString("[~~`***t***`~~](https://x.test) u\n");
    QTest::newRow("check items and other kinds")
        << ops(R"([{"insert":"done"},{"insert":"\n","attributes":{"list":"checked"}},
                   {"insert":"todo"},{"insert":"\n","attributes":{"list":"unchecked"}},
                   {"insert":"odd"},{"insert":"\n","attributes":{"list":"star"}}])")
        << QString("- [x] done\n- [ ] todo\nodd\n");
    QTest::newRow("code run between paragraphs")
        << ops(R"([{"insert":"para\nint a;"},{"insert":"\n","attributes":{"code-block":true}},
                   {"insert":"int b;"},{"insert":"\n","attributes":{"code-block":"cpp"}},
                   {"insert":"after\n"}])")
        << QString("para\n\n    int a;\n    int b;\n\nafter\n");
    QTest::newRow("list then code then list")
        << ops(R"([{"insert":"a"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"c"},{"insert":"\n","attributes":{"code-block":true}},
                   {"insert":"b"},{"insert":"\n","attributes":{"list":"bullet"}}])")
        << QString("- a\n\n    c\n\n- b\n");
    QTest::newRow("quotes and blank paragraphs")
        << ops(R"([{"insert":"q1"},{"insert":"\n","attributes":{"blockquote":true}},
                   {"insert":"q2"},{"insert":"\n","attributes":{"blockquote":false}},
                   {"insert":"\n\n  \nend  \n\n"}])")
        << QString("> q1\n\n> q2\n\nend\n");
    QTest::newRow("divider") << ops(
        R"([{"insert":"a"},{"insert":{"divider":"hr"}},{"insert":"\n"},{"insert":"b\n"}])")
                             << QString("a\n\n---\n\nb\n");
    QTest::newRow("attachments write nothing")
        << ops(R"([{"insert":"a"},{"insert":{"velmora-notes-attachment":"x"}},{"insert":"\n"}])")
        << QString("a\n");

    QJsonArray headerless{QJsonObject{{"insert", "- item"}},
                          tableOp(R"({"cells":[["a|b",[{"insert":"x","attributes":{"bold":true}},
                {"insert":"\n"},{"insert":"y"}]],["c"]],"hasHeader":false})"),
                          QJsonObject{{"insert", "\n"}},
                          QJsonObject{{"insert", "after\n"}}};
    QTest::newRow("header-less table keeps the separator")
        << headerless
        << QString("- item\n\n| a\\|b | **x** y |\n| --- | --- |\n| c |  |\n\nafter\n");
    QJsonArray list{QJsonObject{{"insert", "a"}},
                    QJsonObject{{"insert", "\n"}, {"attributes", QJsonObject{{"list", "bullet"}}}},
                    tableOp(R"({"cells":[["h"]]})"),
                    QJsonObject{{"insert", "\n"}},
                    QJsonObject{{"insert", "b"}},
                    QJsonObject{{"insert", "\n"}, {"attributes", QJsonObject{{"list", "bullet"}}}}};
    QTest::newRow("table between list items") << list << QString("- a\n\n| h |\n| --- |\n\n- b\n");
    QJsonArray empty{QJsonObject{{"insert", "x\n"}},
                     tableOp(R"({"cells":[[],[]]})"),
                     tableOp("nonsense"),
                     QJsonObject{{"insert", "y\n"}}};
    QTest::newRow("empty and malformed tables write nothing") << empty << QString("x\n\ny\n");
}

void TestConverters::deltaToMarkdown()
{
    QFETCH(QJsonArray, delta);
    QFETCH(QString, expected);
    QCOMPARE(::deltaToMarkdown(delta), expected);
}

void TestConverters::deltaToPlainText()
{
    const QJsonArray delta = ops(R"([{"insert":"Title\n","attributes":{"header":1}},
        {"insert":"a < b"},{"insert":{"divider":"hr"}},{"insert":"\n"},{"retain":3},
        {"insert":{"table":"{\"cells\":[[\"cell\"]]}"}},{"insert":"\n"},{"insert":"end"}])");
    QCOMPARE(::deltaToPlainText(delta), QStringLiteral("Title\na < b\n\nend"));
}

void TestConverters::convertNoteBody_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");

    const QString bold = R"([{"insert":"B","attributes":{"bold":true}},{"insert":"\n"}])";
    QTest::newRow("empty") << QString() << int(ExportFormat::Html) << QString();
    QTest::newRow("markdown") << bold << int(ExportFormat::Markdown) << QString("**B**\n");
    QTest::newRow("html") << bold << int(ExportFormat::Html) << html("<p><strong>B</strong></p>\n");
    QTest::newRow("pdf is html") << bold << int(ExportFormat::Pdf)
                                 << html("<p><strong>B</strong></p>\n");
    QTest::newRow("plain") << bold << int(ExportFormat::PlainText) << QString("B\n");
    QTest::newRow("plain text body") << QString("just <text>\nlines") << int(ExportFormat::Markdown)
                                     << QString("just <text>\nlines");
    QTest::newRow("JSON object body")
        << QString(R"({"insert":"x"})") << int(ExportFormat::Html) << QString(R"({"insert":"x"})");
    QTest::newRow("truncated JSON") << QString(R"([{"insert":"x")") << int(ExportFormat::PlainText)
                                    << QString(R"([{"insert":"x")");
}

void TestConverters::convertNoteBody()
{
    QFETCH(QString, body);
    QFETCH(int, format);
    QFETCH(QString, expected);
    QCOMPARE(::convertNoteBody(body, ExportFormat(format)), expected);
}

void TestConverters::htmlToDelta_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QJsonArray>("expected");

    QTest::newRow("empty") << QString() << ops(R"([{"insert":"\n"}])");
    QTest::newRow("blank") << QString(" \n\t ") << ops(R"([{"insert":"\n"}])");
    QTest::newRow("only furniture")
        << QString("<script>x()</script>") << ops(R"([{"insert":"\n"}])");
    QTest::newRow("headings and paragraphs")
        << QString("<h1>Top</h1><h3>Sub</h3><p>Body</p>")
        << ops(R"([{"insert":"Top","attributes":{"bold":true}},{"insert":"\n","attributes":{"header":1}},
                   {"insert":"Sub","attributes":{"bold":true}},{"insert":"\n","attributes":{"header":3}},
                   {"insert":"Body"},{"insert":"\n"}])");
    QTest::newRow("inline styles")
        << QString("<p><b>b</b><i>i</i><u>u</u><s>s</s> <del>d</del><code>c</code>"
                   "<a href=\"https://x.test/?a=1&amp;b=2\">l</a>plain</p>")
        << ops(R"([{"insert":"b","attributes":{"bold":true}},{"insert":"i","attributes":{"italic":true}},
                   {"insert":"u","attributes":{"underline":true}},{"insert":"s","attributes":{"strike":true}},
                   {"insert":" "},{"insert":"d","attributes":{"strike":true}},{"insert":"c","attributes":{"code":true}},
                   {"insert":"l","attributes":{"link":"https://x.test/?a=1&b=2"}},{"insert":"plain"},
                   {"insert":"\n"}])");
    QTest::newRow("lists") << QString(
        "<ul><li>disc</li></ul><ul type=\"square\"><li>square</li></ul>"
        "<ol><li>one</li></ol><ol type=\"a\"><li>alpha</li></ol>"
        "<ol type=\"I\"><li>roman</li></ol>")
                           << ops(R"([{"insert":"disc"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"square"},{"insert":"\n","attributes":{"list":"bullet"}},
                   {"insert":"one"},{"insert":"\n","attributes":{"list":"ordered"}},
                   {"insert":"alpha"},{"insert":"\n","attributes":{"list":"ordered"}},
                   {"insert":"roman"},{"insert":"\n","attributes":{"list":"ordered"}}])");
    QTest::newRow("text that JSON must escape")
        << QString::fromUtf8(
               "<p>say \"hi\" \\ back slash \xF0\x9F\x98\x80 &lt;/p&gt;</p>"
               "<p><a href=\"https://x.test/a\\b?q=&quot;1&quot;\">q\"</a></p><pre>a\tb</pre>")
        << ops(R"([{"insert":"say \"hi\" \\ back slash \ud83d\ude00 </p>"},{"insert":"\n"},
                   {"insert":"q\"","attributes":{"link":"https://x.test/a\\b?q=\"1\""}},
                   {"insert":"\n"},{"insert":"a\tb","attributes":{"code":true}},{"insert":"\n"}])");
    QTest::newRow("images")
        << QString(
               "<p>a<img src=\"velmora-notes://attachment/abc\"><img src=\"https://x.test/i.png\">"
               "<img>b</p>")
        << ops(R"([{"insert":"a"},{"insert":{"velmora-notes-attachment":"velmora-notes://attachment/abc"}},
                   {"insert":{"image":"https://x.test/i.png"}},{"insert":"b"},{"insert":"\n"}])");
}

void TestConverters::htmlToDelta()
{
    QFETCH(QString, html);
    QFETCH(QJsonArray, expected);
    QCOMPARE(canonical(::htmlToDelta(html)), canonical(expected));
}

void TestConverters::htmlToDeltaRemovesPageFurniture_data()
{
    QTest::addColumn<QString>("html");

    QTest::newRow("script writing markup")
        << QString("<p>keep</p><script type=\"text/javascript\">document.write('<p>evil</p>');"
                   "</script><p>also</p>");
    QTest::newRow("upper-case script over lines")
        << QString("<p>keep</p><SCRIPT>\nvar s = '<b>evil</b>';\n</script><p>also</p>");
    QTest::newRow("page furniture")
        << QString("<nav class=\"top\">evil menu</nav><header>evil site</header><p>keep</p>"
                   "<aside>evil ads</aside><iframe src=\"x\">evil frame</iframe>"
                   "<noscript>evil noscript</noscript><style>p{color:red}</style>"
                   "<footer>evil foot</footer><p>also</p>");
}

void TestConverters::htmlToDeltaRemovesPageFurniture()
{
    QFETCH(QString, html);
    const QString text = ::deltaToPlainText(::htmlToDelta(html));
    QVERIFY2(!text.contains("evil"), qPrintable(text));
    QVERIFY2(text.contains("keep") && text.contains("also"), qPrintable(text));
}

void TestConverters::htmlToDeltaReadsTables()
{
    const QJsonArray delta = ::htmlToDelta(
        "<p>before</p><table><tr><td>a</td><td><b>b</b><br>c</td></tr>"
        "<tr><td colspan=\"2\">wide</td></tr></table><p>after</p>");
    const QList<DeltaLine> lines = linesOf(delta);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0).text, QStringLiteral("before"));
    QCOMPARE(lines.at(1).text, QStringLiteral("{table}"));
    QCOMPARE(lines.at(2).text, QString()); // the paragraph Qt keeps after every table
    QCOMPARE(lines.at(3).text, QStringLiteral("after"));

    QCOMPARE(tableOf(delta).value("hasHeader"), QJsonValue(true));
    const QJsonArray cells = tableOf(delta).value("cells").toArray();
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cellText(cells[0][0]), QStringLiteral("a"));
    QCOMPARE(cells[0][1].toArray().first().toObject().value("attributes").toObject(),
             QJsonObject({{"bold", true}}));
    // A spanning cell is written once; the place it covers stays empty.
    QCOMPARE(cellText(cells[1][0]), QStringLiteral("wide"));
    QCOMPARE(cells[1][1].toArray(), QJsonArray());
}

void TestConverters::deltaThroughHtmlKeepsContent()
{
    const QJsonArray delta = ops(R"([
        {"insert":"Plan"},{"insert":"\n","attributes":{"header":1}},
        {"insert":"Details"},{"insert":"\n","attributes":{"header":4}},
        {"insert":"Some "},{"insert":"bold","attributes":{"bold":true}},{"insert":", "},
        {"insert":"italic","attributes":{"italic":true}},{"insert":", "},
        {"insert":"under","attributes":{"underline":true}},{"insert":", "},
        {"insert":"gone","attributes":{"strike":true}},{"insert":", "},
        {"insert":"mono","attributes":{"code":true}},{"insert":", "},
        {"insert":"site","attributes":{"link":"https://x.test/p?q=\"1\"&r=2"}},
        {"insert":" & <done>\n"},
        {"insert":"first"},{"insert":"\n","attributes":{"list":"bullet"}},
        {"insert":"second"},{"insert":"\n","attributes":{"list":"ordered"}},
        {"insert":{"table":"{\"cells\":[[\"Name\",\"Qty\"],[[{\"insert\":\"apple\",\"attributes\":{\"italic\":true}}],\"3\"]],\"hasHeader\":true}"}},
        {"insert":"\n"},
        {"insert":"last\n"}])");
    const QJsonArray back = ::htmlToDelta(::deltaToHtml(delta));
    const QList<DeltaLine> lines = linesOf(back);

    QStringList texts;
    for (const DeltaLine &line : lines)
        texts << line.text;
    QCOMPARE(texts,
             QStringList({"Plan",
                          "Details",
                          "Some bold, italic, under, gone, mono, site & <done>",
                          "first",
                          "second",
                          "{table}",
                          "",
                          "last"}));
    QCOMPARE(lines.at(0).block.value("header").toInt(), 1);
    QCOMPARE(lines.at(1).block.value("header").toInt(), 4);

    QCOMPARE(attributesOfRun(back, "bold"), QJsonObject({{"bold", true}}));
    QCOMPARE(attributesOfRun(back, "italic"), QJsonObject({{"italic", true}}));
    QCOMPARE(attributesOfRun(back, "under"), QJsonObject({{"underline", true}}));
    QCOMPARE(attributesOfRun(back, "gone"), QJsonObject({{"strike", true}}));
    QCOMPARE(attributesOfRun(back, "mono"), QJsonObject({{"code", true}}));
    QCOMPARE(attributesOfRun(back, "site"), QJsonObject({{"link", "https://x.test/p?q=\"1\"&r=2"}}));

    const QJsonArray cells = tableOf(back).value("cells").toArray();
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cellText(cells[0][0]), QStringLiteral("Name"));
    QCOMPARE(cellText(cells[0][1]), QStringLiteral("Qty"));
    QCOMPARE(cellText(cells[1][0]), QStringLiteral("apple"));
    QCOMPARE(cells[1][0].toArray().first().toObject().value("attributes").toObject(),
             QJsonObject({{"italic", true}}));
    QCOMPARE(cellText(cells[1][1]), QStringLiteral("3"));
}

void TestConverters::deltaThroughMarkdownKeepsLists()
{
    const QJsonArray delta = ops(R"([
        {"insert":"Shopping"},{"insert":"\n","attributes":{"header":2}},
        {"insert":"milk"},{"insert":"\n","attributes":{"list":"bullet"}},
        {"insert":"eggs","attributes":{"bold":true}},{"insert":"\n","attributes":{"list":"bullet"}},
        {"insert":"wash"},{"insert":"\n","attributes":{"list":"ordered"}},
        {"insert":"dry"},{"insert":"\n","attributes":{"list":"ordered"}},
        {"insert":"done\n"}])");
    const QList<DeltaLine> lines = linesOf(::markdownToDelta(::deltaToMarkdown(delta)));
    QCOMPARE(lines.size(), 6);
    const QStringList texts{"Shopping", "milk", "eggs", "wash", "dry", "done"};
    const QStringList kinds{"", "bullet", "bullet", "ordered", "ordered", ""};
    for (int i = 0; i < lines.size(); ++i) {
        QCOMPARE(lines.at(i).text, texts.at(i));
        QCOMPARE(lines.at(i).block.value("list").toString(), kinds.at(i));
    }
    QCOMPARE(lines.at(0).block.value("header").toInt(), 2);
}

void TestConverters::markdownToDeltaReadsBrowserStyleDocument()
{
    const QString markdown = QStringLiteral("# Release notes\n"
                                            "\n"
                                            "Some *nested **bold** text* and `code` and "
                                            "~~old~~ and [docs](https://x.test/docs).\n"
                                            "\n"
                                            "| Key | Value |\n"
                                            "|-----|-------|\n"
                                            "| a | **1** |\n"
                                            "\n"
                                            "```cpp\n"
                                            "int x = 1;\n"
                                            "```\n");
    const QJsonArray expected = ops(R"([
        {"insert":"Release notes","attributes":{"bold":true}},{"insert":"\n","attributes":{"header":1}},
        {"insert":"Some "},{"insert":"nested ","attributes":{"italic":true}},
        {"insert":"bold","attributes":{"bold":true,"italic":true}},
        {"insert":" text","attributes":{"italic":true}},{"insert":" and "},
        {"insert":"code","attributes":{"code":true}},{"insert":" and "},
        {"insert":"old","attributes":{"strike":true}},{"insert":" and "},
        {"insert":"docs","attributes":{"link":"https://x.test/docs"}},{"insert":"."},
        {"insert":"\n"},
        {"insert":{"table":"{\"cells\":[[[{\"attributes\":{\"bold\":true},\"insert\":\"Key\"}],[{\"attributes\":{\"bold\":true},\"insert\":\"Value\"}]],[[{\"insert\":\"a\"}],[{\"attributes\":{\"bold\":true},\"insert\":\"1\"}]]],\"hasHeader\":true}"}},
        {"insert":"\n"},
        {"insert":"\n"},
        {"insert":"int x = 1;","attributes":{"code":true}},{"insert":"\n"}])");
    QCOMPARE(canonical(::markdownToDelta(markdown)), canonical(expected));

    QCOMPARE(canonical(::markdownToDelta(" \n ")), canonical(ops(R"([{"insert":"\n"}])")));
}

void TestConverters::convertersSurviveMalformedInput_data()
{
    QTest::addColumn<QJsonArray>("delta");

    QTest::newRow("odd values") << ops(R"([{"insert":{}},{"insert":{"divider":5}},
        {"insert":{"table":7}},{"insert":"x","attributes":[1]},{"insert":"\n","attributes":
        {"header":"2","list":3,"code-block":null}},{"insert":null},{},{"attributes":{}}])");
    QTest::newRow("odd tables") << ops(R"([{"insert":{"table":"{\"cells\":[1,\"a\",[null,
        {\"x\":1},[2]]],\"hasHeader\":\"no\"}"}},{"insert":{"table":"{\"cells\":{}}"}}])");
}

void TestConverters::htmlToDeltaSurvivesOddMarkup_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");

    QTest::newRow("unclosed script") << QString("<p>a</p><script>b") << QString("a\n");
    QTest::newRow("lone surrogate") << QString("<p>x&#xD800;y</p>") << QString();
    QTest::newRow("control characters") << QString("<p>a&#1;b&#27;c</p>") << QString();
    QTest::newRow("nested table") << QString(
        "<table><tr><td>out<table><tr><td>in</td></tr></table></td></tr></table>")
                                  << QString();
    QTest::newRow("deep nesting") << QString(QString("<div><b><i>").repeated(300) + "deep")
                                  << QString();
    QTest::newRow("not html") << QString("<<<>>>&&&;;") << QString();
}

void TestConverters::htmlToDeltaSurvivesOddMarkup()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    const QJsonArray delta = ::htmlToDelta(html);
    QVERIFY(!delta.isEmpty());
    // What was read is a Delta that survives being stored and read back.
    const QByteArray stored = QJsonDocument(delta).toJson(QJsonDocument::Compact);
    QCOMPARE(QJsonDocument::fromJson(stored).array().size(), delta.size());
    QVERIFY(::deltaToPlainText(delta).endsWith('\n'));
    if (!text.isEmpty())
        QCOMPARE(::deltaToPlainText(delta), text);
}

void TestConverters::convertersSurviveMalformedInput()
{
    QFETCH(QJsonArray, delta);
    // Nothing to compare beyond "does not crash and stays well-formed".
    const QString out = ::deltaToHtml(delta);
    QVERIFY(out.startsWith("<html><body>\n"));
    QVERIFY(out.endsWith("</body></html>"));
    QVERIFY(::deltaToMarkdown(delta).endsWith('\n'));
}

QTEST_MAIN(TestConverters)
#include "tst_converters.moc"
