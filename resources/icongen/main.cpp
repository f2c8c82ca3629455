// Draws the application icon: a rounded indigo tile holding a note page with
// a folded corner and three text lines. Run at build time; writes one PNG.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2)
        return 2;

    const int size = 256;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient tile(0, 0, 0, size);
    tile.setColorAt(0, QColor("#5B6CF0"));
    tile.setColorAt(1, QColor("#3A46B8"));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, size - 16, size - 16), 52, 52);

    // The page, its corner folded towards the viewer.
    const QRectF page(64, 44, 128, 168);
    const qreal fold = 36;
    QPainterPath sheet;
    sheet.moveTo(page.left(), page.top());
    sheet.lineTo(page.right() - fold, page.top());
    sheet.lineTo(page.right(), page.top() + fold);
    sheet.lineTo(page.right(), page.bottom());
    sheet.lineTo(page.left(), page.bottom());
    sheet.closeSubpath();
    p.setBrush(QColor("#FFFFFF"));
    p.drawPath(sheet);

    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    corner.closeSubpath();
    p.setBrush(QColor("#C9CEF8"));
    p.drawPath(corner);

    p.setBrush(QColor("#5B6CF0"));
    const qreal widths[] = {80, 96, 60};
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(page.left() + 18, page.top() + 78 + i * 26, widths[i], 10), 5, 5);
    p.end();

    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
