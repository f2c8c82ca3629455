#include "ui/imagelightbox.h"

#include "editor/noteeditor.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>

ImageLightbox::ImageLightbox(const QImage &image, const QString &caption, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Image"));
    setModal(true);
    setStyleSheet(QStringLiteral("QDialog { background-color: #0a0a0a; }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    const QPixmap pixmap = QPixmap::fromImage(image);
    auto *scene = new QGraphicsScene(this);
    m_item = scene->addPixmap(pixmap);
    m_item->setTransformationMode(Qt::SmoothTransformation);
    scene->setSceneRect(pixmap.rect());

    m_view = new QGraphicsView(scene, this);
    m_view->setRenderHint(QPainter::Antialiasing, true);
    m_view->setRenderHint(QPainter::SmoothPixmapTransform, true);
    m_view->setDragMode(QGraphicsView::ScrollHandDrag);
    m_view->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    m_view->setResizeAnchor(QGraphicsView::AnchorUnderMouse);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setBackgroundBrush(QColor(0x0a, 0x0a, 0x0a));
    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    layout->addWidget(m_view, 1);

    if (!caption.isEmpty()) {
        m_caption = new QLabel(caption, this);
        m_caption->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        m_caption->setStyleSheet(QStringLiteral("QLabel { color: #cccccc; background-color: "
                                                "#0a0a0a; padding: 8px; font-size: 12px; }"));
        layout->addWidget(m_caption);
    }

    QSize available(1280, 800);
    if (QScreen *screen = parent ? parent->screen() : this->screen())
        available = screen->availableGeometry().size();
    resize(windowSizeFor(image.size(), available));
}

QSize ImageLightbox::windowSizeFor(const QSize &imageSize, const QSize &available)
{
    int w = qMin(imageSize.width(), available.width() * 3 / 4);
    int h = qMin(imageSize.height(), available.height() * 3 / 4);
    return QSize(qMax(w, 480), qMax(h, 360));
}

void ImageLightbox::installAsImageViewer()
{
    NoteEditor::setImageViewerFactory(
        [](const QImage &image, const QString &caption, QWidget *parent) -> QDialog * {
            return new ImageLightbox(image, caption, parent);
        });
}

void ImageLightbox::fitToView()
{
    m_view->resetTransform();
    m_view->fitInView(m_item, Qt::KeepAspectRatio);
}

void ImageLightbox::resetZoom()
{
    m_view->resetTransform();
}

void ImageLightbox::zoomBy(qreal factor)
{
    m_view->scale(factor, factor);
}

void ImageLightbox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_fitted) {
        m_fitted = true;
        fitToView();
    }
}

bool ImageLightbox::handleKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(1.25);
        return true;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        zoomBy(0.8);
        return true;
    case Qt::Key_0:
        fitToView();
        return true;
    case Qt::Key_1:
        resetZoom();
        return true;
    case Qt::Key_Escape:
        reject();
        return true;
    default:
        return false;
    }
}

void ImageLightbox::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

bool ImageLightbox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int dy = wheel->angleDelta().y();
        if (dy != 0) {
            zoomBy(dy > 0 ? 1.15 : 1.0 / 1.15);
            return true;
        }
    } else if (watched == m_view && event->type() == QEvent::KeyPress) {
        // The view would scroll with some of these keys; zooming comes first.
        if (handleKey(static_cast<QKeyEvent *>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
