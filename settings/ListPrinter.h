#pragma once

#include <QFont>
#include <QList>
#include <QPainter>
#include <QString>

class QPrinter;

// Prints lines of text one below the other on a printer, starting a new page
// when one is full, and measures text in twips (1440 to the inch) whatever the
// printer's resolution. A TAB moves on to the next half inch at least a space away.
class ListPrinter
{
public:
    static constexpr double TwipsPerInch = 1440;
    static constexpr double TabStopTwips = 720;

    explicit ListPrinter(QPrinter *printer);

    bool begin();
    // The width of the printable part of the page.
    double pageWidth() const;
    double printedWidth(const QString &text) const;
    // Prints the text as PrintWrapped breaks it.
    void printWrapped(const QString &text);
    void printLine(const QString &text);
    // Ends the document, which sends it to the printer. False when that failed.
    bool end();

private:
    struct Piece
    {
        double x; // in the printer's own units
        QString text;
    };
    // The text cut at its TABs, each piece where it starts; width: where the last one ends.
    QList<Piece> laidOut(const QString &text, double *width) const;
    double toTwips(double deviceUnits) const;

    QPrinter *m_printer;
    QPainter m_painter;
    QFont m_font;
    double m_y = 0;
};
