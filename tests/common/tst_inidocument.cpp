#include "IniDocument.h"

#include <QTest>

namespace {

void readingColumns()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
}

void readingRow(const char *name, const QByteArray &file, const QString &section, const QString &key,
    const QString &expected)
{
    QTest::newRow(name) << file << section << key << expected;
}

void checkReading()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniDocument doc = IniDocument::parse(file);
    QCOMPARE(doc.value(section, key), expected);
    QCOMPARE(doc.toBytes(), file);
}

void writingColumns()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
}

void writingRow(const char *name, const QByteArray &before, const QString &section, const QString &key,
    const QString &value, const QByteArray &after)
{
    QTest::newRow(name) << before << section << key << value << after;
}

// The value reads back exactly, from the edited document and from its bytes.
void checkWriting()
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
    QCOMPARE(IniDocument::parse(after).value(section, key), value);
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

// Row groups of the reading and writing tables, by topic.
static void quotesReadRows();
static void lineEndsReadRows();
static void headersReadRows();
static void blanksReadRows();
static void utf16ReadRows();
static void quotesWrittenRows();
static void lineEndsWrittenRows();
static void utf16WrittenRows();
static void windows1252WrittenRows();

class tst_IniDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void heldValueLeavesTheTextAsItIs_data();
    void heldValueLeavesTheTextAsItIs();
    void refusesWhatTheFormatCannotHold_data();
    void refusesWhatTheFormatCannotHold();
    void decodesPerLine_data();
    void decodesPerLine();
};

void tst_IniDocument::reading_data()
{
    readingColumns();

    const QByteArray basic = "[Settings]\nOn=Yes\nTime = 12:00:00 \n";
    readingRow("plain", basic, "Settings", "On", "Yes");
    readingRow("blanks trimmed", basic, "Settings", "Time", "12:00:00");
    readingRow("names ignore letter case", basic, "SETTINGS", "on", "Yes");
    readingRow("missing key", basic, "Settings", "Off", "");
    readingRow("text after the first equals sign", QByteArray("[S]\nk=a=b\n"), "S", "k", "a=b");
    readingRow("first duplicate key wins", QByteArray("[S]\nk=1\nK=2\n"), "S", "k", "1");
    readingRow("first duplicate section wins", QByteArray("[S]\nk=1\n[s]\nk=2\nj=3\n"), "S", "k", "1");
    readingRow("keys of a duplicate section are not seen", QByteArray("[S]\nk=1\n[s]\nj=3\n"), "S", "j", "");
    readingRow("cut at NUL", QByteArray("[S]\nk=ab\0cd\n", 11), "S", "k", "ab");
    readingRow("BOM", QByteArray("\xEF\xBB\xBF[S]\nk=v\n"), "S", "k", "v");
    readingRow("indented header", QByteArray("  [ S ]  \nk=v\n"), "S", "k", "v");
    readingRow("lines without equals are skipped", QByteArray("[S]\nnonsense\nk=v\n"), "S", "k", "v");
    readingRow("key before any section is not in a section", QByteArray("k=v\n[S]\n"), "S", "k", "");
    quotesReadRows();
    lineEndsReadRows();
    headersReadRows();
    blanksReadRows();
    utf16ReadRows();
}

void tst_IniDocument::reading()
{
    checkReading();
}

void tst_IniDocument::writing_data()
{
    writingColumns();

    writingRow("replace in place", QByteArray("[A]\nx=1\ny=2\n[B]\nx=3\n"), "a", "X", "9",
        QByteArray("[A]\nx=9\ny=2\n[B]\nx=3\n"));
    writingRow("new key at the end of its section, before blank lines", QByteArray("[A]\nx=1\n\n[B]\nx=3\n"),
        "A", "z", "5", QByteArray("[A]\nx=1\nz=5\n\n[B]\nx=3\n"));
    writingRow(
        "new key in the last section", QByteArray("[A]\nx=1"), "A", "z", "5", QByteArray("[A]\nx=1\nz=5\n"));
    writingRow("new key in an empty section", QByteArray("[A]\n[B]\n"), "A", "k", "v",
        QByteArray("[A]\nk=v\n[B]\n"));
    writingRow("new section at the end", QByteArray("[A]\nx=1\n"), "B", "k", "v",
        QByteArray("[A]\nx=1\n[B]\nk=v\n"));
    writingRow("new section after a missing final line end", QByteArray("[A]\nx=1"), "B", "k", "v",
        QByteArray("[A]\nx=1\n[B]\nk=v\n"));
    writingRow("into an empty file", QByteArray(), "S", "k", "v", QByteArray("[S]\nk=v\n"));
    writingRow("empty value keeps the key", QByteArray("[A]\nx=1\n"), "A", "x", "", QByteArray("[A]\nx=\n"));
    writingRow("CRLF file stays CRLF", QByteArray("[A]\r\nx=1\r\n"), "A", "y", "2",
        QByteArray("[A]\r\nx=1\r\ny=2\r\n"));
    writingRow("mixed line ends kept line by line", QByteArray("[A]\r\nx=1\ny=2\r\n"), "A", "y", "3",
        QByteArray("[A]\r\nx=1\ny=3\r\n"));
    writingRow("CRLF file without a final line end", QByteArray("[A]\r\nx=1"), "B", "k", "v",
        QByteArray("[A]\r\nx=1\r\n[B]\r\nk=v\r\n"));
    writingRow("BOM kept", QByteArray("\xEF\xBB\xBF[A]\nx=1\n"), "A", "x", "2",
        QByteArray("\xEF\xBB\xBF[A]\nx=2\n"));
    writingRow("key spelling of the file kept", QByteArray("[A]\n  Key = 1\n"), "a", "KEY", "2",
        QByteArray("[A]\n  Key =2\n"));
    writingRow("written as UTF-8", QByteArray("[A]\n"), "A", "k", "é €",
        QByteArray("[A]\nk=\xC3\xA9 \xE2\x82\xAC\n"));
    writingRow("duplicate section: the first is written", QByteArray("[A]\nx=1\n[A]\nx=2\n"), "A", "x", "9",
        QByteArray("[A]\nx=9\n[A]\nx=2\n"));
    quotesWrittenRows();
    lineEndsWrittenRows();
    utf16WrittenRows();
    windows1252WrittenRows();
}

void tst_IniDocument::writing()
{
    checkWriting();
}

static void quotesReadRows()
{
    const auto row = [](const char *name, const QByteArray &line, const QString &expected) {
        readingRow(name, QByteArray("[S]\n" + line + "\n"), "S", "k", expected);
    };
    row("double quotes", "k=\"v\"", "v");
    row("single quotes", "k='v'", "v");
    row("only the outer pair", "k=\"a\"b\"", "a\"b");
    row("quotes after trimming", "k = \"v\" \t", "v");
    row("blanks inside quotes kept", "k=\"  v  \"", "  v  ");
    row("different quotes stay", "k=\"v'", "\"v'");
    row("opening quote alone stays", "k=\"v", "\"v");
    readingRow("quoted name is another name", QByteArray("[S]\n\"k\"=v\n"), "S", "k", "");
}

static void quotesWrittenRows()
{
    const auto row = [](const char *name, const QString &value, const QByteArray &line) {
        writingRow(name, QByteArray("[S]\nk=old\n"), "S", "k", value, QByteArray("[S]\nk=" + line + "\n"));
    };
    row("double quotes get one more pair", "\"Be calm\"", "\"\"Be calm\"\"");
    row("single quotes get one more pair", "'Be calm'", "''Be calm''");
    row("blanks around quotes kept inside the pair", " \"a\" ", "\" \"a\" \"");
    row("different quotes written as they are", "\"v'", "\"v'");
    row("one quote written as it is", "\"", "\"");
    writingRow("new key", QByteArray("[S]\n"), "S", "q", "'x'", QByteArray("[S]\nq=''x''\n"));
}

static void lineEndsReadRows()
{
    readingRow("CR alone", QByteArray("[S]\rk=a\rb=c\r"), "S", "b", "c");
    readingRow("CR in an LF file", QByteArray("[S]\nk=a\rb=c\n"), "S", "b", "c");
    readingRow("LF CR", QByteArray("[S]\n\rk=a\n\rb=c\n\r"), "S", "b", "c");
    readingRow("CR CR LF, last key", QByteArray("[S]\r\r\nk=a\r\r\nb=c\r\r\n"), "S", "b", "c");
    readingRow("blank lines of every kind", QByteArray("[S]\r\n\r\n\n\r\r\n\r\nk=a\r\n"), "S", "k", "a");
    readingRow("header ended by CR", QByteArray("[S]\r[T]\rk=t\r"), "T", "k", "t");
}

static void lineEndsWrittenRows()
{
    writingRow("CR file: new key with CR", QByteArray("[S]\rk=a\r\r[T]\r"), "S", "n", "x",
        QByteArray("[S]\rk=a\rn=x\r\r[T]\r"));
    writingRow("after a last line ending in a lone CR", QByteArray("[S]\r\nk=a\r"), "S", "n", "x",
        QByteArray("[S]\r\nk=a\rn=x\r\n"));
    writingRow("CR CR LF file keeps its line end", QByteArray("[S]\r\r\nk=a\r\r\n"), "S", "n", "x",
        QByteArray("[S]\r\r\nk=a\r\r\nn=x\r\r\n"));
    writingRow("LF CR file keeps its line end", QByteArray("[S]\n\rk=a\n\r"), "S", "n", "x",
        QByteArray("[S]\n\rk=a\n\rn=x\n\r"));
    writingRow("replacing keeps a line's own end", QByteArray("[S]\r\nk=a\r\r\nb=c\n\r"), "S", "k", "x",
        QByteArray("[S]\r\nk=x\r\r\nb=c\n\r"));
    writingRow("value cut off by a CR is replaced whole", QByteArray("[S]\nk=a\rb=c\n"), "S", "b", "x",
        QByteArray("[S]\nk=a\rb=x\n"));
}

static void headersReadRows()
{
    const QByteArray unclosed = "[A]\nx=1\n[B\ny=2\n";
    readingRow("no ]: not a header", unclosed, "B", "y", "");
    readingRow("no ]: its keys stay in the section before", unclosed, "A", "y", "2");
    readingRow("no ] but =: a key of the section before", QByteArray("[A]\n[B=2\n"), "A", "[B", "2");
    readingRow("name runs to the last ]", QByteArray("[a]b]\nk=v\n"), "a]b", "k", "v");
    readingRow("text after ] ignored", QByteArray("[a] junk\nk=v\n"), "a", "k", "v");
}

static void blanksReadRows()
{
    readingRow("DOS end-of-file mark after a value", QByteArray("[S]\r\nk=v\x1A\r\n"), "S", "k", "v");
    readingRow("end-of-file mark alone on the last line", QByteArray("[S]\r\nk=v\r\n\x1A"), "S", "k", "v");
    readingRow("TAB, VT and FF around a value", QByteArray("[S]\nk=\t\v\fv\f\v\t\n"), "S", "k", "v");
    readingRow("around a key", QByteArray("[S]\n\x1A\v k\f\t=v\n"), "S", "k", "v");
    readingRow("inside a value kept", QByteArray("[S]\nk=a\x1A\tb\n"), "S", "k", "a\x1A\tb");
    readingRow("no-break space is not a blank", QByteArray("[S]\nk=v\xC2\xA0\n"), "S", "k",
        QString::fromUtf8("v\u00A0"));
}

static void utf16ReadRows()
{
    const QByteArray file = utf16le(QString::fromUtf8("[Catégories]\r\n1=1Café 😀\r\n2=\"quoted\"\r\n"));
    readingRow("non-ASCII value", file, "catégories", "1", QString::fromUtf8("1Café 😀"));
    readingRow("quotes dropped", file, "Catégories", "2", "quoted");
    readingRow("LF only", utf16le("[S]\nk=v\n"), "S", "k", "v");
    readingRow("byte-order mark inside is text",
        utf16le(QStringLiteral("[S]\nk=") + QChar(0xFEFF) + QStringLiteral("v\n")), "S", "k",
        QChar(0xFEFF) + QStringLiteral("v"));
    readingRow("unpaired surrogate",
        utf16le(QStringLiteral("[S]\nk=a") + QChar(0xD800) + QStringLiteral("\nj=b\n")), "S", "j", "b");
    readingRow("odd last byte", QByteArray(utf16le("[S]\nk=v\n") + 'x'), "S", "k", "v");
    readingRow("without its byte-order mark it is not read", utf16le("[S]\nk=v\n").sliced(2), "S", "k", "");
}

static void utf16WrittenRows()
{
    const QString before = QString::fromUtf8("[S]\r\nk=old\r\n\r\n[T]\r\nt=é\r\n");
    writingRow("replace in place", utf16le(before), "S", "k", QString::fromUtf8("new 😀"),
        utf16le(QString::fromUtf8("[S]\r\nk=new 😀\r\n\r\n[T]\r\nt=é\r\n")));
    writingRow("new key", utf16le(before), "T", "u", "x",
        utf16le(QString::fromUtf8("[S]\r\nk=old\r\n\r\n[T]\r\nt=é\r\nu=x\r\n")));
    writingRow("new section", utf16le(before), "Ü", "k", "'v'",
        utf16le(before + QString::fromUtf8("[Ü]\r\nk=''v''\r\n")));
    const QString damaged = QStringLiteral("[S]\nbad=") + QChar(0xDC00) + QStringLiteral("\nk=old\n");
    writingRow("damaged line kept", QByteArray(utf16le(damaged) + 'x'), "S", "k", "new",
        QByteArray(utf16le(QString(damaged).replace("old", "new")) + 'x'));
}

static void windows1252WrittenRows()
{
    writingRow("unused codes written back as the same bytes",
        QByteArray("[S]\nk=1caf\xE9 \x81\x8D\x8F\x90\x9D\n"), "S", "k",
        QString::fromUtf8("0café \u0081\u008D\u008F\u0090\u009D"),
        QByteArray("[S]\nk=0caf\xE9 \x81\x8D\x8F\x90\x9D\n"));
    writingRow("a Windows-1252 value stays Windows-1252", QByteArray("[S]\nk=\x93old\x94\n"), "S", "k",
        QString::fromUtf8("“new” €"), QByteArray("[S]\nk=\x93new\x94 \x80\n"));
    writingRow("UTF-8 where Windows-1252 cannot hold the value", QByteArray("[S]\nk=caf\xE9\n"), "S", "k",
        QString::fromUtf8("café 😀"), QByteArray("[S]\nk=caf\xC3\xA9 \xF0\x9F\x98\x80\n"));
    writingRow("UTF-8 where its Windows-1252 bytes would read as UTF-8", QByteArray("[S]\nk=\xE9\n"), "S",
        "k", QString::fromUtf8("Ã©"), QByteArray("[S]\nk=\xC3\x83\xC2\xA9\n"));
    writingRow("unused code into a UTF-8 line", QByteArray("[S]\nk=old\n"), "S", "k",
        QString::fromUtf8("a\u0081"), QByteArray("[S]\nk=a\xC2\x81\n"));
    writingRow("key in Windows-1252 kept", QByteArray("[S]\ncl\xE9=old\n"), "S", QString::fromUtf8("clé"),
        QString::fromUtf8("été"), QByteArray("[S]\ncl\xE9=\xC3\xA9t\xC3\xA9\n"));
}

void tst_IniDocument::heldValueLeavesTheTextAsItIs_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("value");
    QTest::newRow("spacing") << QByteArray("[S]\n  k = v \t\n") << "v";
    QTest::newRow("quotes") << QByteArray("[S]\nk=\"v\"\n") << "v";
    QTest::newRow("quoted quotes") << QByteArray("[S]\nk=\"\"v\"\"\n") << "\"v\"";
    QTest::newRow("Windows-1252") << QByteArray("[S]\nk=caf\xE9\n") << QString::fromUtf8("café");
    QTest::newRow("empty") << QByteArray("[S]\nk=\n") << "";
    QTest::newRow("end-of-file mark") << QByteArray("[S]\r\nk=v\x1A") << "v";
    QTest::newRow("UTF-16") << utf16le("[S]\r\nk = v\r\n") << "v";
}

void tst_IniDocument::heldValueLeavesTheTextAsItIs()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, value);
    IniDocument doc = IniDocument::parse(file);
    QVERIFY(doc.holds("s", "K", value));
    QVERIFY(doc.setValue("S", "k", value));
    QCOMPARE(doc.toBytes(), file);
    QVERIFY(!doc.holds("S", "k", value + 'x'));
    QVERIFY(!doc.holds("S", "missing", QString()));
}

void tst_IniDocument::refusesWhatTheFormatCannotHold_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const auto row = [](const char *name, const QString &section, const QString &key, const QString &value) {
        QTest::newRow(name) << section << key << value;
    };
    row("line break in value", "S", "k", "one\ntwo");
    row("NUL in value", "S", "k", QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")));
    row("bracket in section", "a]b", "k", "v");
    row("empty section", "", "k", "v");
    row("end-of-file mark before a key", "S", "\x1Ak", "v");
    row("equals in key", "S", "a=b", "v");
    row("key looks like a header", "S", "[k", "v");
    row("empty key", "S", "", "v");
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
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9") << QString::fromUtf8("café");
    QTest::newRow("Windows-1252 accents") << QByteArray("caf\xE9") << QString::fromUtf8("café");
    QTest::newRow("Windows-1252 quotes and euro")
        << QByteArray("\x93hi\x94 \x80") << QString::fromUtf8("“hi” €");
    QTest::newRow("truncated UTF-8 falls back") << QByteArray("ab\xC3") << QString::fromUtf8("abÃ");
    QTest::newRow("Windows-1252 unused codes")
        << QByteArray("\x81\x8D\x8F\x90\x9D\xE9") << QString::fromUtf8("\u0081\u008D\u008F\u0090\u009Dé");
    QTest::newRow("leading UTF-8 byte-order mark is text")
        << QByteArray("\xEF\xBB\xBFv") << QChar(0xFEFF) + QStringLiteral("v");
}

void tst_IniDocument::decodesPerLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, text);
    QCOMPARE(IniDocument::decodeLine(line), text);
}

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_inidocument.moc"
