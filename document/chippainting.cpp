#include "document/chippainting.h"

#include "document/appearance.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QRectF>

QColor chipFillColor()
{
    return QColor(isDarkTheme() ? 0x2A2D31 : 0xECEEF1);
}

QColor chipBorderColor()
{
    return QColor(isDarkTheme() ? 0x3A3A3A : 0xE0E0E0);
}

QColor chipTextColor()
{
    return QColor(isDarkTheme() ? 0xC4C6CF : 0x44474E);
}

QSizeF chipSize(const QString &label, qreal minimumWidth)
{
    const qreal advance = QFontMetricsF(QGuiApplication::font()).horizontalAdvance(label);
    return QSizeF(qMax(advance + 48, minimumWidth), 36);
}

void paintChip(QPainter *painter, const QRectF &rect, const QString &icon, const QString &label)
{
    const QRectF chip = rect.adjusted(0, 0, 0, -2);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(chipBorderColor(), 1));
    painter->setBrush(chipFillColor());
    painter->drawRoundedRect(chip, 6, 6);
    painter->setFont(QGuiApplication::font());
    painter->setPen(chipTextColor());
    painter->drawText(chip.adjusted(12, 0, -12, 0),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      icon + QStringLiteral("  ") + label);
}
