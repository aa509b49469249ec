#include "IniDocument.h"

#include <QTest>

namespace {

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// A file of section S holding the one line given.
QByteArray inS(const QByteArray &line)
{
    return "[S]\n" + line + "\n";
}

void read(const char *name, const QByteArray &file, const QString &expected, const QString &section = "S",
    const QString &key = "k")
{
    QTest::newRow(name) << file << section << key << expected;
}

void write(const char *name, const QByteArray &before, const QString &value, const QByteArray &after,
    const QString &section = "S", const QString &key = "k")
{
    QTest::newRow(name) << before << section << key << value << after;
}

} // namespace

class tst_IniDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Values as read, and the bytes untouched by reading.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray basic = "[Settings]\nOn=Yes\nTime = 12:00:00 \n";
        read("blanks trimmed", basic, "12:00:00", "Settings", "Time");
        read("names ignore letter case", basic, "Yes", "SETTINGS", "on");
        read("missing key", basic, "", "Settings", "Off");
        read("text after the first equals sign", inS("k=a=b"), "a=b");
        read("first duplicate key wins", "[S]\nk=1\nK=2\n", "1");
        read("first duplicate section wins", "[S]\nk=1\n[s]\nk=2\nj=3\n", "1");
        read("keys of a duplicate section are not seen", "[S]\nk=1\n[s]\nj=3\n", "", "S", "j");
        read("cut at NUL", QByteArray("[S]\nk=ab\0cd\n", 11), "ab");
        read("BOM", "\xEF\xBB\xBF[S]\nk=v\n", "v");
        read("indented header", "  [ S ]  \nk=v\n", "v");
        read("lines without equals are skipped", "[S]\nnonsense\nk=v\n", "v");
        read("key before any section is not in a section", "k=v\n[S]\n", "");
        // Quotes
        read("double quotes", inS("k=\"v\""), "v");
        read("single quotes", inS("k='v'"), "v");
        read("only the outer pair", inS("k=\"a\"b\""), "a\"b");
        read("quotes after trimming, blanks inside kept", inS("k = \"  v  \" \t"), "  v  ");
        read("different quotes stay", inS("k=\"v'"), "\"v'");
        read("opening quote alone stays", inS("k=\"v"), "\"v");
        read("quoted name is another name", inS("\"k\"=v"), "");
        // Line ends (CR, LF CR and CR CR LF files: the writing cases read them back)
        read("CR in an LF file", "[S]\nk=a\rb=c\n", "c", "S", "b");
        read("blank lines of every kind", "[S]\r\n\r\n\n\r\r\n\r\nk=a\r\n", "a");
        read("header ended by CR", "[S]\r[T]\rk=t\r", "t", "T");
        // Headers
        const QByteArray unclosed = "[A]\nx=1\n[B\ny=2\n";
        read("no ]: not a header", unclosed, "", "B", "y");
        read("no ]: its keys stay in the section before", unclosed, "2", "A", "y");
        read("no ] but =: a key of the section before", "[A]\n[B=2\n", "2", "A", "[B");
        read("name runs to the last ]", "[a]b]\nk=v\n", "v", "a]b");
        read("text after ] ignored", "[a] junk\nk=v\n", "v", "a");
        // Blanks and the DOS end-of-file mark
        read("end-of-file mark after a value", "[S]\r\nk=v\x1A\r\n", "v");
        read("end-of-file mark alone on the last line", "[S]\r\nk=v\r\n\x1A", "v");
        read("TAB, VT and FF around a value", inS("k=\t\v\fv\f\v\t"), "v");
        read("around a key", inS("\x1A\v k\f\t=v"), "v");
        read("inside a value kept", inS("k=a\x1A\tb"), "a\x1A\tb");
        read("no-break space is not a blank", inS("k=v\xC2\xA0"), QString::fromUtf8("v\u00A0"));
        // Each line decoded on its own (Windows-1252 and UTF-8 ones: the writing cases read them back)
        read("truncated UTF-8 falls back", inS("k=ab\xC3"), QString::fromUtf8("abÃ"));
        read("UTF-8 byte-order mark inside a line is text", inS("k=\xEF\xBB\xBFv"),
            QChar(0xFEFF) + QStringLiteral("v"));
        // UTF-16
        read("UTF-16 byte-order mark inside is text",
            utf16le(QStringLiteral("[S]\nk=") + QChar(0xFEFF) + QStringLiteral("v\n")),
            QChar(0xFEFF) + QStringLiteral("v"));
        read("UTF-16 unpaired surrogate",
            utf16le(QStringLiteral("[S]\nk=a") + QChar(0xD800) + QStringLiteral("\nj=b\n")), "b", "S", "j");
        read("UTF-16 odd last byte", QByteArray(utf16le("[S]\nk=v\n") + 'x'), "v");
        read("UTF-16 without its byte-order mark is not read", utf16le("[S]\nk=v\n").sliced(2), "");
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const IniDocument doc = IniDocument::parse(file);
        QCOMPARE(doc.value(section, key), expected);
        QCOMPARE(doc.toBytes(), file);
    }

    // The bytes written, and the value read back from the document and from those bytes.
    void writing_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        write("replace in place", "[A]\nx=1\ny=2\n[B]\nx=3\n", "9", "[A]\nx=9\ny=2\n[B]\nx=3\n", "a", "X");
        write("new key at the end of its section, before blank lines", "[A]\nx=1\n\n[B]\nx=3\n", "5",
            "[A]\nx=1\nz=5\n\n[B]\nx=3\n", "A", "z");
        write("new key in an empty section", "[A]\n[B]\n", "v", "[A]\nk=v\n[B]\n", "A");
        write("new section after a missing final line end", "[A]\nx=1", "v", "[A]\nx=1\n[S]\nk=v\n");
        write("into an empty file", "", "v", "[S]\nk=v\n");
        write("empty value keeps the key", "[S]\nk=1\n", "", "[S]\nk=\n");
        write("CRLF file without a final line end", "[A]\r\nx=1", "v", "[A]\r\nx=1\r\n[S]\r\nk=v\r\n");
        write("BOM kept", "\xEF\xBB\xBF[S]\nk=1\n", "2", "\xEF\xBB\xBF[S]\nk=2\n");
        write("key spelling of the file kept", "[A]\n  Key = 1\n", "2", "[A]\n  Key =2\n", "a", "KEY");
        write("written as UTF-8", "[S]\n", "é €", "[S]\nk=\xC3\xA9 \xE2\x82\xAC\n");
        write("duplicate section: the first is written", "[S]\nk=1\n[S]\nk=2\n", "9", "[S]\nk=9\n[S]\nk=2\n");
        // Quotes a reader would strip get one more pair.
        write("double quotes", inS("k=old"), "\"Be calm\"", inS("k=\"\"Be calm\"\""));
        write("single quotes, new key", "[S]\n", "'x'", inS("k=''x''"));
        write("blanks around quotes kept inside the pair", inS("k=old"), " \"a\" ", inS("k=\" \"a\" \""));
        write("different quotes written as they are", inS("k=old"), "\"v'", inS("k=\"v'"));
        write("one quote written as it is", inS("k=old"), "\"", inS("k=\""));
        // Line ends: a new line takes the file's, a replaced one keeps its own.
        write("CR file", "[S]\rk=a\r\r[T]\r", "x", "[S]\rk=a\rn=x\r\r[T]\r", "S", "n");
        write("after a last line ending in a lone CR", "[S]\r\nk=a\r", "x", "[S]\r\nk=a\rn=x\r\n", "S", "n");
        write("CR CR LF file", "[S]\r\r\nk=a\r\r\n", "x", "[S]\r\r\nk=a\r\r\nn=x\r\r\n", "S", "n");
        write("LF CR file", "[S]\n\rk=a\n\r", "x", "[S]\n\rk=a\n\rn=x\n\r", "S", "n");
        write("replacing keeps a line's own end", "[S]\r\nk=a\r\r\nb=c\n\r", "x", "[S]\r\nk=x\r\r\nb=c\n\r");
        write("value cut off by a CR is replaced whole", "[S]\nk=a\rb=c\n", "x", "[S]\nk=a\rb=x\n", "S", "b");
        // A value a line already holds leaves its text as it is.
        write("held: spacing", inS("  k = v \t"), "v", inS("  k = v \t"));
        write("held: quoted quotes", inS("k=\"\"v\"\""), "\"v\"", inS("k=\"\"v\"\""));
        write("held: Windows-1252", inS("k=caf\xE9"), QString::fromUtf8("café"), inS("k=caf\xE9"));
        write("held: empty", inS("k="), "", inS("k="));
        write("held: end-of-file mark", "[S]\r\nk=v\x1A", "v", "[S]\r\nk=v\x1A");
        write("held: UTF-16", utf16le("[S]\r\nk = v\r\n"), "v", utf16le("[S]\r\nk = v\r\n"));
        // UTF-16 stays UTF-16.
        const QString before = QString::fromUtf8("[S]\r\nk=old\r\n\r\n[T]\r\nt=é\r\n");
        write("UTF-16 replace in place", utf16le(before), QString::fromUtf8("new 😀"),
            utf16le(QString::fromUtf8("[S]\r\nk=new 😀\r\n\r\n[T]\r\nt=é\r\n")));
        write("UTF-16 new key", utf16le(before), "x",
            utf16le(QString::fromUtf8("[S]\r\nk=old\r\n\r\n[T]\r\nt=é\r\nu=x\r\n")), "T", "u");
        write("UTF-16 new section", utf16le(before), "'v'",
            utf16le(before + QString::fromUtf8("[Ü]\r\nk=''v''\r\n")), "Ü");
        const QString damaged = QStringLiteral("[S]\nbad=") + QChar(0xDC00) + QStringLiteral("\nk=old\n");
        write("UTF-16 damaged line kept", QByteArray(utf16le(damaged) + 'x'), "new",
            QByteArray(utf16le(QString(damaged).replace("old", "new")) + 'x'));
        // Windows-1252 lines stay Windows-1252 where they can.
        write("unused Windows-1252 codes written back as the same bytes",
            inS("k=1caf\xE9 \x81\x8D\x8F\x90\x9D"), QString::fromUtf8("0café \u0081\u008D\u008F\u0090\u009D"),
            inS("k=0caf\xE9 \x81\x8D\x8F\x90\x9D"));
        write("a Windows-1252 value stays Windows-1252", inS("k=\x93old\x94"), QString::fromUtf8("“new” €"),
            inS("k=\x93new\x94 \x80"));
        write("UTF-8 where Windows-1252 cannot hold the value", inS("k=caf\xE9"), QString::fromUtf8("café 😀"),
            inS("k=caf\xC3\xA9 \xF0\x9F\x98\x80"));
        write("UTF-8 where its Windows-1252 bytes would read as UTF-8", inS("k=\xE9"),
            QString::fromUtf8("Ã©"), inS("k=\xC3\x83\xC2\xA9"));
        write(
            "unused code into a UTF-8 line", inS("k=old"), QString::fromUtf8("a\u0081"), inS("k=a\xC2\x81"));
        write("key in Windows-1252 kept", inS("cl\xE9=old"), QString::fromUtf8("été"),
            inS("cl\xE9=\xC3\xA9t\xC3\xA9"), "S", QString::fromUtf8("clé"));
    }
    void writing()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        IniDocument doc = IniDocument::parse(before);
        // A held value is not written at all, so holding it must mean no byte would change.
        QCOMPARE(doc.holds(section.toLower(), key.toUpper(), value), before == after);
        QVERIFY(doc.setValue(section, key, value));
        QCOMPARE(doc.toBytes(), after);
        QCOMPARE(doc.value(section, key), value);
        QVERIFY(doc.holds(section, key, value) && !doc.holds(section, key, value + u'x'));
        QVERIFY(!doc.holds(section, key + u'x', QString()));
        QCOMPARE(IniDocument::parse(after).value(section, key), value);
    }

    void refusesWhatTheFormatCannotHold_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const auto row = [](const char *name, const QString &section, const QString &key,
                             const QString &value) { QTest::newRow(name) << section << key << value; };
        row("line break in value", "S", "k", "one\ntwo");
        row("NUL in value", "S", "k", QStringLiteral("a") + QChar(0) + u'b');
        row("bracket in section", "a]b", "k", "v");
        row("empty section", "", "k", "v");
        row("end-of-file mark before a key", "S", "\x1Ak", "v");
        row("equals in key", "S", "a=b", "v");
        row("key looks like a header", "S", "[k", "v");
        row("empty key", "S", "", "v");
    }
    void refusesWhatTheFormatCannotHold()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QByteArray before = inS("k=old");
        IniDocument doc = IniDocument::parse(before);
        QString error;
        QVERIFY(!doc.setValue(section, key, value, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(doc.toBytes(), before);
    }
};

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_inidocument.moc"
