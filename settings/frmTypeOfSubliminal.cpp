#include "frmTypeOfSubliminal.h"

#include "Dialogs.h"
#include "FileDialogs.h"
#include "ListRows.h"
#include "Twips.h"
#include "frmMessageSetup.h"

#include <QImageReader>
#include <QLabel>
#include <QPushButton>

namespace {

const QString LastMessageCaption = QStringLiteral("Last message/file to add was:");

} // namespace

frmTypeOfSubliminal::frmTypeOfSubliminal(frmMessageSetup *manager)
    : QDialog(manager)
    , m_manager(manager)
{
    setObjectName(QStringLiteral("frmTypeOfSubliminal"));
    setWindowTitle(QStringLiteral("What type of subliminal would you like to add?"));
    setModal(true);

    auto *fmeMain = new QWidget(this);
    fmeMain->setObjectName(QStringLiteral("fmeMain"));
    fmeMain->setFixedSize(Twips::toPixels(QSize(5895, 4095), this));
    setFixedSize(fmeMain->size());
    QFont font = fmeMain->font();
    font.setPointSize(8);
    fmeMain->setFont(font);

    const QString captions[] = {QStringLiteral("Add a &simple message"), QStringLiteral("Add a &picture"),
        QStringLiteral("Add a &text file")};
    const int tops[] = {360, 1200, 2040};
    QWidget *previous = nullptr;
    for (int i = 0; i < 3; ++i) {
        auto *button = new QPushButton(captions[i], fmeMain);
        button->setObjectName(QStringLiteral("cmdSubliminalType_%1").arg(i));
        button->setAutoDefault(false);
        button->setGeometry(Twips::toPixels(360, tops[i], 2505, 600, this));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdSubliminalType_Click(i); });
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }

    auto *cmdCancel = new QPushButton(QStringLiteral("&OK / Close"), fmeMain);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdCancel->setGeometry(Twips::toPixels(3840, 1200, 1800, 600, this));
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(previous, cmdCancel);

    auto *lblExplain
        = new QLabel(QStringLiteral("NOTE that your messages will be added to the BOTTOM of the list. "
                                    "You may need to scroll down the list to see them."),
            fmeMain);
    lblExplain->setObjectName(QStringLiteral("lblExplain"));
    lblExplain->setWordWrap(true);
    lblExplain->setGeometry(Twips::toPixels(3120, 1920, 2520, 1080, this));

    lblLastMessage = new QLabel(LastMessageCaption, fmeMain);
    lblLastMessage->setObjectName(QStringLiteral("lblLastMessage"));
    lblLastMessage->setTextFormat(Qt::PlainText);
    lblLastMessage->setWordWrap(true);
    lblLastMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblLastMessage->setGeometry(Twips::toPixels(360, 3120, 5175, 615, this));

    const QPoint offset = Twips::toPixels(QPoint(2000, 2000), this);
    move(manager->contentPanel()->mapToGlobal(QPoint(0, 0)) + offset);
}

QString frmTypeOfSubliminal::pictureFilter()
{
    QStringList kinds = {QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("ico"), QStringLiteral("wmf"), QStringLiteral("png")};
    if (QImageReader::supportedImageFormats().contains("svg"))
        kinds.append(QStringLiteral("svg"));
    QStringList all = {QStringLiteral("*.bmp"), QStringLiteral("*.ico"), QStringLiteral("*.gif"),
        QStringLiteral("*.jpg"), QStringLiteral("*.wmf"), QStringLiteral("*.png")};
    if (kinds.contains(QStringLiteral("svg")))
        all.append(QStringLiteral("*.svg"));
    QString filter = QStringLiteral("All picture files|") + all.join(QLatin1Char(';'));
    for (const QString &kind : kinds)
        filter += QStringLiteral("|*.%1|*.%1").arg(kind);
    return filter;
}

void frmTypeOfSubliminal::cmdSubliminalType_Click(int index)
{
    QString entry;
    QString path;
    switch (index) {
    case 0: {
        if (ListRows::isFileEntry(m_manager->rememberedMessage()))
            m_manager->setRememberedMessage(QString());
        const std::optional<QString> answer = Dialogs::input(this,
            QStringLiteral("Please add a new message to be displayed (max 300 characters)"),
            QStringLiteral("Add new message"), m_manager->rememberedMessage());
        if (answer)
            entry = ListRows::messageText(*answer);
        break;
    }
    case 1:
        path = FileDialogs::ShowOpenDialog(
            this, pictureFilter(), QStringLiteral("Select the picture file to use"), QString());
        if (!path.isEmpty())
            entry = ListRows::PictureTag + path;
        break;
    case 2:
        path = FileDialogs::ShowOpenDialog(this, QStringLiteral("Text Files (*.txt)|*.txt"),
            QStringLiteral("Select the text file to use"), QString());
        if (!path.isEmpty())
            entry = ListRows::TextFileTag + path;
        break;
    }
    if (entry.isEmpty())
        return;
    // A file name may hold a line break, which a data-file value cannot.
    if (!path.isEmpty() && ListRows::singleLine(path) != path) {
        Dialogs::message(this,
            QStringLiteral("The name of the chosen file contains a line break or another control "
                           "character, so it cannot be stored. Please rename the file or choose "
                           "another one."),
            QString(), Dialogs::Icon::Warning);
        return;
    }
    if (m_manager->AddMessage(entry))
        lblLastMessage->setText(LastMessageCaption + QLatin1Char('\n') + entry);
}
