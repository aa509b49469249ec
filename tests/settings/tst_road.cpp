// The typical roads, on a real X server: the real Settings program starts the
// real Messenger, a flash appears on the screen, and "&Stop Messages" ends it;
// the settings form saves its values; a first run opens the guided tour, which
// the user walks to its end. The test drives the programs only through X
// input, as a user would.

#include "SettingsTestSupport.h"
#include "XdoTool.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <xcb/xcb.h>

#include <csignal>

using namespace SettingsTestSupport;

namespace {

QStringList messengerWindows()
{
    return XdoTool::run({"search", "--onlyvisible", "--class", "^murmurine$"});
}

bool isRunning(qint64 pid)
{
    // A zombie nobody reaps (no init in a container) has ended all the same.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) != "Z";
}

// The Messenger started for this test: the process of that executable whose HOME is ours.
qint64 findMessenger(const QString &home)
{
    const QString messenger = QDir(TestEnvironment::binDir()).canonicalPath() + QStringLiteral("/murmurine");
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile environ(QStringLiteral("/proc/%1/environ").arg(entry));
        if (QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry)) == messenger
            && environ.open(QIODevice::ReadOnly)
            && environ.readAll().split('\0').contains("HOME=" + QFile::encodeName(home)))
            return entry.toLongLong();
    }
    return 0;
}

// Visible windows of the process whose title matches; xdotool's own name search
// also answers with windows whose title does not match, so each title is read back.
QStringList windowsNamed(qint64 pid, const QRegularExpression &title)
{
    QStringList matching;
    const QStringList found = XdoTool::run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), title.pattern()});
    for (const QString &window : found) {
        if (title.match(XdoTool::windowName(window)).hasMatch())
            matching.append(window);
    }
    return matching;
}

} // namespace

using XdoTool::pressKeysIn;
using XdoTool::windowName;

class tst_Road : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<QProcess> m_settings; // killed with the QProcess should the test fail

    bool startProcess()
    {
        m_settings = std::make_unique<QProcess>();
        m_settings->setProcessEnvironment(m_env->processEnvironment());
        m_settings->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_settings->start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
        return m_settings->waitForStarted();
    }

    // The Settings program of a returning user, its normal frame at the top left; the frame's window.
    QString startSettings(const QMap<QString, QString> &more = {})
    {
        QMap<QString, QString> settings {
            {"WinMax", "No"}, {"WinTop", "0"}, {"WinLeft", "0"}, {"UsedBefore", "Yes"}};
        settings.insert(more);
        storeSettings(settings);
        QStringList windows;
        if (!startProcess()
            || !QTest::qWaitFor([&] { return !(windows = visibleWindows(true)).isEmpty(); }, 30000))
            return {};
        return windows.size() == 1 ? windows.constFirst() : QString();
    }
    // The Settings program's visible windows; only those named as the frame is, or all.
    QStringList visibleWindows(bool framesOnly = false) const
    {
        QStringList arguments {"search", "--onlyvisible", "--pid", QString::number(m_settings->processId())};
        return XdoTool::run(framesOnly ? arguments << "--name"
                                                   << "^Murmurine.Settings"
                                       : arguments);
    }
    void exitSettings(const QString &frame)
    {
        pressKeysIn(frame, QStringLiteral("ctrl+x")); // "E&xit"
        QVERIFY(m_settings->waitForFinished(30000));
        QCOMPARE(m_settings->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_settings->exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!XdoTool::usable())
            QSKIP("needs xdotool and the X server that the test script starts");
    }
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void cleanup()
    {
        m_settings.reset();
        m_env.reset();
    }

    void startFlashStop()
    {
        writeLibrary(DataFolder::dataFilePath(DataFolder::locate(m_env->home())), QStringLiteral("Road"),
            {QStringLiteral("Every step lands softly"), QStringLiteral("I breathe in calm")});
        const QString frame
            = startSettings({{"ActualFrequency", "600"}, {"ActualDuration", "150"}, {"HaltPad", "No"}});
        QVERIFY(!frame.isEmpty());
        QVERIFY(messengerWindows().isEmpty());

        pressKeysIn(frame, QStringLiteral("alt+s")); // "&Start Messages"
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("On")), QStringLiteral("Yes"), 30000);
        qint64 messenger = 0;
        QTRY_VERIFY_WITH_TIMEOUT((messenger = findMessenger(m_env->home())) != 0, 30000);
        // Whatever fails below, no Messenger outlives the test's private folders.
        auto stopMessenger = qScopeGuard([&messenger] {
            if (isRunning(messenger))
                ::kill(pid_t(messenger), SIGTERM);
        });

        // A flash: the Messenger's own window mapped on the screen, then gone again.
        QDeadlineTimer deadline(30000);
        bool flashed = false;
        while (!(flashed = !messengerWindows().isEmpty()) && !deadline.hasExpired() && isRunning(messenger))
            QThread::msleep(20);
        QVERIFY2(flashed, "no flash appeared on the screen");
        QTRY_VERIFY_WITH_TIMEOUT(messengerWindows().isEmpty(), 5000);
        QVERIFY(isRunning(messenger));

        pressKeysIn(frame, QStringLiteral("alt+s")); // "&Stop Messages"
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("On")), QStringLiteral("No"), 30000);
        // The box asking the user to wait, answered as a user would.
        QStringList windows;
        QTRY_COMPARE_WITH_TIMEOUT((windows = visibleWindows(true)).size(), 2, 30000);
        windows.removeAll(frame);
        pressKeysIn(windows.constFirst(), QStringLiteral("Return"));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(true).size(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(messenger), 30000);
        QVERIFY(messengerWindows().isEmpty());

        exitSettings(frame);
        QCOMPARE(storedSetting(QStringLiteral("UsedBefore")), QStringLiteral("Yes"));
    }
    void saveSettings()
    {
        const QString frame = startSettings();
        QVERIFY(!frame.isEmpty());
        // A maximised child names itself in the frame's title.
        pressKeysIn(frame, QStringLiteral("ctrl+s"));
        QTRY_VERIFY_WITH_TIMEOUT(windowName(frame).contains(QLatin1String("[Murmurine settings]")), 30000);
        pressKeysIn(frame, QStringLiteral("alt+d")); // "Ran&dom position"
        pressKeysIn(frame, QStringLiteral("alt+s")); // "&Save and close", never "&Start Messages" behind it

        // The box saying when the settings take effect, answered as a user would.
        QStringList windows;
        QTRY_COMPARE_WITH_TIMEOUT((windows = visibleWindows()).size(), 2, 30000);
        windows.removeAll(frame);
        QCOMPARE(windowName(windows.constFirst()), QStringLiteral("Murmurine"));
        pressKeysIn(windows.constFirst(), QStringLiteral("Return"));
        QTRY_COMPARE_WITH_TIMEOUT(visibleWindows().size(), 1, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!windowName(frame).contains(QLatin1String("[Murmurine settings]")), 30000);

        QStringList values;
        for (const char *key : {"Duration", "Frequency", "TextColour", "BackColour", "BackColourTransparent",
                 "TextColourRandom", "Position", "FontName", "FontNo", "FontSize", "FontSizeNo"})
            values << storedSetting(QLatin1String(key));
        QCOMPARE(values.join(QLatin1Char('|')),
            QStringLiteral("1|3|-2147483640|-2147483643|1|0|3|MS Sans Serif|0|10|1"));
        QVERIFY(storedSetting(QStringLiteral("On")).isEmpty());

        exitSettings(frame);
    }
    void firstRunTourToItsEnd()
    {
        // Held for the whole test: an X server without other clients resets itself
        // each time the last one leaves, and refuses a program connecting meanwhile.
        xcb_connection_t *keepAlive = xcb_connect(nullptr, nullptr);
        auto disconnect = qScopeGuard([keepAlive] { xcb_disconnect(keepAlive); });
        QVERIFY(!xcb_connection_has_error(keepAlive));
        // Nothing stored: a first run.
        QVERIFY(startProcess());
        const qint64 pid = m_settings->processId();
        const QRegularExpression tourTitle(QStringLiteral("^Quick Tour of Murmurine$"));
        QStringList tours;
        QTRY_VERIFY_WITH_TIMEOUT(!(tours = windowsNamed(pid, tourTitle)).isEmpty(), 30000);
        QCOMPARE(tours.size(), 1);
        const QString tour = tours.constFirst();
        const QStringList size = XdoTool::run({"getdisplaygeometry"}).value(0).split(u' ');
        QCOMPARE(size.size(), 2);
        const QRect screen(0, 0, size.at(0).toInt(), size.at(1).toInt());

        for (int step = 0; step < 18; ++step) {
            QVERIFY2(
                screen.contains(XdoTool::geometry(tour)), qPrintable(QStringLiteral("step %1").arg(step)));
            // Return presses the default button, "&Continue >>" (then "&Continue"), at once: its access
            // key clicks only after a short animation, and presses within it would count as one.
            pressKeysIn(tour, QStringLiteral("Return"));
        }
        QTRY_VERIFY(screen.contains(XdoTool::geometry(tour)));
        pressKeysIn(tour, QStringLiteral("alt+e")); // "&End", there only on the last step
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(pid, tourTitle).isEmpty(), 30000);

        QCOMPARE(m_settings->state(), QProcess::Running);
        const QStringList frames
            = windowsNamed(pid, QRegularExpression(QStringLiteral("^Murmurine Settings")));
        QCOMPARE(frames.size(), 1);
        exitSettings(frames.constFirst());
    }
};

QTEST_GUILESS_MAIN(tst_Road)
#include "tst_road.moc"
