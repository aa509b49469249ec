#include "frmAbout.h"

#include "CustomiseFile.h"
#include "FormControls.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString PublisherText = QStringLiteral(
    "Murmurine is written and published by Murmurine. Help, news and updates are on the help page "
    "that comes with the program.");
const QString RightsText = QStringLiteral(
    "Copyright \u00A9 Murmurine. All rights reserved. This program may not be copied, sold or "
    "passed on in any form without the publisher's written permission.");

const QChar AddressSeparator(0x00AC); // "¬"

// Where the publisher's details and the logo move to when there is no distributor.
constexpr int PublisherTopClosed = 1200;
constexpr int PublisherHeightClosed = 1200;
constexpr int LogoTopClosed = 1300;
constexpr int TrademarkTopClosed = 1830;
constexpr int RightsTopClosed = 2500;
constexpr int CloseTopClosed = 3520;

template <typename Box> Box *makeBox(QWidget *parent, const QString &name)
{
    auto *box = new Box(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    return box;
}

} // namespace

frmAbout::frmAbout(const QString &applicationFolder, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Murmurine"));
    createControls();
    Form_Load(applicationFolder.isEmpty() ? QCoreApplication::applicationDirPath() : applicationFolder);
}

QString frmAbout::versionText()
{
    return QStringLiteral("Version number:   %1.%2")
        .arg(MURMURINE_VERSION_MAJOR)
        .arg(MURMURINE_VERSION_MINOR);
}

void frmAbout::createControls()
{
    fmeAbout = new QFrame(this);
    fmeAbout->setObjectName(QStringLiteral("fmeAbout"));
    fmeAbout->setFrameShape(QFrame::NoFrame);
    fmeAbout->setFixedSize(Twips::toPixels(QSize(6300, 5400), this));
    // The twip layout was drawn for an 8-point face; larger texts would not fit it.
    QFont panelFont = fmeAbout->font();
    panelFont.setPointSizeF(8);
    fmeAbout->setFont(panelFont);

    lblVersionNo = FormControls::label(fmeAbout, QStringLiteral("lblVersionNo"), QString());
    FormControls::place(lblVersionNo, 1200, 120, 4800, 255);

    Label3 = FormControls::label(fmeAbout, QStringLiteral("Label3"), QStringLiteral("in association with"));
    FormControls::place(Label3, 1200, 480, 4800, 255);
    txtCompanyName = makeBox<QLineEdit>(fmeAbout, QStringLiteral("txtCompanyName"));
    FormControls::place(txtCompanyName, 1200, 780, 4800, 315);
    txtCompanyAddress = makeBox<QPlainTextEdit>(fmeAbout, QStringLiteral("txtCompanyAddress"));
    txtCompanyAddress->setLineWrapMode(QPlainTextEdit::NoWrap);
    FormControls::place(txtCompanyAddress, 1200, 1140, 4800, 1140);
    txtCompanyTel = makeBox<QLineEdit>(fmeAbout, QStringLiteral("txtCompanyTel"));
    FormControls::place(txtCompanyTel, 1200, 2325, 4800, 315);

    Label1[0] = FormControls::label(fmeAbout, QStringLiteral("Label1_0"), PublisherText);
    FormControls::place(Label1[0], 1200, 2900, 4800, 900);
    Label1[1] = FormControls::label(fmeAbout, QStringLiteral("Label1_1"), RightsText);
    FormControls::place(Label1[1], 1200, 3900, 4800, 900);

    Image1 = new QLabel(fmeAbout);
    Image1->setObjectName(QStringLiteral("Image1"));
    QIcon logo(QStringLiteral(":/murmurine/murmurine.svg"));
    logo.addFile(QStringLiteral(":/murmurine/murmurine-48.png"));
    FormControls::place(Image1, 240, 3000, 720, 720);
    Image1->setPixmap(logo.pixmap(Image1->size()));

    lblTrademark = new QLabel(QStringLiteral("\u2122"), fmeAbout);
    lblTrademark->setObjectName(QStringLiteral("lblTrademark"));
    QFont trademarkFont(QStringLiteral("Times New Roman"));
    trademarkFont.setPointSizeF(10);
    lblTrademark->setFont(trademarkFont);
    FormControls::place(lblTrademark, 960, 3530, 240, 300);

    cmdOK = new QPushButton(QStringLiteral("&Close"), fmeAbout);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setAutoDefault(false);
    FormControls::place(cmdOK, 4500, 4920, 1500, 375);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::closeRequested);
    setFocusProxy(cmdOK);
}

void frmAbout::Form_Load(const QString &applicationFolder)
{
    lblVersionNo->setText(versionText());

    const CustomiseFile customise = CustomiseFile::load(applicationFolder);
    const QString name = customise.value(QStringLiteral("AboutName"));
    txtCompanyName->setText(name);
    if (name.isEmpty()) {
        hideDistributorBlock();
        return;
    }
    const QString address = customise.value(QStringLiteral("AboutAddress"));
    if (!address.isEmpty())
        txtCompanyAddress->setPlainText(QString(address).replace(AddressSeparator, QLatin1Char('\n')));
    txtCompanyTel->setText(customise.value(QStringLiteral("AboutTelephone")));
    txtCompanyName->setCursorPosition(0);
    txtCompanyTel->setCursorPosition(0);
}

void frmAbout::hideDistributorBlock()
{
    for (QWidget *widget : {static_cast<QWidget *>(txtCompanyName), static_cast<QWidget *>(txtCompanyAddress),
             static_cast<QWidget *>(txtCompanyTel), static_cast<QWidget *>(Label3)})
        widget->hide();
    auto moveTo
        = [this](QWidget *widget, int top) { widget->move(widget->x(), Twips::toPixelsY(top, this)); };
    moveTo(Label1[0], PublisherTopClosed);
    Label1[0]->resize(Label1[0]->width(), Twips::toPixelsY(PublisherHeightClosed, this));
    moveTo(Image1, LogoTopClosed);
    moveTo(lblTrademark, TrademarkTopClosed);
    // What stood below the block comes up with it.
    moveTo(Label1[1], RightsTopClosed);
    moveTo(cmdOK, CloseTopClosed);
}
