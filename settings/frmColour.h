#pragma once

#include <QDialog>
#include <QRgb>

#include <array>

class QPushButton;

// The colour picker: sixteen buttons of the classic palette and "Cancel". Its
// result is the chosen-colour value: the colour of the button pressed, -1 on
// "Cancel", and the value it was opened with when the window is simply closed.
class frmColour : public QDialog
{
    Q_OBJECT

public:
    // Row r, column c shows colour 4r + c.
    static constexpr std::array<QRgb, 16> Palette {
        qRgb(0, 0, 0),
        qRgb(0, 0, 128),
        qRgb(0, 128, 0),
        qRgb(0, 128, 128),
        qRgb(128, 0, 0),
        qRgb(128, 0, 128),
        qRgb(128, 128, 0),
        qRgb(192, 192, 192),
        qRgb(128, 128, 128),
        qRgb(0, 0, 255),
        qRgb(0, 255, 0),
        qRgb(0, 255, 255),
        qRgb(255, 0, 0),
        qRgb(255, 0, 255),
        qRgb(255, 255, 0),
        qRgb(255, 255, 255),
    };
    static constexpr int Cancelled = -1;

    // The value a colour is stored as: red in the lowest byte, then green, then blue.
    static constexpr int storedValue(QRgb rgb) { return qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16; }

    // The picker opens at a fixed offset from the top left of anchor (the
    // settings form's content panel), or where the window system puts it.
    frmColour(int chosenColour, QWidget *anchor = nullptr);

    int chosenColour() const { return m_chosenColour; }

    // Shows the picker modally and returns the new chosen-colour value.
    static int chooseColour(QWidget *anchor, int chosenColour);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void cmdColour_Click(int index);
    void CancelButton_Click();

    int m_chosenColour;
    QPushButton *CancelButton = nullptr;
};
