#pragma once

#include <QColor>
#include <QSizeF>
#include <QString>

class QPainter;
class QRectF;

// The rounded "chip" in which objects of the note text that are not shown
// as pictures appear: an icon, two spaces and a label.

// Width: the label's advance in the application font + 48, at least
// `minimumWidth`; height 36.
QSizeF chipSize(const QString &label, qreal minimumWidth);
// Draws the chip into `rect` less 2 pixels at the bottom, in the colours of
// the current theme.
void paintChip(QPainter *painter, const QRectF &rect, const QString &icon, const QString &label);

QColor chipFillColor();
QColor chipBorderColor();
QColor chipTextColor();
