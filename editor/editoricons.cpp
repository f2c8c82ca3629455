#include "editor/editoricons.h"

#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QTextLayout>
#include <QtMath>

QIcon paintedIcon(int size, const std::function<void(QPainter &, const QRectF &)> &draw)
{
    QPixmap pixmap(size * 2, size * 2);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        draw(painter, QRectF(0, 0, size, size));
    }
    return QIcon(pixmap);
}

static QFont glyphFont(const GlyphStyle &style)
{
    QFont font(QStringLiteral("IBM Plex Sans"));
    font.setPixelSize(style.pixelSize);
    font.setWeight(style.bold ? QFont::Bold : QFont::Medium);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setStrikeOut(style.strike);
    return font;
}

bool glyphAvailable(const QString &text, const GlyphStyle &style)
{
    QTextLayout layout(text, glyphFont(style));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty())
        return false;
    for (const QGlyphRun &run : runs) {
        // Glyph index 0 is the font's "missing glyph" box.
        if (run.glyphIndexes().contains(0))
            return false;
    }
    return true;
}

QIcon glyphIcon(const QString &text, const GlyphStyle &style, const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setFont(glyphFont(style));
        p.setPen(color);
        p.drawText(r, Qt::AlignCenter, text);
    });
}

static QPen strokePen(const QColor &color, qreal width = 1.4)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QIcon checkBoxIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const QRectF box = r.adjusted(r.width() * 0.18,
                                      r.height() * 0.18,
                                      -r.width() * 0.18,
                                      -r.height() * 0.18);
        p.drawRoundedRect(box, 2, 2);
        QPainterPath tick;
        tick.moveTo(box.left() + box.width() * 0.22, box.center().y());
        tick.lineTo(box.left() + box.width() * 0.44, box.bottom() - box.height() * 0.25);
        tick.lineTo(box.right() - box.width() * 0.2, box.top() + box.height() * 0.25);
        p.drawPath(tick);
    });
}

QIcon alignIcon(Qt::Alignment alignment, const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const qreal left = r.left() + r.width() * 0.15;
        const qreal full = r.width() * 0.7;
        const qreal widths[] = {full, full * 0.6, full, full * 0.6};
        for (int i = 0; i < 4; ++i) {
            const qreal y = r.top() + r.height() * (0.22 + i * 0.19);
            const qreal w = widths[i];
            qreal x = left;
            if (alignment & Qt::AlignHCenter)
                x = left + (full - w) / 2;
            else if (alignment & Qt::AlignRight)
                x = left + full - w;
            p.drawLine(QPointF(x, y), QPointF(x + w, y));
        }
    });
}

QIcon chainLinkIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color, 1.5));
        p.translate(r.center());
        p.rotate(-45);
        const qreal w = r.width() * 0.42;
        const qreal h = r.height() * 0.3;
        p.drawRoundedRect(QRectF(-w + w * 0.15, -h / 2, w, h), h / 2, h / 2);
        p.drawRoundedRect(QRectF(-w * 0.15, -h / 2, w, h), h / 2, h / 2);
    });
}

QIcon sidebarIcon(bool focusMode, const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const QRectF frame = r.adjusted(2, 3, -2, -3);
        p.drawRoundedRect(frame, 2, 2);
        const qreal split = frame.left() + frame.width() * 0.35;
        if (focusMode) {
            // Sidebars hidden: an arrow pointing outwards instead of the divider.
            const qreal cy = frame.center().y();
            p.drawLine(QPointF(frame.left() + 3, cy), QPointF(split + 2, cy));
            p.drawLine(QPointF(split, cy - 2), QPointF(split + 2, cy));
            p.drawLine(QPointF(split, cy + 2), QPointF(split + 2, cy));
        } else {
            p.drawLine(QPointF(split, frame.top()), QPointF(split, frame.bottom()));
        }
    });
}

QIcon notebookIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color, 1.2));
        const QRectF book = r.adjusted(r.width() * 0.2,
                                       r.height() * 0.1,
                                       -r.width() * 0.15,
                                       -r.height() * 0.1);
        p.drawRoundedRect(book, 1.5, 1.5);
        const qreal spine = book.left() + book.width() * 0.25;
        p.drawLine(QPointF(spine, book.top()), QPointF(spine, book.bottom()));
    });
}

QIcon copyIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const qreal s = r.width() * 0.5;
        p.drawRoundedRect(QRectF(r.left() + r.width() * 0.18, r.top() + r.height() * 0.18, s, s),
                          2,
                          2);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(r.left() + r.width() * 0.34, r.top() + r.height() * 0.34, s, s),
                          2,
                          2);
    });
}

QIcon shareIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const QPointF a(r.left() + r.width() * 0.72, r.top() + r.height() * 0.25);
        const QPointF b(r.left() + r.width() * 0.28, r.center().y());
        const QPointF c(r.left() + r.width() * 0.72, r.top() + r.height() * 0.75);
        p.drawLine(a, b);
        p.drawLine(b, c);
        const qreal rad = r.width() * 0.1;
        p.setBrush(color);
        for (const QPointF &pt : {a, b, c})
            p.drawEllipse(pt, rad, rad);
    });
}

QIcon historyIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        const QRectF clock = r.adjusted(r.width() * 0.18,
                                        r.height() * 0.18,
                                        -r.width() * 0.18,
                                        -r.height() * 0.18);
        // An open circle with an arrow head: going back in time.
        p.drawArc(clock, 110 * 16, 290 * 16);
        const QPointF start(clock.center().x() + clock.width() / 2 * qCos(qDegreesToRadians(110.)),
                            clock.center().y() - clock.height() / 2 * qSin(qDegreesToRadians(110.)));
        p.drawLine(start, start + QPointF(-2.5, 0.5));
        p.drawLine(start, start + QPointF(0.5, 2.5));
        const QPointF c = clock.center();
        p.drawLine(c, c + QPointF(0, -clock.height() * 0.28));
        p.drawLine(c, c + QPointF(clock.width() * 0.22, clock.height() * 0.12));
    });
}

QIcon moreIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        const qreal rad = r.width() * 0.08;
        for (int i = -1; i <= 1; ++i)
            p.drawEllipse(QPointF(r.center().x() + i * r.width() * 0.26, r.center().y()), rad, rad);
    });
}

QIcon paperclipIcon(const QColor &color, int size)
{
    return paintedIcon(size, [&](QPainter &p, const QRectF &r) {
        p.setPen(strokePen(color));
        p.setBrush(Qt::NoBrush);
        const qreal w = r.width();
        const qreal h = r.height();
        // An open clip: outer loop down the right, inner loop back up.
        QPainterPath clip;
        clip.moveTo(r.left() + w * 0.62, r.top() + h * 0.32);
        clip.lineTo(r.left() + w * 0.62, r.top() + h * 0.70);
        clip.arcTo(QRectF(r.left() + w * 0.30, r.top() + h * 0.56, w * 0.32, h * 0.30), 0, -180);
        clip.lineTo(r.left() + w * 0.30, r.top() + h * 0.24);
        clip.arcTo(QRectF(r.left() + w * 0.30, r.top() + h * 0.08, w * 0.44, h * 0.32), 180, -180);
        clip.lineTo(r.left() + w * 0.74, r.top() + h * 0.66);
        p.drawPath(clip);
    });
}
