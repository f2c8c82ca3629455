#include "ui/notebooklistdelegate.h"

#include "document/appearance.h"
#include "ui/listcolors.h"
#include "ui/notebooklistwidget.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

QFont makeFont(const QString &family, int pixelSize, int weight)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Icons are drawn on a 24 x 24 design grid scaled into the 16 x 16 square.
void drawIcon(QPainter *painter, const QRectF &square, int kind, bool shared, const QColor &color)
{
    if (kind == NotebookListWidget::NewNotebookRow) {
        const QPointF c = square.center();
        const qreal half = 0.35 * std::min(square.width(), square.height());
        QPen pen(color, 1.5);
        pen.setCapStyle(Qt::RoundCap);
        painter->setPen(pen);
        painter->drawLine(QPointF(c.x() - half, c.y()), QPointF(c.x() + half, c.y()));
        painter->drawLine(QPointF(c.x(), c.y() - half), QPointF(c.x(), c.y() + half));
        return;
    }

    QPainterPath path;
    QPainterPath filled;
    if (kind == NotebookListWidget::AllNotesRow) {
        // A stack of pages.
        path.addRoundedRect(QRectF(5, 3, 14, 18), 2, 2);
        path.moveTo(8.5, 8);
        path.lineTo(15.5, 8);
        path.moveTo(8.5, 12);
        path.lineTo(15.5, 12);
        path.moveTo(8.5, 16);
        path.lineTo(13, 16);
    } else if (kind == NotebookListWidget::NotebookRow) {
        // A bound notebook.
        path.addRoundedRect(QRectF(5, 3, 14, 18), 2, 2);
        path.moveTo(8.5, 3);
        path.lineTo(8.5, 21);
        if (shared)
            filled.addEllipse(QPointF(13, 19), 3, 3);
    } else {
        // A bin with a lid.
        path.moveTo(4, 6.5);
        path.lineTo(20, 6.5);
        path.moveTo(9.5, 6.5);
        path.lineTo(10, 3.5);
        path.lineTo(14, 3.5);
        path.lineTo(14.5, 6.5);
        path.moveTo(6, 6.5);
        path.lineTo(7, 20.5);
        path.lineTo(17, 20.5);
        path.lineTo(18, 6.5);
        path.moveTo(10, 10);
        path.lineTo(10, 17);
        path.moveTo(14, 10);
        path.lineTo(14, 17);
    }
    strokeGridPath(painter, square, path, color, filled);
}

} // namespace

NotebookListDelegate::NotebookListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

NotebookListDelegate::Metrics NotebookListDelegate::metrics(int bodyPixelSize)
{
    const int b = bodyPixelSize > 0 ? bodyPixelSize : 16;
    Metrics m;
    m.labelSize = std::max(int(std::lround(b * 14 / 16.0)), 10);
    m.countSize = std::max(int(std::lround(b * 11 / 16.0)), 8);
    m.rowHeight = std::max(int(std::lround(m.labelSize * 2.2)) + 6, 36);
    return m;
}

NotebookListDelegate::Metrics NotebookListDelegate::currentMetrics()
{
    return metrics(editorBodyPixelSize());
}

void NotebookListDelegate::paint(QPainter *painter,
                                 const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const Metrics m = currentMetrics();
    const ListColors colors = listColors(option.palette);
    const QRect r = option.rect;
    const int kind = index.data(NotebookListWidget::KindRole).toInt();
    const bool isNew = kind == NotebookListWidget::NewNotebookRow;
    const bool selected = !isNew && (option.state & QStyle::State_Selected);
    const bool hovered = option.state & QStyle::State_MouseOver;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);

    if (selected) {
        painter->fillRect(r, colors.selected);
        painter->fillRect(QRect(r.left(), r.top() + 6, 2, r.height() - 12), colors.highlight);
    } else {
        painter->fillRect(r, hovered ? colors.hover : colors.base);
    }

    const int iconTop = r.top() + (r.height() - 16) / 2;
    const QColor iconColor = isNew ? colors.faint : selected ? colors.highlight : colors.secondary;
    drawIcon(painter,
             QRectF(r.left() + 20, iconTop, 16, 16),
             kind,
             index.data(NotebookListWidget::SharedRole).toBool(),
             iconColor);

    const int x = r.left() + 48;
    const int rightLimit = r.right() - 16;
    const int baseline = iconTop + 14;

    const int count = index.data(NotebookListWidget::CountRole).toInt();
    const bool showCount = !isNew && count >= 1;
    const QString countText = QString::number(count);
    const QFont countFont = makeFont(QStringLiteral("IBM Plex Mono"), m.countSize, 500);
    const qreal countAdvance = showCount ? QFontMetricsF(countFont).horizontalAdvance(countText)
                                         : 0.0;

    const QFont labelFont = makeFont(QStringLiteral("IBM Plex Sans"),
                                     m.labelSize,
                                     (selected || kind == NotebookListWidget::AllNotesRow) ? 500
                                                                                           : 400);
    qreal labelWidth = rightLimit - x;
    if (showCount)
        labelWidth -= countAdvance + 6;
    const QString label = QFontMetricsF(labelFont)
                              .elidedText(index.data(NotebookListWidget::LabelRole).toString(),
                                          Qt::ElideRight,
                                          std::max(labelWidth, 0.0));
    painter->setFont(labelFont);
    painter->setPen(isNew ? colors.faint : colors.text);
    painter->drawText(QPointF(x, baseline), label);

    if (showCount) {
        painter->setFont(countFont);
        painter->setPen(colors.faint);
        painter->drawText(QPointF(rightLimit - countAdvance, baseline), countText);
    }

    painter->restore();
}

QSize NotebookListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), currentMetrics().rowHeight);
}
