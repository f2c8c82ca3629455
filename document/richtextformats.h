#pragma once

#include <QColor>
#include <QFont>
#include <QJsonObject>
#include <QString>
#include <QTextFormat>

class QTextCursor;
class QTextTable;

// Delta information that Qt's own formats cannot hold travels in these
// user properties of the text formats. The editor sets them the same way for
// its own edits, so that the writer finds them.
enum DeltaFormatProperty {
    HeadingLevelProperty = QTextFormat::UserProperty + 1, // block: int 1..6
    ListKindProperty = QTextFormat::UserProperty + 2,     // block: the `list` string
    CodeBlockProperty = QTextFormat::UserProperty + 3,    // block: true or language
    BlockquoteProperty = QTextFormat::UserProperty + 4,   // block: true
    TableSpacerProperty = QTextFormat::UserProperty + 5,  // block: made by a table insertion
    ExtraBlockAttributesProperty = QTextFormat::UserProperty + 10, // block/table: QJsonObject
    // Table format: keys of the table object other than cells and hasHeader.
    TableExtraKeysProperty = QTextFormat::UserProperty + 11,
    // Compact JSON text of the extra attributes beside them: formats hash a
    // QJsonObject by its type only, so without it formats that differ only in
    // their extra attributes would all collide in the document's format table.
    ExtraBlockAttributesKeyProperty = QTextFormat::UserProperty + 12,
    ExtraInlineAttributesProperty = QTextFormat::UserProperty + 20, // char: QJsonObject
    ExtraInlineAttributesKeyProperty = QTextFormat::UserProperty + 21,
    PreexistingBlockMarkProperty = QTextFormat::UserProperty + 99, // block, transient
    EmbedKindProperty = QTextFormat::UserProperty + 100,           // object char: kind key
    EmbedValueProperty = QTextFormat::UserProperty + 101,          // object char: value
    // Object char: the whole embed object, kept only when kind and value alone
    // cannot reproduce it (more keys, or a value that is not a string).
    EmbedObjectProperty = QTextFormat::UserProperty + 102,
    EmbedObjectKeyProperty = QTextFormat::UserProperty + 103, // its compact JSON, for hashing
};

// Object types of U+FFFC characters that stand for Delta embeds.
enum DeltaObjectType {
    AttachmentObject = QTextFormat::UserObject + 1,
    DividerObject = QTextFormat::UserObject + 2,
    InlineTableObject = QTextFormat::UserObject + 3,
    // Embeds the app cannot show for real (an image from outside the store, an
    // unknown kind): drawn as a labelled chip and written back unchanged.
    PlaceholderObject = QTextFormat::UserObject + 4,
};

// Sets (or, for an empty object, clears) the unknown attributes a format
// carries; use these rather than setting the properties directly.
void setExtraBlockAttributes(QTextFormat &format, const QJsonObject &attributes);
void setExtraInlineAttributes(QTextFormat &format, const QJsonObject &attributes);

// Kind keys of embeds.
QString attachmentEmbedKind(); // "velmora-notes-attachment"
QString imageEmbedKind();      // "image"
QString dividerEmbedKind();    // "divider"
QString tableEmbedKind();      // "table"

// Visual constants of a heading level 1..6; level 0 is an ordinary paragraph.
struct HeadingMetrics
{
    int pixelSize = 16;
    int weight = 400;
    int lineHeightPercent = 150;
    int topMargin = 0;
    int bottomMargin = 8;
    bool muted = false;
};
HeadingMetrics headingMetrics(int level);

// Theme colours (the dark variant while isDarkTheme()).
QColor codeBlockBackgroundColor();
QColor mutedTextColor(); // code-block text and level-6 headings
QColor inlineCodeTextColor();
QColor inlineCodeBackgroundColor();
QColor linkColor();

// The font of code blocks and inline code.
QFont monospaceFont();

// Block format of a line from its Delta block attributes, with the block
// style applied. Values of known keys that have no effect are kept with the
// unknown keys so that they are written back unchanged.
QTextBlockFormat blockFormatFromAttributes(const QJsonObject &blockAttributes);
// Margins, line height and background of the block's style (heading, code
// block, quotation or paragraph).
void applyBlockStyle(QTextBlockFormat &format);
// Gives the cursor's block the spacing that loading gives a line of its kind:
// the block style of its properties, and single line height while it shows a
// picture. Edits that make or split paragraphs call it, since the new block
// otherwise keeps whatever the text edit gave it and the note would look
// different once reloaded.
void restyleBlock(QTextCursor &cursor);
// The character format a line of this block style starts from: heading font,
// monospace for code blocks, else the body font.
QTextCharFormat blockCharFormat(const QTextBlockFormat &format);
// The ordinary body font at the body pixel size.
QTextCharFormat bodyCharFormat();

// Inline character format from Delta inline attributes (not merged with the
// block's character format). Known keys whose value has no effect are kept
// with the unknown keys.
QTextCharFormat inlineFormatFromAttributes(const QJsonObject &attributes);
QTextCharFormat inlineCodeFormat();
QTextCharFormat linkFormat(const QString &href);

// Puts the cursor's block in a list of `kind` ("bullet", "ordered",
// "checked", "unchecked" or another kind shown as a bullet), joining the
// previous block's list when its style matches. An empty kind only takes the
// block out of any list.
void applyListMembership(QTextCursor &cursor, const QString &kind);

// Format of a note table; one header row when headerRow.
QTextTableFormat noteTableFormat(bool headerRow);
// Background and character format of header-row cells.
QColor headerCellBackground();
QTextCharFormat headerCellCharFormat();
// Inserts a table at the cursor and marks the empty paragraphs the insertion
// created around it with TableSpacerProperty.
QTextTable *insertTableWithSpacers(QTextCursor &cursor,
                                   int rows,
                                   int columns,
                                   const QTextTableFormat &format);

// Object type for an embed of `kind` with `value` (NoObject for none).
int embedObjectType(const QString &kind, const QString &value);
// The fresh character format of the U+FFFC that stands for an embed.
// Attachment URLs get their prefix when it is missing.
QTextCharFormat embedCharFormat(const QString &kind, const QString &value);
// The same, from a whole embed object (its first key names the kind).
QTextCharFormat embedCharFormat(const QJsonObject &embed);
// The embed object that a U+FFFC of this format stands for; empty when the
// format carries no embed.
QJsonObject embedFromFormat(const QTextCharFormat &format);
