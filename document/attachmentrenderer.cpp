#include "document/attachmentrenderer.h"

#include "document/attachmenturl.h"
#include "document/chippainting.h"
#include "document/richtextformats.h"
#include "storage/attachmentrepository.h"

#include <QPainter>

AttachmentRenderer::AttachmentRenderer(AttachmentRepository *repository, QObject *parent)
    : QObject(parent)
    , m_repository(repository)
{}

void AttachmentRenderer::clearCache()
{
    m_cache.clear();
}

const AttachmentRenderer::CachedAttachment &AttachmentRenderer::lookup(const QString &url)
{
    const QString id = attachmentIdFromUrl(url);
    auto found = m_cache.constFind(id);
    if (found != m_cache.constEnd())
        return *found;

    // A missing attachment is cached too, so it is looked up only once.
    CachedAttachment entry;
    if (m_repository && !id.isEmpty()) {
        if (const std::optional<Attachment> record = m_repository->get(id)) {
            entry.fileName = record->filename;
            entry.mimeType = record->mimeType;
            entry.isImage = entry.mimeType.startsWith(QLatin1String("image/"));
            if (entry.isImage) {
                const QByteArray bytes = m_repository->readFile(id);
                if (!bytes.isEmpty() && entry.image.loadFromData(bytes)
                    && entry.image.width() > MaximumImageWidth) {
                    entry.image = entry.image.scaledToWidth(MaximumImageWidth,
                                                            Qt::SmoothTransformation);
                }
            }
        }
    }
    return *m_cache.insert(id, entry);
}

QString AttachmentRenderer::chipLabel(const CachedAttachment &entry) const
{
    return entry.fileName.isEmpty() ? tr("Attachment") : entry.fileName;
}

QSizeF AttachmentRenderer::intrinsicSize(QTextDocument *document,
                                         int posInDocument,
                                         const QTextFormat &format)
{
    Q_UNUSED(document)
    Q_UNUSED(posInDocument)
    const CachedAttachment &entry = lookup(format.stringProperty(EmbedValueProperty));
    if (entry.isImage && !entry.image.isNull())
        return QSizeF(entry.image.width(), entry.image.height() + 4);
    return chipSize(chipLabel(entry), 200);
}

void AttachmentRenderer::drawObject(QPainter *painter,
                                    const QRectF &rect,
                                    QTextDocument *document,
                                    int posInDocument,
                                    const QTextFormat &format)
{
    Q_UNUSED(document)
    Q_UNUSED(posInDocument)
    const CachedAttachment &entry = lookup(format.stringProperty(EmbedValueProperty));
    painter->save();
    if (entry.isImage && !entry.image.isNull())
        painter->drawImage(rect.topLeft(), entry.image);
    else
        paintChip(painter, rect, QStringLiteral("\U0001F4CE"), chipLabel(entry));
    painter->restore();
}
