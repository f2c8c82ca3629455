#include "document/richtextbinding.h"

#include "document/richtextformats.h"

#include <QJsonDocument>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

// The attributes a format shows, before anything is taken away.
static QJsonObject shownAttributes(const QTextCharFormat &format)
{
    QJsonObject attributes;
    if (format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::Bold)
        attributes.insert(QLatin1String("bold"), true);
    if (format.fontItalic())
        attributes.insert(QLatin1String("italic"), true);
    if (format.fontUnderline() && !format.isAnchor())
        attributes.insert(QLatin1String("underline"), true);
    if (format.fontStrikeOut())
        attributes.insert(QLatin1String("strike"), true);
    if (format.fontFixedPitch()
        || format.fontFamilies().toStringList().contains(QLatin1String("monospace")))
        attributes.insert(QLatin1String("code"), true);
    if (format.isAnchor() && !format.anchorHref().isEmpty())
        attributes.insert(QLatin1String("link"), format.anchorHref());
    return attributes;
}

QJsonObject inlineAttributesFromFormat(const QTextCharFormat &format,
                                       const QTextCharFormat &baseFormat)
{
    QJsonObject attributes = shownAttributes(format);
    const QJsonObject base = shownAttributes(baseFormat);
    for (auto it = base.begin(); it != base.end(); ++it) {
        if (attributes.value(it.key()) == it.value())
            attributes.remove(it.key());
    }
    const QJsonObject extra = format.property(ExtraInlineAttributesProperty).toJsonObject();
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        if (!attributes.contains(it.key()))
            attributes.insert(it.key(), it.value());
    }
    return attributes;
}

QJsonObject inlineAttributesFromFormat(const QTextCharFormat &format)
{
    return inlineAttributesFromFormat(format, QTextCharFormat());
}

QJsonObject blockAttributesFromFormat(const QTextBlockFormat &format)
{
    QJsonObject attributes;
    const int level = format.intProperty(HeadingLevelProperty);
    if (level >= 1 && level <= 6)
        attributes.insert(QLatin1String("header"), level);

    const QString listKind = format.stringProperty(ListKindProperty);
    if (format.marker() == QTextBlockFormat::MarkerType::Checked)
        attributes.insert(QLatin1String("list"), QStringLiteral("checked"));
    else if (format.marker() == QTextBlockFormat::MarkerType::Unchecked)
        attributes.insert(QLatin1String("list"), QStringLiteral("unchecked"));
    else if (!listKind.isEmpty())
        attributes.insert(QLatin1String("list"), listKind);

    if (format.hasProperty(CodeBlockProperty)) {
        const QVariant codeBlock = format.property(CodeBlockProperty);
        const bool isLanguage = codeBlock.typeId() == QMetaType::QString
                                && !codeBlock.toString().isEmpty();
        attributes.insert(QLatin1String("code-block"),
                          isLanguage ? QJsonValue(codeBlock.toString()) : QJsonValue(true));
    }
    if (format.boolProperty(BlockquoteProperty))
        attributes.insert(QLatin1String("blockquote"), true);

    if (format.hasProperty(QTextFormat::BlockAlignment)) {
        const Qt::Alignment horizontal = format.alignment() & Qt::AlignHorizontal_Mask;
        QString align;
        if (horizontal & Qt::AlignHCenter)
            align = QStringLiteral("center");
        if (horizontal & Qt::AlignRight)
            align = QStringLiteral("right");
        if (horizontal & Qt::AlignJustify)
            align = QStringLiteral("justify");
        if (!align.isEmpty())
            attributes.insert(QLatin1String("align"), align);
    }

    const QJsonObject extra = format.property(ExtraBlockAttributesProperty).toJsonObject();
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        if (!attributes.contains(it.key()))
            attributes.insert(it.key(), it.value());
    }
    return attributes;
}

static QJsonObject insertOp(const QJsonValue &insert, const QJsonObject &attributes)
{
    QJsonObject op{{QLatin1String("insert"), insert}};
    if (!attributes.isEmpty())
        op.insert(QLatin1String("attributes"), attributes);
    return op;
}

// Appends a text op, joining it to the previous op when that is text of
// the same attributes, so each run of equal formatting is one op.
static void appendText(QJsonArray &ops,
                       const QString &text,
                       const QJsonObject &attributes,
                       int runStart)
{
    if (text.isEmpty())
        return;
    if (ops.size() > runStart) {
        QJsonObject last = ops.last().toObject();
        const QJsonValue lastInsert = last.value(QLatin1String("insert"));
        if (lastInsert.isString()
            && last.value(QLatin1String("attributes")).toObject() == attributes) {
            last.insert(QLatin1String("insert"), lastInsert.toString() + text);
            ops.replace(ops.size() - 1, last);
            return;
        }
    }
    ops.append(insertOp(text, attributes));
}

// Text and embeds of one block, with inline attributes relative to `base`.
static void appendBlockContent(QJsonArray &ops, const QTextBlock &block, const QTextCharFormat &base)
{
    const int runStart = int(ops.size());
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const QString text = fragment.text();
        const QJsonObject embed = embedFromFormat(format);
        const bool isObject = format.objectType() != QTextFormat::NoObject || !embed.isEmpty();
        if (!isObject) {
            appendText(ops, text, inlineAttributesFromFormat(format, base), runStart);
            continue;
        }
        // Text typed next to an object can carry the object's properties; only
        // the U+FFFC characters themselves stand for the object, and the
        // object's own attributes stay with it.
        QTextCharFormat textFormat = format;
        if (!embed.isEmpty())
            setExtraInlineAttributes(textFormat, QJsonObject());
        QString run;
        const auto flushRun = [&]() {
            appendText(ops, run, inlineAttributesFromFormat(textFormat, base), runStart);
            run.clear();
        };
        for (const QChar ch : text) {
            if (ch != QChar::ObjectReplacementCharacter) {
                run.append(ch);
                continue;
            }
            flushRun();
            if (!embed.isEmpty())
                ops.append(
                    insertOp(embed, format.property(ExtraInlineAttributesProperty).toJsonObject()));
        }
        flushRun();
    }
}

static QJsonObject blockAttributes(const QTextBlock &block)
{
    QTextBlockFormat format = block.blockFormat();
    // A block taken out of its list by Qt's own editing keeps its list kind
    // and marker; what the user sees, no list, is what gets written.
    if (!block.textList()) {
        format.clearProperty(ListKindProperty);
        format.setMarker(QTextBlockFormat::MarkerType::NoMarker);
    }
    QJsonObject attributes = blockAttributesFromFormat(format);
    // A list made by Qt itself carries no list kind; its style tells it.
    if (!attributes.contains(QLatin1String("list"))) {
        if (const QTextList *list = block.textList()) {
            const QTextListFormat::Style style = list->format().style();
            const bool ordered = style == QTextListFormat::ListDecimal
                                 || style == QTextListFormat::ListLowerAlpha
                                 || style == QTextListFormat::ListUpperAlpha
                                 || style == QTextListFormat::ListLowerRoman
                                 || style == QTextListFormat::ListUpperRoman;
            attributes.insert(QLatin1String("list"),
                              ordered ? QStringLiteral("ordered") : QStringLiteral("bullet"));
        }
    }
    return attributes;
}

static QTextTable *tableOf(const QTextBlock &block)
{
    if (!block.isValid())
        return nullptr;
    return QTextCursor(block).currentTable();
}

static QTextTable *tableOfCell(const QTextTableCell &cell)
{
    return QTextCursor(cell.firstCursorPosition()).currentTable();
}

QJsonArray writeTableCell(const QTextTableCell &cell)
{
    QJsonArray ops;
    if (!cell.isValid())
        return ops;
    const QTextTable *table = tableOfCell(cell);
    const bool headerRow = table && cell.row() < table->format().headerRowCount();
    const QTextCharFormat base = headerRow ? headerCellCharFormat() : QTextCharFormat();
    QTextBlock previous;
    for (QTextFrame::iterator it = cell.begin(); !it.atEnd(); ++it) {
        const QTextBlock block = it.currentBlock();
        if (!block.isValid())
            continue;
        if (previous.isValid()) {
            const QJsonObject extra
                = previous.blockFormat().property(ExtraBlockAttributesProperty).toJsonObject();
            ops.append(insertOp(QStringLiteral("\n"), extra));
        }
        appendBlockContent(ops, block, base);
        previous = block;
    }
    return ops;
}

QString writeTableJson(const QTextTable *table, bool hasHeader)
{
    QJsonArray rows;
    for (int r = 0; r < table->rows(); ++r) {
        QJsonArray row;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            // A cell spanning several grid places is written at its origin only.
            const bool origin = cell.row() == r && cell.column() == c;
            row.append(origin ? writeTableCell(cell) : QJsonArray());
        }
        rows.append(row);
    }
    QJsonObject object = table->format().property(TableExtraKeysProperty).toJsonObject();
    object.insert(QLatin1String("cells"), rows);
    object.insert(QLatin1String("hasHeader"), hasHeader);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QJsonArray writeDocument(const QTextDocument *document)
{
    QJsonArray ops;
    QSet<const QTextTable *> writtenTables;
    QTextTable *previousTable = nullptr;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextTable *table = tableOf(block);
        if (table) {
            previousTable = table;
            if (writtenTables.contains(table))
                continue;
            writtenTables.insert(table);
            const QTextTableFormat format = table->format();
            const QJsonObject embed{
                {tableEmbedKind(), writeTableJson(table, format.headerRowCount() >= 1)}};
            ops.append(
                insertOp(embed, format.property(ExtraInlineAttributesProperty).toJsonObject()));
            ops.append(insertOp(QStringLiteral("\n"),
                                format.property(ExtraBlockAttributesProperty).toJsonObject()));
            continue;
        }
        const bool afterTable = previousTable != nullptr;
        previousTable = nullptr;

        const QTextBlockFormat blockFormat = block.blockFormat();
        const int contentStart = int(ops.size());
        appendBlockContent(ops, block, blockCharFormat(blockFormat));
        // Paragraphs that only exist because a table was inserted are left out
        // while nothing was put into them.
        if (ops.size() == contentStart && blockFormat.boolProperty(TableSpacerProperty)
            && (afterTable || tableOf(block.next())))
            continue;
        ops.append(insertOp(QStringLiteral("\n"), blockAttributes(block)));
    }
    return ops;
}
