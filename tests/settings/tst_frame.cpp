#include "SettingsTestSupport.h"
#include "Twips.h"
#include "frmMessageSetup.h"

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
    void editMenuWhileTheManagerIsActive()
    {
        writeCalmLibrary();
        auto frame = loadFrame();
        QVERIFY(frame);
        QAction *editMenu = frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction();
        QVERIFY(!editMenu->isVisible());

        frame->findChild<QAction *>(QStringLiteral("mnuChangeMessages"))->trigger();
        QTRY_VERIFY(editMenu->isVisible());
        QCOMPARE(frame->mdiArea()->activeSubWindow(), frame->managerSubWindow());

        // From the keyboard: the maximised sub-window's own menu must not claim Ctrl+W as well.
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        QTest::keyClick(frame->messageManager(), Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!editMenu->isVisible());
        QCOMPARE(frame->mdiArea()->activeSubWindow(), frame->mainSubWindow());
        QVERIFY(frame->managerSubWindow()->isVisible());

        frame->mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdChangeMessages"))->click();
        QTRY_VERIFY(editMenu->isVisible());
        // Hidden by its own button, then brought back: a new activation each time.
        frame->messageManager()->findChild<QPushButton *>(QStringLiteral("cmdExit"))->click();
        QTRY_VERIFY(!frame->managerSubWindow()->isVisible());
        frame->bringUpMainWindow();
        QTRY_VERIFY(!editMenu->isVisible());
        frame->bringUpMessageManager();
        QTRY_VERIFY(editMenu->isVisible());
    }
    void closingTheManager_data()
    {
        QTest::addColumn<QString>("winMax");
        QTest::addColumn<QString>("how");
        // clang-format off
        QTest::newRow("maximised, Close button") << "" << "cmdExit";
        QTest::newRow("normal, close box key, then maximised") << "No" << "Ctrl+F4";
        QTest::newRow("maximised, restored while the manager is open") << "" << "restore, cmdExit";
        // clang-format on
    }
    void closingTheManager()
    {
        QFETCH(QString, winMax);
        QFETCH(QString, how);

        writeCalmLibrary();
        auto frame = loadActiveFrame({{"WinMax", winMax}});
        QVERIFY(frame);
        QAction *editMenu = frame->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction();
        verifyWelcomeInFront(frame.get());
        if (QTest::currentTestFailed())
            return;

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::ControlModifier);
        QTRY_COMPARE(frame->mdiArea()->activeSubWindow(), frame->managerSubWindow());
        QVERIFY(editMenu->isVisible());
        if (how.startsWith(QLatin1String("restore"))) {
            frame->showNormal();
            QTRY_VERIFY(!frame->isMaximized());
            how = QStringLiteral("cmdExit");
        }
        if (how == QLatin1String("cmdExit")) {
            auto *close = frame->messageManager()->findChild<QPushButton *>(how);
            QTest::mouseClick(close, Qt::LeftButton, Qt::NoModifier, close->rect().center());
        } else {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::ControlModifier);
        }
        QTRY_VERIFY(!frame->managerSubWindow()->isVisible());
        verifyWelcomeInFront(frame.get());
        if (QTest::currentTestFailed())
            return;

        if (!frame->isMaximized()) {
            frame->showMaximized();
            QTRY_VERIFY(frame->isMaximized());
            verifyWelcomeInFront(frame.get());
        }
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
