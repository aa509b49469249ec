// A first run on a real X server: the real Settings program opens the guided
// tour by itself, and the user walks it to its end with the keyboard.

#include "SettingsTestSupport.h"
#include "XdoTool.h"

#include <QProcess>
#include <QRegularExpression>

#include <xcb/xcb.h>

using namespace SettingsTestSupport;

namespace {

const QRegularExpression TourTitle(QStringLiteral("^Quick Tour of Murmurine$"));

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

QRect screenArea()
{
    const QStringList size = XdoTool::run({"getdisplaygeometry"}).value(0).split(u' ');
    return size.size() == 2 ? QRect(0, 0, size.at(0).toInt(), size.at(1).toInt()) : QRect();
}

} // namespace

class tst_TourRoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunTourToItsEnd()
    {
        if (!XdoTool::usable())
            QSKIP("needs xdotool and the X server that the test script starts");
        // Held for the whole test: an X server without other clients resets itself
        // each time the last one leaves, and refuses a program connecting meanwhile.
        xcb_connection_t *keepAlive = xcb_connect(nullptr, nullptr);
        auto disconnect = qScopeGuard([keepAlive] { xcb_disconnect(keepAlive); });
        QVERIFY(!xcb_connection_has_error(keepAlive));
        TestEnvironment env; // nothing stored: a first run
        QVERIFY(env.isValid());

        QProcess settings;
        settings.setProcessEnvironment(env.processEnvironment());
        settings.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        settings.start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
        QVERIFY(settings.waitForStarted()); // killed with the QProcess should the test fail
        const qint64 pid = settings.processId();
        QStringList tours;
        QTRY_VERIFY_WITH_TIMEOUT(!(tours = windowsNamed(pid, TourTitle)).isEmpty(), 30000);
        QCOMPARE(tours.size(), 1);
        const QString tour = tours.constFirst();
        const QRect screen = screenArea();
        QVERIFY(!screen.isEmpty());

        for (int step = 0; step < 18; ++step) {
            QVERIFY2(
                screen.contains(XdoTool::geometry(tour)), qPrintable(QStringLiteral("step %1").arg(step)));
            // Return presses the default button, "&Continue >>" (then "&Continue"), at once: its access
            // key clicks only after a short animation, and presses within it would count as one.
            XdoTool::pressKeysIn(tour, QStringLiteral("Return"));
        }
        QTRY_VERIFY(screen.contains(XdoTool::geometry(tour)));
        XdoTool::pressKeysIn(tour, QStringLiteral("alt+e")); // "&End", there only on the last step
        QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(pid, TourTitle).isEmpty(), 30000);

        QCOMPARE(settings.state(), QProcess::Running);
        const QStringList frames
            = windowsNamed(pid, QRegularExpression(QStringLiteral("^Murmurine Settings")));
        QCOMPARE(frames.size(), 1);
        XdoTool::pressKeysIn(frames.constFirst(), QStringLiteral("ctrl+x")); // "E&xit"
        QVERIFY(settings.waitForFinished(30000));
        QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
        QCOMPARE(settings.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_TourRoad)
#include "tst_tourroad.moc"
