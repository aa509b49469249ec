#include "SettingsTestSupport.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmMessageSetup.h"
#include "frmSettings.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>

using namespace SettingsTestSupport;
using Settings = QMap<QString, QString>;

class tst_Frame : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(setUp()); }
    void cleanup() { m_env.reset(); }
    void load_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<bool>("maximised");
        QTest::addColumn<QPoint>("positionTwips"); // (-1, -1): wherever the platform put it
        QTest::addColumn<bool>("firstRun");

        QTest::newRow("nothing stored: maximised, first run")
            << Settings {} << true << QPoint(-1, -1) << true;
        QTest::newRow("No at top 1200, left 600; UsedBefore alone is no first run")
            << Settings {{"WinMax", "No"}, {"WinTop", "1200"}, {"WinLeft", "600"}, {"UsedBefore", "Yes"}}
            << false << QPoint(600, 1200) << false;
        QTest::newRow("any WinMax but empty is normal; Duration alone is no first run")
            << Settings {{"WinMax", "no"}, {"Duration", "3"}} << false << QPoint(-1, -1) << false;
    }
    void load()
    {
        QFETCH(Settings, settings);
        QFETCH(bool, maximised);
        QFETCH(QPoint, positionTwips);
        QFETCH(bool, firstRun);

        storeSettings(settings);
        const QPoint defaultPosition = MDIForm1().pos();
        auto frame = loadFrame();
        QVERIFY(frame);
        QCOMPARE(frame->isMaximized(), maximised);
        if (!maximised) {
            QTRY_COMPARE(frame->frameGeometry().size(), normalSize(frame.get()));
            QCOMPARE(frame->pos(),
                positionTwips.x() < 0 ? defaultPosition : Twips::toPixels(positionTwips, frame.get()));
        }
        QTest::qWait(50); // nor may late resize events of the load write the window state
        QCOMPARE(isStored(QStringLiteral("WinMax")), settings.contains("WinMax"));
        QCOMPARE(isStored(QStringLiteral("Version")), firstRun);
        if (firstRun)
            QCOMPARE(storedSetting(QStringLiteral("Version")),
                QString::number(MURMURINE_VERSION_MAJOR + MURMURINE_VERSION_MINOR / 10.0));
    }
    void windowStateAfterLoad()
    {
        storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}});
        auto frame = loadFrame();
        QVERIFY(frame);
        const QSize normal = normalSize(frame.get());
        frame->resize(300, 200);
        QTRY_COMPARE(frame->frameGeometry().size(), normal);

        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        QTRY_COMPARE(storedSetting(QStringLiteral("WinMax")), QString());

        frame->showNormal();
        QTRY_COMPARE(storedSetting(QStringLiteral("WinMax")), QStringLiteral("No"));
        QTRY_COMPARE(frame->frameGeometry().size(), normal);

        frame->showMinimized();
        QTRY_VERIFY(frame->isMinimized());
        QCOMPARE(storedSetting(QStringLiteral("WinMax")), QStringLiteral("No"));
    }
    // Each child comes up as the user asks for it, maximised and in front, and goes again by its own
    // button or the close box key, leaving the Welcome screen in front; then it comes up once more.
    void childComesUpAndGoes_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("winMax");
        QTest::addColumn<QString>("road"); // "key", "menu" or "button"
        QTest::addColumn<bool>("overManager"); // the message manager in front before
        QTest::addColumn<QString>("close"); // a button of the child, a key, or "restore, " and a button
        // clang-format off
        QTest::newRow("About, maximised, Ctrl+A, its button") << "about" << "" << "key" << false << "cmdOK";
        QTest::newRow("About, normal, Help menu over the manager, Ctrl+F4")
            << "about" << "No" << "menu" << true << "Ctrl+F4";
        QTest::newRow("manager, maximised, Ctrl+M, Close") << "manager" << "" << "key" << false << "cmdExit";
        QTest::newRow("manager, normal, button, Ctrl+F4") << "manager" << "No" << "button" << false << "Ctrl+F4";
        QTest::newRow("manager, maximised, menu, restored while open, Close")
            << "manager" << "" << "menu" << false << "restore, cmdExit";
        // The maximised child's own menu must not claim Ctrl+W as well: it stays open behind.
        QTest::newRow("manager, maximised, Ctrl+W from the manager") << "manager" << "" << "key" << false << "Ctrl+W";
        QTest::newRow("settings, maximised, button over the manager, Save and close")
            << "settings" << "" << "button" << true << "cmdExit";
        QTest::newRow("settings, normal, menu over the manager, Close")
            << "settings" << "No" << "menu" << true << "cmdClose";
        QTest::newRow("settings, normal, Ctrl+S, Ctrl+F4") << "settings" << "No" << "key" << false << "Ctrl+F4";
        // clang-format on
    }
    void childComesUpAndGoes()
    {
        QFETCH(QString, window);
        QFETCH(QString, winMax);
        QFETCH(QString, road);
        QFETCH(bool, overManager);
        QFETCH(QString, close);

        writeCalmLibrary();
        auto frame = loadActiveFrame({{"WinMax", winMax}});
        QVERIFY(frame);
        QAction *editMenu = frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction();
        verifyWelcomeInFront(frame.get());
        if (overManager) {
            frame->bringUpMessageManager();
            QTRY_VERIFY(editMenu->isVisible());
        }
        const auto subWindow = [&] {
            return window == QLatin1String("about")   ? frame->aboutSubWindow()
                : window == QLatin1String("settings") ? frame->settingsSubWindow()
                                                      : frame->managerSubWindow();
        };
        const auto bringUp = [&] {
            const bool about = window == QLatin1String("about"),
                       settings = window == QLatin1String("settings");
            if (road == QLatin1String("key")) {
                QTest::keyClick(QApplication::focusWidget(),
                    about          ? Qt::Key_A
                        : settings ? Qt::Key_S
                                   : Qt::Key_M,
                    Qt::ControlModifier);
            } else if (road == QLatin1String("menu")) {
                QVERIFY(chooseFromMenu(frame.get(), about ? "mnuHelpMain" : "mnuAllSettings",
                    about          ? "mnuAbout"
                        : settings ? "mnuChangeSettings"
                                   : "mnuChangeMessages"));
            } else {
                frame->bringUpMainWindow();
                QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->mainSubWindow());
                auto *button = frame->mainWindow()->findChild<QPushButton *>(
                    settings ? QStringLiteral("cmdChangeSettings") : QStringLiteral("cmdChangeMessages"));
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
            }
            QTRY_VERIFY(subWindow());
            QMdiSubWindow *sub = subWindow();
            QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), sub);
            QVERIFY(sub->isVisible());
            // Brought up as every child is: maximised, whatever the frame's state.
            QTRY_VERIFY(sub->isMaximized());
            QCOMPARE(editMenu->isVisible(), window == QLatin1String("manager"));
            QTRY_VERIFY(sub->isAncestorOf(QApplication::focusWidget()));
            if (about)
                QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
            const QWidget *panel = about ? static_cast<QWidget *>(frame->aboutBox()->contentPanel())
                : settings               ? frame->settingsForm()->contentPanel()
                                         : frame->messageManager()->contentPanel();
            QVERIFY(sub->rect().contains(QRect(panel->mapTo(sub, QPoint(0, 0)), panel->size())));
        };

        QVERIFY(!subWindow() || !subWindow()->isVisible()); // made hidden at start-up, or not yet
        bringUp();
        if (QTest::currentTestFailed())
            return;
        QMdiSubWindow *sub = subWindow();
        if (close.startsWith(QLatin1String("restore, "))) {
            frame->showNormal();
            QTRY_VERIFY(!frame->isMaximized());
            close = close.mid(9);
        }
        if (close.startsWith(QLatin1String("Ctrl+"))) {
            QTest::keyClick(QApplication::focusWidget(),
                close == QLatin1String("Ctrl+W") ? Qt::Key_W : Qt::Key_F4, Qt::ControlModifier);
        } else {
            auto *button = sub->widget()->findChild<QPushButton *>(close);
            QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
        }
        if (window == QLatin1String("about"))
            QTRY_VERIFY(!frame->aboutSubWindow());
        else
            QTRY_COMPARE(sub->isVisible(), close == QLatin1String("Ctrl+W"));
        verifyWelcomeInFront(frame.get());
        if (QTest::currentTestFailed())
            return;
        if (!frame->isMaximized()) {
            frame->showMaximized();
            QTRY_VERIFY(frame->isMaximized());
            verifyWelcomeInFront(frame.get());
        }
        // Once more: a new activation, maximised with the frame.
        bringUp();
    }
    void endWrites_data()
    {
        QTest::addColumn<QString>("winMax");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("exitWrites");
        // clang-format off
        QTest::newRow("normal, Exit button: position and UsedBefore") << "No" << "cmdExit" << true;
        QTest::newRow("maximised, Exit menu: UsedBefore only") << "" << "mnuExit" << true;
        QTest::newRow("frame's close box: nothing") << "No" << "frame" << false;
        QTest::newRow("welcome screen's close box: nothing") << "No" << "main" << false;
        // clang-format on
    }
    void endWrites()
    {
        QFETCH(QString, winMax);
        QFETCH(QString, how);
        QFETCH(bool, exitWrites);

        storeSettings(
            {{"WinMax", winMax}, {"WinTop", "1200"}, {"WinLeft", "600"}, {"Duration", "1"}, {"On", "Yes"}});
        auto frame = loadFrame();
        QVERIFY(frame);
        const bool normal = !winMax.isEmpty();
        QCOMPARE(frame->isMaximized(), !normal);
        const QPoint moved = Twips::toPixels(QPoint(900, 450), frame.get());
        if (normal) {
            frame->move(moved);
            QTRY_COMPARE(frame->pos(), moved);
        }
        QSignalSpy ended(frame.get(), &MDIForm1::programEnded);

        if (how == QLatin1String("mnuExit"))
            frame->findChild<QAction *>(how)->trigger();
        else if (how == QLatin1String("cmdExit"))
            frame->mainWindow()->findChild<QPushButton *>(how)->click();
        else if (how == QLatin1String("frame"))
            frame->close();
        else
            frame->mainSubWindow()->close();

        QCOMPARE(ended.count(), 1);
        QVERIFY(!frame->isVisible());
        QCOMPARE(storedSetting(QStringLiteral("UsedBefore")), QLatin1String(exitWrites ? "Yes" : ""));
        QCOMPARE(
            storedSetting(QStringLiteral("WinTop")), QLatin1String(exitWrites && normal ? "450" : "1200"));
        QCOMPARE(
            storedSetting(QStringLiteral("WinLeft")), QLatin1String(exitWrites && normal ? "900" : "600"));
        QCOMPARE(storedSetting(QStringLiteral("On")), QStringLiteral("Yes")); // the Messenger runs on
    }

private:
    static QSize normalSize(const QWidget *frame)
    {
        return Twips::toPixels(QSize(MDIForm1::NormalWidthTwips, MDIForm1::NormalHeightTwips), frame);
    }
};

QTEST_MAIN(tst_Frame)
#include "tst_frame.moc"
