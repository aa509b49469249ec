#include "LinkEndpoint.h"

#include <QTest>

using Status = LinkEndpoint::FrameStatus;
Q_DECLARE_METATYPE(LinkEndpoint::FrameStatus)

namespace {

QByteArray header(int itemSize, int textSize, char version = 1)
{
    QByteArray bytes("MRML");
    bytes.append(version);
    bytes.append(char(itemSize >> 8)).append(char(itemSize & 0xff));
    bytes.append(char(textSize >> 8)).append(char(textSize & 0xff));
    return bytes;
}

} // namespace

class TestLinkFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void refusedWhenTooLarge_data();
    void refusedWhenTooLarge();
    void everyCutIsIncomplete();
    void badBytes_data();
    void badBytes();
};

void TestLinkFrame::roundTrip_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");

    QTest::newRow("command") << "Text1"
                             << "OFF";
    QTest::newRow("lower case kept") << "Text1"
                                     << "off";
    QTest::newRow("empty text") << "Text1"
                                << "";
    QTest::newRow("accents and emoji")
        << QString::fromUtf8("Zone é") << QString::fromUtf8("été \xF0\x9F\x98\x80");
    QTest::newRow("leading byte order mark kept") << "Text1" << QString(QChar(0xFEFF)) + "ON";
    QTest::newRow("line breaks and nul") << "Text1" << QString::fromLatin1("a\r\nb\0c", 7);
    QTest::newRow("largest poke") << "Text1"
                                  << QString(LinkEndpoint::MaxMessageSize - 9 - 5, QLatin1Char('x'));
}

void TestLinkFrame::roundTrip()
{
    QFETCH(QString, item);
    QFETCH(QString, text);

    const QByteArray frame = LinkEndpoint::encodePoke(item, text);
    QVERIFY(!frame.isEmpty());
    QVERIFY(frame.size() <= LinkEndpoint::MaxMessageSize);
    QString decodedItem;
    QString decodedText;
    QCOMPARE(LinkEndpoint::decodePoke(frame, &decodedItem, &decodedText), Status::Complete);
    QCOMPARE(decodedItem, item);
    QCOMPARE(decodedText, text);
}

void TestLinkFrame::refusedWhenTooLarge_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("text");

    QTest::newRow("one byte over") << "Text1"
                                   << QString(LinkEndpoint::MaxMessageSize - 9 - 5 + 1, QLatin1Char('x'));
    // 342 three-byte characters: 1026 bytes although only 342 characters.
    QTest::newRow("over in bytes, not in characters") << "Text1" << QString(342, QChar(0x20AC));
    QTest::newRow("empty item") << ""
                                << "OFF";
}

void TestLinkFrame::refusedWhenTooLarge()
{
    QFETCH(QString, item);
    QFETCH(QString, text);
    QVERIFY(LinkEndpoint::encodePoke(item, text).isEmpty());
}

void TestLinkFrame::everyCutIsIncomplete()
{
    const QByteArray frame
        = LinkEndpoint::encodePoke(QStringLiteral("Text1"), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    QString item;
    QString text;
    for (qsizetype size = 0; size < frame.size(); ++size)
        QCOMPARE(LinkEndpoint::decodePoke(frame.left(size), &item, &text), Status::Incomplete);
    QVERIFY(item.isNull());
    QVERIFY(text.isNull());
}

void TestLinkFrame::badBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray good = LinkEndpoint::encodePoke(QStringLiteral("Text1"), QStringLiteral("OFF"));
    QTest::newRow("bare command") << QByteArray("OFF");
    QTest::newRow("wrong first byte") << QByteArray("X");
    QTest::newRow("unknown version") << header(5, 3, 2) + "Text1OFF";
    QTest::newRow("empty item") << header(0, 3) + "OFF";
    QTest::newRow("lengths beyond the limit") << header(5, 1016);
    QTest::newRow("bytes after the frame") << good + "X";
    QTest::newRow("two frames at once") << good + good;
    QTest::newRow("invalid UTF-8 in the text") << header(5, 2) + "Text1\xFF\xFE";
    QTest::newRow("overlong UTF-8 slash") << header(5, 2) + "Text1\xC0\xAF";
    QTest::newRow("more than 1 KiB of a frame start") << good.left(4) + QByteArray(2000, '\1');
}

void TestLinkFrame::badBytes()
{
    QFETCH(QByteArray, bytes);
    QString item;
    QString text;
    QCOMPARE(LinkEndpoint::decodePoke(bytes, &item, &text), Status::Invalid);
}

QTEST_APPLESS_MAIN(TestLinkFrame)
#include "tst_linkframe.moc"
