#include "document/richtextbinding.h"

#include "document/richtextformats.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

// Builds a text document from Delta ops line by line. Pending segments hold
// the content of the current line until its newline names the block
// attributes.
static constexpr qint64 MaximumTableCells = 100000;

struct PendingSegment
{
    bool isEmbed = false;
    QString text;
    QJsonObject embed;
    QJsonObject attributes;
};

struct BuildState
{
    QTextDocument *document = nullptr;
    QTextCursor cursor;
    QList<PendingSegment> pending;
    // The current block holds no line yet (the first block, or the paragraph
    // after a table), so the next line uses it instead of inserting one.
    bool reuseBlock = true;
};

// Characters that a text cursor would turn into paragraph breaks are not
// paragraph breaks in Delta text, which only breaks at "\n".
static QString sanitizedText(const QString &text)
{
    QString result = text;
    for (int i = result.size() - 1; i >= 0; --i) {
        const QChar ch = result.at(i);
        if (ch == QLatin1Char('\r'))
            result.remove(i, 1);
        else if (ch == QChar::ParagraphSeparator)
            result[i] = QChar::LineSeparator;
        else if (ch.unicode() == 0xFDD0 || ch.unicode() == 0xFDD1)
            result[i] = QChar::ReplacementCharacter;
    }
    return result;
}

static void insertEmbed(QTextCursor &cursor, const QJsonObject &embed, const QJsonObject &attributes)
{
    // An embed without a key carries nothing to show or keep.
    if (embed.isEmpty())
        return;
    QTextCharFormat format = embedCharFormat(embed);
    if (!attributes.isEmpty())
        setExtraInlineAttributes(format, attributes);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
}

static QString valueAsCellText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return {};
}

static void setCellParagraphAttributes(QTextCursor &cursor, const QJsonObject &attributes)
{
    QJsonObject extra;
    for (auto it = attributes.begin(); it != attributes.end(); ++it) {
        const QString &key = it.key();
        if (key != QLatin1String("bold") && key != QLatin1String("italic")
            && key != QLatin1String("underline") && key != QLatin1String("strike")
            && key != QLatin1String("code") && key != QLatin1String("link"))
            extra.insert(key, it.value());
    }
    if (extra.isEmpty())
        return;
    QTextBlockFormat format;
    setExtraBlockAttributes(format, extra);
    cursor.mergeBlockFormat(format);
}

// Fills one cell from its stored value: a plain string, or ops with inline
// attributes and newline ops between the cell's paragraphs.
static void fillCell(QTextCursor &cursor, const QJsonValue &value, const QTextCharFormat &cellFormat)
{
    if (!value.isArray()) {
        const QStringList lines = sanitizedText(valueAsCellText(value)).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0)
                cursor.insertBlock(QTextBlockFormat(), cellFormat);
            if (!lines.at(i).isEmpty())
                cursor.insertText(lines.at(i), cellFormat);
        }
        return;
    }
    const QJsonArray ops = value.toArray();
    for (const QJsonValue &element : ops) {
        if (!element.isObject())
            continue;
        const DeltaOp op = DeltaOp::fromJson(element.toObject());
        if (op.type == DeltaOp::InsertEmbed) {
            insertEmbed(cursor, op.embed, op.attributes);
            continue;
        }
        if (op.type != DeltaOp::InsertText || op.text.isEmpty())
            continue;
        QTextCharFormat format = cellFormat;
        format.merge(inlineFormatFromAttributes(op.attributes));
        const QStringList pieces = sanitizedText(op.text).split(QLatin1Char('\n'));
        for (int i = 0; i < pieces.size(); ++i) {
            if (i > 0) {
                // The newline ends the cell paragraph before it; what it says
                // about that paragraph is kept for writing back.
                setCellParagraphAttributes(cursor, op.attributes);
                cursor.insertBlock(QTextBlockFormat(), cellFormat);
            }
            if (!pieces.at(i).isEmpty())
                cursor.insertText(pieces.at(i), format);
        }
    }
}

// Builds a real table from the table JSON text; false when the text does
// not describe a table (the caller then keeps it as an object character).
static bool buildTable(BuildState &state,
                       const QJsonObject &embed,
                       const QJsonObject &embedAttributes,
                       const QJsonObject &blockAttributes)
{
    if (embed.size() != 1)
        return false;
    const QJsonDocument json = QJsonDocument::fromJson(
        embed.value(tableEmbedKind()).toString().toUtf8());
    if (!json.isObject())
        return false;
    QJsonObject object = json.object();
    const QJsonArray cells = object.value(QLatin1String("cells")).toArray();
    const bool hasHeader = object.value(QLatin1String("hasHeader")).toBool(true);
    int columns = 0;
    for (const QJsonValue &row : cells)
        columns = qMax(columns, int(row.toArray().size()));
    const int rows = int(cells.size());
    if (rows == 0 || columns == 0)
        return false;
    // A grid this large (a damaged or hostile body) would stall the editor;
    // it stays an object character and is written back as it came.
    if (qint64(rows) * columns > MaximumTableCells)
        return false;

    QTextTableFormat format = noteTableFormat(hasHeader);
    object.remove(QLatin1String("cells"));
    object.remove(QLatin1String("hasHeader"));
    if (!object.isEmpty())
        format.setProperty(TableExtraKeysProperty, object);
    if (!blockAttributes.isEmpty())
        setExtraBlockAttributes(format, blockAttributes);
    if (!embedAttributes.isEmpty())
        setExtraInlineAttributes(format, embedAttributes);

    // A block that holds no line of the note only exists because a table
    // needs a paragraph before it; it is a spacer like the one after.
    if (state.reuseBlock && state.cursor.block().length() <= 1) {
        QTextBlockFormat spacer;
        spacer.setProperty(TableSpacerProperty, true);
        state.cursor.mergeBlockFormat(spacer);
    }
    QTextTable *table = insertTableWithSpacers(state.cursor, rows, columns, format);
    if (!table)
        return false;

    for (int r = 0; r < rows; ++r) {
        const QJsonArray row = cells.at(r).toArray();
        for (int c = 0; c < columns; ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            QTextCharFormat cellFormat;
            if (hasHeader && r == 0) {
                QTextTableCellFormat cellBlockFormat = cell.format().toTableCellFormat();
                cellBlockFormat.setBackground(headerCellBackground());
                cell.setFormat(cellBlockFormat);
                cellFormat = headerCellCharFormat();
            }
            QTextCursor cellCursor = cell.firstCursorPosition();
            // What is typed into an empty header cell is bold, as in a new table.
            cellCursor.mergeBlockCharFormat(cellFormat);
            fillCell(cellCursor, c < row.size() ? row.at(c) : QJsonValue(), cellFormat);
        }
    }
    state.cursor.setPosition(table->lastPosition() + 1);
    return true;
}

static bool isPictureEmbed(const QJsonObject &embed)
{
    if (embed.isEmpty())
        return false;
    const QString kind = embed.begin().key();
    return kind == attachmentEmbedKind() || kind == imageEmbedKind();
}

static void flushLine(BuildState &state, const QJsonObject &blockAttributes)
{
    if (state.pending.size() == 1 && state.pending.first().isEmbed
        && !state.pending.first().embed.isEmpty()
        && state.pending.first().embed.begin().key() == tableEmbedKind()) {
        const PendingSegment segment = state.pending.first();
        if (buildTable(state, segment.embed, segment.attributes, blockAttributes)) {
            state.pending.clear();
            state.reuseBlock = true;
            return;
        }
    }

    QTextCursor &cursor = state.cursor;
    if (!state.reuseBlock)
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    state.reuseBlock = false;

    QTextBlockFormat blockFormat = blockFormatFromAttributes(blockAttributes);
    for (const PendingSegment &segment : std::as_const(state.pending)) {
        if (segment.isEmbed && isPictureEmbed(segment.embed)) {
            // Images must not be stretched by the proportional line height.
            blockFormat.setLineHeight(0, QTextBlockFormat::SingleHeight);
            break;
        }
    }
    const QString listKind = blockFormat.stringProperty(ListKindProperty);
    if (cursor.block().textList() && listKind.isEmpty())
        applyListMembership(cursor, QString());
    cursor.setBlockFormat(blockFormat);
    if (!listKind.isEmpty())
        applyListMembership(cursor, listKind);

    const QTextCharFormat charFormat = blockCharFormat(blockFormat);
    cursor.setBlockCharFormat(charFormat);
    for (const PendingSegment &segment : std::as_const(state.pending)) {
        if (segment.isEmbed) {
            insertEmbed(cursor, segment.embed, segment.attributes);
        } else {
            QTextCharFormat format = charFormat;
            format.merge(inlineFormatFromAttributes(segment.attributes));
            cursor.insertText(sanitizedText(segment.text), format);
        }
    }
    state.pending.clear();
}

void buildDocument(QTextDocument *document, const QList<DeltaOp> &ops)
{
    document->clear();

    BuildState state;
    state.document = document;
    state.cursor = QTextCursor(document);
    state.cursor.beginEditBlock();
    // An empty note still has its one paragraph to type in, spaced as that
    // paragraph will be once saved and reloaded; each line of a note sets
    // its own format over this.
    restyleBlock(state.cursor);
    state.cursor.setBlockCharFormat(bodyCharFormat());
    for (const DeltaOp &op : ops) {
        if (op.type == DeltaOp::InsertEmbed) {
            state.pending.append({true, QString(), op.embed, op.attributes});
            continue;
        }
        if (op.type != DeltaOp::InsertText)
            continue;
        qsizetype start = 0;
        for (;;) {
            const qsizetype newline = op.text.indexOf(QLatin1Char('\n'), start);
            const qsizetype end = newline < 0 ? op.text.size() : newline;
            if (end > start)
                state.pending.append({false, op.text.mid(start, end - start), {}, op.attributes});
            if (newline < 0)
                break;
            flushLine(state, op.attributes);
            start = newline + 1;
        }
    }
    if (!state.pending.isEmpty())
        flushLine(state, QJsonObject());
    state.cursor.endEditBlock();
}
