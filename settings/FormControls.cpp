#include "FormControls.h"

#include "Twips.h"

#include <QLabel>
#include <QPushButton>

void FormControls::place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::toPixels(left, top, width, height, widget));
}

QLabel *FormControls::label(QWidget *parent, const QString &name, const QString &text, Wrap wrap)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    if (wrap == Wrap::Lines) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    return label;
}

QPushButton *FormControls::button(QWidget *parent, const QString &name, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
