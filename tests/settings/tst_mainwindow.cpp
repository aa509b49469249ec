#include "Dialogs.h"
#include "IniProcedures.h"
#include "LinkClient.h"
#include "MDIForm1.h"
#include "SettingsTestSupport.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "frmMain.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <thread>

using namespace SettingsTestSupport;

namespace {

const QString StartCaption = QStringLiteral("&Start Messages");
const QString StopCaption = QStringLiteral("&Stop Messages");

// Stands in for the browser: records what would have been opened.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void openUrl(const QUrl &url) { opened.append(url); }
};

bool writeExecutable(const QString &path, const QByteArray &script)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
        return false;
    file.close();
    return file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ReadOwner);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startupFollowsOn_data();
    void startupFollowsOn();
    void startAndStop();
    void launchFailure_data();
    void launchFailure();
    void pokes_data();
    void pokes();
    void helpKey_data();
    void helpKey();
    void secondInstanceActivatesTheFirst();

private:
    std::unique_ptr<MDIForm1> loadFrame();
    QPushButton *cmdHide(const MDIForm1 &frame) const;
    QLabel *lblWorking(const MDIForm1 &frame) const;
    // Pokes from another thread while the UI thread keeps serving its endpoint.
    bool pokeSettings(const QString &item, const QString &text);

    std::unique_ptr<TestEnvironment> m_env;
    QString m_appFolder;
};

void tst_MainWindow::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_appFolder = m_env->root() + QStringLiteral("/app");
    QVERIFY(QDir().mkpath(m_appFolder));
    Dialogs::setTestMode(true);
    Dialogs::reset();
    storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}});
}

void tst_MainWindow::cleanup()
{
    Dialogs::reset();
    m_env.reset();
}

std::unique_ptr<MDIForm1> tst_MainWindow::loadFrame()
{
    auto frame = std::make_unique<MDIForm1>();
    frame->mainWindow()->setApplicationFolder(m_appFolder);
    if (!frame->MDIForm_Load() || !QTest::qWaitForWindowExposed(frame.get()))
        return nullptr;
    return frame;
}

QPushButton *tst_MainWindow::cmdHide(const MDIForm1 &frame) const
{
    return frame.mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdHide"));
}

QLabel *tst_MainWindow::lblWorking(const MDIForm1 &frame) const
{
    return frame.mainWindow()->findChild<QLabel *>(QStringLiteral("lblWorking"));
}

bool tst_MainWindow::pokeSettings(const QString &item, const QString &text)
{
    std::atomic<int> result {-1};
    std::thread sender([&] {
        result = LinkClient::poke(frmMain::LinkApplication, frmMain::LinkTopic, item, text, 5000) ? 1 : 0;
    });
    // The poke itself gives up after 5 s, so the wait ends in any case.
    while (result == -1)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    sender.join();
    return result == 1;
}

void tst_MainWindow::startupFollowsOn_data()
{
    QTest::addColumn<QString>("on");
    QTest::addColumn<bool>("running");
    QTest::newRow("Yes") << "Yes" << true;
    QTest::newRow("yes") << "yes" << false;
    QTest::newRow("YES") << "YES" << false;
    QTest::newRow("Yes with a blank") << "Yes " << false;
    QTest::newRow("No") << "No" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_MainWindow::startupFollowsOn()
{
    QFETCH(QString, on);
    QFETCH(bool, running);
    storeSettings({{"On", on}});
    auto frame = loadFrame();
    QVERIFY(frame);
    QCOMPARE(cmdHide(*frame)->text(), running ? StopCaption : StartCaption);
    QCOMPARE(lblWorking(*frame)->isVisible(), running);
}

void tst_MainWindow::startAndStop()
{
    // The stand-in Messenger notes the folder it was started in.
    QVERIFY(writeExecutable(m_appFolder + QStringLiteral("/murmurine"), "#!/bin/sh\npwd > started-in\n"));
    ThreadedEndpoint messenger(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"));
    ThreadedEndpoint quickStop(QStringLiteral("HALTPAD"), QStringLiteral("Form1"));
    QVERIFY(messenger.isListening() && quickStop.isListening());

    auto frame = loadFrame();
    QVERIFY(frame);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

    cmdHide(*frame)->click();
    QCOMPARE(storedSetting(QStringLiteral("On")), QStringLiteral("Yes"));
    const QDateTime started = TimeStamp::parse(storedSetting(QStringLiteral("Time")));
    QVERIFY(started.isValid() && started >= before);
    QCOMPARE(cmdHide(*frame)->text(), StopCaption);
    QVERIFY(lblWorking(*frame)->isVisible());
    QVERIFY(Dialogs::takeShown().isEmpty());
    QVERIFY(frame->mainWindow()->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(messenger.received(), QStringList {QStringLiteral("Text1=ON")});
    QCOMPARE(quickStop.received(), QStringList {QStringLiteral("Text1=ON")});
    QFile startedIn(m_appFolder + QStringLiteral("/started-in"));
    QTRY_VERIFY(startedIn.exists() && startedIn.size() > 0);
    QVERIFY(startedIn.open(QIODevice::ReadOnly));
    QCOMPARE(QDir(QString::fromLocal8Bit(startedIn.readAll().trimmed())).canonicalPath(),
        QDir(m_appFolder).canonicalPath());

    WriteIniFile(
        SettingsSection, QStringLiteral("Time"), QStringLiteral("2000-01-01T00:00:00.000"), SettingsFileName);
    cmdHide(*frame)->click();
    QCOMPARE(storedSetting(QStringLiteral("On")), QStringLiteral("No"));
    QVERIFY(TimeStamp::parse(storedSetting(QStringLiteral("Time"))) >= started);
    QCOMPARE(cmdHide(*frame)->text(), StartCaption);
    QVERIFY(lblWorking(*frame)->isHidden());
    QVERIFY(frame->mainWindow()->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(messenger.received(), (QStringList {QStringLiteral("Text1=ON"), QStringLiteral("Text1=OFF")}));
    QCOMPARE(quickStop.received(), (QStringList {QStringLiteral("Text1=ON"), QStringLiteral("Text1=OFF")}));
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.constFirst().kind, Dialogs::Kind::Message);
    QCOMPARE(shown.constFirst().title, QStringLiteral("Murmurine Settings"));
    QCOMPARE(shown.constFirst().text,
        QStringLiteral("Please wait a few seconds before pressing this button again so "
                       "that Murmurine can re-set itself. Thank you."));
}

void tst_MainWindow::launchFailure_data()
{
    QTest::addColumn<QString>("messenger"); // what lies at <application folder>/murmurine
    QTest::newRow("missing") << "";
    QTest::newRow("not executable") << "file";
    QTest::newRow("a folder") << "folder";
}

void tst_MainWindow::launchFailure()
{
    QFETCH(QString, messenger);
    const QString path = m_appFolder + QStringLiteral("/murmurine");
    if (messenger == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
    } else if (messenger == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    }
    ThreadedEndpoint messengerEndpoint(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"));
    storeSettings({{"On", "Yes"}, {"Time", "2000-01-01T00:00:00.000"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    // A poke from outside says the Messenger stopped; the user then starts it again.
    QVERIFY(pokeSettings(frmMain::LinkItem, QStringLiteral("OFF")));
    QCOMPARE(cmdHide(*frame)->text(), StartCaption);

    cmdHide(*frame)->click();
    QCOMPARE(storedSetting(QStringLiteral("On")), QStringLiteral("No"));
    QVERIFY(TimeStamp::parse(storedSetting(QStringLiteral("Time"))).date().year() > 2000);
    QCOMPARE(cmdHide(*frame)->text(), StartCaption);
    QVERIFY(lblWorking(*frame)->isHidden());
    QVERIFY(frame->mainWindow()->isEnabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(messengerEndpoint.received().isEmpty());
    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.constFirst().text,
        QStringLiteral("Could not start the subliminal messenger, please try again."));
    QCOMPARE(shown.constFirst().title, QStringLiteral("Murmurine Settings"));
}

void tst_MainWindow::pokes_data()
{
    QTest::addColumn<bool>("runningBefore");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("runningAfter");

    QTest::newRow("ON starts") << false << "Text1"
                               << "ON" << true;
    QTest::newRow("OFF stops") << true << "Text1"
                               << "OFF" << false;
    QTest::newRow("ON again after the text was already ON") << false << "Text1"
                                                            << "ON" << true;
    QTest::newRow("lower case on is ignored") << false << "Text1"
                                              << "on" << false;
    QTest::newRow("Off is ignored") << true << "Text1"
                                    << "Off" << true;
    QTest::newRow("trailing blank is ignored") << true << "Text1"
                                               << "OFF " << true;
    QTest::newRow("empty is ignored") << true << "Text1"
                                      << "" << true;
    QTest::newRow("another item is ignored") << false << "Text2"
                                             << "ON" << false;
}

void tst_MainWindow::pokes()
{
    QFETCH(bool, runningBefore);
    QFETCH(QString, item);
    QFETCH(QString, text);
    QFETCH(bool, runningAfter);

    storeSettings({{"On", runningBefore ? "Yes" : "No"}, {"Time", "2000-01-01T00:00:00.000"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    if (QTest::currentDataTag() == QLatin1String("ON again after the text was already ON")) {
        QVERIFY(pokeSettings(frmMain::LinkItem, QStringLiteral("ON")));
        // The user stops in between; the next ON must still count although Text1 holds ON already.
        QVERIFY(writeExecutable(m_appFolder + QStringLiteral("/murmurine"), "#!/bin/sh\n"));
        cmdHide(*frame)->click();
        QCOMPARE(cmdHide(*frame)->text(), StartCaption);
        storeSettings({{"On", "No"}, {"Time", "2000-01-01T00:00:00.000"}});
    }
    QFile settings(m_env->settingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();

    QVERIFY(pokeSettings(item, text));
    QCOMPARE(cmdHide(*frame)->text(), runningAfter ? StopCaption : StartCaption);
    QCOMPARE(lblWorking(*frame)->isVisible(), runningAfter);

    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before); // a poke writes nothing
}

void tst_MainWindow::helpKey_data()
{
    QTest::addColumn<bool>("pagePresent");
    QTest::addColumn<QString>("where");
    QTest::newRow("beside the program") << true << "help/index.html";
    QTest::newRow("installed") << true << "../share/murmurine/help/index.html";
    QTest::newRow("missing") << false << "";
}

void tst_MainWindow::helpKey()
{
    QFETCH(bool, pagePresent);
    QFETCH(QString, where);

    QString page;
    if (pagePresent) {
        page = QDir::cleanPath(m_appFolder + QLatin1Char('/') + where);
        QVERIFY(QDir().mkpath(QFileInfo(page).absolutePath()));
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html></html>");
    }
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "openUrl");
    auto cleanupHandler = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });

    auto frame = loadFrame();
    QVERIFY(frame);
    QVERIFY(!frame->mainWindow()->Form_KeyDown(Qt::Key_F2));
    QVERIFY(Dialogs::takeShown().isEmpty());

    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(cmdHide(*frame), Qt::Key_F1);

    const QList<Dialogs::Shown> shown = Dialogs::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.constFirst().title, QStringLiteral("Murmurine Settings"));
    if (pagePresent) {
        QCOMPARE(browser.opened, QList<QUrl> {QUrl::fromLocalFile(page)});
        QVERIFY(shown.constFirst().text.contains(QLatin1String("web browser")));
    } else {
        QVERIFY(browser.opened.isEmpty());
        QVERIFY(shown.constFirst().text.contains(QLatin1String("could not be found")));
    }
    QCOMPARE(cmdHide(*frame)->text(), StartCaption); // the key went no further
}

void tst_MainWindow::secondInstanceActivatesTheFirst()
{
    storeSettings({{"On", "Yes"}});
    auto frame = loadFrame();
    QVERIFY(frame);
    frame->showMinimized();
    QTRY_VERIFY(frame->isMinimized());

    QFile settings(m_env->settingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();

    QProcess second;
    QProcessEnvironment environment = m_env->processEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
    QVERIFY(second.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 60000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QTRY_VERIFY(!frame->isMinimized());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before);
    QCOMPARE(cmdHide(*frame)->text(), StopCaption);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
