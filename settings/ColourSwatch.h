#pragma once

#include <QColor>
#include <QPushButton>

// A push button that shows its colour as a filled square. The colour is
// painted over the style's bevel, because several styles ignore a button's
// palette and native ones ignore background style sheets.
class ColourSwatch : public QPushButton
{
    Q_OBJECT

public:
    explicit ColourSwatch(QWidget *parent = nullptr);

    void setColour(const QColor &colour);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};
