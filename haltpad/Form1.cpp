#include "Form1.h"

#include "IniProcedures.h"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "QuickStopIcons.h"
#include "RuntimeFolder.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "TimeStamp.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QLocalSocket>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

const QString Form1::LinkApplication = QStringLiteral("HALTPAD");
const QString Form1::LinkTopic = QStringLiteral("Form1");
const QString Form1::MessengerExecutable = QStringLiteral("murmurine");
const QString Form1::SettingsExecutable = QStringLiteral("murmurine-settings");

namespace {

const QString LinkItem = QStringLiteral("Text1");
const QString MessengerLink = QStringLiteral("Murmurine Mini");
const QString SettingsLink = QStringLiteral("Murmurine Settings");

QString readSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

void pokeCommand(const QString &application, const QString &command)
{
    // Nobody may be listening; the store carries the same news more slowly.
    LinkClient::poke(application, Form1::LinkTopic, LinkItem, command);
}

} // namespace

Form1::Form1(const QString &applicationFolder, QWidget *parent)
    : QWidget(parent)
    , m_applicationFolder(applicationFolder)
{
    setObjectName(QStringLiteral("Form1"));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();

    cmdToggle = new QPushButton(this);
    cmdToggle->setObjectName(QStringLiteral("cmdToggle"));
    cmdToggle->setIconSize(QSize(32, 32));
    cmdToggle->setMinimumWidth(160);
    connect(cmdToggle, &QPushButton::clicked, this, &Form1::cmdToggle_Click);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(cmdToggle);

    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("mnuQuickStop"));
    QAction *openSettings = m_menu->addAction(QStringLiteral("Open Murmurine Settings"));
    openSettings->setObjectName(QStringLiteral("mnuOpenSettings"));
    connect(openSettings, &QAction::triggered, this, &Form1::openSettings);
    QAction *quit = m_menu->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("mnuQuit"));
    connect(quit, &QAction::triggered, this, &Form1::quitRequested);

    // In the task-bar window the same menu comes up with the right button.
    cmdToggle->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(cmdToggle, &QWidget::customContextMenuRequested, this,
        [this](const QPoint &at) { m_menu->popup(cmdToggle->mapToGlobal(at)); });
}

Form1::~Form1() = default;

bool Form1::Form_Load()
{
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("haltpad"));
    QString lockError;
    // The Messenger starts this program at every start: a second copy just ends.
    if (!m_instance->tryAcquire(&lockError) && lockError.isEmpty())
        return false;

    m_link = new LinkEndpoint(LinkApplication, LinkTopic, this);
    connect(m_link, &LinkEndpoint::textChanged, this, [this](const QString &item, const QString &text) {
        if (item != LinkItem)
            return;
        // Every poke counts, even one that repeats the text already there.
        Text1->setText(text);
        Text1_Change();
    });
    m_link->listen();

    m_lastStoredOn = readSetting(QStringLiteral("On"));
    m_messengerWasListening = messengerListening();
    m_on = m_lastStoredOn == QLatin1String("Yes") && m_messengerWasListening;

    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &Form1::followStore);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
        if (folder == RuntimeFolder::path())
            followMessenger();
        else
            followStore();
    });
    watchFiles();

    applyOptions();
    return true;
}

bool Form1::usesTrayIcon() const
{
    return m_tray && m_tray->isVisible();
}

QString Form1::stateToolTip() const
{
    QString tip = m_on ? m_options.onName : m_options.offName;
    if (!m_on && !m_startFailure.isEmpty())
        tip += QLatin1Char('\n') + m_startFailure;
    else if (!m_on && !QFileInfo(messengerPath()).isExecutable())
        tip += QStringLiteral("\nThe messages cannot be switched on: %1 is missing.")
                   .arg(QDir::toNativeSeparators(messengerPath()));
    return tip;
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT quitRequested();
}

void Form1::cmdToggle_Click()
{
    if (m_on)
        switchOff();
    else
        switchOn();
}

void Form1::Text1_Change()
{
    const QString command = Text1->text();
    if (command == QLatin1String("ON"))
        showState(true);
    else if (command == QLatin1String("OFF"))
        showState(false);
}

void Form1::switchOff()
{
    // On before Time: a Messenger that misses the poke stops at its next tick
    // on seeing a newer Time with On other than "Yes".
    WriteIniFile(SettingsSection, QStringLiteral("On"), QStringLiteral("No"), SettingsFileName);
    WriteIniFile(SettingsSection, QStringLiteral("Time"), TimeStamp::now(), SettingsFileName);
    m_lastStoredOn = QStringLiteral("No");
    pokeCommand(MessengerLink, QStringLiteral("OFF"));
    pokeCommand(SettingsLink, QStringLiteral("OFF"));
    showState(false);
}

void Form1::switchOn()
{
    if (!QProcess::startDetached(messengerPath(), {}, m_applicationFolder)) {
        m_startFailure = QStringLiteral("The messages could not be switched on: %1 did not start.")
                             .arg(QDir::toNativeSeparators(messengerPath()));
        showState(false);
        return;
    }
    m_startFailure.clear();
    pokeCommand(SettingsLink, QStringLiteral("ON"));
    showState(true);
}

void Form1::showState(bool on)
{
    m_on = on;
    const QString name = on ? m_options.onName : m_options.offName;
    const QIcon icon = QuickStopIcons::icon(m_options.iconPair, on);
    setWindowTitle(name);
    setWindowIcon(icon);
    cmdToggle->setText(name);
    cmdToggle->setIcon(icon);
    cmdToggle->setToolTip(stateToolTip());
    if (m_tray) {
        m_tray->setIcon(icon);
        m_tray->setToolTip(stateToolTip());
    }
}

void Form1::applyOptions()
{
    m_options = HaltPadOptions::read(&readSetting);
    const bool trayWanted = !m_options.taskBarWindow && QSystemTrayIcon::isSystemTrayAvailable();
    if (trayWanted && !m_tray) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_menu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                cmdToggle_Click();
        });
    }
    showState(m_on);
    // At login the panel with the tray often comes up after the programs that
    // start with the session: look again a few times, ever less often.
    if (!m_options.taskBarWindow && !trayWanted && m_trayLooks < MaxTrayLooks) {
        QTimer::singleShot(std::chrono::seconds(1 << m_trayLooks), this, &Form1::applyOptions);
        ++m_trayLooks;
    }
    if (trayWanted) {
        m_tray->show();
        hide();
    } else {
        if (m_tray)
            m_tray->hide();
        show();
    }
}

void Form1::followStore()
{
    // A replaced file drops out of the watch; put it back each time.
    watchFiles();
    const QString storedOn = readSetting(QStringLiteral("On"));
    if (storedOn != m_lastStoredOn) {
        m_lastStoredOn = storedOn;
        m_on = storedOn == QLatin1String("Yes");
    }
    applyOptions();
}

void Form1::followMessenger()
{
    // A Messenger that ends by itself, with nothing left to show, leaves On as
    // it was; that its endpoint went away is the news.
    const bool listening = messengerListening();
    if (m_messengerWasListening && !listening)
        showState(false);
    m_messengerWasListening = listening;
}

void Form1::watchFiles()
{
    const QString store = SettingsStore::filePath();
    const QString storeFolder = QFileInfo(store).absolutePath();
    QDir().mkpath(storeFolder);
    QStringList paths {storeFolder};
    if (QFileInfo::exists(store))
        paths << store;
    const QString runtime = RuntimeFolder::path();
    if (!runtime.isEmpty())
        paths << runtime;
    for (const QString &path : std::as_const(paths)) {
        if (!m_watcher->files().contains(path) && !m_watcher->directories().contains(path))
            m_watcher->addPath(path);
    }
}

void Form1::openSettings()
{
    // A running Settings program answers a second start by coming forward.
    QProcess::startDetached(QDir(m_applicationFolder).filePath(SettingsExecutable), {}, m_applicationFolder);
}

QString Form1::messengerPath() const
{
    return QDir(m_applicationFolder).filePath(MessengerExecutable);
}

bool Form1::messengerListening() const
{
    const QString path = LinkEndpoint::socketPath(MessengerLink, LinkTopic);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    // A socket left by a crashed Messenger refuses the connection.
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool listening = socket.waitForConnected(200);
    socket.abort();
    return listening;
}
