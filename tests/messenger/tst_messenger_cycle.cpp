#include "DataFolder.h"
#include "IniProcedures.h"
#include "PreciseTimer.h"
#include "TestEnvironment.h"
#include "TimeStamp.h"
#include "frmMessage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

namespace {

void setSetting(const QString &key, const QString &value)
{
    QVERIFY(WriteIniFile(SettingsSection, key, value, SettingsFileName));
}

QString setting(const QString &key)
{
    return ReadIniFile(SettingsSection, key, SettingsFileName);
}

// One marked category "Test" with the given messages, all marked, plus an
// unmarked message and an unmarked category that must never show.
void writeLibrary(const QString &home, const QStringList &messages)
{
    const QString folder = DataFolder::locate(home);
    QVERIFY(QDir().mkpath(folder));
    QByteArray text = "[Categories]\n1=1Test\n2=0Hidden\n[Hidden]\n1=1never shown\n[Test]\n";
    int key = 1;
    for (const QString &message : messages)
        text += QByteArray::number(key++) + "=1" + message.toUtf8() + "\n";
    text += QByteArray::number(key) + "=0unmarked\n";
    QFile file(DataFolder::dataFilePath(folder));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int countPixels(const QImage &image, QRgb colour)
{
    int count = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += (line[x] & 0xffffff) == (colour & 0xffffff);
    }
    return count;
}

} // namespace

class tst_MessengerCycle : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void startUpWritesTimeAndOnAndLoads();
    void textEntriesCycleAndSize();
    void hashWithoutTagIsText();
    void pictureEntryShowsAtNaturalSizeWithoutCapture();
    void unreadableFileShowsItsEntryOnce_data();
    void unreadableFileShowsItsEntryOnce();
    void textFileOneParagraphPerFlash();
    void badTextFilesStillFlash_data();
    void badTextFilesStillFlash();
    void reloadClosesAnOpenTextFile();
    void timeWatch_data();
    void timeWatch();
    void emptyListEndsAtFirstTick_data();
    void emptyListEndsAtFirstTick();
    void text1Change_data();
    void text1Change();
    void transparentTextIsDrawnOnTheCapture();
    void opaqueBackgroundIsNotCaptured();
    void randomColoursComeFromThePalette();
    void pictureLargerThanTheScreenIsClipped();

private:
    std::unique_ptr<frmMessage> start(const QStringList &messages);
    QLabel *label() const { return m_form->findChild<QLabel *>(QStringLiteral("lblMessage")); }
    QLabel *picture() const { return m_form->findChild<QLabel *>(QStringLiteral("imgPicture")); }
    QString tick();

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<frmMessage> m_form;
    QDateTime m_now;
    QList<QRect> m_captures;
    QList<double> m_draws;
};

void tst_MessengerCycle::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    m_now = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589));
    m_captures.clear();
    m_draws.clear();
    setSetting("HaltPad", "No");
}

void tst_MessengerCycle::cleanup()
{
    m_form.reset();
    m_env.reset();
}

std::unique_ptr<frmMessage> tst_MessengerCycle::start(const QStringList &messages)
{
    writeLibrary(m_env->home(), messages);
    auto form = std::make_unique<frmMessage>();
    form->setClock([this] { return m_now; });
    form->setRandom([this] { return m_draws.isEmpty() ? 0.0 : m_draws.takeFirst(); });
    form->setCapture([this](const QRect &rect) {
        m_captures << rect;
        QPixmap pixmap(rect.size());
        pixmap.fill(QColor(0, 200, 0));
        return pixmap;
    });
    if (!form->Form_Load())
        return nullptr;
    return form;
}

QString tst_MessengerCycle::tick()
{
    m_form->tmrFrequency_Timer();
    return label()->text();
}

void tst_MessengerCycle::startUpWritesTimeAndOnAndLoads()
{
    setSetting("Duration", "12");
    setSetting("ActualFrequency", "1500");
    setSetting("On", "No");
    m_form = start({"one", "two"});
    QVERIFY(m_form);
    QCOMPARE(setting("On"), QStringLiteral("Yes"));
    QCOMPARE(TimeStamp::parse(setting("Time")), m_now);
    QCOMPARE(m_form->messages().entries(), QStringList({"one", "two"}));
    QCOMPARE(m_form->dataFolder(), DataFolder::locate(m_env->home()));
    QCOMPARE(m_form->settings().durationMs, 1000);
    auto *timer = m_form->findChild<PreciseTimer *>(QStringLiteral("tmrFrequency"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1500);
    QVERIFY(!m_form->isVisible());
}

void tst_MessengerCycle::textEntriesCycleAndSize()
{
    const QString longText
        = QStringLiteral("Every step I take today carries me gently towards the life I want to live");
    m_form = start({"Go", "Go on, go on", longText});
    QVERIFY(m_form);
    QStringList shown;
    QList<QSize> sizes;
    for (int i = 0; i < 4; ++i) {
        shown << tick();
        sizes << m_form->flashGeometry().size();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->lastFrame().size(), sizes.last());
        m_form->tmrDuration_Timer();
        QVERIFY(!m_form->isVisible());
    }
    QCOMPARE(shown, QStringList({"Go", "Go on, go on", longText, "Go"}));
    QVERIFY(sizes[0].width() < sizes[1].width());
    QVERIFY(sizes[1].width() < sizes[2].width());
    QCOMPARE(sizes[2].width(), 309); // 4635 twips at 96 DPI
    QVERIFY(sizes[2].height() >= 2 * sizes[0].height());
    QCOMPARE(sizes[3], sizes[0]);
}

void tst_MessengerCycle::hashWithoutTagIsText()
{
    m_form = start({"#1 priority: me", "#PICTURE"});
    QVERIFY(m_form);
    QCOMPARE(tick(), QStringLiteral("#1 priority: me"));
    QVERIFY(label()->isVisible());
    QVERIFY(m_form->flashGeometry().width() < 309);
    QCOMPARE(tick(), QStringLiteral("#PICTURE"));
    QCOMPARE(m_form->messages().count(), 2);
}

void tst_MessengerCycle::pictureEntryShowsAtNaturalSizeWithoutCapture()
{
    const QString path = m_env->root() + QStringLiteral("/red.png");
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(path));
    m_form = start({"#PICTURE# " + path, "after"});
    QVERIFY(m_form);
    QVERIFY(m_form->settings().transparent);

    tick();
    QVERIFY(picture()->isVisible());
    QVERIFY(!label()->isVisible());
    QCOMPARE(m_form->flashGeometry().size(), QSize(40, 30));
    QVERIFY(m_captures.isEmpty());
    QCOMPARE(countPixels(m_form->lastFrame(), qRgb(255, 0, 0)), 40 * 30);

    QCOMPARE(tick(), QStringLiteral("after"));
    QCOMPARE(m_captures, QList<QRect> {m_form->flashGeometry()});
    QCOMPARE(m_form->messages().count(), 2);
}

void tst_MessengerCycle::unreadableFileShowsItsEntryOnce_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("missing picture") << "#PICTURE# "
                                     << "missing.png" << QByteArray();
    QTest::newRow("zero-byte picture") << "#PICTURE# "
                                       << "empty.png" << QByteArray("");
    QTest::newRow("corrupt picture") << "#PICTURE# "
                                     << "corrupt.png" << QByteArray("\x89PNG\r\n\x1a\nnonsense");
    QTest::newRow("picture is a folder") << "#PICTURE# "
                                         << "folder" << QByteArray("/");
    QTest::newRow("missing text file") << "#TEXTFILE# "
                                       << "missing.txt" << QByteArray();
    QTest::newRow("text file is a folder") << "#TEXTFILE# "
                                           << "folder" << QByteArray("/");
}

void tst_MessengerCycle::unreadableFileShowsItsEntryOnce()
{
    QFETCH(QString, tag);
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    const QString path = m_env->root() + QLatin1Char('/') + file;
    if (bytes == "/")
        QVERIFY(QDir().mkpath(path));
    else if (!bytes.isNull())
        writeFile(path, bytes);
    setSetting("BackColour", "16777215");
    setSetting("BackColourTransparent", "0");
    m_form = start({tag + path, "next"});
    QVERIFY(m_form);

    QCOMPARE(tick(), tag + path);
    QVERIFY(label()->isVisible());
    QVERIFY(!picture()->isVisible());
    QCOMPARE(m_form->flashGeometry().width(), 309);
    QCOMPARE(m_form->messages().entries(), QStringList {"next"});
    QCOMPARE(tick(), QStringLiteral("next"));
    QCOMPARE(tick(), QStringLiteral("next"));
    QVERIFY(!m_form->hasEnded());
}

void tst_MessengerCycle::textFileOneParagraphPerFlash()
{
    const QString path = m_env->root() + QStringLiteral("/words.txt");
    writeFile(path, "I am calm.\r\n\r\n\tI am ready.\r\n");
    m_form = start({"#TEXTFILE# " + path, "after"});
    QVERIFY(m_form);
    QCOMPARE(tick(), QStringLiteral("I am calm."));
    QVERIFY(m_form->isFileOpen());
    QCOMPARE(m_form->flashGeometry().width(), 309);
    QCOMPARE(tick(), QStringLiteral("I am ready."));
    QVERIFY(!m_form->isFileOpen());
    QCOMPARE(tick(), QStringLiteral("after"));
    QCOMPARE(tick(), QStringLiteral("I am calm."));
}

void tst_MessengerCycle::badTextFilesStillFlash_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("paragraphs");

    QTest::newRow("empty") << QByteArray() << 1;
    QTest::newRow("binary") << QByteArray::fromHex("7f454c460201010000000000000000000300"
                                                   "3e00010000")
                            << 1;
    QTest::newRow("one line of 1 MB") << QByteArray(1024 * 1024, 'w').replace(9, 1, " ") << 1;
    QTest::newRow("CR line ends") << QByteArray("one\r\rtwo\r\rthree") << 3;
}

void tst_MessengerCycle::badTextFilesStillFlash()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, paragraphs);
    const QString path = m_env->root() + QStringLiteral("/odd.txt");
    writeFile(path, bytes);
    m_form = start({"#TEXTFILE# " + path, "after"});
    QVERIFY(m_form);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    for (int i = 0; i < paragraphs; ++i) {
        tick();
        QVERIFY(m_form->isVisible());
        QVERIFY(screen.contains(m_form->flashGeometry()));
        QCOMPARE(m_form->flashGeometry().width(), 309);
    }
    QVERIFY(!m_form->isFileOpen());
    QCOMPARE(tick(), QStringLiteral("after"));
}

void tst_MessengerCycle::reloadClosesAnOpenTextFile()
{
    const QString path = m_env->root() + QStringLiteral("/words.txt");
    writeFile(path, "one\ntwo\nthree\n");
    m_form = start({"#TEXTFILE# " + path, "after"});
    QVERIFY(m_form);
    QCOMPARE(tick(), QStringLiteral("one"));

    setSetting("ActualDuration", "77");
    setSetting("On", "Yes");
    setSetting("Time", TimeStamp::format(m_now.addSecs(5)));
    QCOMPARE(tick(), QStringLiteral("one"));
    QCOMPARE(m_form->settings().durationMs, 77);
    QCOMPARE(tick(), QStringLiteral("two"));
}

void tst_MessengerCycle::timeWatch_data()
{
    QTest::addColumn<int>("secondsAfterStart"); // 0: Time as the start wrote it
    QTest::addColumn<QString>("time"); // used when secondsAfterStart is -1
    QTest::addColumn<QString>("on");
    QTest::addColumn<bool>("ends");

    QTest::newRow("newer Time, On No: ends") << 5 << QString() << "No" << true;
    QTest::newRow("newer Time, On in lower case: ends") << 5 << QString() << "yes" << true;
    QTest::newRow("newer Time, On Yes: reloads") << 5 << QString() << "Yes" << false;
    QTest::newRow("same Time, On No: goes on") << 0 << QString() << "No" << false;
    QTest::newRow("older Time, On No: goes on") << -3600 << QString() << "No" << false;
    QTest::newRow("unreadable Time: ends") << -1 << "quarter past"
                                           << "Yes" << true;
    QTest::newRow("empty Time: ends") << -1 << ""
                                      << "Yes" << true;
}

void tst_MessengerCycle::timeWatch()
{
    QFETCH(int, secondsAfterStart);
    QFETCH(QString, time);
    QFETCH(QString, on);
    QFETCH(bool, ends);
    m_form = start({"before"});
    QVERIFY(m_form);
    QSignalSpy ended(m_form.get(), &frmMessage::ended);

    writeLibrary(m_env->home(), {"after"});
    setSetting("On", on);
    if (secondsAfterStart != -1)
        time = TimeStamp::format(m_now.addSecs(secondsAfterStart));
    setSetting("Time", time);
    m_form->tmrFrequency_Timer();

    QCOMPARE(m_form->hasEnded(), ends);
    QCOMPARE(ended.count(), ends ? 1 : 0);
    QCOMPARE(setting("On"), on); // the Messenger writes nothing when it ends here
    QCOMPARE(setting("Time"), time);
    if (ends) {
        QVERIFY(!m_form->isVisible());
        QVERIFY(!m_form->findChild<PreciseTimer *>(QStringLiteral("tmrFrequency"))->isActive());
    } else {
        const bool reloaded = secondsAfterStart > 0;
        QCOMPARE(label()->text(), reloaded ? QStringLiteral("after") : QStringLiteral("before"));
    }
}

void tst_MessengerCycle::emptyListEndsAtFirstTick_data()
{
    QTest::addColumn<QByteArray>("library"); // null: no data file at all

    QTest::newRow("nothing marked") << QByteArray("[Categories]\n1=1Test\n[Test]\n1=0quiet\n");
    QTest::newRow("no data file") << QByteArray();
    QTest::newRow("garbage") << QByteArray::fromHex("00ff13375b5d3d0a0d") + QByteArray(4096, '=');
}

void tst_MessengerCycle::emptyListEndsAtFirstTick()
{
    QFETCH(QByteArray, library);
    m_form = start({});
    QVERIFY(m_form);
    const QString dataFile = DataFolder::dataFilePath(m_form->dataFolder());
    QFile::remove(dataFile);
    if (!library.isNull())
        writeFile(dataFile, library);
    // A reload makes the Messenger read the library again.
    setSetting("Time", TimeStamp::format(m_now.addSecs(1)));
    QSignalSpy ended(m_form.get(), &frmMessage::ended);
    m_form->tmrFrequency_Timer();
    QCOMPARE(ended.count(), 1);
    QVERIFY(m_form->flashGeometry().isNull());
    QVERIFY(!m_form->isVisible());
    QCOMPARE(setting("On"), QStringLiteral("Yes"));
}

void tst_MessengerCycle::text1Change_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ends");

    QTest::newRow("OFF") << "OFF" << true;
    QTest::newRow("lower case") << "off" << false;
    QTest::newRow("design text") << "Off" << false;
    QTest::newRow("trailing blank") << "OFF " << false;
    QTest::newRow("ON") << "ON" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_MessengerCycle::text1Change()
{
    QFETCH(QString, text);
    QFETCH(bool, ends);
    m_form = start({"one"});
    QVERIFY(m_form);
    QSignalSpy ended(m_form.get(), &frmMessage::ended);
    tick();
    QVERIFY(m_form->isVisible());
    const QString startTime = setting("Time");
    m_now = m_now.addSecs(2);

    m_form->Text1_Change(text);
    QCOMPARE(ended.count(), ends ? 1 : 0);
    QCOMPARE(m_form->isVisible(), !ends);
    QCOMPARE(setting("On"), ends ? QStringLiteral("No") : QStringLiteral("Yes"));
    QCOMPARE(setting("Time"), ends ? TimeStamp::format(m_now) : startTime);
}

void tst_MessengerCycle::transparentTextIsDrawnOnTheCapture()
{
    setSetting("TextColour", "255");
    setSetting("FontSize", "24");
    m_form = start({"Seen"});
    QVERIFY(m_form);
    tick();
    QCOMPARE(m_captures, QList<QRect> {m_form->flashGeometry()});
    QVERIFY(picture()->isVisible());
    const QImage frame = m_form->lastFrame();
    const int total = frame.width() * frame.height();
    const int green = countPixels(frame, qRgb(0, 200, 0));
    const int red = countPixels(frame, qRgb(255, 0, 0));
    QVERIFY2(green > total / 2, qPrintable(QString::number(green)));
    QVERIFY2(red > 10, qPrintable(QString::number(red)));
    QCOMPARE(countPixels(frame, qRgb(255, 255, 255)), 0);
}

void tst_MessengerCycle::opaqueBackgroundIsNotCaptured()
{
    setSetting("BackColour", "16711680");
    setSetting("BackColourTransparent", "0");
    m_form = start({"Seen"});
    QVERIFY(m_form);
    tick();
    QVERIFY(m_captures.isEmpty());
    QVERIFY(!picture()->isVisible());
    const QImage frame = m_form->lastFrame();
    QCOMPARE(frame.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(frame.pixel(frame.width() - 1, frame.height() - 1), qRgb(0, 0, 255));
}

void tst_MessengerCycle::randomColoursComeFromThePalette()
{
    setSetting("TextColourRandom", "1");
    setSetting("TextColour", "65280");
    m_form = start({"one", "two", "three"});
    QVERIFY(m_form);
    for (const double draw : {0.0, 0.999, 3.5 / 7}) {
        m_draws = {draw};
        tick();
        QCOMPARE(label()->palette().color(QPalette::WindowText),
            frmMessage::RandomColours[std::size_t(std::floor(draw * 7))]);
    }
}

void tst_MessengerCycle::pictureLargerThanTheScreenIsClipped()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString path = m_env->root() + QStringLiteral("/big.png");
    QImage big(screen.width() * 3, screen.height() * 3, QImage::Format_RGB32);
    big.fill(Qt::blue);
    QVERIFY(big.save(path));
    m_form = start({"#PICTURE# " + path});
    QVERIFY(m_form);
    tick();
    QCOMPARE(m_form->flashGeometry(), screen);
    QCOMPARE(m_form->lastFrame().size(), screen.size());
    QCOMPARE(m_form->lastFrame().pixel(0, 0), qRgb(0, 0, 255));
}

QTEST_MAIN(tst_MessengerCycle)
#include "tst_messenger_cycle.moc"
