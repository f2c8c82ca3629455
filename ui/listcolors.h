#pragma once

#include <QColor>

class QPalette;

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
