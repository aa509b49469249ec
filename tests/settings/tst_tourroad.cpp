// A first run on a real X server: the real Settings program opens the guided
// tour by itself, and the user walks it to its end with the keyboard.

#include "SettingsTestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <xcb/xcb.h>

using namespace SettingsTestSupport;

namespace {

const QRegularExpression TourTitle(QStringLiteral("^Quick Tour of Murmurine$"));

QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Visible windows of the process whose title matches; xdotool's own name search
// also answers with windows whose title does not match, so each title is read back.
QStringList windowsNamed(qint64 pid, const QRegularExpression &title)
{
    QStringList matching;
    const QStringList found = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
        QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), title.pattern()});
    for (const QString &window : found) {
        if (title.match(xdotool({QStringLiteral("getwindowname"), window}).value(0)).hasMatch())
            matching.append(window);
    }
    return matching;
}

void pressKeysIn(const QString &window, const QString &keys)
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

// The window's place and size as the X server has them.
QRect geometryOf(const QString &window)
{
    QMap<QString, int> values;
    for (const QString &line :
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}))
        values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
    return {values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
        values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT"))};
}

QRect screenArea()
{
    const QStringList size = xdotool({QStringLiteral("getdisplaygeometry")}).value(0).split(QLatin1Char(' '));
    return size.size() == 2 ? QRect(0, 0, size.at(0).toInt(), size.at(1).toInt()) : QRect();
}

} // namespace

class tst_TourRoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunTourToItsEnd();
};

void tst_TourRoad::firstRunTourToItsEnd()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()
        || qEnvironmentVariableIsEmpty("DISPLAY"))
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
        QVERIFY2(screen.contains(geometryOf(tour)), qPrintable(QStringLiteral("step %1").arg(step)));
        // Return presses the default button, "&Continue >>" (then "&Continue"), at once: its access
        // key clicks only after a short animation, and presses within it would count as one.
        pressKeysIn(tour, QStringLiteral("Return"));
    }
    QTRY_VERIFY(screen.contains(geometryOf(tour)));
    pressKeysIn(tour, QStringLiteral("alt+e")); // "&End", there only on the last step
    QTRY_VERIFY_WITH_TIMEOUT(windowsNamed(pid, TourTitle).isEmpty(), 30000);

    QCOMPARE(settings.state(), QProcess::Running);
    const QStringList frames = windowsNamed(pid, QRegularExpression(QStringLiteral("^Murmurine Settings")));
    QCOMPARE(frames.size(), 1);
    pressKeysIn(frames.constFirst(), QStringLiteral("ctrl+x")); // "E&xit"
    QVERIFY(settings.waitForFinished(30000));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_TourRoad)
#include "tst_tourroad.moc"
