#include "LinkClient.h"
#include "MessengerTestSupport.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "X11Helpers.h"

#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

constexpr int StartTimeout = 20000; // a sanitizer build starts slowly
constexpr int Timeout = 10000;
constexpr QRgb DesktopColour = 0x00ff00;
constexpr QRgb TextColour = 0xff0000; // "TextColour" 255, a red
constexpr int Frequency = 800;
constexpr int LongFlash = 350;
constexpr int ShortFlash = 2;

// Solid blocks: a large patch of exactly the text colour at the screen's middle.
const QString Message = QStringLiteral("\u2588\u2588\u2588\u2588\u2588\u2588");
const QString HaltPadRan = QStringLiteral("/haltpad-ran");

} // namespace

namespace {

// What is wrong with flashes meant to last durationMs over ticks frequency
// ticks: none seen, or one broken up; and for flashes long enough to time,
// too few seen whole, or one too short or too long. Empty when nothing is.
QString flashFault(const ScreenSampler::Report &report, int ticks, int durationMs)
{
    bool fine = !report.appearances.isEmpty() && report.appearances.size() <= ticks + 2;
    int whole = 0;
    for (const ScreenSampler::Appearance &flash : report.appearances) {
        if (durationMs >= 100 && flash.whole) {
            ++whole;
            fine = fine && flash.ms > 0.6 * durationMs && flash.ms < 2.0 * durationMs;
        }
    }
    fine = fine && (durationMs < 100 || whole >= ticks - 3);
    return fine ? QString() : QStringLiteral("%1 ms flashes: ").arg(durationMs) + report.toString();
}

// How many pixels of each colour an image has.
QMap<QRgb, int> coloursOf(const QImage &image)
{
    QMap<QRgb, int> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ++colours[image.pixel(x, y) & 0xffffff];
    }
    return colours;
}

// Between flashes the flash place shows the desktop and nothing else: no
// window of the Messenger's, black or otherwise, stays on the screen. A look
// that catches a flash being drawn is forgiven.
QString leftoverFault(const ScreenSampler::Report &report)
{
    if (report.clearLooks > 0 && report.stainedLooks * 20 <= report.clearLooks)
        return {};
    return QStringLiteral("not the desktop between flashes: ") + report.toString();
}

} // namespace

#define VERIFY_NO_FAULT(fault)                                                                               \
    do {                                                                                                     \
        const QString found = (fault);                                                                       \
        QVERIFY2(found.isEmpty(), qPrintable(found));                                                        \
    } while (false)
#define START_COMPOSITOR()                                                                                   \
    QVERIFY2(m_display->startCompositor(Timeout), "picom took no ownership of _NET_WM_CM_S0")

// The Messenger on a screen of the test's own, seen through the screen's
// pixels and its windows' maps, with and without a compositor, and with one that comes and goes
// while the Messenger runs. Whatever the compositor does, every flash must
// reach the screen, last about as long as asked, let the desktop show between
// flashes, and take neither clicks nor the focus.
class tst_MessengerCompositor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (!PrivateDisplay::serverInstalled())
            QSKIP("Xvfb is not installed: these tests run their own X server");
        if (!PrivateDisplay::compositorInstalled())
            QSKIP("picom is not installed: these tests need a compositor to start and stop");
    }
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_display = std::make_unique<PrivateDisplay>();
        QVERIFY2(m_display->isValid(), "Xvfb did not start");
        m_sampler = std::make_unique<ScreenSampler>(
            m_display->name(), QRect(middle() - QPoint(40, 8), QSize(80, 16)), TextColour, DesktopColour);
        QVERIFY(m_sampler->isValid());
        setSetting("HaltPad", "No");
        setSetting("TextColour", "255");
        setSetting("FontSize", "24");
        writeLibrary(m_env->home(), {Message});
    }
    void cleanup()
    {
        if (m_messenger) {
            m_messenger->kill();
            m_messenger->waitForFinished(5000);
        }
        m_messenger.reset();
        m_sampler.reset();
        m_display.reset();
        m_env.reset();
    }

    void flashesReachTheScreen_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::addColumn<int>("duration");
        QTest::newRow("long, no compositor") << false << LongFlash;
        QTest::newRow("short, no compositor") << false << ShortFlash;
        QTest::newRow("long, compositor") << true << LongFlash;
        QTest::newRow("short, compositor") << true << ShortFlash;
    }
    void flashesReachTheScreen()
    {
        QFETCH(bool, compositor);
        QFETCH(int, duration);
        if (compositor)
            START_COMPOSITOR();
        const std::uint32_t desktop = m_display->createDesktop(DesktopColour);
        startMessenger(duration, Frequency);
        QVERIFY2(m_sampler->waitFor(ScreenSampler::Look::Text, StartTimeout), "no flash on the screen");
        raiseBetweenFlashes(desktop);

        VERIFY_NO_FAULT(watchFault(duration));
        QCOMPARE(m_display->focus(), desktop);

        // Asked to end, it ends cleanly (a sanitizer build fails its exit on a leak).
        QVERIFY(LinkClient::poke("Murmurine Mini", "Form1", "Text1", "OFF"));
        QVERIFY(m_messenger->waitForFinished(Timeout));
        QCOMPARE(m_messenger->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_messenger->exitCode(), 0);
    }

    void clicksPassThrough_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::newRow("no compositor") << false;
        QTest::newRow("compositor") << true;
    }
    // Long flashes far apart: each click lands well inside a flash or a gap, and
    // the looks either side of it tell which.
    void clicksPassThrough()
    {
        QFETCH(bool, compositor);
        if (compositor)
            START_COMPOSITOR();
        const std::uint32_t desktop = m_display->createDesktop(DesktopColour);
        startMessenger(1500, 4000);

        QVERIFY2(m_sampler->waitFor(ScreenSampler::Look::Text, StartTimeout), "no flash on the screen");
        QVERIFY(m_display->click(middle()));
        QCOMPARE(m_sampler->look(), ScreenSampler::Look::Text);
        QVERIFY2(m_display->waitForPress(desktop, Timeout), "the flash took the click");

        QVERIFY(m_sampler->waitFor(ScreenSampler::Look::Clear, Timeout));
        QVERIFY(m_display->click(middle()));
        QCOMPARE(m_sampler->look(), ScreenSampler::Look::Clear);
        QVERIFY2(m_display->waitForPress(desktop, Timeout), "a window between flashes took the click");

        QVERIFY(m_sampler->waitFor(ScreenSampler::Look::Text, Timeout));
        QCOMPARE(m_display->focus(), desktop);
        QVERIFY(running());
    }

    // A compositor that comes and goes under a running Messenger, during long
    // flashes and during short ones, the second time ending as a crash would end
    // it: the flashes go on throughout, and once it is gone nothing of the
    // Messenger's stays on the screen between flashes.
    void followsTheCompositor()
    {
        const std::uint32_t desktop = m_display->createDesktop(DesktopColour);
        startMessenger(LongFlash, Frequency);
        QVERIFY2(m_sampler->waitFor(ScreenSampler::Look::Text, StartTimeout), "no flash on the screen");
        VERIFY_NO_FAULT(watchFault(LongFlash));

        START_COMPOSITOR();
        m_sampler->watch(Frequency); // the compositor's first frames
        raiseBetweenFlashes(desktop);
        VERIFY_NO_FAULT(watchFault(LongFlash));
        changeDuration(ShortFlash);
        VERIFY_NO_FAULT(watchFault(ShortFlash));
        QVERIFY2(
            m_display->stopCompositor(Timeout, PrivateDisplay::Ending::Quit), "picom kept _NET_WM_CM_S0");
        VERIFY_NO_FAULT(watchFault(ShortFlash));

        START_COMPOSITOR();
        m_sampler->watch(Frequency);
        VERIFY_NO_FAULT(watchFault(ShortFlash));
        QVERIFY2(
            m_display->stopCompositor(Timeout, PrivateDisplay::Ending::Crash), "_NET_WM_CM_S0 kept an owner");
        VERIFY_NO_FAULT(watchFault(ShortFlash));
        changeDuration(LongFlash);
        VERIFY_NO_FAULT(watchFault(LongFlash));
        QCOMPARE(m_display->focus(), desktop);
        QVERIFY(running());
    }

    void backToBackFlashesShowTheirOwnText_data() { clicksPassThrough_data(); }
    // Each flash lasts until the next tick ends it, and each takes its see-through
    // background from the screen just after the last one went: the screen must
    // hold the desktop by then, not the last flash still being drawn away.
    // Beside the middle the long message covers the desktop and the short one
    // does not, so there the desktop has to show at every other flash.
    void backToBackFlashesShowTheirOwnText()
    {
        QFETCH(bool, compositor);
        if (compositor)
            START_COMPOSITOR();
        m_display->createDesktop(DesktopColour);
        writeLibrary(m_env->home(), {Message, QStringLiteral("\u2588")});
        startMessenger(2 * Frequency, Frequency);
        ScreenSampler beside(
            m_display->name(), QRect(middle() + QPoint(-65, -8), QSize(30, 16)), TextColour, DesktopColour);
        QVERIFY2(beside.waitFor(ScreenSampler::Look::Text, StartTimeout), "no flash on the screen");
        const ScreenSampler::Report report = beside.watch(6 * Frequency);
        QVERIFY2(report.appearances.size() >= 2 && report.clearLooks * 4 > report.textLooks,
            report.toString().toUtf8());
        VERIFY_NO_FAULT(leftoverFault(report));
        QVERIFY(running());
    }

    // Each flash rises over a focused desktop, shows its text in the chosen colour
    // at the first look, leaves the focus where it was and has its entry's size.
    // A halt pad setting other than exactly "No" starts the halt pad.
    void flashesOverTheDesktop()
    {
        setSetting("HaltPad", "no");
        writeLibrary(m_env->home(),
            {"Go", "Go on, go on", "Go on, go on, go on, and on, further than you thought you could go"});
        const QString program = besideStandInHaltPad();
        QVERIFY(!program.isEmpty());
        startMessenger(400, 700, program);
        const std::optional<PrivateDisplay::Flash> shown = m_display->nextFlash(StartTimeout);
        QVERIFY2(shown, "no flash");
        QVERIFY2(shown->wmClass.contains("murmurine"), "other programs find the window by its WM_CLASS");
        // Made after the Messenger's window, so each later flash must rise above it.
        const std::uint32_t desktop = m_display->createDesktop(DesktopColour);

        QList<QSize> sizes {shown->geometry.size()}; // entry 1, then 2, 3 and 1 again
        for (int i = 0; i < 3; ++i) {
            const std::optional<PrivateDisplay::Flash> flash = m_display->nextFlash(Timeout);
            QVERIFY2(flash, "the window did not appear");
            sizes << flash->geometry.size();
            // Text over the desktop: no background of its own, and the text there at once.
            const QMap<QRgb, int> colours = coloursOf(flash->pixels);
            QVERIFY2(colours.value(DesktopColour) > flash->pixels.width() * flash->pixels.height() / 3
                    && colours.value(TextColour) > 10 && !colours.contains(0xffffff) && !colours.contains(0),
                qPrintable(QDebug::toString(colours)));
            QCOMPARE(m_display->focus(), desktop);
            QVERIFY2(m_display->waitForUnmap(Timeout), "the window did not go");
            QCOMPARE(m_display->focus(), desktop);
        }

        QVERIFY2(sizes[0].width() < sizes[1].width() && sizes[1].width() < sizes[2].width(),
            qPrintable(QDebug::toString(sizes)));
        QCOMPARE(sizes[2].width(), 309); // wrapped at 4635 twips
        QVERIFY(sizes[2].height() >= 2 * sizes[0].height());
        QCOMPARE(sizes[3], sizes[0]);
        QTRY_VERIFY(QFile::exists(m_env->home() + HaltPadRan));
    }

    // A second start, with HaltPad "No" as init() leaves it, ends and leaves
    // the store as it is, while the first one goes on.
    void secondStartEndsAndWritesNothing()
    {
        const QString program = besideStandInHaltPad();
        QVERIFY(!program.isEmpty());
        startMessenger(400, 700, program);
        QVERIFY(m_display->nextFlash(StartTimeout));
        // A mark a second start would overwrite with its own Time.
        setSetting("Time", TimeStamp::format(QDateTime::currentDateTime().addYears(-1)));
        const QString settings = m_env->settingsFile();
        const QByteArray before = TestEnvironment::readFile(settings);
        const QDateTime modified = QFileInfo(settings).lastModified();

        const std::unique_ptr<QProcess> second = launch(program);
        QVERIFY(second->waitForFinished(StartTimeout));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(TestEnvironment::readFile(settings), before);
        QCOMPARE(QFileInfo(settings).lastModified(), modified);
        QVERIFY(m_display->nextFlash(Timeout));
        QVERIFY2(!QFile::exists(m_env->home() + HaltPadRan), "HaltPad is No");
    }

private:
    // The Messenger copied into a folder of its own, beside a stand-in halt pad
    // that leaves HaltPadRan in HOME when it starts; empty when that failed.
    QString besideStandInHaltPad()
    {
        const QString app = m_env->root() + QStringLiteral("/app/");
        const QString haltPad = app + QStringLiteral("haltpad");
        return QDir().mkpath(app)
                && TestEnvironment::writeFile(
                    haltPad, "#!/bin/sh\necho > \"$HOME" + HaltPadRan.toUtf8() + "\"\n")
                && QFile::setPermissions(haltPad, QFile::ReadOwner | QFile::ExeOwner)
                && QFile::copy(TestEnvironment::binDir() + QStringLiteral("/murmurine"),
                    app + QStringLiteral("murmurine"))
            ? app + QStringLiteral("murmurine")
            : QString();
    }
    std::unique_ptr<QProcess> launch(const QString &program)
    {
        QProcessEnvironment env = m_env->processEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display->name());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(program, {});
        process->waitForStarted(StartTimeout);
        return process;
    }
    void startMessenger(int durationMs, int frequencyMs,
        const QString &program = TestEnvironment::binDir() + QStringLiteral("/murmurine"))
    {
        setSetting("ActualDuration", QString::number(durationMs));
        setSetting("ActualFrequency", QString::number(frequencyMs));
        m_messenger = launch(program);
        QVERIFY(m_messenger->state() == QProcess::Running);
    }
    // As the Settings program saves: the new value, then a later Time, which the
    // Messenger reads at its next tick. The tick after shows the new duration.
    void changeDuration(int durationMs)
    {
        setSetting("ActualDuration", QString::number(durationMs));
        setSetting("Time", TimeStamp::now());
        m_sampler->watch(2 * Frequency);
    }
    // Above every window of the Messenger's, so each later flash must rise over
    // it. A flash just starting may be hidden; the looks that count come after.
    void raiseBetweenFlashes(std::uint32_t desktop)
    {
        QVERIFY(m_sampler->waitFor(ScreenSampler::Look::Clear, Timeout));
        m_display->raise(desktop);
    }
    // Watches a few ticks of flashes of durationMs; what was wrong, if anything.
    QString watchFault(int durationMs)
    {
        constexpr int Ticks = 6;
        const ScreenSampler::Report report = m_sampler->watch(Ticks * Frequency);
        const QString fault = flashFault(report, Ticks, durationMs);
        return fault.isEmpty() ? leftoverFault(report) : fault;
    }
    bool running() const { return m_messenger && m_messenger->state() == QProcess::Running; }
    QPoint middle() const { return m_display->screen().center(); }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<PrivateDisplay> m_display;
    std::unique_ptr<ScreenSampler> m_sampler;
    std::unique_ptr<QProcess> m_messenger;
};

QTEST_GUILESS_MAIN(tst_MessengerCompositor)
#include "tst_messenger_compositor.moc"
