#include "document/converters.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>
#include <QTextDocument>

#include <algorithm>
#include <iterator>

// markdownToDelta takes a shortcut through the HTML that Qt exports (it
// leaves out the paragraph margins before parsing it again); its result must
// stay exactly that of the plain path: Markdown into a document, the
// document out as HTML, the HTML into Delta. The JSON text forms must be
// what QJsonDocument writes for those ops, byte for byte.
class TestMarkdownConversion : public QObject
{
    Q_OBJECT

private slots:
    void sameAsThroughPlainHtml_data();
    void sameAsThroughPlainHtml();
    void randomMarkdownSameAsThroughPlainHtml();
    void jsonTextIsCompactForm_data();
    void jsonTextIsCompactForm();

private:
    static QString plainPath(const QString &markdown);
};

QString TestMarkdownConversion::plainPath(const QString &markdown)
{
    const bool blank = std::all_of(markdown.begin(), markdown.end(), [](QChar c) {
        return c.isSpace();
    });
    QJsonArray ops{QJsonObject{{QStringLiteral("insert"), QStringLiteral("\n")}}};
    if (!blank) {
        QTextDocument document;
        document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
        ops = htmlToDelta(document.toHtml());
    }
    return QString::fromUtf8(QJsonDocument(ops).toJson(QJsonDocument::Compact));
}

void TestMarkdownConversion::sameAsThroughPlainHtml_data()
{
    QTest::addColumn<QString>("markdown");
    QTest::newRow("paragraphs and inline")
        << "Some **bold**, *italic*, `code` and ~~gone~~.\n\nNext";
    QTest::newRow("headings") << "# One\n\n## Two  spaced\n\n###### Six\n\ntext";
    QTest::newRow("lists") << "- a\n- b\n  - nested\n\n1. one\n2. two\n\n- [ ] open\n- [x] done";
    QTest::newRow("quote and code")
        << "> quoted\n> more\n\n    indented code\n\n```cpp\nint x;\n```";
    QTest::newRow("table") << "| a | b |\n|---|---|\n| **1** | 2 |\n";
    QTest::newRow("links and images")
        << "[link](https://example.com/?a=1&b=2) ![image](velmora-notes://attachment/x)";
    QTest::newRow("empty paragraphs and breaks") << "a  \nb\n\n\n\n<br>\n\nc";
    QTest::newRow("raw html")
        << "<p style=\"margin-top:3px\">p</p><span style=\"color:red\">r</span>"
           "<script>x</script><del>d</del>";
    QTest::newRow("text that looks like the margins")
        << "style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
           "-qt-block-indent:0; text-indent:0px;\"";
}

void TestMarkdownConversion::sameAsThroughPlainHtml()
{
    QFETCH(QString, markdown);
    const QString converted = QString::fromUtf8(
        QJsonDocument(markdownToDelta(markdown)).toJson(QJsonDocument::Compact));
    QCOMPARE(converted, plainPath(markdown));
    QCOMPARE(markdownToDeltaJson(markdown), converted);
}

void TestMarkdownConversion::randomMarkdownSameAsThroughPlainHtml()
{
    // Pieces of Markdown and HTML in random order make block structures no
    // hand-written case thinks of; the seed keeps a failure reproducible.
    static const char *const pieces[] = {"word",
                                         " ",
                                         "  ",
                                         "\t",
                                         "**",
                                         "*",
                                         "_",
                                         "`",
                                         "~~",
                                         "[",
                                         "](",
                                         "http://x.y/?a=1&b=\"2\"",
                                         ")",
                                         "![img](",
                                         ":/abc",
                                         "\n",
                                         "\n\n",
                                         "# ",
                                         "## ",
                                         "###### ",
                                         "- ",
                                         "1. ",
                                         "- [ ] ",
                                         "- [x] ",
                                         "> ",
                                         "    ",
                                         "```\n",
                                         "|",
                                         " a | b |\n|---|---|\n",
                                         "<b>",
                                         "</b>",
                                         "&amp;",
                                         "\\",
                                         "\xc3\xa9",
                                         "---\n",
                                         "<br>",
                                         "  \n",
                                         "<",
                                         ">",
                                         "\"",
                                         "\n  - ",
                                         "\n    1. ",
                                         "<p style=\"margin-top:3px\">",
                                         "</p>",
                                         "<h2>",
                                         "</h2>",
                                         "<ul><li>",
                                         "</li></ul>",
                                         "<blockquote>",
                                         "</blockquote>",
                                         "<pre>",
                                         "</pre>",
                                         "<hr>",
                                         "&nbsp;",
                                         "+ ",
                                         "2) "};
    QRandomGenerator random(20261206);
    for (int round = 0; round < 1500; ++round) {
        QString markdown;
        const int count = random.bounded(1, 50);
        for (int i = 0; i < count; ++i)
            markdown += QString::fromUtf8(pieces[random.bounded(int(std::size(pieces)))]);
        const QString converted = QString::fromUtf8(
            QJsonDocument(markdownToDelta(markdown)).toJson(QJsonDocument::Compact));
        const QString expected = plainPath(markdown);
        if (converted != expected || markdownToDeltaJson(markdown) != expected)
            QFAIL(qPrintable(QStringLiteral("round %1, Markdown:\n%2\nexpected %3\ngot %4")
                                 .arg(round)
                                 .arg(markdown, expected, converted)));
    }
}

void TestMarkdownConversion::jsonTextIsCompactForm_data()
{
    QTest::addColumn<QString>("html");
    QTest::newRow("blank") << QStringLiteral(" \n ");
    QTest::newRow("nothing but a script") << QStringLiteral("<script>x</script>");
    QTest::newRow("escapes") << QStringLiteral("<p>q\" b\\ t\t</p><pre>a\nb</pre>");
    QTest::newRow("control characters")
        << QString::fromUtf16(u"<p>\u0001\u0008\u000c\u001f\u007f end</p>");
    QTest::newRow("beyond the basic plane") << QString::fromUtf16(u"<p>\U0001F600 \u00e9</p>");
    QTest::newRow("lone surrogates")
        << QStringLiteral("<p>a") + QChar(0xd800) + QStringLiteral("b") + QChar(0xdc00) + "</p>";
    QTest::newRow("formats and embeds")
        << QStringLiteral("<h2>T</h2><ul><li><b><i>x</i></b> <a href=\"u?a=\\&quot;\">l</a>"
                          "</li></ul><img src=\"velmora-notes://attachment/a\"><img src=\"x\">"
                          "<table><tr><th>h</th></tr><tr><td>c</td></tr></table>");
}

void TestMarkdownConversion::jsonTextIsCompactForm()
{
    QFETCH(QString, html);
    const QString json = htmlToDeltaJson(html);
    QCOMPARE(json,
             QString::fromUtf8(QJsonDocument(htmlToDelta(html)).toJson(QJsonDocument::Compact)));
    QVERIFY(!htmlToDelta(html).isEmpty());
}

QTEST_MAIN(TestMarkdownConversion)
#include "tst_markdownconversion.moc"
