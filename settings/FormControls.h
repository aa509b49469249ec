#pragma once

class QLabel;
class QPushButton;
class QString;
class QWidget;

// The few ways our forms make and place their controls, so that every form
// lays out its design's twip values and labels alike.
class FormControls
{
public:
    enum class Wrap { Lines, None };

    // left, top, width, height in twips, converted for the widget's screen
    static void place(QWidget *widget, int left, int top, int width, int height);
    // Plain text at the top left; wrapped unless told otherwise.
    static QLabel *label(QWidget *parent, const QString &name, const QString &text, Wrap wrap = Wrap::Lines);
    // A button that does not take Return for itself when it has the focus.
    static QPushButton *button(QWidget *parent, const QString &name, const QString &text);
};
