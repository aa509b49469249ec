#include "MessengerSettings.h"
#include "ParagraphReader.h"
#include "WindowPlacement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Values = QMap<QString, QString>;

class tst_MessengerLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Two loads in a row: what the second one leaves in the field named.
    void settings_data()
    {
        QTest::addColumn<Values>("first");
        QTest::addColumn<Values>("second");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");

        const auto row
            = [](const char *name, Values first, Values second, const char *field, QVariant value) {
                  QTest::newRow(name) << first << second << QString::fromLatin1(field) << value;
              };
        row("duration position 12 is one second", {{"Duration", "12"}}, {}, "duration", 1000);
        row("duration position 13 keeps the previous", {{"Duration", "3"}}, {{"Duration", "13"}}, "duration",
            10);
        row("negative duration position is refused", {{"Duration", "-1"}}, {}, "duration", 2);
        row("ActualDuration when Duration is empty", {{"ActualDuration", "7"}}, {}, "duration", 7);
        row("ActualDuration unread when Duration is set", {{"Duration", "0"}, {"ActualDuration", "7"}}, {},
            "duration", 1);
        row("ActualDuration above 65535 keeps the previous", {{"ActualDuration", "7"}},
            {{"ActualDuration", "65536"}}, "duration", 7);
        row("ActualDuration of 0 is refused", {{"ActualDuration", "0"}}, {}, "duration", 2);
        row("frequency position 0 is two seconds", {{"Frequency", "0"}}, {}, "frequency", 2000);
        row("frequency position 7 keeps the previous", {{"Frequency", "6"}}, {{"Frequency", "7"}},
            "frequency", 60000);
        row("ActualFrequency in milliseconds", {{"ActualFrequency", "1500"}}, {}, "frequency", 1500);
        row("ActualFrequency of 65535 is the longest", {{"ActualFrequency", "65535"}}, {}, "frequency",
            65535);
        row("huge ActualFrequency is refused", {{"ActualFrequency", "1e300"}}, {}, "frequency", 20000);
        row("negative ActualFrequency is refused", {{"ActualFrequency", "-300"}}, {}, "frequency", 20000);
        row("colour is red + 256 green + 65536 blue", {{"TextColour", "16711680"}}, {}, "text",
            QColor(0, 0, 255));
        row("colour that is no integer keeps the previous", {{"TextColour", "255"}}, {{"TextColour", "red"}},
            "text", QColor(255, 0, 0));
        row("font size beyond any screen keeps the previous", {{"FontSize", "30"}}, {{"FontSize", "99999"}},
            "fontSize", 30.0);
    }
    void settings()
    {
        QFETCH(Values, first);
        QFETCH(Values, second);
        QFETCH(QString, field);
        MessengerSettings s;
        s.load([&](const QString &key) { return first.value(key); });
        s.load([&](const QString &key) { return second.value(key); });
        const QMap<QString, QVariant> fields {{"duration", s.durationMs}, {"frequency", s.frequencyMs},
            {"text", s.textColour}, {"fontSize", s.fontSize}};
        QTEST(fields.value(field), "expected");
    }
    // Each file is deleted once its first paragraph is out.
    void paragraphs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("CRLF") << QByteArray("first\r\n\r\nsecond\r\n") << QStringList {"first", "second"};
        QTest::newRow("CR only") << QByteArray("first\r\rsecond") << QStringList {"first", "second"};
        QTest::newRow("each line a paragraph") << QByteArray("a\nb\nc\n") << QStringList {"a", "b", "c"};
        QTest::newRow("a run of blank lines") << QByteArray("\na\n\n\n\nb\n") << QStringList {"a", "b"};
        QTest::newRow("blank line at the end") << QByteArray("first\n\n") << QStringList {"first", ""};
        QTest::newRow("empty file") << QByteArray() << QStringList {""};
        QTest::newRow("leading tab dropped, others become spaces")
            << QByteArray("\tone\ttwo\n\n\tthree") << QStringList {"one two", "three"};
        QTest::newRow("UTF-8 with BOM")
            << QByteArray("\xEF\xBB\xBF") + "caf\xC3\xA9" << QStringList {"caf\u00E9"};
        QTest::newRow("Windows-1252")
            << QByteArray("caf\xE9\n\x93quoted\x94") << QStringList {"caf\u00E9", "\u201Cquoted\u201D"};
        QTest::newRow("overlong line is cut")
            << (QByteArray(100000, 'x') + "\r\ntail")
            << QStringList {QString(ParagraphReader::MaxLineBytes, 'x'), "tail"};
    }
    void paragraphs()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile file(dir.filePath("words.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        ParagraphReader reader;
        QVERIFY(reader.open(file.fileName()));
        QStringList got;
        for (int i = 0; i < 100 && reader.isOpen(); ++i) {
            got << reader.next();
            if (i == 0) // the open file is read to its end all the same
                QVERIFY(file.remove());
        }
        QVERIFY(!reader.isOpen());
        QTEST(got, "expected");
    }
    // Twips on a 1920x1080 screen at 15 twips per pixel, unless a 4K one is named.
    void place_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QList<double>>("draws");
        QTest::addColumn<QPoint>("corner");

        const QSize hd(1920 * 15, 1080 * 15);
        QTest::newRow("letters or none: centre") << "top" << hd << QList<double> {} << QPoint(12082, 7950);
        QTest::newRow("1: top margin") << "1" << hd << QList<double> {} << QPoint(12082, 500);
        QTest::newRow("2 with blanks: bottom margin")
            << " 2 " << hd << QList<double> {} << QPoint(12082, 15400);
        QTest::newRow("3: left draw, then top draw")
            << "3" << hd << QList<double> {0.5, 0.25} << QPoint(12082, 3975);
        QTest::newRow("2.6 rounds to 3: random")
            << "2.6" << hd << QList<double> {1.0 / 3, 0.0} << QPoint(8055, 0);
        QTest::newRow("7: random") << "7" << hd << QList<double> {0.0, 0.999} << QPoint(0, 15884);
        QTest::newRow("random far across a 4K screen")
            << "3" << QSize(3840 * 15, 2160 * 15) << QList<double> {0.9, 0.9} << QPoint(47668, 28890);
    }
    void place()
    {
        QFETCH(QString, tag);
        QFETCH(QSize, screen);
        QFETCH(QList<double>, draws);
        const auto draw = [&draws] { return draws.isEmpty() ? 0.0 : draws.takeFirst(); };
        const int code = WindowPlacement::positionCode(tag);
        QTEST(WindowPlacement::place(code, QSize(4635, 300), screen, draw), "corner");
    }
    void pixels_data()
    {
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QRect>("pixels");

        QTest::newRow("96 DPI: 15 twips a pixel")
            << 96.0 << QRect(1500, 750, 4635, 300) << QRect(100, 50, 309, 20);
        QTest::newRow("120 DPI rounds each edge")
            << 120.0 << QRect(1000, 500, 4635, 300) << QRect(83, 42, 386, 25);
        QTest::newRow("unknown DPI counts as 96") << 0.0 << QRect(15, 30, 45, 60) << QRect(1, 2, 3, 4);
    }
    void pixels()
    {
        QFETCH(qreal, dpi);
        QFETCH(QRect, twips);
        const int perPixel = WindowPlacement::twipsPerPixel(dpi);
        QTEST(WindowPlacement::toPixels(twips, perPixel, perPixel), "pixels");
    }
};

QTEST_MAIN(tst_MessengerLogic)
#include "tst_messenger_logic.moc"
