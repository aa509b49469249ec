// Any bytes must parse, read and take an edit without a crash; reading alone
// must keep every byte, the edited value (text taken from the input, quotes
// and all) must read back exactly while every other value stays as it was, and
// writing the same value again must change nothing.
#include "IniDocument.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// A value as every writer of it hands it over: one line, no blanks around it.
QString valueFrom(const QByteArray &bytes)
{
    QString text = IniDocument::decodeLine(QByteArrayView(bytes).first(qMin<qsizetype>(bytes.size(), 64)));
    text.remove(QLatin1Char('\n')).remove(QLatin1Char('\r')).remove(QChar(0));
    const auto blank = [](QChar c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\x1A'; };
    while (!text.isEmpty() && blank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const IniDocument doc = IniDocument::parse(bytes);
    check(doc.toBytes() == bytes, "reading keeps every byte");

    const QString section = QStringLiteral("Categories");
    const QStringList before = doc.numberedValues(section, 100);
    const QString probe = doc.value(QStringLiteral("S"), QStringLiteral("k"));

    const QString value = valueFrom(bytes);
    IniDocument edited = doc;
    check(edited.setValue(section, QStringLiteral("1"), value), "the value is taken");
    const IniDocument reread = IniDocument::parse(edited.toBytes());
    check(reread.value(section, QStringLiteral("1")) == value, "the value reads back");
    check(reread.value(QStringLiteral("S"), QStringLiteral("k")) == probe, "another value stays");
    const QStringList after = reread.numberedValues(section, 100);
    for (qsizetype i = 1; i < qMin(before.size(), after.size()); ++i)
        check(before.at(i) == after.at(i), "the rest of the list stays");

    IniDocument again = reread;
    check(again.holds(section, QStringLiteral("1"), value), "the value is held");
    check(again.setValue(section, QStringLiteral("1"), value), "the value is taken again");
    check(again.toBytes() == edited.toBytes(), "writing it again changes nothing");
    return 0;
}
