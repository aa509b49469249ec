#include "DataFolder.h"
#include "Dialogs.h"
#include "MDIForm1.h"
#include "SettingsTestSupport.h"
#include "TestEnvironment.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmMessageSetup.h"

#include <QAction>
#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace SettingsTestSupport;
using Settings = QMap<QString, QString>;

class tst_Frame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void load_data();
    void load();
    void loadWritesNoWindowState();
    void winMaxFollowsTheFrameAfterLoad();
    void normalFrameSnapsBackToItsSize();
    void maximisedFrameMaximisesItsChildren();

    void menuTable_data();
    void menuTable();

    void editMenuFollowsTheActiveChild();
    void editMenuPressesTheManagersButtons_data();
    void editMenuPressesTheManagersButtons();
    void copyMessageOnlyFromTheManager();
    void managerCloseBoxHidesIt_data();
    void managerCloseBoxHidesIt();
    void helpCommandOnlyForTheMainWindow();

    void exitWritesPositionOnlyWhenNormal_data();
    void exitWritesPositionOnlyWhenNormal();
    void closingByAnyMeansEndsWithoutExitWrites_data();
    void closingByAnyMeansEndsWithoutExitWrites();

private:
    std::unique_ptr<MDIForm1> loadFrame();
    void writeSmallLibrary(bool marked);
    static QSize normalOuterSize(const QWidget *frame);

    std::unique_ptr<TestEnvironment> m_env;
};

void tst_Frame::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    Dialogs::setTestMode(true);
    Dialogs::reset();
}

void tst_Frame::cleanup()
{
    Dialogs::reset();
    m_env.reset();
}

std::unique_ptr<MDIForm1> tst_Frame::loadFrame()
{
    auto frame = std::make_unique<MDIForm1>();
    frame->mainWindow()->setApplicationFolder(m_env->root());
    if (!frame->MDIForm_Load())
        return nullptr;
    if (!QTest::qWaitForWindowExposed(frame.get()))
        return nullptr;
    QCoreApplication::processEvents();
    return frame;
}

void tst_Frame::writeSmallLibrary(bool marked)
{
    const QString folder = DataFolder::locate(m_env->home());
    writeLibrary(DataFolder::dataFilePath(folder), QStringLiteral("Calm"),
        {QStringLiteral("I breathe slowly"), QStringLiteral("#PICTURE# /tmp/x.png")}, marked);
}

QSize tst_Frame::normalOuterSize(const QWidget *frame)
{
    return Twips::toPixels(QSize(MDIForm1::NormalWidthTwips, MDIForm1::NormalHeightTwips), frame);
}

void tst_Frame::load_data()
{
    QTest::addColumn<Settings>("stored");
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QPoint>("positionTwips"); // (-1, -1): wherever the platform put it
    QTest::addColumn<bool>("firstRun");

    QTest::newRow("nothing stored: maximised, first run") << Settings {} << true << QPoint(-1, -1) << true;
    QTest::newRow("normal at top 1200, left 600")
        << Settings {{"WinMax", "No"}, {"WinTop", "1200"}, {"WinLeft", "600"}, {"UsedBefore", "Yes"}} << false
        << QPoint(600, 1200) << false;
    QTest::newRow("unreadable position is ignored")
        << Settings {{"WinMax", "No"}, {"WinTop", "12x"}, {"WinLeft", ""}, {"UsedBefore", "Yes"}} << false
        << QPoint(-1, -1) << false;
    QTest::newRow("position off every screen is ignored")
        << Settings {{"WinMax", "No"}, {"WinTop", "900000"}, {"WinLeft", "900000"}, {"UsedBefore", "Yes"}}
        << false << QPoint(-1, -1) << false;
    QTest::newRow("WinMax other than empty means normal")
        << Settings {{"WinMax", "no"}, {"Duration", "3"}} << false << QPoint(-1, -1) << false;
    QTest::newRow("Duration alone is no first run")
        << Settings {{"Duration", "3"}} << true << QPoint(-1, -1) << false;
    QTest::newRow("UsedBefore alone is no first run")
        << Settings {{"UsedBefore", "Yes"}} << true << QPoint(-1, -1) << false;
}

void tst_Frame::load()
{
    QFETCH(Settings, stored);
    QFETCH(bool, maximised);
    QFETCH(QPoint, positionTwips);
    QFETCH(bool, firstRun);

    storeSettings(stored);
    MDIForm1 reference;
    const QPoint defaultPosition = reference.pos();

    auto frame = loadFrame();
    QVERIFY(frame);
    QVERIFY(frame->isLoaded());
    QCOMPARE(frame->isMaximized(), maximised);
    // With a maximised child the frame's caption also names the child.
    QVERIFY(frame->windowTitle().startsWith(QLatin1String("Murmurine Settings")));
    QCOMPARE(frame->mdiArea()->background().color(), QColor(192, 255, 255));
    QVERIFY(frame->mainSubWindow()->isVisible());
    QVERIFY(frame->managerSubWindow() && !frame->managerSubWindow()->isVisible());

    const QFrame *panel = frame->mainWindow()->contentPanel();
    if (maximised) {
        const QSize outer = frame->frameGeometry().size();
        QCOMPARE(panel->x(), qMax(0, (outer.width() - panel->width()) / 2));
        QCOMPARE(
            panel->y(), qMax(0, (outer.height() - panel->height() - Twips::toPixelsY(300, frame.get())) / 2));
    } else {
        QTRY_COMPARE(frame->frameGeometry().size(), normalOuterSize(frame.get()));
        QCOMPARE(panel->pos(), Twips::toPixels(QPoint(1500, 300), frame.get()));
        QCOMPARE(
            frame->messageManager()->contentPanel()->pos(), Twips::toPixels(QPoint(200, 60), frame.get()));
        if (positionTwips == QPoint(-1, -1))
            QCOMPARE(frame->pos(), defaultPosition);
        else
            QCOMPARE(frame->pos(), Twips::toPixels(positionTwips, frame.get()));
    }
    QCOMPARE(frame->mainWindow()->tourButton()->pos(),
        panel->pos() + Twips::toPixels(QPoint(1640, 5880), frame.get()));

    QCOMPARE(hasStoredSetting(m_env->settingsFile(), QStringLiteral("Version")), firstRun);
    if (firstRun)
        QCOMPARE(storedSetting(QStringLiteral("Version")),
            QString::number(MURMURINE_VERSION_MAJOR + MURMURINE_VERSION_MINOR / 10.0));
}

void tst_Frame::loadWritesNoWindowState()
{
    auto frame = loadFrame();
    QVERIFY(frame);
    QTest::qWait(50); // late resize events of the load must not write either
    QVERIFY(!hasStoredSetting(m_env->settingsFile(), QStringLiteral("WinMax")));
    QVERIFY(!hasStoredSetting(m_env->settingsFile(), QStringLiteral("WinTop")));
    QVERIFY(!hasStoredSetting(m_env->settingsFile(), QStringLiteral("UsedBefore")));
}

void tst_Frame::winMaxFollowsTheFrameAfterLoad()
{
    storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    QVERIFY(!frame->isMaximized());

    frame->showMaximized();
    QTRY_VERIFY(frame->isMaximized());
    QTRY_VERIFY(hasStoredSetting(m_env->settingsFile(), QStringLiteral("WinMax")));
    QCOMPARE(storedSetting(QStringLiteral("WinMax")), QString());

    frame->showNormal();
    QTRY_COMPARE(storedSetting(QStringLiteral("WinMax")), QStringLiteral("No"));
    QTRY_COMPARE(frame->frameGeometry().size(), normalOuterSize(frame.get()));

    frame->showMinimized();
    QTRY_VERIFY(frame->isMinimized());
    QCOMPARE(storedSetting(QStringLiteral("WinMax")), QStringLiteral("No"));
}

void tst_Frame::normalFrameSnapsBackToItsSize()
{
    storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    frame->resize(900, 700);
    QTRY_COMPARE(frame->frameGeometry().size(), normalOuterSize(frame.get()));
    frame->resize(300, 200);
    QTRY_COMPARE(frame->frameGeometry().size(), normalOuterSize(frame.get()));
    QCOMPARE(frame->mainWindow()->contentPanel()->pos(), Twips::toPixels(QPoint(1500, 300), frame.get()));
}

void tst_Frame::maximisedFrameMaximisesItsChildren()
{
    writeSmallLibrary(true);
    auto frame = loadFrame();
    QVERIFY(frame);
    QVERIFY(frame->isMaximized());
    QTRY_VERIFY(frame->mainSubWindow()->isMaximized());

    frame->mainSubWindow()->showNormal();
    QTRY_VERIFY(frame->mainSubWindow()->isMaximized());

    frame->managerSubWindow()->show();
    QTRY_VERIFY(frame->managerSubWindow()->isMaximized());
}

void tst_Frame::menuTable_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    // objectName|caption|shortcut|enabled, in menu order; a separator is its name alone
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("File") << "mnuFile"
                          << "&File" << QStringList {"mnuExit|E&xit|Ctrl+X|1"};
    QTest::newRow("Settings") << "mnuAllSettings"
                              << "Se&ttings"
                              << QStringList {"mnuWelcome|Welcome screen|Ctrl+W|1",
                                     "mnuChangeSettings|Change Settings|Ctrl+S|0",
                                     "mnuChangeMessages|Change Messages|Ctrl+M|1"};
    QTest::newRow("Edit Messages")
        << "mnuEdit"
        << "&Edit Messages"
        << QStringList {"mnuAddCategory|Add Category||1", "mnuDeleteCategory|Delete Category||1",
               "mnuAddMessage|Add Message||1", "mnuDeleteMessage|Delete Message||1", "mnuSpacer9",
               "mnuCopyMessage|Copy Message|Ctrl+C|1", "mnuSpacer4", "mnuPrint|Print List||0", "mnuSpacer5",
               "mnuResetData|Reset Data||0", "mnuRestoreBackup|Restore from Backup||0",
               "mnuRetrieve|Retrieve data from older version||0", "mnuSpacerImport",
               "mnuImportCategory|Import Category||0", "mnuExportCategory|Export Category||0"};
    QTest::newRow("Help") << "mnuHelpMain"
                          << "&Help"
                          << QStringList {"mnuHelp|Contents and help (F1)||1",
                                 "mnuTour|Show me a quick Tour|Ctrl+Q|0", "mnuSpacer11",
                                 "mnuAbout|About|Ctrl+A|0"};
}

void tst_Frame::menuTable()
{
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QStringList, entries);

    MDIForm1 frame;
    QMenu *found = frame.findChild<QMenu *>(menu);
    QVERIFY(found);
    QCOMPARE(found->title(), caption);
    QVERIFY(frame.menuBar()->actions().contains(found->menuAction()));
    QStringList actual;
    for (const QAction *action : found->actions()) {
        QCOMPARE(frame.findChildren<QAction *>(action->objectName()).size(), 1);
        actual << (action->isSeparator() ? action->objectName()
                                         : QStringList {action->objectName(), action->text(),
                                             action->shortcut().toString(), action->isEnabled() ? "1" : "0"}
                                               .join(QLatin1Char('|')));
    }
    QCOMPARE(actual, entries);
}

void tst_Frame::editMenuFollowsTheActiveChild()
{
    writeSmallLibrary(true);
    auto frame = loadFrame();
    QVERIFY(frame);
    QAction *editMenu = frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction();
    QVERIFY(!editMenu->isVisible());

    frame->findChild<QAction *>(QStringLiteral("mnuChangeMessages"))->trigger();
    QTRY_VERIFY(editMenu->isVisible());
    QVERIFY(frame->managerSubWindow()->isVisible());
    QCOMPARE(frame->mdiArea()->activeSubWindow(), frame->managerSubWindow());

    // From the keyboard, as the maximised sub-window's own menu also knows Ctrl+W.
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame->messageManager(), Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!editMenu->isVisible());
    QCOMPARE(frame->mdiArea()->activeSubWindow(), frame->mainSubWindow());
    QVERIFY(frame->managerSubWindow()->isVisible());

    frame->mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdChangeMessages"))->click();
    QTRY_VERIFY(editMenu->isVisible());

    // The manager's own close button hides it; the main window comes back without the menu.
    frame->messageManager()->findChild<QPushButton *>(QStringLiteral("cmdExit"))->click();
    QTRY_VERIFY(!frame->managerSubWindow()->isVisible());
    frame->bringUpMainWindow();
    QTRY_VERIFY(!editMenu->isVisible());
    frame->bringUpMessageManager();
    QTRY_VERIFY(editMenu->isVisible());
}

void tst_Frame::editMenuPressesTheManagersButtons_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    QTest::newRow("Add Category asks for a name")
        << "mnuAddCategory" << int(Dialogs::Kind::Input)
        << "Please enter a new category to add. (Max 50 characters)";
    QTest::newRow("Delete Category asks first") << "mnuDeleteCategory" << int(Dialogs::Kind::Question)
                                                << "Are you sure you want to delete this category?  All of "
                                                   "the messages in it will be permanently deleted.";
    QTest::newRow("Delete Message asks first") << "mnuDeleteMessage" << int(Dialogs::Kind::Question)
                                               << "Are you sure you want to delete this message?";
}

void tst_Frame::editMenuPressesTheManagersButtons()
{
    QFETCH(QString, entry);
    QFETCH(int, kind);
    QFETCH(QString, text);

    writeSmallLibrary(true);
    auto frame = loadFrame();
    QVERIFY(frame);
    frame->bringUpMessageManager();
    QCoreApplication::processEvents();
    Dialogs::takeShown();

    frame->findChild<QAction *>(entry)->trigger(); // nothing queued: the question is cancelled
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(int(shown.constFirst().kind), kind);
    QCOMPARE(shown.constFirst().text, text);
}

void tst_Frame::copyMessageOnlyFromTheManager()
{
    writeSmallLibrary(true);
    auto frame = loadFrame();
    QVERIFY(frame);
    QAction *copy = frame->findChild<QAction *>(QStringLiteral("mnuCopyMessage"));
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));

    copy->trigger(); // the welcome screen is active
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));

    frame->bringUpMessageManager();
    QCoreApplication::processEvents();
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("I breathe slowly"));

    // From the keyboard the list itself must not get in first with its own copy of the whole row.
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    auto *messages = frame->messageManager()->findChild<QWidget *>(QStringLiteral("lstMessage"));
    QVERIFY(messages);
    messages->setFocus();
    QTest::keyClick(messages, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("I breathe slowly"));
}

void tst_Frame::managerCloseBoxHidesIt_data()
{
    QTest::addColumn<bool>("marked");
    QTest::addColumn<QVariant>("answer");
    QTest::addColumn<bool>("hidden");

    QTest::newRow("a category marked") << true << QVariant() << true;
    QTest::newRow("none marked, Yes") << false << QVariant(int(QMessageBox::Yes)) << true;
    QTest::newRow("none marked, No") << false << QVariant(int(QMessageBox::No)) << false;
}

void tst_Frame::managerCloseBoxHidesIt()
{
    QFETCH(bool, marked);
    QFETCH(QVariant, answer);
    QFETCH(bool, hidden);

    writeSmallLibrary(marked);
    auto frame = loadFrame();
    QVERIFY(frame);
    QSignalSpy ended(frame.get(), &MDIForm1::programEnded);
    frame->bringUpMessageManager();
    QCoreApplication::processEvents();
    Dialogs::takeShown();
    if (answer.isValid())
        Dialogs::queueAnswer(answer);

    QMdiSubWindow *manager = frame->managerSubWindow();
    manager->close();
    QCoreApplication::processEvents();
    QCOMPARE(manager->isHidden(), hidden);
    QCOMPARE(frame->managerSubWindow(), manager); // still the same window, never destroyed
    QCOMPARE(frame->messageManager()->findChildren<QWidget *>().isEmpty(), false);
    QCOMPARE(ended.count(), 0);
    QVERIFY(frame->isVisible());
    if (!marked)
        QCOMPARE(Dialogs::takeShown().value(0).title, QStringLiteral("No Selection"));
}

void tst_Frame::helpCommandOnlyForTheMainWindow()
{
    writeSmallLibrary(true);
    auto frame = loadFrame();
    QVERIFY(frame);
    QAction *help = frame->findChild<QAction *>(QStringLiteral("mnuHelp"));

    frame->bringUpMessageManager();
    QCoreApplication::processEvents();
    Dialogs::takeShown();
    help->trigger();
    QVERIFY(Dialogs::takeShown().isEmpty());

    frame->bringUpMainWindow();
    QCoreApplication::processEvents();
    help->trigger();
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1); // no page in the test's folder: the box says so
    QVERIFY(shown.constFirst().text.contains(QLatin1String("help page")));
}

void tst_Frame::exitWritesPositionOnlyWhenNormal_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<QString>("command");

    QTest::newRow("normal, button") << false << "cmdExit";
    QTest::newRow("normal, menu") << false << "mnuExit";
    QTest::newRow("maximised, button") << true << "cmdExit";
    QTest::newRow("maximised, menu") << true << "mnuExit";
}

void tst_Frame::exitWritesPositionOnlyWhenNormal()
{
    QFETCH(bool, maximised);
    QFETCH(QString, command);

    storeSettings(
        {{"WinMax", maximised ? "" : "No"}, {"WinTop", "1200"}, {"WinLeft", "600"}, {"Duration", "1"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    QCOMPARE(frame->isMaximized(), maximised);
    if (!maximised) {
        frame->move(Twips::toPixels(QPoint(900, 450), frame.get()));
        QTRY_COMPARE(frame->pos(), Twips::toPixels(QPoint(900, 450), frame.get()));
    }
    QSignalSpy ended(frame.get(), &MDIForm1::programEnded);

    if (command == QLatin1String("mnuExit"))
        frame->findChild<QAction *>(command)->trigger();
    else
        frame->mainWindow()->findChild<QPushButton *>(command)->click();

    QCOMPARE(ended.count(), 1);
    QCOMPARE(storedSetting(QStringLiteral("UsedBefore")), QStringLiteral("Yes"));
    QCOMPARE(
        storedSetting(QStringLiteral("WinTop")), maximised ? QStringLiteral("1200") : QStringLiteral("450"));
    QCOMPARE(
        storedSetting(QStringLiteral("WinLeft")), maximised ? QStringLiteral("600") : QStringLiteral("900"));
    QCOMPARE(storedSetting(QStringLiteral("On")), QString()); // the Messenger is not touched
}

void tst_Frame::closingByAnyMeansEndsWithoutExitWrites_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("frame's close box") << "frame";
    QTest::newRow("main window's close box") << "main";
}

void tst_Frame::closingByAnyMeansEndsWithoutExitWrites()
{
    QFETCH(QString, how);

    storeSettings({{"On", "Yes"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    QSignalSpy ended(frame.get(), &MDIForm1::programEnded);
    if (how == QLatin1String("frame"))
        frame->close();
    else
        frame->mainSubWindow()->close();
    QCOMPARE(ended.count(), 1);
    QVERIFY(!frame->isVisible());
    QVERIFY(!hasStoredSetting(m_env->settingsFile(), QStringLiteral("UsedBefore")));
    QVERIFY(!hasStoredSetting(m_env->settingsFile(), QStringLiteral("WinTop")));
    QCOMPARE(storedSetting(QStringLiteral("On")), QStringLiteral("Yes"));
}

QTEST_MAIN(tst_Frame)
#include "tst_frame.moc"
