#include "frmColour.h"

#include "ColourSwatch.h"
#include "Twips.h"

#include <QKeyEvent>
#include <QLabel>

frmColour::frmColour(int chosenColour, QWidget *anchor)
    : QDialog(anchor)
    , m_chosenColour(chosenColour)
{
    setObjectName(QStringLiteral("frmColour"));
    setWindowTitle(QStringLiteral("Please select a colour"));
    setModal(true);
    setFixedSize(Twips::toPixels(QSize(4215, 3300), this));
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    auto *lblExplain = new QLabel(QStringLiteral("Please select a colour to use from the selection below. "
                                                 "Press the colour to select it."),
        this);
    lblExplain->setObjectName(QStringLiteral("lblExplain"));
    lblExplain->setWordWrap(true);
    lblExplain->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblExplain->setGeometry(Twips::toPixels(240, 120, 3735, 555, this));

    const int lefts[] = {240, 840, 1440, 2040};
    const int tops[] = {720, 1320, 1920, 2520};
    for (int i = 0; i < int(Palette.size()); ++i) {
        auto *button = new ColourSwatch(this);
        button->setObjectName(QStringLiteral("cmdColour_%1").arg(i));
        button->setAutoDefault(false);
        button->setColour(QColor(Palette[i]));
        button->setGeometry(Twips::toPixels(lefts[i % 4], tops[i / 4], 500, 500, this));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdColour_Click(i); });
    }

    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    CancelButton->setGeometry(Twips::toPixels(2760, 2645, 1215, 375, this));
    connect(CancelButton, &QPushButton::clicked, this, &frmColour::CancelButton_Click);

    if (anchor)
        move(anchor->mapToGlobal(QPoint(0, 0)) + Twips::toPixels(QPoint(3500, 1800), this));
}

int frmColour::chooseColour(QWidget *anchor, int chosenColour)
{
    frmColour picker(chosenColour, anchor);
    picker.exec();
    return picker.chosenColour();
}

void frmColour::keyPressEvent(QKeyEvent *event)
{
    // Escape means "Cancel" here; closing the window by other means keeps the value.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmColour::cmdColour_Click(int index)
{
    m_chosenColour = storedValue(Palette[index]);
    accept();
}

void frmColour::CancelButton_Click()
{
    m_chosenColour = Cancelled;
    reject();
}
