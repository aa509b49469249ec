// Any bytes must parse, read and take an edit without a crash, and the edit
// must read back while every other value stays as it was.
#include "IniDocument.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const IniDocument doc = IniDocument::parse(bytes);
    if (doc.toBytes() != bytes)
        std::abort();

    const QString section = QStringLiteral("Categories");
    const QStringList before = doc.numberedValues(section, 100);
    const QString probe = doc.value(QStringLiteral("S"), QStringLiteral("k"));

    IniDocument edited = doc;
    if (!edited.setValue(section, QStringLiteral("1"), QStringLiteral("1Fuzzed")))
        std::abort();
    const IniDocument reread = IniDocument::parse(edited.toBytes());
    if (reread.value(section, QStringLiteral("1")) != QStringLiteral("1Fuzzed"))
        std::abort();
    if (reread.value(QStringLiteral("S"), QStringLiteral("k")) != probe)
        std::abort();
    const QStringList after = reread.numberedValues(section, 100);
    for (qsizetype i = 1; i < qMin(before.size(), after.size()); ++i) {
        if (before.at(i) != after.at(i))
            std::abort();
    }
    return 0;
}
