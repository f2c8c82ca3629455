#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTextObjectInterface>

class AttachmentRepository;

// Paints attachment objects of the note text: an image attachment as the
// image itself (at most 560 pixels wide), anything else as a chip with a
// paperclip and the file name. Every attachment is looked up and decoded
// once, until clearCache().
class AttachmentRenderer : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    struct CachedAttachment
    {
        QImage image; // null unless an image decoded
        QString fileName;
        QString mimeType;
        bool isImage = false;
    };

    static constexpr int MaximumImageWidth = 560;

    explicit AttachmentRenderer(AttachmentRepository *repository, QObject *parent = nullptr);

    QSizeF intrinsicSize(QTextDocument *document,
                         int posInDocument,
                         const QTextFormat &format) override;
    void drawObject(QPainter *painter,
                    const QRectF &rect,
                    QTextDocument *document,
                    int posInDocument,
                    const QTextFormat &format) override;

    void clearCache();

    // The cached entry for an attachment URL (or bare id), looked up on
    // first use.
    const CachedAttachment &lookup(const QString &url);

private:
    QString chipLabel(const CachedAttachment &entry) const;

    AttachmentRepository *m_repository;
    QHash<QString, CachedAttachment> m_cache;
};
