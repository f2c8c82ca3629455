#pragma once

#include <QObject>
#include <QTextObjectInterface>

// Painter of the note-text objects that are not attachments: dividers as a
// horizontal rule, tables that share a line with other content as a compact
// "Table" chip, and embeds that cannot be shown for real (an image from
// outside the store, an unknown kind) as a chip naming them.
class EmbedObjectPainter : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    explicit EmbedObjectPainter(QObject *parent = nullptr);

    QSizeF intrinsicSize(QTextDocument *document,
                         int posInDocument,
                         const QTextFormat &format) override;
    void drawObject(QPainter *painter,
                    const QRectF &rect,
                    QTextDocument *document,
                    int posInDocument,
                    const QTextFormat &format) override;

    // The label of a placeholder chip for this object format.
    static QString placeholderLabel(const QTextFormat &format);
};
