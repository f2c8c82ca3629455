#pragma once

#include <QStyledItemDelegate>

// Paints the rows of the notebook sidebar: icon, label and note count.
class NotebookListDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    struct Metrics
    {
        int labelSize = 0;
        int countSize = 0;
        int rowHeight = 0;
    };

    explicit NotebookListDelegate(QObject *parent = nullptr);

    // bodyPixelSize below 1 counts as 16.
    static Metrics metrics(int bodyPixelSize);
    static Metrics currentMetrics();

    void paint(QPainter *painter,
               const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
