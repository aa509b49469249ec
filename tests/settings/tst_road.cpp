// The typical roads, on a real X server: the real Settings program starts the
// real Messenger, a flash appears on the screen, and "&Stop Messages" ends it;
// the settings form saves its values. The test drives the programs only
// through X input, as a user would.

#include "DataFolder.h"
#include "SettingsTestSupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

using namespace SettingsTestSupport;

namespace {

// The output lines of one xdotool call; none when it failed or found nothing.
QStringList xdotool(const QString &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments.split(QLatin1Char(' ')));
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList settingsWindows(qint64 pid)
{
    return xdotool(QStringLiteral("search --onlyvisible --pid %1 --name ^Murmurine.Settings").arg(pid));
}

QStringList visibleWindows(qint64 pid)
{
    return xdotool(QStringLiteral("search --onlyvisible --pid %1").arg(pid));
}

QString windowName(const QString &window)
{
    const QStringList lines = xdotool(QStringLiteral("getwindowname ") + window);
    return lines.isEmpty() ? QString() : lines.constFirst();
}

QStringList messengerWindows()
{
    return xdotool(QStringLiteral("search --onlyvisible --class ^murmurine$"));
}

void pressKeysIn(const QString &window, const QString &keys)
{
    xdotool(QStringLiteral("windowfocus --sync ") + window);
    xdotool(QStringLiteral("key --clearmodifiers ") + keys);
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

} // namespace

class tst_Road : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startFlashStop();
    void saveSettings();
};

void tst_Road::startFlashStop()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()
        || qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs xdotool and the X server that the test script starts");
    TestEnvironment env;
    QVERIFY(env.isValid());
    storeSettings({{"WinMax", "No"}, {"WinTop", "0"}, {"WinLeft", "0"}, {"UsedBefore", "Yes"},
        {"ActualFrequency", "600"}, {"ActualDuration", "150"}, {"HaltPad", "No"}});
    writeLibrary(DataFolder::dataFilePath(DataFolder::locate(env.home())), QStringLiteral("Road"),
        {QStringLiteral("Every step lands softly"), QStringLiteral("I breathe in calm")});

    QProcess settings;
    settings.setProcessEnvironment(env.processEnvironment());
    settings.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    settings.start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
    QVERIFY(settings.waitForStarted()); // killed with the QProcess should the test fail
    QStringList windows;
    QTRY_VERIFY_WITH_TIMEOUT(!(windows = settingsWindows(settings.processId())).isEmpty(), 30000);
    QCOMPARE(windows.size(), 1);
    const QString frame = windows.constFirst();
    QVERIFY(messengerWindows().isEmpty());

    pressKeysIn(frame, QStringLiteral("alt+s")); // "&Start Messages"
    QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("On")), QStringLiteral("Yes"), 30000);
    qint64 messenger = 0;
    QTRY_VERIFY_WITH_TIMEOUT((messenger = findMessenger(env.home())) != 0, 30000);
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
    QTRY_COMPARE_WITH_TIMEOUT((windows = settingsWindows(settings.processId())).size(), 2, 30000);
    windows.removeAll(frame);
    pressKeysIn(windows.constFirst(), QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(settingsWindows(settings.processId()).size(), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!isRunning(messenger), 30000);
    QVERIFY(messengerWindows().isEmpty());

    pressKeysIn(frame, QStringLiteral("ctrl+x")); // "E&xit"
    QVERIFY(settings.waitForFinished(30000));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 0);
    QCOMPARE(storedSetting(QStringLiteral("UsedBefore")), QStringLiteral("Yes"));
}

void tst_Road::saveSettings()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()
        || qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs xdotool and the X server that the test script starts");
    TestEnvironment env;
    QVERIFY(env.isValid());
    storeSettings({{"WinMax", "No"}, {"WinTop", "0"}, {"WinLeft", "0"}, {"UsedBefore", "Yes"}});

    QProcess settings;
    settings.setProcessEnvironment(env.processEnvironment());
    settings.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    settings.start(TestEnvironment::binDir() + QStringLiteral("/murmurine-settings"), {});
    QVERIFY(settings.waitForStarted());
    QStringList windows;
    QTRY_VERIFY_WITH_TIMEOUT(!(windows = settingsWindows(settings.processId())).isEmpty(), 30000);
    const QString frame = windows.constFirst();

    // A maximised child names itself in the frame's title.
    pressKeysIn(frame, QStringLiteral("ctrl+s"));
    QTRY_VERIFY_WITH_TIMEOUT(windowName(frame).contains(QLatin1String("[Murmurine settings]")), 30000);
    pressKeysIn(frame, QStringLiteral("alt+d")); // "Ran&dom position"
    pressKeysIn(frame, QStringLiteral("alt+s")); // "&Save and close", never "&Start Messages" behind it

    // The box saying when the settings take effect, answered as a user would.
    QTRY_COMPARE_WITH_TIMEOUT((windows = visibleWindows(settings.processId())).size(), 2, 30000);
    windows.removeAll(frame);
    QCOMPARE(windowName(windows.constFirst()), QStringLiteral("Murmurine"));
    pressKeysIn(windows.constFirst(), QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(settings.processId()).size(), 1, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!windowName(frame).contains(QLatin1String("[Murmurine settings]")), 30000);

    QStringList values;
    for (const char *key : {"Duration", "Frequency", "TextColour", "BackColour", "BackColourTransparent",
             "TextColourRandom", "Position", "FontName", "FontNo", "FontSize", "FontSizeNo"})
        values << storedSetting(QLatin1String(key));
    QCOMPARE(values.join(QLatin1Char('|')),
        QStringLiteral("1|3|-2147483640|-2147483643|1|0|3|MS Sans Serif|0|10|1"));
    QVERIFY(storedSetting(QStringLiteral("On")).isEmpty());

    pressKeysIn(frame, QStringLiteral("ctrl+x")); // "E&xit"
    QVERIFY(settings.waitForFinished(30000));
    QCOMPARE(settings.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_Road)
#include "tst_road.moc"
