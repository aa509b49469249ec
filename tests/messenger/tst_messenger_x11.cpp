#include "MessengerTestSupport.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "X11Helpers.h"

#include <QProcess>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr int StartTimeout = 20000; // a sanitizer build starts slowly
constexpr int FlashTimeout = 10000;

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

} // namespace

class tst_MessengerX11 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        QVERIFY(m_env->isValid());
        m_x11 = std::make_unique<X11Watcher>();
        if (!m_x11->isValid())
            QSKIP("No X server: run under xvfb-run");
        // The Messenger in a folder of its own, beside a stand-in halt pad.
        const QString app = m_env->root() + QStringLiteral("/app/");
        writeFile(app + "haltpad", "#!/bin/sh\necho started > \"$HOME/haltpad-ran\"\n");
        QVERIFY(
            QFile::setPermissions(app + "haltpad", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_program = app + "murmurine";
        QVERIFY(QFile::copy(TestEnvironment::binDir() + QStringLiteral("/murmurine"), m_program));
        m_haltPadRan = m_env->home() + QStringLiteral("/haltpad-ran");
        setSetting("ActualFrequency", "700");
        setSetting("ActualDuration", "400");
        setSetting("HaltPad", "No");
        setSetting("FontSize", "24");
    }

    void cleanup()
    {
        for (const auto &process : m_processes) {
            process->kill();
            process->waitForFinished(5000);
        }
        m_processes.clear();
        m_x11.reset();
        m_env.reset();
    }

    // Each flash rises over a focused desktop, shows its text in the chosen colour
    // at the first look, leaves the focus where it was and has its entry's size
    // (clicks through it: tst_messenger_compositor).
    // A halt pad setting other than exactly "No" starts the halt pad.
    void flashesOverTheDesktop()
    {
        setSetting("TextColour", "255");
        setSetting("HaltPad", "no");
        writeLibrary(m_env->home(),
            {"Go", "Go on, go on", "Go on, go on, go on, and on, further than you thought you could go"});
        start();
        const std::optional<X11Watcher::Flash> shown = m_x11->nextFlash(StartTimeout);
        QVERIFY2(shown, "no flash");
        QVERIFY2(shown->wmClass.contains("murmurine"), "other programs find the window by its WM_CLASS");
        // Made after the Messenger's window, so each later flash must rise above it.
        const std::uint32_t desktop = m_x11->createDesktop(0x00ff00);

        QList<QSize> sizes {shown->geometry.size()}; // entry 1, then 2, 3 and 1 again
        for (int i = 0; i < 3; ++i) {
            const std::optional<X11Watcher::Flash> flash = m_x11->nextFlash(FlashTimeout);
            QVERIFY2(flash, "the window did not appear");
            sizes << flash->geometry.size();
            // Text in red over the green desktop: no background of its own, and the text there at once.
            const QMap<QRgb, int> colours = coloursOf(flash->pixels);
            QVERIFY2(colours.value(0x00ff00) > flash->pixels.width() * flash->pixels.height() / 3
                    && colours.value(0xff0000) > 10 && !colours.contains(0xffffff) && !colours.contains(0),
                qPrintable(QDebug::toString(colours)));
            QCOMPARE(m_x11->focus(), desktop);
            QVERIFY2(m_x11->waitForUnmap(FlashTimeout), "the window did not go");
            QCOMPARE(m_x11->focus(), desktop);
        }

        QVERIFY2(sizes[0].width() < sizes[1].width() && sizes[1].width() < sizes[2].width(),
            qPrintable(QDebug::toString(sizes)));
        QCOMPARE(sizes[2].width(), 309); // wrapped at 4635 twips
        QVERIFY(sizes[2].height() >= 2 * sizes[0].height());
        QCOMPARE(sizes[3], sizes[0]);
        QTRY_VERIFY(QFile::exists(m_haltPadRan));
    }

    // With HaltPad "No", as init() leaves it.
    void secondStartEndsAndWritesNothing()
    {
        writeLibrary(m_env->home(), {"Only one"});
        start();
        QVERIFY(m_x11->nextFlash(StartTimeout));
        // A mark a second start would overwrite with its own Time.
        setSetting("Time", TimeStamp::format(QDateTime::currentDateTime().addYears(-1)));
        const QString settings = m_env->settingsFile();
        const QByteArray before = TestEnvironment::readFile(settings);
        const QDateTime modified = QFileInfo(settings).lastModified();

        QProcess *second = start();
        QVERIFY(second->waitForFinished(StartTimeout));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(TestEnvironment::readFile(settings), before);
        QCOMPARE(QFileInfo(settings).lastModified(), modified);
        QVERIFY(m_x11->nextFlash(FlashTimeout));

        QVERIFY2(!QFile::exists(m_haltPadRan), "HaltPad is No");
    }

private:
    QProcess *start()
    {
        QProcess *process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        process->setProcessEnvironment(m_env->processEnvironment());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(m_program, {});
        process->waitForStarted(StartTimeout);
        return process;
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<X11Watcher> m_x11;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QString m_program;
    QString m_haltPadRan;
};

QTEST_GUILESS_MAIN(tst_MessengerX11)
#include "tst_messenger_x11.moc"
