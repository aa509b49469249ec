#include "MDIForm1.h"

#include "CategoryExchange.h"
#include "DataMaintenance.h"
#include "Dialogs.h"
#include "IniProcedures.h"
#include "PrintList.h"
#include "ShippedFile.h"
#include "Twips.h"
#include "ValueConversions.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmMessageSetup.h"
#include "frmSettings.h"
#include "frmTour.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <functional>

namespace {

constexpr int LoadWidthTwips = 8000;
constexpr int LoadHeightTwips = 9200;
constexpr int CentringAllowanceTwips = 300;
const QPoint MainPanelTwips(1500, 300);
const QPoint ManagerPanelTwips(200, 60);
const QPoint SettingsPanelTwips(360, 60);
const QPoint AboutPanelTwips(1200, 200);
const QPoint TourOffsetTwips(1640, 5880);

QString readSetting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

QString versionText()
{
    return QString::number(MURMURINE_VERSION_MAJOR + MURMURINE_VERSION_MINOR / 10.0);
}

} // namespace

MDIForm1::MDIForm1(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(Dialogs::applicationTitle());
    QIcon icon(QStringLiteral(":/murmurine/murmurine.svg"));
    icon.addFile(QStringLiteral(":/murmurine/murmurine-48.png"));
    setWindowIcon(icon);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setBackground(QColor(192, 255, 255));
    setCentralWidget(m_mdiArea);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MDIForm1::onSubWindowActivated);

    createMenus();

    m_main = new frmMain(this);
    m_mainSub = wrap(m_main);
    connect(m_main, &frmMain::programEndRequested, this, &MDIForm1::endProgram);
    // The main window sees F1 before any of its controls do.
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), m_mainSub);
    help->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, m_main, [this] { m_main->Form_KeyDown(Qt::Key_F1); });
    // An imported category may come with settings of its own.
    connect(this, &MDIForm1::categoryImported, this, &MDIForm1::FillSettingsForm);
}

MDIForm1::~MDIForm1()
{
    // The base destructor closes and hides the children, which would report
    // back into a frame that is no longer whole.
    m_ending = true;
    disconnect(m_mdiArea, nullptr, this, nullptr);
    m_mainSub->removeEventFilter(this);
    if (m_managerSub)
        m_managerSub->removeEventFilter(this);
    if (m_settingsSub)
        m_settingsSub->removeEventFilter(this);
    if (m_aboutSub)
        m_aboutSub->removeEventFilter(this);
}

void MDIForm1::createMenus()
{
    auto addMenu = [this](const QString &title, const char *name) {
        QMenu *menu = menuBar()->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    // An entry without a handler belongs to a part of the program not built yet.
    auto addEntry = [this](QMenu *menu, const QString &text, const char *name, const QString &shortcut,
                        const std::function<void()> &handler) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty())
            action->setShortcut(QKeySequence(shortcut));
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        else
            action->setEnabled(false);
    };
    auto addSpacer
        = [](QMenu *menu, const char *name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    QMenu *mnuFile = addMenu(QStringLiteral("&File"), "mnuFile");
    addEntry(mnuFile, QStringLiteral("E&xit"), "mnuExit", QStringLiteral("Ctrl+X"), [this] {
        if (m_main)
            m_main->cmdExit_Click();
    });

    QMenu *mnuAllSettings = addMenu(QStringLiteral("Se&ttings"), "mnuAllSettings");
    addEntry(mnuAllSettings, QStringLiteral("Welcome screen"), "mnuWelcome", QStringLiteral("Ctrl+W"),
        [this] { bringUpMainWindow(); });
    addEntry(mnuAllSettings, QStringLiteral("Change Settings"), "mnuChangeSettings", QStringLiteral("Ctrl+S"),
        [this] { bringUpSettingsForm(); });
    addEntry(mnuAllSettings, QStringLiteral("Change Messages"), "mnuChangeMessages", QStringLiteral("Ctrl+M"),
        [this] { bringUpMessageManager(); });

    mnuEdit = addMenu(QStringLiteral("&Edit Messages"), "mnuEdit");
    addEntry(mnuEdit, QStringLiteral("Add Category"), "mnuAddCategory", {},
        [this] { pressManagerButton("cmdAddCategory"); });
    addEntry(mnuEdit, QStringLiteral("Delete Category"), "mnuDeleteCategory", {},
        [this] { pressManagerButton("cmdDeleteCategory"); });
    addEntry(mnuEdit, QStringLiteral("Add Message"), "mnuAddMessage", {},
        [this] { pressManagerButton("cmdAddMessage"); });
    addEntry(mnuEdit, QStringLiteral("Delete Message"), "mnuDeleteMessage", {},
        [this] { pressManagerButton("cmdDeleteMessage"); });
    addSpacer(mnuEdit, "mnuSpacer9");
    addEntry(mnuEdit, QStringLiteral("Copy Message"), "mnuCopyMessage", QStringLiteral("Ctrl+C"), [this] {
        // The shortcut outlives the menu's visibility; only the manager's own selection counts.
        if (m_manager && m_mdiArea->currentSubWindow() == m_managerSub && m_managerSub->isVisible())
            m_manager->copyMessage();
    });
    addSpacer(mnuEdit, "mnuSpacer4");
    addEntry(mnuEdit, QStringLiteral("Print List"), "mnuPrint", {}, [this] {
        if (m_manager)
            PrintList(this, m_manager).run();
    });
    addSpacer(mnuEdit, "mnuSpacer5");
    auto maintenance = [this] {
        return DataMaintenance(
            this, m_manager, ShippedFile::locate(QStringLiteral("data.txt"), m_main->applicationFolder()));
    };
    addEntry(mnuEdit, QStringLiteral("Reset Data"), "mnuResetData", {}, [this, maintenance] {
        if (m_manager)
            maintenance().ResetData();
    });
    addEntry(mnuEdit, QStringLiteral("Restore from Backup"), "mnuRestoreBackup", {}, [this, maintenance] {
        if (m_manager)
            maintenance().RestoreFromBackup();
    });
    addEntry(
        mnuEdit, QStringLiteral("Retrieve data from older version"), "mnuRetrieve", {}, [this, maintenance] {
            if (m_manager)
                maintenance().RetrieveOlderVersion();
        });
    addSpacer(mnuEdit, "mnuSpacerImport");
    addEntry(mnuEdit, QStringLiteral("Import Category"), "mnuImportCategory", {}, [this] {
        if (m_manager && CategoryExchange(this, m_manager).ImportCategory())
            Q_EMIT categoryImported();
    });
    addEntry(mnuEdit, QStringLiteral("Export Category"), "mnuExportCategory", {}, [this] {
        if (m_manager)
            CategoryExchange(this, m_manager).ExportCategory();
    });
    mnuEdit->menuAction()->setVisible(false);

    QMenu *mnuHelpMain = addMenu(QStringLiteral("&Help"), "mnuHelpMain");
    addEntry(mnuHelpMain, QStringLiteral("Contents and help (F1)"), "mnuHelp", {},
        [this] { showHelpForActiveChild(); });
    addEntry(mnuHelpMain, QStringLiteral("Show me a quick Tour"), "mnuTour", QStringLiteral("Ctrl+Q"),
        [this] { ShowTour(); });
    addSpacer(mnuHelpMain, "mnuSpacer11");
    addEntry(mnuHelpMain, QStringLiteral("About"), "mnuAbout", QStringLiteral("Ctrl+A"),
        [this] { bringUpAbout(); });
}

QMdiSubWindow *MDIForm1::wrap(QWidget *child)
{
    QMdiSubWindow *subWindow = m_mdiArea->addSubWindow(child);
    // Children are hidden, never destroyed, while the program runs.
    subWindow->setAttribute(Qt::WA_DeleteOnClose, false);
    subWindow->setObjectName(child->objectName() + QStringLiteral("SubWindow"));
    subWindow->setWindowIcon(windowIcon());
    subWindow->installEventFilter(this);
    // The sub-window's own menu closes it with Ctrl+W as well, which would make
    // the frame's Ctrl+W ("Welcome screen") ambiguous and dead.
    QList<QKeySequence> frameShortcuts;
    for (const QMenu *menu : menuBar()->findChildren<QMenu *>()) {
        for (const QAction *action : menu->actions())
            frameShortcuts += action->shortcuts();
    }
    if (QMenu *systemMenu = subWindow->systemMenu()) {
        for (QAction *action : systemMenu->actions()) {
            QList<QKeySequence> kept = action->shortcuts();
            kept.removeIf([&](const QKeySequence &key) { return frameShortcuts.contains(key); });
            action->setShortcuts(kept);
        }
    }
    subWindow->hide();
    return subWindow;
}

bool MDIForm1::MDIForm_Load()
{
    setOuterSizeTwips(LoadWidthTwips, LoadHeightTwips);
    applyStoredPosition();

    const QString storedWinMax = readSetting(QStringLiteral("WinMax"));
    // The size changes of the load itself, and their late echoes from the window
    // manager, must not rewrite what was just read.
    m_writtenWinMax = storedWinMax;
    if (storedWinMax.isEmpty()) {
        setWindowState(windowState() | Qt::WindowMaximized);
        if (!m_main->Form_Load())
            return false;
        createAbout();
        showMaximized();
        m_mainSub->showMaximized();
        centrePanels();
    } else {
        if (!m_main->Form_Load())
            return false;
        createAbout();
        placePanelsAtFixedPositions();
        setOuterSizeTwips(NormalWidthTwips, NormalHeightTwips);
        show();
        m_mainSub->setGeometry(QRect(QPoint(0, 0), m_mdiArea->viewport()->size()));
    }
    blnLoaded = true;
    placeTourButton();

    if (readSetting(QStringLiteral("Duration")).isEmpty()
        && readSetting(QStringLiteral("UsedBefore")).isEmpty()) {
        WriteIniFile(SettingsSection, QStringLiteral("Version"), versionText(), SettingsFileName);
        ShowTour();
    }
    return true;
}

void MDIForm1::applyStoredPosition()
{
    const std::optional<qint32> top = ValueConversions::strictInteger(readSetting(QStringLiteral("WinTop")));
    const std::optional<qint32> left
        = ValueConversions::strictInteger(readSetting(QStringLiteral("WinLeft")));
    if (!top && !left)
        return;
    QPoint position = pos();
    if (top)
        position.setY(Twips::toPixelsY(*top, this));
    if (left)
        position.setX(Twips::toPixelsX(*left, this));
    // A position remembered from a screen that is no longer attached would put
    // the frame where nobody can reach it.
    const QRect wanted(position, frameGeometry().size());
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(wanted)) {
            move(position);
            return;
        }
    }
}

void MDIForm1::setOuterSizeTwips(int widthTwips, int heightTwips)
{
    const QSize decoration = frameGeometry().size() - geometry().size();
    resize(Twips::toPixels(QSize(widthTwips, heightTwips), this) - decoration);
}

void MDIForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    MDIForm_Resize();
}

void MDIForm1::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        MDIForm_Resize();
}

void MDIForm1::MDIForm_Resize()
{
    if (m_ending)
        return;
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) {
        // nothing but the tour button
    } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        if (blnLoaded)
            writeWinMax(QString());
        centrePanels();
        // A child left in its normal state would stay at the top left while
        // its panel is centred for the whole frame.
        maximiseIfFrameIs(m_mdiArea->currentSubWindow());
    } else {
        if (blnLoaded)
            writeWinMax(QStringLiteral("No"));
        placePanelsAtFixedPositions();
        scheduleSnapToNormalSize();
    }
    placeTourButton();
}

void MDIForm1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // The window manager's decoration, part of the outer size, is only known once
    // it has taken the window in, which it reports as a move.
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        scheduleSnapToNormalSize();
}

void MDIForm1::scheduleSnapToNormalSize()
{
    // Deferred: a window manager may report the new size just before the new
    // state, and the frame must not fight a maximise that is under way.
    if (m_snapPending)
        return;
    m_snapPending = true;
    QTimer::singleShot(0, this, &MDIForm1::snapToNormalSize);
}

void MDIForm1::snapToNormalSize()
{
    m_snapPending = false;
    if (m_ending || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    setOuterSizeTwips(NormalWidthTwips, NormalHeightTwips);
}

void MDIForm1::writeWinMax(const QString &value)
{
    if (m_writtenWinMax == value)
        return;
    if (WriteIniFile(SettingsSection, QStringLiteral("WinMax"), value, SettingsFileName))
        m_writtenWinMax = value;
}

void MDIForm1::centrePanels()
{
    const QSize outer = frameGeometry().size();
    const int allowance = Twips::toPixelsY(CentringAllowanceTwips, this);
    auto centre = [&](QWidget *panel) {
        if (!panel)
            return;
        // Clamped so that on a screen smaller than a panel its top-left corner stays visible.
        panel->move(qMax(0, (outer.width() - panel->width()) / 2),
            qMax(0, (outer.height() - panel->height() - allowance) / 2));
    };
    centre(m_main->contentPanel());
    if (m_manager)
        centre(m_manager->contentPanel());
    if (m_settings)
        centre(m_settings->contentPanel());
    if (m_about)
        centre(m_about->contentPanel());
}

void MDIForm1::placePanelsAtFixedPositions()
{
    m_main->contentPanel()->move(Twips::toPixels(MainPanelTwips, this));
    if (m_manager)
        m_manager->contentPanel()->move(Twips::toPixels(ManagerPanelTwips, this));
    if (m_settings)
        m_settings->contentPanel()->move(Twips::toPixels(SettingsPanelTwips, this));
    if (m_about)
        m_about->contentPanel()->move(Twips::toPixels(AboutPanelTwips, this));
}

void MDIForm1::placeTourButton()
{
    m_main->tourButton()->move(m_main->contentPanel()->pos() + Twips::toPixels(TourOffsetTwips, this));
}

void MDIForm1::LoadMessageLists(const QString &dataFolder)
{
    if (!m_manager) {
        m_manager = new frmMessageSetup(dataFolder);
        m_managerSub = wrap(m_manager);
        connect(m_manager, &frmMessageSetup::closeRequested, this, &MDIForm1::hideMessageManager);
    }
    m_manager->LoadMessageLists();
}

void MDIForm1::createSettingsForm()
{
    if (m_settings)
        return;
    m_settings = new frmSettings(m_main->applicationFolder());
    m_settingsSub = wrap(m_settings);
    connect(m_settings, &frmSettings::closeRequested, this, &MDIForm1::hideSettingsForm);
    if (isMaximized())
        centrePanels();
    else
        placePanelsAtFixedPositions();
}

void MDIForm1::FillSettingsForm()
{
    createSettingsForm();
    m_settings->FillSettingsForm();
}

void MDIForm1::bringUp(QMdiSubWindow *subWindow)
{
    if (!subWindow)
        return;
    subWindow->show();
    m_mdiArea->setActiveSubWindow(subWindow);
    subWindow->raise();
    subWindow->show();
    subWindow->showMaximized();
}

void MDIForm1::bringUpMainWindow()
{
    bringUp(m_mainSub);
}

void MDIForm1::bringUpMessageManager()
{
    bringUp(m_managerSub);
}

void MDIForm1::bringUpSettingsForm()
{
    // Coming to the front fills it again.
    createSettingsForm();
    bringUp(m_settingsSub);
}

QMdiSubWindow *MDIForm1::childWindow(const QString &name) const
{
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    for (QMdiSubWindow *subWindow : children) {
        if (subWindow->widget() && subWindow->widget()->objectName() == name)
            return subWindow;
    }
    return nullptr;
}

void MDIForm1::bringUpChild(const QString &name)
{
    bringUp(childWindow(name));
}

void MDIForm1::setEditMenuVisible(bool visible)
{
    mnuEdit->menuAction()->setVisible(visible);
}

void MDIForm1::ShowTour()
{
    for (QMdiSubWindow *subWindow : {m_managerSub, m_settingsSub, m_mainSub}) {
        if (!subWindow)
            continue;
        subWindow->show();
        m_mdiArea->setActiveSubWindow(subWindow);
        subWindow->raise();
    }
    // Modal without an event loop of its own: none of its callers has anything
    // left to do once it is on the screen, and the frame's own loop serves it.
    auto *tour = new frmTour(this);
    tour->setWindowModality(Qt::ApplicationModal);
    tour->show();
}

void MDIForm1::createAbout()
{
    if (m_aboutSub)
        return;
    m_about = new frmAbout(m_main->applicationFolder());
    m_aboutSub = wrap(m_about);
    // Unlike the other children it is made afresh for each showing.
    connect(m_about, &frmAbout::closeRequested, this, &MDIForm1::closeAbout);
    if (isMaximized())
        centrePanels();
    else
        placePanelsAtFixedPositions();
}

frmAbout *MDIForm1::aboutBox() const
{
    return m_about;
}

QMdiSubWindow *MDIForm1::aboutSubWindow() const
{
    return m_aboutSub;
}

void MDIForm1::bringUpAbout()
{
    createAbout();
    bringUp(m_aboutSub);
    // A box made afresh has no focus of its own to return to; without it the
    // keyboard would stay with the child it replaced.
    m_about->setFocus();
}

void MDIForm1::closeAbout()
{
    QMdiSubWindow *subWindow = m_aboutSub;
    if (!subWindow)
        return;
    m_aboutSub = nullptr;
    m_about = nullptr;
    subWindow->removeEventFilter(this);
    // Leaving it as the message manager is left, so the Welcome screen comes
    // back in the same state whichever child was closed.
    subWindow->hide();
    if (m_lastActivated == subWindow)
        m_lastActivated = nullptr;
    returnToWelcomeScreen();
    subWindow->deleteLater();
}

void MDIForm1::hideMessageManager()
{
    hideChild(m_managerSub);
}

void MDIForm1::hideSettingsForm()
{
    hideChild(m_settingsSub);
}

void MDIForm1::hideChild(QMdiSubWindow *subWindow)
{
    if (!subWindow)
        return;
    subWindow->hide();
    // Coming back later is a new activation.
    if (m_lastActivated == subWindow)
        m_lastActivated = nullptr;
    returnToWelcomeScreen();
}

void MDIForm1::returnToWelcomeScreen()
{
    // A hidden child leaves the area with no active child at all, and a
    // maximised one takes the others' state with it: the user goes back to
    // the Welcome screen, as it was when the frame first showed it.
    m_mdiArea->setActiveSubWindow(m_mainSub);
    // In its normal state it has whatever size it had before it was first
    // maximised: next to nothing when the frame started maximised.
    if (isMaximized())
        m_mainSub->showMaximized();
    else if (!m_mainSub->isMaximized())
        m_mainSub->setGeometry(QRect(QPoint(0, 0), m_mdiArea->viewport()->size()));
}

void MDIForm1::onSubWindowActivated(QMdiSubWindow *subWindow)
{
    // The area also reports the frame losing and regaining activation (a message
    // box, another program); only a change of child counts.
    if (!subWindow || subWindow == m_lastActivated)
        return;
    m_lastActivated = subWindow;
    const bool manager = subWindow == m_managerSub;
    mnuEdit->menuAction()->setVisible(manager);
    if (manager && m_manager)
        m_manager->onActivated();
    if (subWindow == m_settingsSub && m_settings)
        m_settings->Form_Activate();
}

void MDIForm1::pressManagerButton(const char *name)
{
    // A hidden manager's selection is not what the user sees.
    if (!m_manager || !m_managerSub->isVisible())
        return;
    if (auto *button = m_manager->findChild<QPushButton *>(QLatin1String(name)))
        button->click();
}

void MDIForm1::showHelpForActiveChild()
{
    QMdiSubWindow *active = m_mdiArea->currentSubWindow();
    if (active && active == m_mainSub)
        m_main->Form_KeyDown(Qt::Key_F1);
}

void MDIForm1::activateFrame()
{
    if (windowState() & Qt::WindowMinimized)
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MDIForm1::endProgram()
{
    if (m_ending)
        return;
    close();
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    m_ending = true;
    event->accept();
    Q_EMIT programEnded();
}

bool MDIForm1::eventFilter(QObject *watched, QEvent *event)
{
    auto *subWindow = qobject_cast<QMdiSubWindow *>(watched);
    if (!subWindow || m_ending)
        return QMainWindow::eventFilter(watched, event);

    if (event->type() == QEvent::Close && subWindow == m_aboutSub) {
        event->ignore();
        closeAbout();
        return true;
    }
    if (event->type() == QEvent::Close && subWindow == m_settingsSub) {
        // Its close box is "C&lose": the form keeps what the user had not saved, as its button does.
        event->ignore();
        hideSettingsForm();
        return true;
    }
    if (event->type() == QEvent::Close && subWindow == m_managerSub) {
        // The manager's close box hides it, after the same check as its own button.
        event->ignore();
        if (!m_manager || m_manager->requestClose())
            hideMessageManager();
        return true;
    }
    if (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange)
        maximiseIfFrameIs(subWindow);
    return QMainWindow::eventFilter(watched, event);
}

bool MDIForm1::wantsMaximising(const QMdiSubWindow *subWindow) const
{
    // Only the child in front: the area restores the others when another is
    // maximised, and maximising one of those would bring it forward.
    return subWindow && !m_ending && isMaximized() && subWindow->isVisible()
        && !(subWindow->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        && m_mdiArea->currentSubWindow() == subWindow;
}

void MDIForm1::maximiseIfFrameIs(QMdiSubWindow *subWindow)
{
    if (!wantsMaximising(subWindow))
        return;
    // Deferred: the state may still be changing when the event arrives.
    QTimer::singleShot(0, subWindow, [this, subWindow] {
        if (wantsMaximising(subWindow))
            subWindow->showMaximized();
    });
}
