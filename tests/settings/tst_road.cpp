// The typical road, on a real X server: the real Settings program starts the
// real Messenger, a flash appears on the screen, and "&Stop Messages" ends it.
// The test drives the programs only through X input, as a user would.

#include "DataFolder.h"
#include "IniProcedures.h"
#include "SettingsTestSupport.h"
#include "TestEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/types.h>

using namespace SettingsTestSupport;

namespace {

// Output of one xdotool call, or empty when it failed or found nothing.
QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList visibleWindowsOf(qint64 pid)
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
        QString::number(pid), QStringLiteral("--name"), QStringLiteral("^Murmurine Settings")});
}

QStringList visibleMessengerWindows()
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
        QStringLiteral("^murmurine$")});
}

void pressKeysIn(const QString &window, const QString &keys)
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

bool isRunning(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    // A zombie nobody reaps (no init in a container) has ended all the same.
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) != "Z";
}

// The Messenger started for this test: the process of that executable whose HOME is ours.
qint64 findMessenger(const QString &home)
{
    const QString messenger = QDir(TestEnvironment::binDir()).canonicalPath() + QStringLiteral("/murmurine");
    const QByteArray homeEntry = "HOME=" + QFile::encodeName(home);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid)) != messenger)
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(homeEntry))
            return pid;
    }
    return 0;
}

} // namespace

class tst_Road : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void startFlashStop();
};

void tst_Road::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is needed to drive the programs");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("needs the X server that the test script starts");
}

void tst_Road::startFlashStop()
{
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
    QVERIFY(settings.waitForStarted());
    auto stopSettings = qScopeGuard([&settings] {
        if (settings.state() != QProcess::NotRunning) {
            settings.kill();
            settings.waitForFinished();
        }
    });

    QStringList windows;
    QTRY_VERIFY_WITH_TIMEOUT(!(windows = visibleWindowsOf(settings.processId())).isEmpty(), 30000);
    QCOMPARE(windows.size(), 1);
    const QString frame = windows.constFirst();
    QVERIFY(visibleMessengerWindows().isEmpty());

    pressKeysIn(frame, QStringLiteral("alt+s")); // "&Start Messages"
    QTRY_COMPARE_WITH_TIMEOUT(
        ReadIniFile(SettingsSection, QStringLiteral("On"), SettingsFileName), QStringLiteral("Yes"), 30000);
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
    while (!flashed && !deadline.hasExpired() && isRunning(messenger)) {
        flashed = !visibleMessengerWindows().isEmpty();
        if (!flashed)
            QThread::msleep(20);
    }
    QVERIFY2(flashed, "no flash appeared on the screen");
    QTRY_VERIFY_WITH_TIMEOUT(visibleMessengerWindows().isEmpty(), 5000);
    QVERIFY(isRunning(messenger));

    pressKeysIn(frame, QStringLiteral("alt+s")); // "&Stop Messages"
    QTRY_COMPARE_WITH_TIMEOUT(
        ReadIniFile(SettingsSection, QStringLiteral("On"), SettingsFileName), QStringLiteral("No"), 30000);
    // The box asking the user to wait, answered as a user would.
    QTRY_COMPARE_WITH_TIMEOUT((windows = visibleWindowsOf(settings.processId())).size(), 2, 30000);
    windows.removeAll(frame);
    pressKeysIn(windows.constFirst(), QStringLiteral("Return"));
    QTRY_COMPARE_WITH_TIMEOUT(visibleWindowsOf(settings.processId()).size(), 1, 30000);

    QTRY_VERIFY_WITH_TIMEOUT(!isRunning(messenger), 30000);
    QVERIFY(visibleMessengerWindows().isEmpty());
    QCOMPARE(ReadIniFile(SettingsSection, QStringLiteral("On"), SettingsFileName), QStringLiteral("No"));

    pressKeysIn(frame, QStringLiteral("ctrl+x")); // "E&xit"
    QVERIFY(settings.waitForFinished(30000));
    QCOMPARE(settings.exitStatus(), QProcess::NormalExit);
    QCOMPARE(settings.exitCode(), 0);
    QCOMPARE(
        ReadIniFile(SettingsSection, QStringLiteral("UsedBefore"), SettingsFileName), QStringLiteral("Yes"));
}

QTEST_GUILESS_MAIN(tst_Road)
#include "tst_road.moc"
