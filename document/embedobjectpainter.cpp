#include "document/embedobjectpainter.h"

#include "document/chippainting.h"
#include "document/richtextformats.h"

#include <QPainter>
#include <QTextDocument>
#include <QUrl>

static constexpr qreal DividerHeight = 17;

EmbedObjectPainter::EmbedObjectPainter(QObject *parent)
    : QObject(parent)
{}

QString EmbedObjectPainter::placeholderLabel(const QTextFormat &format)
{
    const QString kind = format.stringProperty(EmbedKindProperty);
    const QString value = format.stringProperty(EmbedValueProperty);
    if (kind == imageEmbedKind()) {
        const QUrl url(value);
        if (!url.fileName().isEmpty())
            return url.fileName();
        if (!url.host().isEmpty())
            return url.host();
        return value.isEmpty() ? tr("Image") : value.left(40);
    }
    return kind.isEmpty() ? tr("Object") : kind;
}

static QString placeholderIcon(const QTextFormat &format)
{
    // Framed picture for images, a puzzle piece for anything else.
    return format.stringProperty(EmbedKindProperty) == imageEmbedKind()
               ? QStringLiteral("\U0001F5BC")
               : QStringLiteral("\U0001F9E9");
}

QSizeF EmbedObjectPainter::intrinsicSize(QTextDocument *document,
                                         int posInDocument,
                                         const QTextFormat &format)
{
    Q_UNUSED(posInDocument)
    switch (format.objectType()) {
    case DividerObject: {
        const qreal width = document->textWidth() > 0
                                ? document->textWidth() - 2 * document->documentMargin() - 4
                                : 200;
        return QSizeF(qMax<qreal>(width, 40), DividerHeight);
    }
    case InlineTableObject:
        return chipSize(tr("Table"), 120);
    default:
        return chipSize(placeholderLabel(format), 120);
    }
}

void EmbedObjectPainter::drawObject(QPainter *painter,
                                    const QRectF &rect,
                                    QTextDocument *document,
                                    int posInDocument,
                                    const QTextFormat &format)
{
    Q_UNUSED(document)
    Q_UNUSED(posInDocument)
    painter->save();
    switch (format.objectType()) {
    case DividerObject: {
        const qreal y = rect.center().y();
        painter->setPen(QPen(chipBorderColor(), 1));
        painter->drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
        break;
    }
    case InlineTableObject:
        paintChip(painter, rect, QStringLiteral("\u25A6"), tr("Table"));
        break;
    default:
        paintChip(painter, rect, placeholderIcon(format), placeholderLabel(format));
        break;
    }
    painter->restore();
}
