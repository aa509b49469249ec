#include "ListPrinter.h"

#include "PrintWrapped.h"

#include <QFontMetricsF>
#include <QPrinter>
#include <cmath>

ListPrinter::ListPrinter(QPrinter *printer)
    : m_printer(printer)
    , m_font(QStringLiteral("Sans Serif"), 10)
{ }

bool ListPrinter::begin()
{
    if (!m_painter.begin(m_printer))
        return false;
    m_painter.setFont(m_font);
    m_y = 0;
    return true;
}

double ListPrinter::toTwips(double deviceUnits) const
{
    return deviceUnits * TwipsPerInch / m_printer->logicalDpiX();
}

double ListPrinter::pageWidth() const
{
    return toTwips(m_printer->width());
}

QList<ListPrinter::Piece> ListPrinter::laidOut(const QString &text, double *width) const
{
    const QFontMetricsF metrics(m_painter.font(), m_printer);
    const double tab = TabStopTwips * m_printer->logicalDpiX() / TwipsPerInch;
    // A piece that ends just short of a stop is still kept apart from the next.
    const double gap = metrics.horizontalAdvance(QLatin1Char(' '));
    QList<Piece> pieces;
    double x = 0;
    const QStringList texts = text.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            x = (std::floor((x + gap) / tab) + 1) * tab;
        pieces.append({x, texts.at(i)});
        x += metrics.horizontalAdvance(texts.at(i));
    }
    *width = x;
    return pieces;
}

double ListPrinter::printedWidth(const QString &text) const
{
    double width = 0;
    laidOut(text, &width);
    return toTwips(width);
}

void ListPrinter::printWrapped(const QString &text)
{
    const PrintedWidth width = [this](const QString &piece) { return printedWidth(piece); };
    for (const QString &line : PrintWrapped(text, pageWidth(), width))
        printLine(line);
}

void ListPrinter::printLine(const QString &text)
{
    const QFontMetricsF metrics(m_painter.font(), m_printer);
    if (m_y > 0 && m_y + metrics.lineSpacing() > m_printer->height()) {
        m_printer->newPage();
        m_y = 0;
    }
    double width = 0;
    for (const Piece &piece : laidOut(text, &width))
        m_painter.drawText(QPointF(piece.x, m_y + metrics.ascent()), piece.text);
    m_y += metrics.lineSpacing();
}

bool ListPrinter::end()
{
    return m_painter.end() && m_printer->printerState() != QPrinter::Error;
}
