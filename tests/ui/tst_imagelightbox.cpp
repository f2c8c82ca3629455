#include "ui/imagelightbox.h"

#include "editor/noteeditor.h"

#include <QGraphicsView>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

static QImage filledImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

static qreal scaleOf(const ImageLightbox &box)
{
    return box.view()->transform().m11();
}

static void sendWheel(QWidget *viewport, int deltaY)
{
    const QPointF centre(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent wheel(centre,
                      viewport->mapToGlobal(centre),
                      QPoint(),
                      QPoint(0, deltaY),
                      Qt::NoButton,
                      Qt::NoModifier,
                      Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(viewport, &wheel);
}

class TestImageLightbox : public QObject
{
    Q_OBJECT

private slots:
    void windowSize_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("available");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("tiny") << QSize(100, 50) << QSize(1920, 1080) << QSize(480, 360);
        QTest::newRow("medium") << QSize(800, 600) << QSize(1920, 1080) << QSize(800, 600);
        QTest::newRow("huge") << QSize(6000, 4000) << QSize(1920, 1080) << QSize(1440, 810);
        QTest::newRow("tall") << QSize(300, 5000) << QSize(1920, 1080) << QSize(480, 810);
    }

    void windowSize()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, available);
        QFETCH(QSize, expected);
        QCOMPARE(ImageLightbox::windowSizeFor(image, available), expected);
    }

    void editorsUseTheLightbox()
    {
        ImageLightbox::installAsImageViewer();
        // The factory is what the editor calls for an image attachment.
        struct Probe : NoteEditor
        {
            bool preview(const QImage &image)
            {
                return showImagePreview(image, QStringLiteral("c"));
            }
        };
        Probe probe;
        QVERIFY(probe.preview(filledImage(10, 10)));
        auto *box = probe.findChild<ImageLightbox *>();
        QVERIFY(box);
        QVERIFY(box->isVisible());
        QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(box->captionLabel()->text(), QStringLiteral("c"));
        box->close();
    }

    void lookAndCaption()
    {
        ImageLightbox box(filledImage(100, 80), QStringLiteral("photo.png"));
        QCOMPARE(box.windowTitle(), QStringLiteral("Image"));
        QVERIFY(box.isModal());
        QCOMPARE(box.styleSheet(), QStringLiteral("QDialog { background-color: #0a0a0a; }"));
        QVERIFY(box.captionLabel());
        QCOMPARE(box.captionLabel()->text(), QStringLiteral("photo.png"));
        QCOMPARE(box.captionLabel()->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(box.view()->dragMode(), QGraphicsView::ScrollHandDrag);
        QCOMPARE(box.view()->transformationAnchor(), QGraphicsView::AnchorUnderMouse);
        QCOMPARE(box.size(), QSize(480, 360));

        ImageLightbox bare(filledImage(100, 80), QString());
        QVERIFY(!bare.captionLabel());
        QVERIFY(bare.findChildren<QLabel *>().isEmpty());
    }

    void hugeImageOpensFitted()
    {
        const QImage image = filledImage(5000, 4000);
        ImageLightbox box(image, QStringLiteral("big"));
        const QSize available = box.screen()->availableGeometry().size();
        QCOMPARE(box.size(), ImageLightbox::windowSizeFor(image.size(), available));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const qreal fitted = scaleOf(box);
        QVERIFY(fitted < 1.0);
        const QRectF shown = box.view()->mapFromScene(box.view()->sceneRect()).boundingRect();
        QVERIFY(shown.width() <= box.view()->viewport()->width() + 1);
        QVERIFY(shown.height() <= box.view()->viewport()->height() + 1);
        // Fitting keeps the aspect ratio.
        QCOMPARE(box.view()->transform().m11(), box.view()->transform().m22());
    }

    void zoomKeysAndWheel()
    {
        ImageLightbox box(filledImage(2000, 1500), QString());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const qreal fitted = scaleOf(box);

        QTest::keyClick(box.view(), Qt::Key_Plus);
        QVERIFY(qFuzzyCompare(scaleOf(box), fitted * 1.25));
        QTest::keyClick(box.view(), Qt::Key_Minus);
        QVERIFY(qFuzzyCompare(scaleOf(box), fitted));
        QTest::keyClick(box.view(), Qt::Key_Equal);
        QTest::keyClick(box.view(), Qt::Key_1);
        QVERIFY(qFuzzyCompare(scaleOf(box), 1.0));
        QTest::keyClick(box.view(), Qt::Key_0);
        // Fitted again; scroll bars coming and going may move it a little.
        QVERIFY(qAbs(scaleOf(box) - fitted) < fitted * 0.05);
        const QRectF shown = box.view()->mapFromScene(box.view()->sceneRect()).boundingRect();
        QVERIFY(shown.width() <= box.view()->viewport()->width() + 1);
        QVERIFY(shown.height() <= box.view()->viewport()->height() + 1);

        const qreal refitted = scaleOf(box);
        sendWheel(box.view()->viewport(), 120);
        QVERIFY(qFuzzyCompare(scaleOf(box), refitted * 1.15));
        sendWheel(box.view()->viewport(), -120);
        QVERIFY(qFuzzyCompare(scaleOf(box), refitted));
        sendWheel(box.view()->viewport(), 0);
        QVERIFY(qFuzzyCompare(scaleOf(box), refitted));

        QTest::keyClick(box.view(), Qt::Key_Escape);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(TestImageLightbox)
#include "tst_imagelightbox.moc"
