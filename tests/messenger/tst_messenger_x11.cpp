#include "DataFolder.h"
#include "IniProcedures.h"
#include "LinkClient.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "X11Watcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <thread>

namespace {

constexpr int StartTimeout = 20000; // a sanitizer build starts slowly
constexpr int FlashTimeout = 10000;

void setSetting(const QString &key, const QString &value)
{
    QVERIFY(WriteIniFile(SettingsSection, key, value, SettingsFileName));
}

QString setting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

QByteArray libraryOf(const QStringList &messages)
{
    QByteArray text = "[Categories]\n1=1Test\n[Test]\n";
    int key = 1;
    for (const QString &message : messages)
        text += QByteArray::number(key++) + "=1" + message.toUtf8() + "\n";
    return text;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int countPixels(const QImage &image, const std::function<bool(QRgb)> &test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

} // namespace

class tst_MessengerX11 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void flashesEntriesInTurnAtTheirSizes();
    void placesTheWindowForEachPositionCode_data();
    void placesTheWindowForEachPositionCode();
    void drawsTheTextInItsColourOverTheDesktop();
    void leavesTheFocusAlone();
    void newerTimeWithOnNoEndsIt();
    void offOverTheLinkEndsIt();
    void secondStartWritesNothing();
    void startsQuickStopUnlessTold_data();
    void startsQuickStopUnlessTold();

private:
    QProcess *start(const QString &program = QString());
    std::uint32_t findMessenger();
    void writeLibrary(const QStringList &messages);

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<X11Watcher> m_x11;
    QList<QProcess *> m_processes;
};

void tst_MessengerX11::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_x11 = std::make_unique<X11Watcher>();
    if (!m_x11->isValid())
        QSKIP("No X server: run under xvfb-run");
    setSetting("ActualFrequency", "700");
    setSetting("ActualDuration", "400");
    setSetting("HaltPad", "No");
    setSetting("FontSize", "20");
}

void tst_MessengerX11::cleanup()
{
    for (QProcess *process : std::as_const(m_processes)) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
        delete process;
    }
    m_processes.clear();
    m_x11.reset();
    m_env.reset();
}

void tst_MessengerX11::writeLibrary(const QStringList &messages)
{
    const QString folder = DataFolder::locate(m_env->home());
    QVERIFY(QDir().mkpath(folder));
    writeFile(DataFolder::dataFilePath(folder), libraryOf(messages));
}

QProcess *tst_MessengerX11::start(const QString &program)
{
    auto *process = new QProcess;
    m_processes << process;
    process->setProcessEnvironment(m_env->processEnvironment());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(
        program.isEmpty() ? TestEnvironment::binDir() + QStringLiteral("/murmurine") : program, {});
    process->waitForStarted(StartTimeout);
    return process;
}

std::uint32_t tst_MessengerX11::findMessenger()
{
    const std::uint32_t window = m_x11->findWindow("murmurine", StartTimeout);
    if (window)
        m_x11->watch(window);
    return window;
}

void tst_MessengerX11::flashesEntriesInTurnAtTheirSizes()
{
    writeLibrary(
        {"Go", "Go on, go on", "Go on, go on, go on, and on, and on, further than you thought you could go"});
    QProcess *messenger = start();
    QVERIFY(findMessenger());

    QList<QSize> sizes;
    for (int i = 0; i < 6; ++i) {
        const std::optional<X11Watcher::Flash> flash = m_x11->nextFlash(FlashTimeout);
        QVERIFY2(flash, "the window did not appear");
        sizes << flash->geometry.size();
        QVERIFY2(m_x11->waitForUnmap(FlashTimeout), "the window did not go");
    }
    QCOMPARE(messenger->state(), QProcess::Running);

    // Whichever entry came first, the three repeat in their order.
    const qsizetype first = std::min_element(sizes.begin(), sizes.begin() + 3, [](QSize a, QSize b) {
        return a.width() < b.width();
    }) - sizes.begin();
    const QSize one = sizes[first], two = sizes[first + 1], three = sizes[first + 2];
    QVERIFY2(one.width() < two.width() && two.width() < three.width(), qPrintable(QDebug::toString(sizes)));
    QCOMPARE(three.width(), 309); // wrapped at 4635 twips
    QVERIFY(three.height() >= 2 * one.height());
    QCOMPARE(sizes[first + 3], one);
}

void tst_MessengerX11::placesTheWindowForEachPositionCode_data()
{
    QTest::addColumn<QString>("position");
    QTest::newRow("centre") << "0";
    QTest::newRow("top") << "1";
    QTest::newRow("bottom") << "2";
    QTest::newRow("random") << "3";
}

void tst_MessengerX11::placesTheWindowForEachPositionCode()
{
    QFETCH(QString, position);
    setSetting("Position", position);
    writeLibrary({"Right here"});
    start();
    QVERIFY(findMessenger());
    const QSize screen = m_x11->screenSize();
    const int margin = 33; // 500 twips at 15 twips per pixel
    QList<QPoint> places;
    for (int i = 0; i < 3; ++i) {
        const std::optional<X11Watcher::Flash> flash = m_x11->nextFlash(FlashTimeout);
        QVERIFY(flash);
        const QRect window = flash->geometry;
        places << window.topLeft();
        QVERIFY(QRect(QPoint(0, 0), screen).contains(window));
        const int centreLeft = (screen.width() - window.width()) / 2;
        if (position == "0") {
            QVERIFY(qAbs(window.left() - centreLeft) <= 1);
            QVERIFY(qAbs(window.top() - (screen.height() - window.height()) / 2) <= 1);
        } else if (position == "1") {
            QVERIFY(qAbs(window.left() - centreLeft) <= 1);
            QCOMPARE(window.top(), margin);
        } else if (position == "2") {
            QVERIFY(qAbs(window.left() - centreLeft) <= 1);
            QVERIFY(qAbs(screen.height() - (window.top() + window.height()) - margin) <= 1);
        }
    }
    if (position == "3")
        QVERIFY2(places[0] != places[1] || places[1] != places[2], "three random places were the same");
}

void tst_MessengerX11::drawsTheTextInItsColourOverTheDesktop()
{
    setSetting("TextColour", "255");
    setSetting("FontSize", "28");
    writeLibrary({"Look here"});
    start();
    QVERIFY(findMessenger());
    // The desktop: made after the Messenger's window, so each flash must rise above it.
    m_x11->createWindow(QRect(QPoint(0, 0), m_x11->screenSize()), qRgb(0, 255, 0));

    for (int i = 0; i < 3; ++i) {
        const std::optional<X11Watcher::Flash> flash = m_x11->nextFlash(FlashTimeout);
        QVERIFY(flash);
        const QImage &pixels = flash->pixels;
        QVERIFY(!pixels.isNull());
        const int total = pixels.width() * pixels.height();
        const int green = countPixels(pixels, [](QRgb p) { return (p & 0xffffff) == 0x00ff00; });
        const int red = countPixels(pixels, [](QRgb p) { return (p & 0xffffff) == 0xff0000; });
        const int white = countPixels(pixels, [](QRgb p) { return (p & 0xffffff) == 0xffffff; });
        const int black = countPixels(pixels, [](QRgb p) { return (p & 0xffffff) == 0; });
        QVERIFY2(green > total / 2, qPrintable(QStringLiteral("%1 of %2 green").arg(green).arg(total)));
        QVERIFY2(red > 30, qPrintable(QStringLiteral("%1 red, text missing at the first look").arg(red)));
        QCOMPARE(white, 0);
        QCOMPARE(black, 0);
        QVERIFY(m_x11->waitForUnmap(FlashTimeout));
        // Once gone, the desktop shows again untouched.
        const QImage after = m_x11->grab(flash->geometry);
        QCOMPARE(countPixels(after, [](QRgb p) { return (p & 0xffffff) == 0x00ff00; }), total);
    }
}

void tst_MessengerX11::leavesTheFocusAlone()
{
    writeLibrary({"Keep working"});
    start();
    QVERIFY(findMessenger());
    const std::uint32_t editor = m_x11->createWindow(QRect(100, 100, 400, 300), qRgb(40, 40, 40));
    m_x11->setFocus(editor);
    QCOMPARE(m_x11->focus(), editor);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(m_x11->nextFlash(FlashTimeout));
        QCOMPARE(m_x11->focus(), editor);
        QVERIFY(m_x11->waitForUnmap(FlashTimeout));
        QCOMPARE(m_x11->focus(), editor);
    }
}

void tst_MessengerX11::newerTimeWithOnNoEndsIt()
{
    writeLibrary({"Still here"});
    QProcess *messenger = start();
    QVERIFY(findMessenger());
    QVERIFY(m_x11->nextFlash(FlashTimeout));
    setSetting("On", "No");
    setSetting("Time", TimeStamp::now());
    QVERIFY(messenger->waitForFinished(FlashTimeout));
    QCOMPARE(messenger->exitStatus(), QProcess::NormalExit);
    QCOMPARE(messenger->exitCode(), 0);
    QCOMPARE(setting("On"), QStringLiteral("No"));
}

void tst_MessengerX11::offOverTheLinkEndsIt()
{
    writeLibrary({"Listening"});
    QProcess *messenger = start();
    const std::uint32_t window = findMessenger();
    QVERIFY(window);
    QVERIFY(m_x11->nextFlash(FlashTimeout));
    const QDateTime started = TimeStamp::parse(setting("Time"));
    QVERIFY(started.isValid());

    for (const QString &ignored : {QStringLiteral("off"), QStringLiteral("OFF "), QStringLiteral("ON")})
        QVERIFY2(LinkClient::poke("Murmurine Mini", "Form1", "Text1", ignored), qPrintable(ignored));
    QVERIFY(m_x11->nextFlash(FlashTimeout));
    QCOMPARE(messenger->state(), QProcess::Running);
    QCOMPARE(setting("On"), QStringLiteral("Yes"));

    QVERIFY(LinkClient::poke("Murmurine Mini", "Form1", "Text1", "OFF"));
    QVERIFY(messenger->waitForFinished(FlashTimeout));
    QCOMPARE(messenger->exitCode(), 0);
    QCOMPARE(setting("On"), QStringLiteral("No"));
    QVERIFY(TimeStamp::parse(setting("Time")) > started);
    QVERIFY(!m_x11->isMapped(window));
}

void tst_MessengerX11::secondStartWritesNothing()
{
    writeLibrary({"Only one"});
    QProcess *first = start();
    QVERIFY(findMessenger());
    QVERIFY(m_x11->nextFlash(FlashTimeout));
    // Marks a second start would overwrite with its own "Time" and "On".
    setSetting("Time", TimeStamp::format(QDateTime::currentDateTime().addYears(-1)));
    QFile settings(m_env->settingsFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QByteArray before = settings.readAll();
    settings.close();
    const QDateTime modified = QFileInfo(m_env->settingsFile()).fileTime(QFileDevice::FileModificationTime);

    QProcess *second = start();
    QVERIFY(second->waitForFinished(StartTimeout));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), before);
    QCOMPARE(QFileInfo(m_env->settingsFile()).fileTime(QFileDevice::FileModificationTime), modified);
    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(m_x11->nextFlash(FlashTimeout));
}

void tst_MessengerX11::startsQuickStopUnlessTold_data()
{
    QTest::addColumn<QString>("haltPad");
    QTest::addColumn<bool>("started");
    QTest::newRow("empty: used") << "" << true;
    QTest::newRow("lower-case no: still used") << "no" << true;
    QTest::newRow("No: not used") << "No" << false;
}

void tst_MessengerX11::startsQuickStopUnlessTold()
{
    QFETCH(QString, haltPad);
    QFETCH(bool, started);
    setSetting("HaltPad", haltPad);

    // A folder of its own: the Messenger, its factory library and a stand-in Quick Stop program.
    const QString appDir = m_env->root() + QStringLiteral("/app");
    QVERIFY(QDir().mkpath(appDir));
    const QString program = appDir + QStringLiteral("/murmurine");
    QVERIFY(QFile::copy(TestEnvironment::binDir() + QStringLiteral("/murmurine"), program));
    writeFile(appDir + QStringLiteral("/data.txt"), libraryOf({"From the factory"}));
    const QString haltpad = appDir + QStringLiteral("/haltpad");
    writeFile(haltpad, "#!/bin/sh\necho started > \"$HOME/haltpad-ran\"\n");
    QVERIFY(QFile::setPermissions(haltpad, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString marker = m_env->home() + QStringLiteral("/haltpad-ran");

    start(program);
    QVERIFY(findMessenger());
    // A flash proves start-up is over, and that the factory library was taken in.
    QVERIFY(m_x11->nextFlash(FlashTimeout));
    QVERIFY(QFile::exists(DataFolder::dataFilePath(DataFolder::locate(m_env->home()))));
    if (started) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), FlashTimeout);
    } else {
        QVERIFY(m_x11->nextFlash(FlashTimeout));
        QVERIFY(!QFile::exists(marker));
    }
}

QTEST_GUILESS_MAIN(tst_MessengerX11)
#include "tst_messenger_x11.moc"
