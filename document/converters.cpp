#include "document/converters.h"

#include "document/deltaop.h"
#include "document/htmldocumentreader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

// One run of text of a line, with the attributes of the op it came from.
struct DeltaTextRun
{
    QString text;
    QJsonObject attributes;
};

// Reads the ops as the rich-text builder does: text is cut at newlines, each
// newline ends a line carrying its op's attributes as block attributes, and
// text after the last newline is a final line without block attributes.
// Dividers and tables end the pending line and stand on their own; the other
// embeds (attachments, images) have no text form. Retain and delete ops carry
// nothing in a stored body.
template<typename Sink>
static void walkDeltaLines(const QJsonArray &ops, Sink &sink)
{
    QVector<DeltaTextRun> pending;
    for (const DeltaOp &op : parseDeltaOps(ops)) {
        if (op.type == DeltaOp::InsertText) {
            qsizetype start = 0;
            for (;;) {
                const qsizetype newline = op.text.indexOf(QLatin1Char('\n'), start);
                if (newline < 0) {
                    if (start < op.text.size())
                        pending.append({op.text.mid(start), op.attributes});
                    break;
                }
                if (newline > start)
                    pending.append({op.text.mid(start, newline - start), op.attributes});
                sink.line(pending, op.attributes);
                pending.clear();
                start = newline + 1;
            }
        } else if (op.type == DeltaOp::InsertEmbed && !op.embed.isEmpty()) {
            const QString kind = op.embed.begin().key();
            if (kind == QLatin1String("divider") || kind == QLatin1String("table")) {
                if (!pending.isEmpty()) {
                    sink.line(pending, QJsonObject());
                    pending.clear();
                }
                sink.blockEmbed(kind, op.embed.begin().value().toString());
            }
        }
    }
    if (!pending.isEmpty())
        sink.line(pending, QJsonObject());
}

// Inline keys take effect only with the value true; anything else is inert.
static bool attributeOn(const QJsonObject &attributes, QLatin1String key)
{
    const QJsonValue value = attributes.value(key);
    return value.isBool() && value.toBool();
}

static QString linkOf(const QJsonObject &attributes)
{
    return attributes.value(QLatin1String("link")).toString();
}

static int headingLevelOf(const QJsonObject &blockAttributes)
{
    const int level = blockAttributes.value(QLatin1String("header")).toInt(0);
    return level >= 1 && level <= 6 ? level : 0;
}

// The table object inside a table embed, or an empty object when the text
// is not a JSON object.
static QJsonObject tableObject(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

// --- HTML -------------------------------------------------------------------

// Escapes text for element content. Attribute values also escape the single
// quote so that no quoting style of the attribute can be broken out of.
static void appendHtmlEscaped(QString &out, QStringView text, bool attribute = false)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char *entity = nullptr;
        switch (c) {
        case u'<':
            entity = "&lt;";
            break;
        case u'>':
            entity = "&gt;";
            break;
        case u'&':
            entity = "&amp;";
            break;
        case u'"':
            entity = "&quot;";
            break;
        case u'\'':
            if (attribute)
                entity = "&#39;";
            break;
        default:
            break;
        }
        if (entity) {
            out.append(text.mid(runStart, i - runStart));
            out.append(QLatin1String(entity));
            runStart = i + 1;
        }
    }
    out.append(text.mid(runStart));
}

// Text escaped, with newlines as <br> for table cells.
static void appendHtmlCellText(QString &out, QStringView text)
{
    qsizetype start = 0;
    for (;;) {
        const qsizetype newline = text.indexOf(u'\n', start);
        if (newline < 0) {
            appendHtmlEscaped(out, text.mid(start));
            return;
        }
        appendHtmlEscaped(out, text.mid(start, newline - start));
        out.append(QLatin1String("<br>"));
        start = newline + 1;
    }
}

// Wraps one run, innermost first: strong, em, u, del, code, then the link.
static void appendHtmlRun(QString &out, const DeltaTextRun &run, bool cell)
{
    const QJsonObject &a = run.attributes;
    const bool bold = attributeOn(a, QLatin1String("bold"));
    const bool italic = attributeOn(a, QLatin1String("italic"));
    const bool underline = attributeOn(a, QLatin1String("underline"));
    const bool strike = attributeOn(a, QLatin1String("strike"));
    const bool code = attributeOn(a, QLatin1String("code"));
    const QString link = linkOf(a);

    if (!link.isEmpty()) {
        out.append(QLatin1String("<a href=\""));
        appendHtmlEscaped(out, link, true);
        out.append(QLatin1String("\">"));
    }
    if (code)
        out.append(QLatin1String("<code>"));
    if (strike)
        out.append(QLatin1String("<del>"));
    if (underline)
        out.append(QLatin1String("<u>"));
    if (italic)
        out.append(QLatin1String("<em>"));
    if (bold)
        out.append(QLatin1String("<strong>"));
    if (cell)
        appendHtmlCellText(out, run.text);
    else
        appendHtmlEscaped(out, run.text);
    if (bold)
        out.append(QLatin1String("</strong>"));
    if (italic)
        out.append(QLatin1String("</em>"));
    if (underline)
        out.append(QLatin1String("</u>"));
    if (strike)
        out.append(QLatin1String("</del>"));
    if (code)
        out.append(QLatin1String("</code>"));
    if (!link.isEmpty())
        out.append(QLatin1String("</a>"));
}

static QString htmlCell(const QJsonValue &cell)
{
    QString out;
    if (cell.isString()) {
        appendHtmlEscaped(out, cell.toString());
    } else if (cell.isArray()) {
        for (const QJsonValue &value : cell.toArray()) {
            const QJsonObject op = value.toObject();
            const QJsonValue insert = op.value(QLatin1String("insert"));
            if (!insert.isString())
                continue;
            const QString text = insert.toString();
            if (text == QLatin1String("\n"))
                out.append(QLatin1String("<br>"));
            else if (!text.isEmpty())
                appendHtmlRun(out, {text, op.value(QLatin1String("attributes")).toObject()}, true);
        }
    }
    return out.isEmpty() ? QStringLiteral("&nbsp;") : out;
}

static void appendHtmlTable(QString &out, const QString &json)
{
    const QJsonObject table = tableObject(json);
    const QJsonArray rows = table.value(QLatin1String("cells")).toArray();
    if (rows.isEmpty())
        return;
    const bool hasHeader = table.value(QLatin1String("hasHeader")).toBool(true);
    out.append(QLatin1String("<table border=\"1\" cellpadding=\"6\" cellspacing=\"0\" "
                             "style=\"border-collapse:collapse\">\n"));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const bool header = hasHeader && r == 0;
        out.append(QLatin1String("  <tr>"));
        for (const QJsonValue &cell : rows.at(r).toArray()) {
            out.append(header ? QLatin1String("<th>") : QLatin1String("<td>"));
            out.append(htmlCell(cell));
            out.append(header ? QLatin1String("</th>") : QLatin1String("</td>"));
        }
        out.append(QLatin1String("</tr>\n"));
    }
    out.append(QLatin1String("</table>\n"));
}

struct HtmlLineSink
{
    QString out;

    void line(const QVector<DeltaTextRun> &runs, const QJsonObject &block)
    {
        QString open;
        QString close;
        if (const int level = headingLevelOf(block)) {
            open = QStringLiteral("<h%1>").arg(level);
            close = QStringLiteral("</h%1>\n").arg(level);
        } else if (block.contains(QLatin1String("blockquote"))) {
            open = QStringLiteral("<blockquote>");
            close = QStringLiteral("</blockquote>\n");
        } else if (block.contains(QLatin1String("code-block"))) {
            open = QStringLiteral("<pre><code>");
            close = QStringLiteral("</code></pre>\n");
        } else {
            open = QStringLiteral("<p>");
            close = QStringLiteral("</p>\n");
        }
        out.append(open);
        for (const DeltaTextRun &run : runs)
            appendHtmlRun(out, run, false);
        out.append(close);
    }

    void blockEmbed(const QString &kind, const QString &value)
    {
        if (kind == QLatin1String("divider"))
            out.append(QLatin1String("<hr>\n"));
        else
            appendHtmlTable(out, value);
    }
};

QString deltaToHtml(const QJsonArray &ops)
{
    HtmlLineSink sink;
    sink.out.reserve(ops.size() * 24 + 32);
    sink.out.append(QLatin1String("<html><body>\n"));
    walkDeltaLines(ops, sink);
    sink.out.append(QLatin1String("</body></html>"));
    return sink.out;
}

// --- Markdown ---------------------------------------------------------------

// Wraps one run, innermost first: **, *, `, ~~, then [text](url). Markdown
// has no underline, and text is written as it stands.
static void appendMarkdownRun(QString &out, const DeltaTextRun &run)
{
    const QJsonObject &a = run.attributes;
    const bool bold = attributeOn(a, QLatin1String("bold"));
    const bool italic = attributeOn(a, QLatin1String("italic"));
    const bool code = attributeOn(a, QLatin1String("code"));
    const bool strike = attributeOn(a, QLatin1String("strike"));
    const QString link = linkOf(a);

    if (!link.isEmpty())
        out.append(QLatin1Char('['));
    if (strike)
        out.append(QLatin1String("~~"));
    if (code)
        out.append(QLatin1Char('`'));
    if (italic)
        out.append(QLatin1Char('*'));
    if (bold)
        out.append(QLatin1String("**"));
    out.append(run.text);
    if (bold)
        out.append(QLatin1String("**"));
    if (italic)
        out.append(QLatin1Char('*'));
    if (code)
        out.append(QLatin1Char('`'));
    if (strike)
        out.append(QLatin1String("~~"));
    if (!link.isEmpty()) {
        out.append(QLatin1String("]("));
        out.append(link);
        out.append(QLatin1Char(')'));
    }
}

static QString markdownCell(const QJsonValue &cell)
{
    QString text;
    if (cell.isString()) {
        text = cell.toString();
    } else if (cell.isArray()) {
        for (const QJsonValue &value : cell.toArray()) {
            const QJsonObject op = value.toObject();
            const QJsonValue insert = op.value(QLatin1String("insert"));
            if (insert.isString())
                appendMarkdownRun(text,
                                  {insert.toString(),
                                   op.value(QLatin1String("attributes")).toObject()});
        }
    }
    text.replace(QLatin1Char('|'), QLatin1String("\\|"));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

static QString markdownTable(const QString &json)
{
    const QJsonArray rows = tableObject(json).value(QLatin1String("cells")).toArray();
    qsizetype columns = 0;
    for (const QJsonValue &row : rows)
        columns = std::max(columns, row.toArray().size());
    if (columns == 0)
        return QString();

    QString out;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonArray row = rows.at(r).toArray();
        out.append(QLatin1Char('|'));
        for (qsizetype c = 0; c < columns; ++c) {
            out.append(QLatin1Char(' '));
            if (c < row.size())
                out.append(markdownCell(row.at(c)));
            out.append(QLatin1String(" |"));
        }
        out.append(QLatin1Char('\n'));
        // Markdown tables always have a header row, so the separator follows
        // the first row whether or not the note marks it as a header.
        if (r == 0) {
            out.append(QLatin1Char('|'));
            for (qsizetype c = 0; c < columns; ++c)
                out.append(QLatin1String(" --- |"));
            out.append(QLatin1Char('\n'));
        }
    }
    return out;
}

struct MarkdownLineSink
{
    enum class Kind { None, Paragraph, Heading, List, Code, Quote };

    QString out;
    Kind last = Kind::None;

    static bool isRun(Kind kind) { return kind == Kind::List || kind == Kind::Code; }

    void ensureBlankLine()
    {
        if (out.isEmpty() || out.endsWith(QLatin1String("\n\n")))
            return;
        out.append(out.endsWith(QLatin1Char('\n')) ? QLatin1String("\n") : QLatin1String("\n\n"));
    }

    void line(const QVector<DeltaTextRun> &runs, const QJsonObject &block)
    {
        QString text;
        for (const DeltaTextRun &run : runs)
            appendMarkdownRun(text, run);

        QString prefix;
        Kind kind = Kind::Paragraph;
        const QString list = block.value(QLatin1String("list")).toString();
        if (const int level = headingLevelOf(block)) {
            text = text.trimmed();
            if (text.isEmpty())
                return;
            prefix = QString(level, QLatin1Char('#')) + QLatin1Char(' ');
            kind = Kind::Heading;
        } else if (!list.isEmpty()) {
            if (list == QLatin1String("bullet"))
                prefix = QStringLiteral("- ");
            else if (list == QLatin1String("ordered"))
                prefix = QStringLiteral("1. "); // the reader numbers the items
            else if (list == QLatin1String("checked"))
                prefix = QStringLiteral("- [x] ");
            else if (list == QLatin1String("unchecked"))
                prefix = QStringLiteral("- [ ] ");
            kind = Kind::List;
        } else if (block.contains(QLatin1String("code-block"))) {
            prefix = QStringLiteral("    ");
            kind = Kind::Code;
        } else if (block.contains(QLatin1String("blockquote"))) {
            prefix = QStringLiteral("> ");
            kind = Kind::Quote;
        } else if (text.trimmed().isEmpty()) {
            ensureBlankLine();
            return;
        }

        // Lists and code stay on consecutive lines; a blank line sets each run
        // apart from whatever stands before and after it.
        if (isRun(last) && last != kind)
            ensureBlankLine();
        if (isRun(kind) && !isRun(last))
            ensureBlankLine();
        out.append(prefix);
        out.append(text);
        out.append(isRun(kind) ? QLatin1String("\n") : QLatin1String("\n\n"));
        last = kind;
    }

    void blockEmbed(const QString &kind, const QString &value)
    {
        ensureBlankLine();
        if (kind == QLatin1String("divider")) {
            out.append(QLatin1String("---\n\n"));
        } else {
            const QString table = markdownTable(value);
            if (!table.isEmpty()) {
                out.append(table);
                out.append(QLatin1Char('\n'));
            }
        }
        last = Kind::None;
    }
};

QString deltaToMarkdown(const QJsonArray &ops)
{
    MarkdownLineSink sink;
    sink.out.reserve(ops.size() * 16 + 16);
    walkDeltaLines(ops, sink);
    QString &out = sink.out;
    while (out.endsWith(QLatin1Char('\n')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    out.append(QLatin1Char('\n'));
    return out;
}

// --- Plain text -------------------------------------------------------------

QString deltaToPlainText(const QJsonArray &ops)
{
    QString out;
    for (const QJsonValue &value : ops) {
        const QJsonValue insert = value.toObject().value(QLatin1String("insert"));
        if (insert.isString())
            out.append(insert.toString());
    }
    return out;
}

QString convertNoteBody(const QString &json, ExportFormat format)
{
    if (json.isEmpty())
        return QString();
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return json; // a body saved as plain text leaves as it is
    const QJsonArray ops = document.array();
    switch (format) {
    case ExportFormat::Markdown:
        return deltaToMarkdown(ops);
    case ExportFormat::Html:
    case ExportFormat::Pdf:
        return deltaToHtml(ops);
    case ExportFormat::PlainText:
        return deltaToPlainText(ops);
    }
    return deltaToPlainText(ops);
}

// --- HTML and Markdown to Delta ---------------------------------------------

static QString emptyDocumentJson()
{
    return QStringLiteral("[{\"insert\":\"\\n\"}]");
}

static QJsonArray parsedOps(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).array();
}

static bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

// Whether the HTML holds a <del> or </del> tag; a plain scan, as most HTML
// has none and a large paste should not pay for a rewrite.
static bool hasDelTag(QStringView html)
{
    for (qsizetype i = html.indexOf(u'<'); i >= 0; i = html.indexOf(u'<', i + 1)) {
        QStringView rest = html.mid(i + 1, 4);
        if (rest.startsWith(u'/'))
            rest = rest.mid(1);
        if (rest.startsWith(QLatin1String("del"), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString htmlToDeltaJson(const QString &html)
{
    if (isBlank(html))
        return emptyDocumentJson();

    // Page furniture and active content never belong in a note. The
    // patterns are per thread: imports convert on several threads at once.
    thread_local const QRegularExpression furniture(
        QStringLiteral("<(script|style|nav|header|footer|aside|iframe|noscript)[^>]*>.*?</\\1>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    // The rich-text reader knows <s> but not <del>, which is what browsers and
    // our own HTML use for struck-out text.
    thread_local const QRegularExpression deleted(QStringLiteral("<(/?)del\\b"),
                                                  QRegularExpression::CaseInsensitiveOption);
    QString cleaned = html;
    cleaned.remove(furniture);
    if (hasDelTag(cleaned))
        cleaned.replace(deleted, QStringLiteral("<\\1s"));

    QTextDocument document;
    document.setHtml(cleaned);
    const QString ops = HtmlDocumentReader::readJson(&document);
    return ops.isEmpty() ? emptyDocumentJson() : ops;
}

QJsonArray htmlToDelta(const QString &html)
{
    return parsedOps(htmlToDeltaJson(html));
}

// Qt writes the same margins and indents into the style of every paragraph
// and list it exports, and parsing them again is a good part of what setHtml
// costs. The Delta reader never looks at margins, and indents of 0 are the
// defaults, so those runs go before the parse (a list keeps its indent
// level). Only inside a style attribute: exported text never holds a bare
// quote. The patterns are per thread: imports convert on several threads.
static void dropParagraphMargins(QString &html)
{
    thread_local const QRegularExpression margins(
        QStringLiteral("( style=\"[^\"]*?) margin-top:\\d+px; margin-bottom:\\d+px; "
                       "margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;"));
    html.replace(margins, QStringLiteral("\\1"));
    thread_local const QRegularExpression listMargins(
        QStringLiteral("(<[uo]l style=\"[^\"]*?)margin-top: 0px; margin-bottom: 0px; "
                       "margin-left: 0px; margin-right: 0px; "));
    html.replace(listMargins, QStringLiteral("\\1"));
}

QString markdownToDeltaJson(const QString &markdown)
{
    if (isBlank(markdown))
        return emptyDocumentJson();
    QTextDocument document;
    // Inside an edit block the importer's cursor does not lay out every
    // block it writes to (it would, to keep its x position).
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    cursor.endEditBlock();
    QString html = document.toHtml();
    dropParagraphMargins(html);
    return htmlToDeltaJson(html);
}

QJsonArray markdownToDelta(const QString &markdown)
{
    return parsedOps(markdownToDeltaJson(markdown));
}
