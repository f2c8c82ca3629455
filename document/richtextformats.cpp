#include "document/richtextformats.h"

#include "document/appearance.h"
#include "document/attachmenturl.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonValue>
#include <QPalette>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

QString attachmentEmbedKind()
{
    return QStringLiteral("velmora-notes-attachment");
}

QString imageEmbedKind()
{
    return QStringLiteral("image");
}

QString dividerEmbedKind()
{
    return QStringLiteral("divider");
}

QString tableEmbedKind()
{
    return QStringLiteral("table");
}

static void setExtraAttributes(QTextFormat &format,
                               int property,
                               int keyProperty,
                               const QJsonObject &attributes)
{
    if (attributes.isEmpty()) {
        format.clearProperty(property);
        format.clearProperty(keyProperty);
        return;
    }
    format.setProperty(property, attributes);
    format.setProperty(keyProperty,
                       QString::fromUtf8(QJsonDocument(attributes).toJson(QJsonDocument::Compact)));
}

void setExtraBlockAttributes(QTextFormat &format, const QJsonObject &attributes)
{
    setExtraAttributes(format,
                       ExtraBlockAttributesProperty,
                       ExtraBlockAttributesKeyProperty,
                       attributes);
}

void setExtraInlineAttributes(QTextFormat &format, const QJsonObject &attributes)
{
    setExtraAttributes(format,
                       ExtraInlineAttributesProperty,
                       ExtraInlineAttributesKeyProperty,
                       attributes);
}

HeadingMetrics headingMetrics(int level)
{
    switch (level) {
    case 1:
        return {28, 700, 130, 24, 12, false};
    case 2:
        return {22, 700, 130, 20, 10, false};
    case 3:
        return {18, 600, 140, 16, 8, false};
    case 4:
        return {16, 600, 140, 12, 6, false};
    case 5:
        return {14, 600, 140, 10, 4, false};
    case 6:
        return {13, 600, 140, 8, 4, true};
    default:
        return {editorBodyPixelSize(), 400, 150, 0, 8, false};
    }
}

QColor codeBlockBackgroundColor()
{
    return QColor(isDarkTheme() ? 0x2A2D31 : 0xECEEF1);
}

QColor mutedTextColor()
{
    return QColor(isDarkTheme() ? 0xC4C6CF : 0x44474E);
}

QColor inlineCodeTextColor()
{
    return QColor(isDarkTheme() ? 0xD6E3F7 : 0x0E1B2C);
}

QColor inlineCodeBackgroundColor()
{
    return QColor(isDarkTheme() ? 0x33445C : 0xDCE6F4);
}

QColor linkColor()
{
    return QColor(0x1565C0);
}

QFont monospaceFont()
{
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::Monospace, QFont::PreferDefault);
    font.setFixedPitch(true);
    font.setPixelSize(14);
    return font;
}

static bool isInlineKey(const QString &key)
{
    return key == QLatin1String("bold") || key == QLatin1String("italic")
           || key == QLatin1String("underline") || key == QLatin1String("strike")
           || key == QLatin1String("code") || key == QLatin1String("link");
}

static bool isBlockKey(const QString &key)
{
    return key == QLatin1String("header") || key == QLatin1String("list")
           || key == QLatin1String("code-block") || key == QLatin1String("blockquote")
           || key == QLatin1String("align");
}

static bool isHeadingLevel(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    const double level = value.toDouble();
    return level >= 1 && level <= 6 && level == static_cast<int>(level);
}

QTextBlockFormat blockFormatFromAttributes(const QJsonObject &blockAttributes)
{
    QTextBlockFormat format;
    QJsonObject extra;
    for (auto it = blockAttributes.begin(); it != blockAttributes.end(); ++it) {
        const QString &key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("header")) {
            // An out-of-range level has no effect but is written back as it came.
            if (isHeadingLevel(value))
                format.setProperty(HeadingLevelProperty, value.toInt());
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("list")) {
            if (value.isString() && !value.toString().isEmpty())
                format.setProperty(ListKindProperty, value.toString());
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("code-block")) {
            if (value.isString() && !value.toString().isEmpty())
                format.setProperty(CodeBlockProperty, value.toString());
            else
                format.setProperty(CodeBlockProperty, true);
        } else if (key == QLatin1String("blockquote")) {
            format.setProperty(BlockquoteProperty, true);
        } else if (key == QLatin1String("align")) {
            const QString align = value.toString();
            if (align == QLatin1String("center")) {
                format.setAlignment(Qt::AlignHCenter);
            } else if (align == QLatin1String("right")) {
                format.setAlignment(Qt::AlignRight);
            } else if (align == QLatin1String("justify")) {
                format.setAlignment(Qt::AlignJustify);
            } else {
                format.setAlignment(Qt::AlignLeft);
                extra.insert(key, value);
            }
        } else if (!isInlineKey(key)) {
            extra.insert(key, value);
        }
    }
    if (!extra.isEmpty())
        setExtraBlockAttributes(format, extra);
    applyBlockStyle(format);
    return format;
}

void applyBlockStyle(QTextBlockFormat &format)
{
    const int level = format.intProperty(HeadingLevelProperty);
    if (level >= 1 && level <= 6) {
        const HeadingMetrics metrics = headingMetrics(level);
        format.setTopMargin(metrics.topMargin);
        format.setBottomMargin(metrics.bottomMargin);
        format.setLineHeight(metrics.lineHeightPercent, QTextBlockFormat::ProportionalHeight);
        format.clearBackground();
        format.setLeftMargin(0);
        format.setRightMargin(0);
    } else if (format.hasProperty(CodeBlockProperty)) {
        format.setTopMargin(8);
        format.setBottomMargin(8);
        format.setLineHeight(140, QTextBlockFormat::ProportionalHeight);
        format.setBackground(codeBlockBackgroundColor());
        format.setLeftMargin(12);
        format.setRightMargin(12);
    } else if (format.boolProperty(BlockquoteProperty)) {
        format.setTopMargin(0);
        format.setBottomMargin(8);
        format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        format.setLeftMargin(16);
        format.setRightMargin(0);
        format.clearBackground();
    } else {
        format.setTopMargin(0);
        format.setBottomMargin(8);
        format.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
        format.setLeftMargin(0);
        format.setRightMargin(0);
        format.clearBackground();
    }
}

static bool showsPicture(const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        // Text typed right after a picture inherits its embed properties, but
        // only the object character itself is the picture.
        const QTextCharFormat format = it.fragment().charFormat();
        const QString kind = format.stringProperty(EmbedKindProperty);
        if (format.objectType() != QTextFormat::NoObject
            && (kind == attachmentEmbedKind() || kind == imageEmbedKind()))
            return true;
    }
    return false;
}

void restyleBlock(QTextCursor &cursor)
{
    QTextBlockFormat format = cursor.blockFormat();
    applyBlockStyle(format);
    if (showsPicture(cursor.block()))
        format.setLineHeight(0, QTextBlockFormat::SingleHeight);
    if (format != cursor.blockFormat())
        cursor.setBlockFormat(format);
}

QTextCharFormat blockCharFormat(const QTextBlockFormat &format)
{
    const int level = format.intProperty(HeadingLevelProperty);
    if (level >= 1 && level <= 6) {
        const HeadingMetrics metrics = headingMetrics(level);
        QFont font;
        font.setPixelSize(metrics.pixelSize);
        font.setWeight(static_cast<QFont::Weight>(metrics.weight));
        QTextCharFormat charFormat;
        charFormat.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
        if (metrics.muted)
            charFormat.setForeground(mutedTextColor());
        return charFormat;
    }
    if (format.hasProperty(CodeBlockProperty)) {
        QTextCharFormat charFormat;
        charFormat.setFont(monospaceFont(), QTextCharFormat::FontPropertiesSpecifiedOnly);
        charFormat.setForeground(mutedTextColor());
        return charFormat;
    }
    return bodyCharFormat();
}

QTextCharFormat bodyCharFormat()
{
    QFont font;
    font.setPixelSize(editorBodyPixelSize());
    QTextCharFormat charFormat;
    charFormat.setFont(font, QTextCharFormat::FontPropertiesSpecifiedOnly);
    return charFormat;
}

QTextCharFormat inlineCodeFormat()
{
    QTextCharFormat format;
    format.setFont(monospaceFont(), QTextCharFormat::FontPropertiesSpecifiedOnly);
    format.setForeground(inlineCodeTextColor());
    format.setBackground(inlineCodeBackgroundColor());
    return format;
}

QTextCharFormat linkFormat(const QString &href)
{
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(href);
    format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    format.setForeground(linkColor());
    return format;
}

QTextCharFormat inlineFormatFromAttributes(const QJsonObject &attributes)
{
    QTextCharFormat format;
    QJsonObject extra;
    for (auto it = attributes.begin(); it != attributes.end(); ++it) {
        const QString &key = it.key();
        const QJsonValue value = it.value();
        const bool on = value.isBool() && value.toBool();
        if (key == QLatin1String("bold")) {
            if (on)
                format.setFontWeight(QFont::Bold);
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("italic")) {
            if (on)
                format.setFontItalic(true);
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("underline")) {
            if (on)
                format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("strike")) {
            if (on)
                format.setFontStrikeOut(true);
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("code")) {
            if (on)
                format.merge(inlineCodeFormat());
            else
                extra.insert(key, value);
        } else if (key == QLatin1String("link")) {
            // A link without a usable URL would vanish from the written
            // document; it is kept as it came instead.
            if (value.isString() && !value.toString().isEmpty())
                format.merge(linkFormat(value.toString()));
            else
                extra.insert(key, value);
        } else if (!isBlockKey(key)) {
            extra.insert(key, value);
        }
    }
    if (!extra.isEmpty())
        setExtraInlineAttributes(format, extra);
    return format;
}

void applyListMembership(QTextCursor &cursor, const QString &kind)
{
    QTextBlock block = cursor.block();
    if (QTextList *list = block.textList())
        list->remove(block);
    QTextBlockFormat format = cursor.blockFormat();
    format.setMarker(QTextBlockFormat::MarkerType::NoMarker);
    format.setObjectIndex(-1);
    format.setIndent(0);
    format.clearProperty(ListKindProperty);
    cursor.setBlockFormat(format);
    if (kind.isEmpty())
        return;

    const QTextListFormat::Style style = kind == QLatin1String("ordered")
                                             ? QTextListFormat::ListDecimal
                                             : QTextListFormat::ListDisc;
    const QTextBlock previous = block.previous();
    QTextList *previousList = previous.isValid() ? previous.textList() : nullptr;
    if (previousList && previousList->format().style() == style) {
        previousList->add(block);
    } else {
        QTextListFormat listFormat;
        listFormat.setStyle(style);
        listFormat.setIndent(1);
        cursor.createList(listFormat);
    }
    format = cursor.blockFormat();
    if (kind == QLatin1String("checked"))
        format.setMarker(QTextBlockFormat::MarkerType::Checked);
    else if (kind == QLatin1String("unchecked"))
        format.setMarker(QTextBlockFormat::MarkerType::Unchecked);
    format.setProperty(ListKindProperty, kind);
    cursor.setBlockFormat(format);
}

QTextTableFormat noteTableFormat(bool headerRow)
{
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    const QColor base = QGuiApplication::palette().color(QPalette::Base);
    format.setBorderBrush(base.lightness() >= 128 ? base.darker(150) : base.lighter(220));
    format.setBorderCollapse(true);
    format.setCellPadding(6);
    format.setCellSpacing(0);
    format.setHeaderRowCount(headerRow ? 1 : 0);
    return format;
}

QColor headerCellBackground()
{
    return QGuiApplication::palette().color(QPalette::AlternateBase);
}

QTextCharFormat headerCellCharFormat()
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    return format;
}

static void setBlockMark(QTextDocument *document, const QTextBlock &block, int property, bool on)
{
    if (!block.isValid())
        return;
    QTextCursor cursor(document);
    cursor.setPosition(block.position());
    QTextBlockFormat format = block.blockFormat();
    if (on)
        format.setProperty(property, true);
    else
        format.clearProperty(property);
    cursor.setBlockFormat(format);
}

QTextTable *insertTableWithSpacers(QTextCursor &cursor,
                                   int rows,
                                   int columns,
                                   const QTextTableFormat &format)
{
    QTextDocument *document = cursor.document();
    // An insertion only ever creates blocks next to the insertion point, so
    // marking the neighbourhood tells the new blocks from the old ones.
    const QTextBlock current = cursor.block();
    const QList<QTextBlock> marked{current.previous(), current, current.next()};
    for (const QTextBlock &block : marked)
        setBlockMark(document, block, PreexistingBlockMarkProperty, true);

    QTextTable *table = cursor.insertTable(rows, columns, format);

    if (table) {
        const QTextBlock before = document->findBlock(table->firstPosition()).previous();
        const QTextBlock after = document->findBlock(table->lastPosition()).next();
        for (const QTextBlock &block : {before, after}) {
            if (block.isValid() && !block.blockFormat().hasProperty(PreexistingBlockMarkProperty)) {
                setBlockMark(document, block, TableSpacerProperty, true);
                // Typing into the spacer makes it a paragraph like any other.
                QTextCursor spacer(block);
                restyleBlock(spacer);
            }
        }
    }
    for (const QTextBlock &block : marked)
        setBlockMark(document, block, PreexistingBlockMarkProperty, false);
    return table;
}

int embedObjectType(const QString &kind, const QString &value)
{
    if (kind == attachmentEmbedKind())
        return AttachmentObject;
    if (kind == imageEmbedKind())
        return isAttachmentUrl(value) ? AttachmentObject : PlaceholderObject;
    if (kind == dividerEmbedKind())
        return DividerObject;
    if (kind == tableEmbedKind())
        return InlineTableObject;
    return PlaceholderObject;
}

QTextCharFormat embedCharFormat(const QString &kind, const QString &value)
{
    const QString stored = kind == attachmentEmbedKind() ? attachmentUrlFromId(value) : value;
    QTextCharFormat format;
    format.setObjectType(embedObjectType(kind, stored));
    format.setProperty(EmbedKindProperty, kind);
    format.setProperty(EmbedValueProperty, stored);
    return format;
}

QTextCharFormat embedCharFormat(const QJsonObject &embed)
{
    if (embed.isEmpty())
        return {};
    const QJsonValue value = embed.begin().value();
    QTextCharFormat format = embedCharFormat(embed.begin().key(), value.toString());
    if (embed.size() > 1 || !value.isString()) {
        format.setProperty(EmbedObjectProperty, embed);
        format.setProperty(EmbedObjectKeyProperty,
                           QString::fromUtf8(QJsonDocument(embed).toJson(QJsonDocument::Compact)));
    }
    return format;
}

QJsonObject embedFromFormat(const QTextCharFormat &format)
{
    const QVariant whole = format.property(EmbedObjectProperty);
    if (whole.isValid())
        return whole.toJsonObject();
    if (!format.hasProperty(EmbedKindProperty))
        return {};
    return QJsonObject{
        {format.stringProperty(EmbedKindProperty), format.stringProperty(EmbedValueProperty)}};
}
