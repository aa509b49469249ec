#include "frmMain.h"

#include "DataFolder.h"
#include "Dialogs.h"
#include "FormControls.h"
#include "IniProcedures.h"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "MDIForm1.h"
#include "ShippedFile.h"
#include "SingleInstance.h"
#include "TimeStamp.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace {

const QString HelpPageFile = QStringLiteral("help/index.html");

const QString StartCaption = QStringLiteral("&Start Messages");
const QString StopCaption = QStringLiteral("&Stop Messages");

const QString LaunchFailedText
    = QStringLiteral("Could not start the subliminal messenger, please try again.");
const QString StoppedText
    = QStringLiteral("Please wait a few seconds before pressing this button again so that "
                     "Murmurine can re-set itself. Thank you.");
const QString HelpAnnouncementText
    = QStringLiteral("The Murmurine help page will now be opened in your web browser.");

const QString InstanceLockName = QStringLiteral("murmurine-settings");
const QString MessengerExecutable = QStringLiteral("murmurine");

void writeSetting(const QString &key, const QString &value, const QString &store = SettingsFileName)
{
    WriteIniFile(SettingsSection, key, value, store);
}

} // namespace

const QString frmMain::LinkApplication = QStringLiteral("Murmurine Settings");
const QString frmMain::LinkTopic = QStringLiteral("Form1");
const QString frmMain::LinkItem = QStringLiteral("Text1");
const QString frmMain::ActivateItem = QStringLiteral("Activate");

frmMain::frmMain(MDIForm1 *frame, QWidget *parent)
    : QWidget(parent)
    , m_frame(frame)
    , m_applicationFolder(QCoreApplication::applicationDirPath())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Welcome screen"));
    createControls();
}

frmMain::~frmMain() = default;

QString frmMain::applicationTitle()
{
    return Dialogs::applicationTitle();
}

void frmMain::createControls()
{
    fmeAll = new QFrame(this);
    fmeAll->setObjectName(QStringLiteral("fmeAll"));
    fmeAll->setFrameShape(QFrame::NoFrame);
    fmeAll->setFixedSize(Twips::toPixels(QSize(6495, 6075), this));
    // The twip layout was drawn for an 8-point face; larger texts would not fit it.
    QFont panelFont = fmeAll->font();
    panelFont.setPointSizeF(8);
    fmeAll->setFont(panelFont);

    // Created first so that it lies beneath the controls drawn over it.
    Image1 = new QLabel(fmeAll);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap picture(QStringLiteral(":/murmurine/welcome.png"));
    Image1->setPixmap(picture);
    Image1->setGeometry(QRect(QPoint(0, 0), picture.isNull() ? QSize(422, 356) : picture.size()));

    cmdHide = new QPushButton(StartCaption, fmeAll);
    cmdHide->setObjectName(QStringLiteral("cmdHide"));
    FormControls::place(cmdHide, 2415, 1950, 1500, 1500);

    lblWorking = new QLabel(QStringLiteral("Subliminal messages are now being shown. You can now exit or "
                                           "minimise this program."),
        fmeAll);
    lblWorking->setObjectName(QStringLiteral("lblWorking"));
    lblWorking->setWordWrap(true);
    lblWorking->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FormControls::place(lblWorking, 4365, 1950, 1335, 1500);
    lblWorking->hide();

    cmdExit = new QPushButton(QStringLiteral("E&xit"), fmeAll);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    FormControls::place(cmdExit, 2415, 3735, 1500, 660);

    cmdChangeSettings = new QPushButton(QStringLiteral("Change Settings"), fmeAll);
    cmdChangeSettings->setObjectName(QStringLiteral("cmdChangeSettings"));
    FormControls::place(cmdChangeSettings, 360, 3840, 1815, 375);

    cmdChangeMessages = new QPushButton(QStringLiteral("Set up Messages"), fmeAll);
    cmdChangeMessages->setObjectName(QStringLiteral("cmdChangeMessages"));
    FormControls::place(cmdChangeMessages, 4200, 3840, 1815, 375);

    Label1 = new QLabel(
        QStringLiteral("Please change the settings and messages to be displayed by selecting the "
                       "appropriate menu option from the \"Settings\" menu."),
        fmeAll);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    FormControls::place(Label1, 360, 4920, 5550, 465);

    cmdTour = new QPushButton(QStringLiteral("Show me round this program"), this);
    cmdTour->setObjectName(QStringLiteral("cmdTour"));
    cmdTour->resize(Twips::toPixels(QSize(2895, 375), this));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();

    setTabOrder(cmdHide, cmdExit);
    setTabOrder(cmdExit, cmdChangeSettings);
    setTabOrder(cmdChangeSettings, cmdChangeMessages);
    setTabOrder(cmdChangeMessages, cmdTour);

    connect(cmdHide, &QPushButton::clicked, this, &frmMain::cmdHide_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdChangeMessages, &QPushButton::clicked, this, &frmMain::cmdChangeMessages_Click);
    connect(cmdChangeSettings, &QPushButton::clicked, this, &frmMain::cmdChangeSettings_Click);
    connect(cmdTour, &QPushButton::clicked, this, &frmMain::cmdTour_Click);
}

bool frmMain::Form_Load()
{
    m_instance = std::make_unique<SingleInstance>(InstanceLockName);
    QString lockError;
    if (!m_instance->tryAcquire(&lockError) && lockError.isEmpty()) {
        // Another instance runs: bring its frame forward and leave everything as it is.
        setWindowTitle(applicationTitle() + QStringLiteral(" (2)"));
        LinkClient::poke(LinkApplication, LinkTopic, ActivateItem, QString());
        return false;
    }
    // A lock that cannot be made at all is no reason to refuse to run.

    m_endpoint = new LinkEndpoint(LinkApplication, LinkTopic, this);
    connect(m_endpoint, &LinkEndpoint::textChanged, this, &frmMain::onLinkPoke);
    m_endpoint->listen();

    m_dataFolder = DataFolder::FindDataFolder();

    if (m_frame) {
        m_frame->FillSettingsForm();
        m_frame->LoadMessageLists(m_dataFolder);
    }

    if (parentWidget())
        parentWidget()->show();
    show();

    if (ReadIniFile(SettingsSection, QStringLiteral("On"), SettingsFileName) == QLatin1String("Yes"))
        showRunning(true);
    return true;
}

void frmMain::showRunning(bool running)
{
    cmdHide->setText(running ? StopCaption : StartCaption);
    lblWorking->setVisible(running);
}

void frmMain::beginBusy()
{
    m_focusBeforeBusy = focusWidget();
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void frmMain::endBusy()
{
    QGuiApplication::restoreOverrideCursor();
    setEnabled(true);
    // Disabling pushed the focus out of this child, and the area then counts no
    // child as active: the window's access keys would stop working.
    if (m_focusBeforeBusy)
        m_focusBeforeBusy->setFocus(Qt::OtherFocusReason);
}

bool frmMain::launchMessenger()
{
    const QString program = QDir(m_applicationFolder).filePath(MessengerExecutable);
    return QProcess::startDetached(program, {}, m_applicationFolder);
}

void frmMain::cmdHide_Click()
{
    beginBusy();
    if (cmdHide->text() == StartCaption) {
        if (launchMessenger()) {
            writeSetting(QStringLiteral("On"), QStringLiteral("Yes"));
            writeSetting(QStringLiteral("Time"), TimeStamp::now());
            showRunning(true);
            SendLinkCommand(QStringLiteral("ON"));
            endBusy();
        } else {
            writeSetting(QStringLiteral("On"), QStringLiteral("No"));
            writeSetting(QStringLiteral("Time"), TimeStamp::now());
            lblWorking->hide();
            endBusy();
            Dialogs::message(this, LaunchFailedText, applicationTitle());
        }
        return;
    }
    writeSetting(QStringLiteral("On"), QStringLiteral("No"));
    writeSetting(QStringLiteral("Time"), TimeStamp::now());
    SendLinkCommand(QStringLiteral("OFF"));
    showRunning(false);
    endBusy();
    Dialogs::message(this, StoppedText, applicationTitle());
}

void frmMain::onLinkPoke(const QString &item, const QString &text)
{
    if (item == LinkItem) {
        // Every poke counts, even one that repeats the text already there.
        Text1->setText(text);
        Text1_Change();
    } else if (item == ActivateItem && m_frame) {
        m_frame->activateFrame();
    }
}

void frmMain::Text1_Change()
{
    const QString command = Text1->text();
    if (command == QLatin1String("OFF"))
        showRunning(false);
    else if (command == QLatin1String("ON"))
        showRunning(true);
}

bool frmMain::Form_KeyDown(int key)
{
    if (key != Qt::Key_F1)
        return false;
    const QString page = ShippedFile::locate(HelpPageFile, m_applicationFolder);
    QWidget *owner = m_frame ? static_cast<QWidget *>(m_frame) : this;
    if (page.isEmpty()) {
        Dialogs::message(owner,
            QStringLiteral("The help page could not be found. It should be at %1.")
                .arg(QDir::toNativeSeparators(
                    ShippedFile::candidates(HelpPageFile, m_applicationFolder).constFirst())),
            applicationTitle(), Dialogs::Icon::Warning);
        return true;
    }
    Dialogs::message(owner, HelpAnnouncementText, applicationTitle(), Dialogs::Icon::Information);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page))) {
        Dialogs::message(owner,
            QStringLiteral("The help page %1 could not be opened in a web browser.")
                .arg(QDir::toNativeSeparators(page)),
            applicationTitle(), Dialogs::Icon::Warning);
    }
    return true;
}

void frmMain::cmdExit_Click()
{
    if (m_frame
        && !(m_frame->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        const QPoint position = m_frame->pos();
        writeSetting(QStringLiteral("WinTop"), QString::number(Twips::fromPixelsY(position.y(), m_frame)),
            QStringLiteral("MURMURIN"));
        writeSetting(QStringLiteral("WinLeft"), QString::number(Twips::fromPixelsX(position.x(), m_frame)),
            QStringLiteral("MURMURIN"));
    }
    writeSetting(QStringLiteral("UsedBefore"), QStringLiteral("Yes"));
    close();
}

void frmMain::cmdChangeMessages_Click()
{
    if (m_frame)
        m_frame->bringUpMessageManager();
}

void frmMain::cmdChangeSettings_Click()
{
    if (m_frame)
        m_frame->bringUpSettingsForm();
}

void frmMain::cmdTour_Click()
{
    if (m_frame)
        m_frame->ShowTour();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT programEndRequested();
}
