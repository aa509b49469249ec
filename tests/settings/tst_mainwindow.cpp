#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "SettingsTestSupport.h"
#include "TimeStamp.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>

using namespace SettingsTestSupport;

namespace {

QPushButton *cmdHide(const MDIForm1 &frame)
{
    return frame.mainWindow()->findChild<QPushButton *>(QStringLiteral("cmdHide"));
}

// What the welcome screen shows: the button's caption and the note agree, or "mixed".
QString shown(const MDIForm1 &frame)
{
    const bool stop = cmdHide(frame)->text() == QLatin1String("&Stop Messages");
    if (stop != frame.mainWindow()->findChild<QLabel *>(QStringLiteral("lblWorking"))->isVisible())
        return QStringLiteral("mixed");
    return QLatin1String(stop ? "running" : "stopped");
}

// A link endpoint served by a thread of its own, so that the welcome screen can
// poke it synchronously (a poke waits for an acknowledgement, which the UI
// thread could not give while it is the one waiting).
class ThreadedEndpoint
{
public:
    ThreadedEndpoint(const QString &application, const QString &topic)
    {
        QSemaphore ready;
        m_thread.reset(QThread::create([&, application, topic] {
            LinkEndpoint endpoint(application, topic);
            QObject::connect(&endpoint, &LinkEndpoint::textChanged,
                [this](const QString &item, const QString &text) { m_received << item + '=' + text; });
            m_listening = endpoint.listen();
            ready.release();
            QEventLoop().exec(); // until quit()
        }));
        m_thread->start();
        ready.acquire();
    }
    ~ThreadedEndpoint() { received(); }
    bool isListening() const { return m_listening; }
    QStringList received() // "item=text" for every poke, in order; stops listening
    {
        m_thread->quit();
        m_thread->wait();
        return m_received;
    }

private:
    std::unique_ptr<QThread> m_thread;
    bool m_listening = false;
    QStringList m_received;
};

// Pokes from another thread while the UI thread serves its endpoint.
bool pokeSettings(const QString &item, const QString &text)
{
    bool poked = false;
    std::unique_ptr<QThread> sender(QThread::create(
        [&] { poked = LinkClient::poke(frmMain::LinkApplication, frmMain::LinkTopic, item, text, 5000); }));
    sender->start();
    while (!sender->wait(QDeadlineTimer(10))) // the poke gives up after 5 s
        QCoreApplication::processEvents();
    return poked;
}

} // namespace

class tst_MainWindow : public QObject, SettingsFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(setUp());
        storeSettings({{"WinMax", "No"}, {"UsedBefore", "Yes"}});
    }
    void cleanup() { m_env.reset(); }
    void startStop_data()
    {
        QTest::addColumn<QString>("on"); // stored before the load
        QTest::addColumn<bool>("messenger"); // whether <application folder>/murmurine can be started
        QTest::addColumn<QStringList>("steps"); // "click" on the start/stop button, or "item=text" poked
        QTest::addColumn<QString>("expected"); // what the welcome screen shows at the end
        QTest::addColumn<QString>("onAfter");
        QTest::addColumn<QString>("sent"); // the command poked to the Messenger and to the quick stop, if any
        QTest::addColumn<QString>("box");

        const QString wait
            = QStringLiteral("Please wait a few seconds before pressing this button again so that "
                             "Murmurine can re-set itself. Thank you.");
        const QStringList click {QStringLiteral("click")};
        using Steps = QStringList;
        // clang-format off
        QTest::newRow("start") << "No" << true << click << "running" << "Yes" << "ON" << "";
        QTest::newRow("stop") << "Yes" << false << click << "stopped" << "No" << "OFF" << wait;
        QTest::newRow("start with the Messenger missing") << "No" << false << click << "stopped" << "No" << ""
            << "Could not start the subliminal messenger, please try again.";
        QTest::newRow("On=Yes at the load") << "Yes" << false << Steps() << "running" << "Yes" << "" << "";
        QTest::newRow("On=yes at the load") << "yes" << false << Steps() << "stopped" << "yes" << "" << "";
        QTest::newRow("ON starts") << "No" << false << Steps {"Text1=ON"} << "running" << "No" << "" << "";
        QTest::newRow("OFF stops") << "Yes" << false << Steps {"Text1=OFF"} << "stopped" << "Yes" << "" << "";
        QTest::newRow("on ignored") << "No" << false << Steps {"Text1=on"} << "stopped" << "No" << "" << "";
        QTest::newRow("OFF+blank") << "Yes" << false << Steps {"Text1=OFF "} << "running" << "Yes" << "" << "";
        QTest::newRow("Text2 ignored") << "No" << false << Steps {"Text2=ON"} << "stopped" << "No" << "" << "";
        QTest::newRow("ON again after the user stopped")
            << "Yes" << false << Steps {"Text1=ON", "click", "Text1=ON"} << "running" << "No" << "OFF" << wait;
        // clang-format on
    }
    void startStop()
    {
        QFETCH(QString, on);
        QFETCH(bool, messenger);
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        QFETCH(QString, onAfter);
        QFETCH(QString, sent);
        QFETCH(QString, box);

        if (messenger) {
            QFile file(appFolder() + QStringLiteral("/murmurine"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n") > 0);
            QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        }
        ThreadedEndpoint mini(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"));
        ThreadedEndpoint quickStop(QStringLiteral("HALTPAD"), QStringLiteral("Form1"));
        QVERIFY(mini.isListening() && quickStop.isListening());
        const QString oldTime = QStringLiteral("2000-01-01T00:00:00.000");
        storeSettings({{"On", on}, {"Time", oldTime}});
        auto frame = loadFrame();
        QVERIFY(frame);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

        for (const QString &step : steps) {
            const QByteArray settings = settingsState();
            if (step == QLatin1String("click")) {
                cmdHide(*frame)->click();
                QVERIFY(frame->mainWindow()->isEnabled());
                QVERIFY(!QGuiApplication::overrideCursor());
            } else {
                QVERIFY(
                    pokeSettings(step.section(QLatin1Char('='), 0, 0), step.section(QLatin1Char('='), 1)));
                QCOMPARE(settingsState(), settings); // a poke writes nothing
            }
        }
        QCOMPARE(shown(*frame), expected);
        QCOMPARE(storedSetting(QStringLiteral("On")), onAfter);
        if (steps.contains(QStringLiteral("click")))
            QVERIFY(TimeStamp::parse(storedSetting(QStringLiteral("Time"))) >= before);
        else
            QCOMPARE(storedSetting(QStringLiteral("Time")), oldTime);
        const QStringList pokes
            = sent.isEmpty() ? QStringList() : QStringList {QStringLiteral("Text1=") + sent};
        QCOMPARE(mini.received(), pokes);
        QCOMPARE(quickStop.received(), pokes);
        const QList<Dialogs::Shown> boxes = Dialogs::takeShown();
        QCOMPARE(boxes.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            QCOMPARE(boxes.constFirst().text, box);
            QCOMPARE(boxes.constFirst().title, QStringLiteral("Murmurine Settings"));
        }
    }
    void secondInstanceActivatesTheFirst()
    {
        storeSettings({{"On", "Yes"}});
        auto frame = loadFrame();
        QVERIFY(frame);
        frame->showMinimized();
        QTRY_VERIFY(frame->isMinimized());
        const QByteArray before = settingsState();

        QProcess second;
        second.setProcessEnvironment(m_env->processEnvironment()); // offscreen as this test
        second.start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
        QVERIFY(second.waitForStarted());
        // It pokes this process, which must go on serving its endpoint meanwhile.
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 60000);
        QVERIFY(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);

        QTRY_VERIFY(!frame->isMinimized());
        QCOMPARE(settingsState(), before);
        QCOMPARE(shown(*frame), QStringLiteral("running"));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
