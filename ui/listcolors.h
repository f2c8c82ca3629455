#pragma once

#include <QColor>

class QPainter;
class QPainterPath;
class QPalette;
class QRectF;

// Row colours shared by the note list and the notebook sidebar, derived from
// the palette so that both follow the light and dark themes.
struct ListColors
{
    QColor base;
    QColor text;
    QColor highlight;
    QColor hover;
    QColor selected;
    QColor separator;
    QColor muted;
    QColor faint;
    QColor secondary;
};

ListColors listColors(const QPalette &palette);

// Strokes a glyph drawn in a 24 x 24 design grid into `square` with a
// 1.5-pixel pen (round caps and joins); `filled` parts are filled instead.
void strokeGridPath(QPainter *painter,
                    const QRectF &square,
                    const QPainterPath &path,
                    const QColor &color,
                    const QPainterPath &filled);
