#include "LinkEndpoint.h"
#include "SettingsStore.h"
#include "TestEnvironment.h"
#include "TestProcess.h"
#include "XdoTool.h"

#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Patience = 30000;

using Peer = TestProcess;

// Whether a tray has taken the selection that tray icons look for.
bool trayIsThere()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    bool owned = false;
    if (!xcb_connection_has_error(connection)) {
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
        if (atom) {
            xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
                connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            owned = owner && owner->owner != XCB_NONE;
            free(owner);
            free(atom);
        }
    }
    xcb_disconnect(connection);
    return owned;
}

} // namespace

// The Quick Stop program on a real X server, clicked as a user clicks it: in
// a tray when one is there, else as its task-bar window.
class TestHaltPadX11 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!XdoTool::usable() || QStandardPaths::findExecutable(u"trayer"_s).isEmpty())
            QSKIP("needs the X server that the test script starts, xdotool and trayer");
        QVERIFY2(!trayIsThere(), "another tray runs on this display");
    }

    void clickSwitchesOff_data()
    {
        QTest::addColumn<bool>("trayBefore");
        QTest::addColumn<bool>("trayAfter");
        QTest::newRow("icon in the tray") << true << true;
        QTest::newRow("no tray: task-bar window") << false << false;
        QTest::newRow("tray comes later: into the tray") << false << true;
    }
    void clickSwitchesOff()
    {
        QFETCH(bool, trayBefore);
        QFETCH(bool, trayAfter);
        TestEnvironment env;
        QVERIFY(SettingsStore::write(u"Settings"_s, u"On"_s, u"Yes"_s));
        QProcessEnvironment processEnv = env.processEnvironment();
        // Without a session bus Qt's tray icon speaks the X11 tray protocol.
        processEnv.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);

        std::unique_ptr<Peer> tray;
        // The tray host now and then fails to open the display as it starts
        // beside other clients; it is a tool of this test, so it gets a few goes.
        auto startTray = [&] {
            for (int attempt = 0; attempt < 5 && !trayIsThere(); ++attempt) {
                if (attempt > 0)
                    QTest::qWait(500);
                tray = std::make_unique<Peer>(processEnv, u"trayer"_s,
                    QStringList {
                        u"--edge"_s, u"top"_s, u"--widthtype"_s, u"request"_s, u"--height"_s, u"24"_s});
                QDeadlineTimer deadline(Patience);
                while (!trayIsThere() && tray->state() != QProcess::NotRunning && !deadline.hasExpired())
                    QTest::qWait(200);
            }
            return trayIsThere();
        };
        if (trayBefore)
            QVERIFY(startTray());
        Peer messenger(processEnv, QStringLiteral(LINK_HELPER), {u"messenger"_s});
        QCOMPARE(messenger.nextLine(Patience), u"listening"_s);
        Peer haltpad(processEnv, QStringLiteral(HALTPAD_PROGRAM), {});
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(LinkEndpoint::socketPath(u"HALTPAD"_s, u"Form1"_s)), Patience);

        const QString pid = QString::number(haltpad.processId());
        auto taskBarWindows = [] {
            return XdoTool::run({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^MRNON$"_s});
        };
        if (trayAfter && !trayBefore) {
            QTRY_VERIFY_WITH_TIMEOUT(!taskBarWindows().isEmpty(), Patience);
            QVERIFY(startTray());
            QTRY_VERIFY_WITH_TIMEOUT(taskBarWindows().isEmpty(), Patience);
        }
        QStringList windows;
        QTRY_VERIFY_WITH_TIMEOUT(!(windows = XdoTool::run({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, pid,
                                       u"--class"_s, u"haltpad"_s}))
                                      .isEmpty(),
            Patience);
        QCOMPARE(windows.size(), 1);
        QCOMPARE(taskBarWindows().isEmpty(), trayAfter);

        const QSize size = XdoTool::geometry(windows.first()).size();
        QVERIFY(!size.isEmpty());
        XdoTool::run({u"mousemove"_s, u"--window"_s, windows.first(), QString::number(size.width() / 2),
            QString::number(size.height() / 2), u"click"_s, u"1"_s});

        QCOMPARE(messenger.nextLine(Patience), u"changed Text1=OFF"_s);
        QSettings written(env.settingsFile(), QSettings::IniFormat);
        QCOMPARE(written.value("Settings/On").toString(), u"No"_s);
        QCOMPARE(haltpad.state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestHaltPadX11)
#include "tst_haltpad_x11.moc"
