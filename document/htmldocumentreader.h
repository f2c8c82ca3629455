#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

class QTextBlock;
class QTextDocument;
class QTextFragment;
class QTextFrame;
class QTextList;

// Reads a text document that Qt built from HTML into Delta ops: one line per
// block with its heading level and list kind, text runs with their inline
// attributes, images as attachment or image embeds, each table as one table
// embed line. A large document has many fragments but few distinct formats,
// so what each format stands for is worked out once; the ops are written as
// JSON text, which costs far less than building tens of thousands of JSON
// objects one by one.
class HtmlDocumentReader
{
public:
    // The ops as compact JSON text, byte for byte what QJsonDocument writes
    // for them (the form a note body is stored in); empty when the document
    // gave no op at all.
    static QString readJson(const QTextDocument *document);

private:
    struct FragmentKind
    {
        QString embedOp;        // the whole op of an image or attachment; empty for text
        QString attributesJson; // "attributes":{...}, of text, or empty
        bool image = false;
    };

    explicit HtmlDocumentReader(qsizetype expectedSize);

    void readFrame(QTextFrame *frame);
    void readBlock(const QTextBlock &block);
    const FragmentKind &kindOf(const QTextFragment &fragment);
    const QString &lineEnd(const QTextBlock &block);
    static int listCode(const QTextList *list);
    static QString attributesMember(const QJsonObject &attributes);

    void beginOp();
    void appendTextOp(QStringView text, const QString &attributesJson);
    void appendRawOp(const QString &op);
    QString finish();

    QString m_json;
    int m_opCount = 0;
    QHash<int, FragmentKind> m_fragmentKinds; // by char format index
    QHash<int, int> m_headingLevels;          // by block format index
    QHash<int, QString> m_lineEnds;           // newline op by heading level and list kind
};
