#pragma once

#include <QFont>
#include <QStyledItemDelegate>

// Paints one note of the note list as a card: title, preview, relative date,
// notebook name and the shared and sync badges.
class NoteListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Pixel sizes and row height derived from the editor body size.
    struct Metrics
    {
        int titleSize = 0;
        int previewSize = 0;
        int dateSize = 0;
        int notebookSize = 0;
        int rowHeight = 0;
    };

    explicit NoteListDelegate(QObject *parent = nullptr);

    // bodyPixelSize below 1 counts as 16.
    static Metrics metrics(int bodyPixelSize);
    static Metrics currentMetrics();

    static QFont titleFont(const Metrics &m, bool untitled);
    static QFont previewFont(const Metrics &m);
    static QFont dateFont(const Metrics &m);
    static QFont notebookFont(const Metrics &m);

    void paint(QPainter *painter,
               const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
