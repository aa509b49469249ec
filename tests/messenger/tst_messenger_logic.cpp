#include "MessageList.h"
#include "MessengerSettings.h"
#include "ParagraphReader.h"
#include "PreciseTimer.h"
#include "WindowPlacement.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <QtTest>

using Values = QMap<QString, QString>;

namespace {

MessengerSettings::Reader readerOf(const Values &values)
{
    return [values](const QString &key) { return values.value(key); };
}

QStringList readAll(ParagraphReader &reader)
{
    QStringList paragraphs;
    for (int i = 0; i < 100 && reader.isOpen(); ++i)
        paragraphs << reader.next();
    return paragraphs;
}

WindowPlacement::RandomDraw drawsOf(QList<double> draws)
{
    return [draws]() mutable { return draws.isEmpty() ? 0.0 : draws.takeFirst(); };
}

} // namespace

class tst_MessengerLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void intervals_data();
    void intervals();
    void look_data();
    void look();
    void flagsAreNeverSwitchedOff();
    void colourFromValue_data();
    void colourFromValue();

    void selectionWrapsAround();
    void removedEntryRestartsFromTheFirst();

    void paragraphs_data();
    void paragraphs();
    void overlongLineIsCut();
    void fileDeletedWhileReadStillReads();

    void preciseTimerRepeatsUntilStopped();

    void place_data();
    void place();
    void positionCode_data();
    void positionCode();
    void pixels_data();
    void pixels();
};

void tst_MessengerLogic::intervals_data()
{
    QTest::addColumn<Values>("first");
    QTest::addColumn<Values>("second");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("frequency");

    QTest::newRow("empty store keeps the design intervals") << Values {} << Values {} << 2 << 20000;
    QTest::newRow("duration position 12 is one second")
        << Values {{"Duration", "12"}} << Values {} << 1000 << 20000;
    QTest::newRow("duration position 13 keeps the previous one")
        << Values {{"Duration", "3"}} << Values {{"Duration", "13"}} << 10 << 20000;
    QTest::newRow("negative duration position is refused")
        << Values {{"Duration", "-1"}} << Values {} << 2 << 20000;
    QTest::newRow("duration position with letters after it")
        << Values {{"Duration", " 4abc"}} << Values {} << 20 << 20000;
    QTest::newRow("ActualDuration when Duration is empty")
        << Values {{"ActualDuration", "7"}} << Values {} << 7 << 20000;
    QTest::newRow("ActualDuration unread when Duration is set")
        << Values {{"Duration", "0"}, {"ActualDuration", "7"}} << Values {} << 1 << 20000;
    QTest::newRow("ActualDuration above 65535 ms is refused")
        << Values {{"ActualDuration", "7"}} << Values {{"ActualDuration", "65536"}} << 7 << 20000;
    QTest::newRow("ActualDuration of 0 is refused")
        << Values {{"ActualDuration", "0"}} << Values {} << 2 << 20000;
    QTest::newRow("ActualDuration without a number is refused")
        << Values {{"ActualDuration", "soon"}} << Values {} << 2 << 20000;
    QTest::newRow("frequency position 0 is two seconds")
        << Values {{"Frequency", "0"}} << Values {} << 2 << 2000;
    QTest::newRow("frequency position 7 keeps the previous one")
        << Values {{"Frequency", "6"}} << Values {{"Frequency", "7"}} << 2 << 60000;
    QTest::newRow("ActualFrequency is taken as milliseconds")
        << Values {{"ActualFrequency", "1500"}} << Values {} << 2 << 1500;
    QTest::newRow("ActualFrequency of 65535 ms is the longest")
        << Values {{"ActualFrequency", "65535"}} << Values {} << 2 << 65535;
    QTest::newRow("huge ActualFrequency is refused")
        << Values {{"ActualFrequency", "1e300"}} << Values {} << 2 << 20000;
    QTest::newRow("negative ActualFrequency is refused")
        << Values {{"ActualFrequency", "-300"}} << Values {} << 2 << 20000;
}

void tst_MessengerLogic::intervals()
{
    QFETCH(Values, first);
    QFETCH(Values, second);
    MessengerSettings settings;
    settings.load(readerOf(first));
    settings.load(readerOf(second));
    QTEST(settings.durationMs, "duration");
    QTEST(settings.frequencyMs, "frequency");
}

void tst_MessengerLogic::look_data()
{
    QTest::addColumn<Values>("first");
    QTest::addColumn<Values>("second");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<double>("fontSize");
    QTest::addColumn<QString>("tag");

    const QColor white(Qt::white);
    const QColor black(Qt::black);
    const QString sans = QStringLiteral("MS Sans Serif");
    QTest::newRow("empty store: design look")
        << Values {} << Values {} << white << black << sans << 14.0 << QString();
    QTest::newRow("colours as red + 256 green + 65536 blue")
        << Values {{"BackColour", "65280"}, {"TextColour", "16711680"}} << Values {} << QColor(0, 255, 0)
        << QColor(0, 0, 255) << sans << 14.0 << QString();
    QTest::newRow("a colour that is no integer keeps the previous one")
        << Values {{"TextColour", "255"}} << Values {{"TextColour", "red"}, {"BackColour", "1x"}} << white
        << QColor(255, 0, 0) << sans << 14.0 << QString();
    QTest::newRow("font name and size")
        << Values {} << Values {{"FontName", "DejaVu Serif"}, {"FontSize", "10.5"}} << white << black
        << QStringLiteral("DejaVu Serif") << 10.5 << QString();
    QTest::newRow("empty font name and size return to the defaults")
        << Values {{"FontName", "DejaVu Serif"}, {"FontSize", "30"}} << Values {} << white << black << sans
        << 14.0 << QString();
    QTest::newRow("font size without a number keeps the previous one")
        << Values {{"FontSize", "30"}} << Values {{"FontSize", "big"}} << white << black << sans << 30.0
        << QString();
    QTest::newRow("font size beyond any screen keeps the previous one")
        << Values {{"FontSize", "30"}} << Values {{"FontSize", "99999"}} << white << black << sans << 30.0
        << QString();
    QTest::newRow("empty position keeps the tag") << Values {{"Position", "2"}} << Values {{"Position", ""}}
                                                  << white << black << sans << 14.0 << QStringLiteral("2");
}

void tst_MessengerLogic::look()
{
    QFETCH(Values, first);
    QFETCH(Values, second);
    MessengerSettings settings;
    settings.load(readerOf(first));
    settings.load(readerOf(second));
    QTEST(settings.backColour, "back");
    QTEST(settings.textColour, "text");
    QTEST(settings.fontName, "fontName");
    QTEST(settings.fontSize, "fontSize");
    QTEST(settings.positionTag, "tag");
}

void tst_MessengerLogic::flagsAreNeverSwitchedOff()
{
    MessengerSettings settings;
    settings.load(readerOf({{"BackColour", "0"}, {"BackColourTransparent", "0"}, {"TextColourRandom", "0"}}));
    QVERIFY(!settings.transparent);
    QVERIFY(!settings.randomColour);
    settings.load(readerOf({{"BackColour", "0"}, {"BackColourTransparent", "1"}, {"TextColourRandom", "1"}}));
    QVERIFY(settings.transparent);
    QVERIFY(settings.randomColour);
    settings.load(readerOf({{"BackColour", "0"}, {"BackColourTransparent", "0"}, {"TextColourRandom", "0"}}));
    QVERIFY(settings.transparent);
    QVERIFY(settings.randomColour);

    MessengerSettings noBackColour;
    noBackColour.load(readerOf({{"BackColourTransparent", "0"}}));
    QVERIFY(noBackColour.transparent);
}

void tst_MessengerLogic::colourFromValue_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("red") << "255" << true << QColor(255, 0, 0);
    QTest::newRow("mixed") << "1193046" << true << QColor(0x56, 0x34, 0x12);
    QTest::newRow("blanks around") << " 65280 " << true << QColor(0, 255, 0);
    QTest::newRow("system button text")
        << "-2147483630" << true << QGuiApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    QTest::newRow("unknown system colour") << "-2147483000" << false << QColor();
    QTest::newRow("beyond 32 bits") << "99999999999" << false << QColor();
    QTest::newRow("letters") << "blue" << false << QColor();
    QTest::newRow("empty") << "" << false << QColor();
}

void tst_MessengerLogic::colourFromValue()
{
    QFETCH(QString, value);
    QFETCH(bool, valid);
    const std::optional<QColor> colour = MessengerSettings::colourFromValue(value);
    QCOMPARE(colour.has_value(), valid);
    if (valid)
        QTEST(*colour, "colour");
}

void tst_MessengerLogic::selectionWrapsAround()
{
    MessageList list;
    list.advance();
    QCOMPARE(list.currentIndex(), -1);
    list.setEntries({"one", "two", "three"});
    QStringList shown;
    for (int i = 0; i < 5; ++i) {
        list.advance();
        shown << list.currentText();
    }
    QCOMPARE(shown, QStringList({"one", "two", "three", "one", "two"}));
}

void tst_MessengerLogic::removedEntryRestartsFromTheFirst()
{
    MessageList list;
    list.setEntries({"one", "two", "three"});
    list.advance();
    list.advance();
    list.removeCurrent();
    QCOMPARE(list.entries(), QStringList({"one", "three"}));
    QCOMPARE(list.currentIndex(), -1);
    list.advance();
    QCOMPARE(list.currentText(), QStringLiteral("one"));
    list.advance();
    list.removeCurrent();
    list.advance();
    list.removeCurrent();
    QVERIFY(list.isEmpty());
    list.advance();
    QCOMPARE(list.currentText(), QString());
}

void tst_MessengerLogic::paragraphs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("two lines apart") << QByteArray("first\n\nsecond\n") << QStringList {"first", "second"};
    QTest::newRow("CRLF") << QByteArray("first\r\n\r\nsecond\r\n") << QStringList {"first", "second"};
    QTest::newRow("CR only") << QByteArray("first\r\rsecond\r") << QStringList {"first", "second"};
    QTest::newRow("no final line end") << QByteArray("first\nsecond") << QStringList {"first", "second"};
    QTest::newRow("each line a paragraph") << QByteArray("a\nb\nc\n") << QStringList {"a", "b", "c"};
    QTest::newRow("leading tab dropped, others become spaces")
        << QByteArray("\tone\ttwo\n\n\tthree\tfour") << QStringList {"one two", "three four"};
    QTest::newRow("a run of blank lines separates two paragraphs")
        << QByteArray("a\n\n\n\nb\n") << QStringList {"a", "b"};
    QTest::newRow("blank line at the start") << QByteArray("\nfirst\n") << QStringList {"first"};
    QTest::newRow("blank line at the end") << QByteArray("first\n\n") << QStringList {"first", ""};
    QTest::newRow("empty file") << QByteArray() << QStringList {""};
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF"
                                                  "caf\xC3\xA9")
                                    << QStringList {"caf\u00E9"};
    QTest::newRow("Windows-1252 line")
        << QByteArray("caf\xE9\n\x93quoted\x94") << QStringList {"caf\u00E9", "\u201Cquoted\u201D"};
    QTest::newRow("binary") << QByteArray("\x00\x01\xFF\xFE", 4)
                            << QStringList {QString()}; // text checked below
}

void tst_MessengerLogic::paragraphs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    QVERIFY(buffer->open(QIODevice::ReadOnly));
    ParagraphReader reader;
    QVERIFY(reader.open(std::move(buffer)));
    const QStringList got = readAll(reader);
    QVERIFY(!reader.isOpen());
    if (QTest::currentDataTag() == QLatin1String("binary"))
        QCOMPARE(got.size(), 1);
    else
        QCOMPARE(got, expected);
}

void tst_MessengerLogic::overlongLineIsCut()
{
    QByteArray bytes(1024 * 1024, 'x');
    bytes += "\r\ntail";
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    QVERIFY(buffer->open(QIODevice::ReadOnly));
    ParagraphReader reader;
    QVERIFY(reader.open(std::move(buffer)));
    const QStringList got = readAll(reader);
    QCOMPARE(got.size(), 2);
    QCOMPARE(got.at(0).size(), ParagraphReader::MaxLineBytes);
    QCOMPARE(got.at(1), QStringLiteral("tail"));
}

void tst_MessengerLogic::fileDeletedWhileReadStillReads()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("words.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("one\n\ntwo\n\nthree\n");
    file.close();
    ParagraphReader reader;
    QVERIFY(reader.open(path));
    QCOMPARE(reader.next(), QStringLiteral("one"));
    QVERIFY(QFile::remove(path));
    QCOMPARE(readAll(reader), QStringList({"two", "three"}));
}

void tst_MessengerLogic::preciseTimerRepeatsUntilStopped()
{
    PreciseTimer timer;
    QList<long long> due;
    connect(&timer, &PreciseTimer::timeout, this, [&] { due << timer.dueNs(); });
    timer.setInterval(5);
    QVERIFY(!timer.isActive());
    timer.start();
    QVERIFY(timer.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(due.size() >= 3, 10000);
    // The ticks keep to a grid of whole intervals, however late each one ran.
    for (qsizetype i = 1; i < due.size(); ++i) {
        QVERIFY(due[i] > due[i - 1]);
        QCOMPARE((due[i] - due[i - 1]) % 5'000'000LL, 0LL);
    }
    QCOMPARE(timer.dueNs(), 0LL);
    timer.setInterval(2);
    QCOMPARE(timer.interval(), 2);
    QVERIFY(timer.isActive());
    timer.stop();
    QVERIFY(!timer.isActive());
    // A tick already due when it stopped must not come through afterwards.
    QCoreApplication::processEvents();
    const qsizetype stoppedAt = due.size();
    QTest::qWait(50);
    QCOMPARE(due.size(), stoppedAt);
}

void tst_MessengerLogic::place_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QList<double>>("draws");
    QTest::addColumn<QPoint>("corner");

    const QSize hd(1920 * 15, 1080 * 15);
    const QSize text(4635, 300);
    QTest::newRow("centre") << 0 << text << hd << QList<double> {} << QPoint(12082, 7950);
    QTest::newRow("top margin") << 1 << text << hd << QList<double> {} << QPoint(12082, 500);
    QTest::newRow("bottom margin") << 2 << text << hd << QList<double> {} << QPoint(12082, 15400);
    QTest::newRow("random: left draw, then top draw")
        << 3 << text << hd << QList<double> {0.5, 0.25} << QPoint(12082, 3975);
    QTest::newRow("code 7 is random") << 7 << text << hd << QList<double> {0.0, 0.999} << QPoint(0, 15884);
    QTest::newRow("negative code is random")
        << -1 << text << hd << QList<double> {1.0 / 3, 0.0} << QPoint(8055, 0);
    QTest::newRow("random far across a 4K screen")
        << 3 << text << QSize(3840 * 15, 2160 * 15) << QList<double> {0.9, 0.9} << QPoint(47668, 28890);
    QTest::newRow("window wider than the screen, centred")
        << 0 << QSize(40000, 300) << hd << QList<double> {} << QPoint(-5600, 7950);
}

void tst_MessengerLogic::place()
{
    QFETCH(int, code);
    QFETCH(QSize, window);
    QFETCH(QSize, screen);
    QFETCH(QList<double>, draws);
    QTEST(WindowPlacement::place(code, window, screen, drawsOf(draws)), "corner");
}

void tst_MessengerLogic::positionCode_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("code");

    QTest::newRow("empty tag is the centre") << "" << 0;
    QTest::newRow("top") << "1" << 1;
    QTest::newRow("blanks around") << " 2 " << 2;
    QTest::newRow("fraction to the nearest") << "2.6" << 3;
    QTest::newRow("letters are the centre") << "top" << 0;
    QTest::newRow("trailing letters are the centre") << "1x" << 0;
}

void tst_MessengerLogic::positionCode()
{
    QFETCH(QString, tag);
    QTEST(WindowPlacement::positionCode(tag), "code");
}

void tst_MessengerLogic::pixels_data()
{
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("96 DPI, 15 twips per pixel")
        << 96.0 << QRect(1500, 750, 4635, 300) << QRect(100, 50, 309, 20);
    QTest::newRow("120 DPI rounds each edge")
        << 120.0 << QRect(1000, 500, 4635, 300) << QRect(83, 42, 386, 25);
    QTest::newRow("144 DPI") << 144.0 << QRect(-105, 0, 4635, 305) << QRect(-10, 0, 464, 30);
    QTest::newRow("unknown DPI counts as 96") << 0.0 << QRect(15, 30, 45, 60) << QRect(1, 2, 3, 4);
}

void tst_MessengerLogic::pixels()
{
    QFETCH(qreal, dpi);
    QFETCH(QRect, twips);
    const int perPixel = WindowPlacement::twipsPerPixel(dpi);
    QTEST(WindowPlacement::toPixels(twips, perPixel, perPixel), "pixels");
}

QTEST_MAIN(tst_MessengerLogic)
#include "tst_messenger_logic.moc"
