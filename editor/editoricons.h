#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <functional>

class QPainter;
class QRectF;

// Icons of the editor bars are painted at run time so they follow the palette
// and stay sharp on high-density screens.

struct GlyphStyle
{
    int pixelSize = 13;
    bool bold = true;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

// A transparent pixmap of twice `size` with device pixel ratio 2, antialiased;
// `draw` paints inside the square of `size` logical pixels.
QIcon paintedIcon(int size, const std::function<void(QPainter &, const QRectF &)> &draw);

// A glyph centred in the icon square, in "IBM Plex Sans".
QIcon glyphIcon(const QString &text, const GlyphStyle &style, const QColor &color, int size = 16);

// Whether some installed font can show `text` in the glyph icon's font (the
// text layout falls back across fonts, so only a glyph no font has fails).
bool glyphAvailable(const QString &text, const GlyphStyle &style);

// Line drawings. `color` is the stroke colour.
QIcon checkBoxIcon(const QColor &color, int size = 16);
QIcon alignIcon(Qt::Alignment alignment, const QColor &color, int size = 16);
QIcon chainLinkIcon(const QColor &color, int size = 16);
QIcon sidebarIcon(bool focusMode, const QColor &color, int size = 18);
QIcon notebookIcon(const QColor &color, int size = 14);
QIcon copyIcon(const QColor &color, int size = 18);
QIcon shareIcon(const QColor &color, int size = 18);
QIcon historyIcon(const QColor &color, int size = 18);
QIcon moreIcon(const QColor &color, int size = 18);
QIcon paperclipIcon(const QColor &color, int size = 16);
