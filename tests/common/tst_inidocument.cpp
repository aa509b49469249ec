#include "IniDocument.h"

#include <QTest>

class tst_IniDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void refusesWhatTheFormatCannotHold_data();
    void refusesWhatTheFormatCannotHold();
    void decodesPerLine_data();
    void decodesPerLine();
};

void tst_IniDocument::reading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray basic = "[Settings]\nOn=Yes\nTime = 12:00:00 \n";
    QTest::newRow("plain") << basic << "Settings" << "On" << "Yes";
    QTest::newRow("blanks trimmed") << basic << "Settings" << "Time" << "12:00:00";
    QTest::newRow("names ignore letter case") << basic << "SETTINGS" << "on" << "Yes";
    QTest::newRow("missing key") << basic << "Settings" << "Off" << "";
    QTest::newRow("text after the first equals sign") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
    QTest::newRow("empty value") << QByteArray("[S]\nk=\nl=x\n") << "S" << "k" << "";
    QTest::newRow("first duplicate key wins") << QByteArray("[S]\nk=1\nK=2\n") << "S" << "k" << "1";
    QTest::newRow("first duplicate section wins") << QByteArray("[S]\nk=1\n[s]\nk=2\nj=3\n") << "S" << "k" << "1";
    QTest::newRow("keys of a duplicate section are not seen")
        << QByteArray("[S]\nk=1\n[s]\nj=3\n") << "S" << "j" << "";
    QTest::newRow("cut at NUL") << QByteArray("[S]\nk=ab\0cd\n", 11) << "S" << "k" << "ab";
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("indented header") << QByteArray("  [ S ]  \nk=v\n") << "S" << "k" << "v";
    QTest::newRow("lines without equals are skipped")
        << QByteArray("[S]\nnonsense\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("key before any section is not in a section")
        << QByteArray("k=v\n[S]\n") << "S" << "k" << "";
    QTest::newRow("non-ASCII names") << QByteArray("[Café]\nclé=été\n") << "CAFÉ" << "CLÉ" << "été";
}

void tst_IniDocument::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(IniDocument::parse(file).value(section, key), expected);
}

void tst_IniDocument::writing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("replace in place") << QByteArray("[A]\nx=1\ny=2\n[B]\nx=3\n") << "a" << "X" << "9"
                                      << QByteArray("[A]\nx=9\ny=2\n[B]\nx=3\n");
    QTest::newRow("new key at the end of its section, before blank lines")
        << QByteArray("[A]\nx=1\n\n[B]\nx=3\n") << "A" << "z" << "5" << QByteArray("[A]\nx=1\nz=5\n\n[B]\nx=3\n");
    QTest::newRow("new key in the last section") << QByteArray("[A]\nx=1") << "A" << "z" << "5"
                                                 << QByteArray("[A]\nx=1\nz=5\n");
    QTest::newRow("new key in an empty section") << QByteArray("[A]\n[B]\n") << "A" << "k" << "v"
                                                 << QByteArray("[A]\nk=v\n[B]\n");
    QTest::newRow("new section at the end") << QByteArray("[A]\nx=1\n") << "B" << "k" << "v"
                                            << QByteArray("[A]\nx=1\n[B]\nk=v\n");
    QTest::newRow("new section after a missing final line end")
        << QByteArray("[A]\nx=1") << "B" << "k" << "v" << QByteArray("[A]\nx=1\n[B]\nk=v\n");
    QTest::newRow("into an empty file") << QByteArray() << "S" << "k" << "v" << QByteArray("[S]\nk=v\n");
    QTest::newRow("empty value keeps the key") << QByteArray("[A]\nx=1\n") << "A" << "x" << ""
                                               << QByteArray("[A]\nx=\n");
    QTest::newRow("CRLF file stays CRLF") << QByteArray("[A]\r\nx=1\r\n") << "A" << "y" << "2"
                                          << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
    QTest::newRow("mixed line ends kept line by line")
        << QByteArray("[A]\r\nx=1\ny=2\r\n") << "A" << "y" << "3" << QByteArray("[A]\r\nx=1\ny=3\r\n");
    QTest::newRow("CRLF file without a final line end")
        << QByteArray("[A]\r\nx=1") << "B" << "k" << "v" << QByteArray("[A]\r\nx=1\r\n[B]\r\nk=v\r\n");
    QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[A]\nx=1\n") << "A" << "x" << "2"
                              << QByteArray("\xEF\xBB\xBF[A]\nx=2\n");
    QTest::newRow("key spelling of the file kept") << QByteArray("[A]\n  Key = 1\n") << "a" << "KEY" << "2"
                                                   << QByteArray("[A]\n  Key =2\n");
    QTest::newRow("written as UTF-8") << QByteArray("[A]\n") << "A" << "k" << "é €"
                                      << QByteArray("[A]\nk=\xC3\xA9 \xE2\x82\xAC\n");
    QTest::newRow("duplicate section: the first is written")
        << QByteArray("[A]\nx=1\n[A]\nx=2\n") << "A" << "x" << "9" << QByteArray("[A]\nx=9\n[A]\nx=2\n");
}

void tst_IniDocument::writing()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    IniDocument doc = IniDocument::parse(before);
    QVERIFY(doc.setValue(section, key, value));
    QCOMPARE(doc.toBytes(), after);
    QCOMPARE(doc.value(section, key), value);
    QCOMPARE(IniDocument::parse(doc.toBytes()).value(section, key), value);
}

void tst_IniDocument::refusesWhatTheFormatCannotHold_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("line break in value") << "S" << "k" << "one\ntwo";
    QTest::newRow("carriage return in value") << "S" << "k" << "one\rtwo";
    QTest::newRow("NUL in value") << "S" << "k" << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    QTest::newRow("bracket in section") << "a]b" << "k" << "v";
    QTest::newRow("empty section") << "" << "k" << "v";
    QTest::newRow("blank-edged section") << " S" << "k" << "v";
    QTest::newRow("equals in key") << "S" << "a=b" << "v";
    QTest::newRow("key looks like a header") << "S" << "[k" << "v";
    QTest::newRow("empty key") << "S" << "" << "v";
}

void tst_IniDocument::refusesWhatTheFormatCannotHold()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QByteArray before = "[S]\nk=old\n";
    IniDocument doc = IniDocument::parse(before);
    QString error;
    QVERIFY(!doc.setValue(section, key, value, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(doc.toBytes(), before);
}

void tst_IniDocument::decodesPerLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("plain") << "plain";
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9") << QString::fromUtf8("café");
    QTest::newRow("Windows-1252 accents") << QByteArray("caf\xE9") << QString::fromUtf8("café");
    QTest::newRow("Windows-1252 quotes and euro") << QByteArray("\x93hi\x94 \x80") << QString::fromUtf8("“hi” €");
    QTest::newRow("truncated UTF-8 falls back") << QByteArray("ab\xC3") << QString::fromUtf8("abÃ");
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80") << QString::fromUtf8("😀");
}

void tst_IniDocument::decodesPerLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, text);
    QCOMPARE(IniDocument::decodeLine(line), text);
}

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_inidocument.moc"
