#include "ListRowDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QToolTip>

namespace {

const QChar Tab = QLatin1Char('\t');

QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

} // namespace

ListRowDelegate::ListRowDelegate(const QLabel *heading, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_heading(heading)
{ }

int ListRowDelegate::headingColumn(bool secondHalf) const
{
    const QString text = m_heading->text();
    qsizetype start = secondHalf ? text.indexOf(QLatin1Char('|')) + 1 : 0;
    if (secondHalf && start == 0)
        return -1;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    return m_heading->contentsRect().left() + m_heading->margin()
        + QFontMetrics(m_heading->font()).horizontalAdvance(text.left(start));
}

ListRowDelegate::Columns ListRowDelegate::columns(const QStyleOptionViewItem &option) const
{
    const int margin = styleOf(option)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect inner = option.rect.adjusted(margin, 0, -margin, 0);
    const auto *view = qobject_cast<const QAbstractItemView *>(option.widget);
    const int second = headingColumn(true);
    if (!view || second < 0)
        return {inner, QRect()};
    // The row's place in the viewport, against the heading's on the same panel.
    const int offset
        = m_heading->mapToGlobal(QPoint(0, 0)).x() - view->viewport()->mapToGlobal(QPoint(0, 0)).x();
    const int markLeft = qBound(inner.left(), offset + headingColumn(false), inner.right());
    const int textLeft = qBound(markLeft, offset + second, inner.right());
    return {QRect(QPoint(markLeft, inner.top()), QPoint(textLeft - 1, inner.bottom())),
        QRect(QPoint(textLeft, inner.top()), inner.bottomRight())};
}

void ListRowDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem row(option);
    initStyleOption(&row, index);
    const qsizetype tab = row.text.indexOf(Tab);
    if (tab < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QString mark = row.text.left(tab);
    const QString text = row.text.mid(tab + 1);
    // The style draws the row's background, selection and focus; the text goes in two columns.
    row.text.clear();
    styleOf(row)->drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);

    const QPalette::ColorGroup group = !(row.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (row.state & QStyle::State_Active)                                ? QPalette::Normal
                                                                            : QPalette::Inactive;
    const Columns place = columns(row);
    painter->save();
    painter->setFont(row.font);
    painter->setPen(row.palette.color(
        group, (row.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->drawText(place.mark, flags, mark);
    painter->drawText(
        place.text, flags, row.fontMetrics.elidedText(text, row.textElideMode, place.text.width()));
    painter->restore();
}

QSize ListRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // As high as a row of text and no wider than its mark: a list row takes the
    // view's width anyway, and a long text is cut to it rather than scrolled.
    QStyleOptionViewItem row(option);
    initStyleOption(&row, index);
    row.text = row.text.section(Tab, 0, 0);
    return styleOf(row)->sizeFromContents(QStyle::CT_ItemViewItem, &row, QSize(), row.widget);
}

bool ListRowDelegate::helpEvent(
    QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() == QEvent::ToolTip && index.isValid()) {
        QStyleOptionViewItem row(option);
        initStyleOption(&row, index);
        const qsizetype tab = row.text.indexOf(Tab);
        const QString text = row.text.mid(tab + 1);
        if (tab >= 0 && row.fontMetrics.horizontalAdvance(text) > columns(row).text.width()) {
            // As rich text, so that a long message wraps, and shown as typed whatever it holds.
            QToolTip::showText(event->globalPos(), Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal),
                view->viewport(), option.rect);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
