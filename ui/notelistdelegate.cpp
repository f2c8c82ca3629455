#include "ui/notelistdelegate.h"

#include "document/appearance.h"
#include "ui/listcolors.h"
#include "ui/notelistwidget.h"
#include "ui/relativetime.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor conflictColor(224, 122, 107);
const QChar untitledDash(0x2E3A);

int roundedScale(int base, int numerator)
{
    return int(std::lround(double(base) * numerator / 16.0));
}

QFont makeFont(const QString &family, int pixelSize, int weight, bool italic = false)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setItalic(italic);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Badge glyphs are drawn on a 24 x 24 design grid scaled into the badge square.
void drawBadge(QPainter *painter, const QRectF &square, int kind, const QColor &color)
{
    QPainterPath path;
    if (kind == 0) {
        // Shared: two heads and shoulders.
        path.addEllipse(QPointF(9, 8), 3.5, 3.5);
        path.moveTo(2.5, 20);
        path.cubicTo(2.5, 15, 5.5, 13, 9, 13);
        path.cubicTo(12.5, 13, 15.5, 15, 15.5, 20);
        path.addEllipse(QPointF(17, 7), 3, 3);
        path.moveTo(17, 12.5);
        path.cubicTo(19.5, 12.5, 21.5, 14.5, 21.5, 18.5);
    } else if (kind == 1) {
        // Pending: a clock face.
        path.addEllipse(QPointF(12, 12), 9, 9);
        path.moveTo(12, 7);
        path.lineTo(12, 12);
        path.lineTo(15.5, 14);
    } else {
        // Conflict: a warning triangle with an exclamation mark.
        path.moveTo(12, 3);
        path.lineTo(21.5, 20);
        path.lineTo(2.5, 20);
        path.closeSubpath();
        path.moveTo(12, 9);
        path.lineTo(12, 14);
        path.moveTo(12, 16.5);
        path.lineTo(12, 17);
    }
    strokeGridPath(painter, square, path, color, QPainterPath());
}

} // namespace

NoteListDelegate::NoteListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{}

NoteListDelegate::Metrics NoteListDelegate::metrics(int bodyPixelSize)
{
    const int b = bodyPixelSize > 0 ? bodyPixelSize : 16;
    Metrics m;
    m.titleSize = std::max(roundedScale(b, 15), 10);
    m.previewSize = std::max(roundedScale(b, 13), 9);
    m.dateSize = std::max(roundedScale(b, 11), 8);
    m.notebookSize = std::max(roundedScale(b, 12), 9);
    m.rowHeight = std::max(int(std::lround(m.titleSize * 1.3))
                               + int(std::lround(m.previewSize * 1.3))
                               + int(std::lround(m.dateSize * 1.2)) + 41,
                           72);
    return m;
}

NoteListDelegate::Metrics NoteListDelegate::currentMetrics()
{
    return metrics(editorBodyPixelSize());
}

QFont NoteListDelegate::titleFont(const Metrics &m, bool untitled)
{
    if (untitled)
        return makeFont(QStringLiteral("IBM Plex Sans"), m.titleSize, 500, true);
    return makeFont(QStringLiteral("IBM Plex Sans"), m.titleSize, 600);
}

QFont NoteListDelegate::previewFont(const Metrics &m)
{
    return makeFont(QStringLiteral("IBM Plex Sans"), m.previewSize, 400);
}

QFont NoteListDelegate::dateFont(const Metrics &m)
{
    QFont font = makeFont(QStringLiteral("IBM Plex Mono"), m.dateSize, 500);
    font.setCapitalization(QFont::AllUppercase);
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    return font;
}

QFont NoteListDelegate::notebookFont(const Metrics &m)
{
    return makeFont(QStringLiteral("IBM Plex Sans"), m.notebookSize, 400);
}

void NoteListDelegate::paint(QPainter *painter,
                             const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    const Metrics m = currentMetrics();
    const ListColors colors = listColors(option.palette);
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);

    painter->fillRect(r, selected ? colors.selected : hovered ? colors.hover : colors.base);

    QPen separatorPen(colors.separator, 1, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
    painter->setPen(separatorPen);
    painter->drawLine(QPointF(r.left(), r.bottom()), QPointF(r.right(), r.bottom()));

    if (selected)
        painter->fillRect(QRect(r.left(), r.top() + 16, 2, r.height() - 32), colors.highlight);

    QList<int> badges;
    if (index.data(NoteListWidget::SharedRole).toBool())
        badges.append(0);
    const int syncStatus = index.data(NoteListWidget::SyncStatusRole).toInt();
    if (syncStatus == 0)
        badges.append(1);
    else if (syncStatus == 2)
        badges.append(2);
    const int badgeArea = badges.isEmpty() ? 0 : int(badges.size()) * 22 + 4;

    const int left = r.left() + 28;
    const int right = r.right() - 24;
    const int titleWidth = right - left - badgeArea;

    const bool untitled = index.data(NoteListWidget::UntitledRole).toBool();
    const QFont tFont = titleFont(m, untitled);
    const QFontMetricsF tMetrics(tFont);
    QString title = index.data(NoteListWidget::TitleRole).toString();
    if (untitled && !title.startsWith(untitledDash))
        title.prepend(QString(untitledDash) + QLatin1Char(' '));
    if (title.isEmpty())
        title = tr("Untitled");
    painter->setFont(tFont);
    painter->setPen(untitled ? colors.muted : colors.text);
    painter->drawText(QPointF(left, r.top() + 16 + int(tMetrics.ascent())),
                      tMetrics.elidedText(title, Qt::ElideRight, std::max(titleWidth, 0)));

    const int badgeY = r.top() + 16 + int((tMetrics.ascent() - 14) / 2 + 2);
    int badgeX = right - int(badges.size()) * 22 + 8;
    for (int kind : badges) {
        const QColor color = kind == 0   ? colors.highlight
                             : kind == 1 ? colors.secondary
                                         : conflictColor;
        drawBadge(painter, QRectF(badgeX, badgeY, 14, 14), kind, color);
        badgeX += 22;
    }

    const QFont pFont = previewFont(m);
    const QFontMetricsF pMetrics(pFont);
    const QString preview = index.data(NoteListWidget::PreviewRole).toString();
    if (!preview.isEmpty()) {
        painter->setFont(pFont);
        painter->setPen(colors.secondary);
        painter->drawText(QPointF(left,
                                  r.top() + 21 + int(tMetrics.height()) + int(pMetrics.ascent())),
                          pMetrics.elidedText(preview, Qt::ElideRight, std::max(right - left, 0)));
    }

    const QFont dFont = dateFont(m);
    const QFontMetricsF dMetrics(dFont);
    const int dateTop = r.top() + 21 + int(tMetrics.height()) + int(pMetrics.height()) + 4;
    const int baseline = dateTop + int(dMetrics.ascent());
    const QString date = formatRelativeTime(index.data(NoteListWidget::UpdatedRole).toDateTime());
    painter->setFont(dFont);
    painter->setPen(colors.faint);
    painter->drawText(QPointF(left, baseline), date);

    const QString notebook = index.data(NoteListWidget::NotebookNameRole).toString();
    if (!notebook.isEmpty()) {
        const int x = left + int(dMetrics.horizontalAdvance(date)) + 10;
        const QFont nFont = notebookFont(m);
        const QFontMetricsF nMetrics(nFont);
        painter->setFont(nFont);
        painter->drawText(QPointF(x, baseline),
                          QStringLiteral("· ")
                              + nMetrics.elidedText(notebook,
                                                    Qt::ElideRight,
                                                    std::max(right - x - 20, 0)));
    }

    painter->restore();
}

QSize NoteListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), currentMetrics().rowHeight);
}
