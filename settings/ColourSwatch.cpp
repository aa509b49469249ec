#include "ColourSwatch.h"

#include <QPainter>
#include <QStyleOptionButton>

ColourSwatch::ColourSwatch(QWidget *parent)
    : QPushButton(parent)
{ }

void ColourSwatch::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent *event)
{
    QPushButton::paintEvent(event);

    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const QRect square = contents.adjusted(1, 1, -1, -1);
    if (!square.isValid())
        return;

    QPainter painter(this);
    painter.fillRect(square, m_colour);
    // An edge that shows on any colour, and a second one while the button has
    // the focus, since the square covers the style's own focus frame.
    const QColor edge = m_colour.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawRect(square.adjusted(0, 0, -1, -1));
    if (hasFocus() && square.width() > 4 && square.height() > 4) {
        painter.setPen(QPen(edge, 1, Qt::DotLine));
        painter.drawRect(square.adjusted(2, 2, -3, -3));
    }
}
