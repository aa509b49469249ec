#pragma once

#include <QStyledItemDelegate>

class QLabel;

// Draws a list row as two columns under the two halves of the list's heading:
// the mark under the first, the name or message from where the second begins,
// which is what the row's TAB stands for. A text cut short to fit its row shows
// whole in the row's tooltip.
class ListRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ListRowDelegate(const QLabel *heading, QObject *parent);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
        const QModelIndex &index) override;

private:
    struct Columns
    {
        QRect mark;
        QRect text;
    };
    Columns columns(const QStyleOptionViewItem &option) const;
    // Where each half of the heading's text starts, in the heading's own coordinates.
    int headingColumn(bool secondHalf) const;

    const QLabel *m_heading;
};
