#include "document/htmldocumentreader.h"

#include "document/attachmenturl.h"
#include "document/richtextbinding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

static QString compactJson(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Appends text as a JSON string literal, escaped exactly as QJsonDocument
// writes it, so that the text is the compact form of the ops it parses to.
static void appendJsonString(QString &out, QStringView text)
{
    static const char hex[] = "0123456789abcdef";
    auto escape = [&out](char16_t c) {
        out.append(QLatin1String("\\u"));
        for (int shift = 12; shift >= 0; shift -= 4)
            out.append(QLatin1Char(hex[(c >> shift) & 0xf]));
    };
    out.append(QLatin1Char('"'));
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool surrogate = QChar::isSurrogate(c);
        if (c >= 0x20 && c != u'"' && c != u'\\' && !surrogate)
            continue;
        if (surrogate && QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // a valid pair is written as it is
            continue;
        }
        out.append(text.mid(runStart, i - runStart));
        runStart = i + 1;
        switch (c) {
        case u'"':
            out.append(QLatin1String("\\\""));
            break;
        case u'\\':
            out.append(QLatin1String("\\\\"));
            break;
        case u'\b':
            out.append(QLatin1String("\\b"));
            break;
        case u'\f':
            out.append(QLatin1String("\\f"));
            break;
        case u'\n':
            out.append(QLatin1String("\\n"));
            break;
        case u'\r':
            out.append(QLatin1String("\\r"));
            break;
        case u'\t':
            out.append(QLatin1String("\\t"));
            break;
        default: // other control characters and lone surrogates
            escape(c);
            break;
        }
    }
    out.append(text.mid(runStart));
    out.append(QLatin1Char('"'));
}

QString HtmlDocumentReader::readJson(const QTextDocument *document)
{
    HtmlDocumentReader reader(document->characterCount());
    reader.readFrame(document->rootFrame());
    return reader.finish();
}

HtmlDocumentReader::HtmlDocumentReader(qsizetype expectedSize)
{
    // Keys and attributes around the runs take about twice the text itself.
    m_json.reserve(expectedSize * 3 + 16);
    m_json.append(QLatin1Char('['));
}

void HtmlDocumentReader::beginOp()
{
    if (m_opCount++ > 0)
        m_json.append(QLatin1Char(','));
}

void HtmlDocumentReader::appendTextOp(QStringView text, const QString &attributesJson)
{
    beginOp();
    m_json.append(QLatin1Char('{'));
    m_json.append(attributesJson);
    m_json.append(QLatin1String("\"insert\":"));
    appendJsonString(m_json, text);
    m_json.append(QLatin1Char('}'));
}

void HtmlDocumentReader::appendRawOp(const QString &op)
{
    beginOp();
    m_json.append(op);
}

// The "attributes" member that opens an op (keys sort before "insert", as
// QJsonDocument orders them). Every link makes a format of its own, so this
// runs often: flags and strings are written directly, anything else through
// the serialiser.
QString HtmlDocumentReader::attributesMember(const QJsonObject &attributes)
{
    if (attributes.isEmpty())
        return QString();
    QString out = QStringLiteral("\"attributes\":{");
    for (auto it = attributes.begin(); it != attributes.end(); ++it) {
        if (it != attributes.begin())
            out.append(QLatin1Char(','));
        appendJsonString(out, it.key());
        out.append(QLatin1Char(':'));
        const QJsonValue value = it.value();
        if (value.isBool())
            out.append(value.toBool() ? QLatin1String("true") : QLatin1String("false"));
        else if (value.isString())
            appendJsonString(out, value.toString());
        else
            out.append(QString::fromUtf8(
                QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).chopped(1).mid(1)));
    }
    out.append(QLatin1String("},"));
    return out;
}

const HtmlDocumentReader::FragmentKind &HtmlDocumentReader::kindOf(const QTextFragment &fragment)
{
    const int index = fragment.charFormatIndex();
    auto it = m_fragmentKinds.constFind(index);
    if (it != m_fragmentKinds.constEnd())
        return *it;
    const QTextCharFormat format = fragment.charFormat();
    FragmentKind kind;
    if (format.isImageFormat()) {
        kind.image = true;
        const QString name = format.toImageFormat().name();
        QJsonObject embed;
        if (name.startsWith(attachmentUrlPrefix()))
            embed.insert(QStringLiteral("velmora-notes-attachment"), name);
        else if (!name.isEmpty())
            embed.insert(QStringLiteral("image"), name);
        if (!embed.isEmpty())
            kind.embedOp = compactJson(QJsonObject{{QStringLiteral("insert"), embed}});
    } else {
        kind.attributesJson = attributesMember(inlineAttributesFromFormat(format));
    }
    return *m_fragmentKinds.insert(index, kind);
}

// 0 for a list style that is neither ordered nor a bullet.
int HtmlDocumentReader::listCode(const QTextList *list)
{
    if (!list)
        return 0;
    switch (list->format().style()) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        return 1;
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListSquare:
        return 2;
    default:
        return 0;
    }
}

const QString &HtmlDocumentReader::lineEnd(const QTextBlock &block)
{
    const int formatIndex = block.blockFormatIndex();
    auto level = m_headingLevels.constFind(formatIndex);
    if (level == m_headingLevels.constEnd()) {
        const int value = block.blockFormat().headingLevel();
        level = m_headingLevels.insert(formatIndex, value >= 1 && value <= 6 ? value : 0);
    }
    const int list = listCode(block.textList());
    const int key = *level * 3 + list;
    auto it = m_lineEnds.constFind(key);
    if (it != m_lineEnds.constEnd())
        return *it;
    QJsonObject attributes;
    if (*level)
        attributes.insert(QStringLiteral("header"), *level);
    if (list)
        attributes.insert(QStringLiteral("list"),
                          list == 1 ? QStringLiteral("ordered") : QStringLiteral("bullet"));
    return *m_lineEnds.insert(key,
                              QLatin1Char('{') + attributesMember(attributes)
                                  + QStringLiteral("\"insert\":\"\\n\"}"));
}

void HtmlDocumentReader::readBlock(const QTextBlock &block)
{
    // One copy of the block's text, sliced per fragment.
    const QString blockText = block.text();
    const int blockStart = block.position();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const FragmentKind &kind = kindOf(fragment);
        if (kind.image) {
            // Equal neighbouring images may share a fragment; each is an embed.
            if (!kind.embedOp.isEmpty())
                for (int i = 0; i < fragment.length(); ++i)
                    appendRawOp(kind.embedOp);
            continue;
        }
        const QStringView text = QStringView(blockText).mid(fragment.position() - blockStart,
                                                            fragment.length());
        if (!text.contains(QChar::ObjectReplacementCharacter)) {
            if (!text.isEmpty())
                appendTextOp(text, kind.attributesJson);
            continue;
        }
        const QString kept = text.toString().remove(QChar::ObjectReplacementCharacter);
        if (!kept.isEmpty())
            appendTextOp(kept, kind.attributesJson);
    }
    appendRawOp(lineEnd(block));
}

// A table is one embed line, met once; its cells are written as the note
// writer writes them, and every table with rows has a header row. Any
// other frame is walked for its blocks.
void HtmlDocumentReader::readFrame(QTextFrame *frame)
{
    for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (auto *table = qobject_cast<QTextTable *>(child)) {
                beginOp();
                m_json.append(QLatin1String("{\"insert\":{\"table\":"));
                appendJsonString(m_json, writeTableJson(table, table->rows() > 0));
                m_json.append(QLatin1String("}}"));
                appendRawOp(QStringLiteral("{\"insert\":\"\\n\"}"));
            } else {
                readFrame(child);
            }
        } else if (it.currentBlock().isValid()) {
            readBlock(it.currentBlock());
        }
    }
}

QString HtmlDocumentReader::finish()
{
    if (m_opCount == 0)
        return QString();
    m_json.append(QLatin1Char(']'));
    return std::move(m_json);
}
