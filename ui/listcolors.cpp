#include "ui/listcolors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPen>

ListColors listColors(const QPalette &palette)
{
    ListColors c;
    c.base = palette.color(QPalette::Active, QPalette::Base);
    c.text = palette.color(QPalette::Active, QPalette::Text);
    c.highlight = palette.color(QPalette::Active, QPalette::Highlight);
    if (c.base.lightness() >= 128) {
        c.hover = c.base.darker(103);
        c.selected = c.base.darker(108);
        c.separator = c.base.darker(112);
        c.muted = c.text.lighter(140);
        c.faint = c.text.lighter(225);
        c.secondary = c.text.lighter(175);
    } else {
        c.hover = c.base.lighter(125);
        c.selected = c.base.lighter(150);
        c.separator = c.base.lighter(155);
        c.muted = c.text.darker(118);
        c.faint = c.text.darker(170);
        c.secondary = c.text.darker(140);
    }
    return c;
}

void strokeGridPath(QPainter *painter,
                    const QRectF &square,
                    const QPainterPath &path,
                    const QColor &color,
                    const QPainterPath &filled)
{
    painter->save();
    painter->translate(square.topLeft());
    const qreal scale = square.width() / 24.0;
    painter->scale(scale, scale);
    QPen pen(color, 1.5 / scale);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    if (!filled.isEmpty()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        painter->drawPath(filled);
    }
    painter->restore();
}
