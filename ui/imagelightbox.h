#pragma once

#include <QDialog>
#include <QImage>

class QGraphicsPixmapItem;
class QGraphicsView;
class QLabel;

// Modal dark window that shows one image, zoomable with the wheel and keys.
class ImageLightbox : public QDialog
{
    Q_OBJECT
public:
    ImageLightbox(const QImage &image, const QString &caption, QWidget *parent = nullptr);

    QGraphicsView *view() const { return m_view; }
    QLabel *captionLabel() const { return m_caption; }

    // The window size for an image: its own size, at most three quarters of
    // `available` in each direction and at least 480 x 360.
    static QSize windowSizeFor(const QSize &imageSize, const QSize &available);

    // Makes every NoteEditor preview image attachments in a lightbox; called
    // once at start-up.
    static void installAsImageViewer();

    void fitToView();
    void resetZoom();
    void zoomBy(qreal factor);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);

    QGraphicsView *m_view = nullptr;
    QGraphicsPixmapItem *m_item = nullptr;
    QLabel *m_caption = nullptr;
    bool m_fitted = false;
};
