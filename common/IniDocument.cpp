#include "IniDocument.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

namespace {

// What Windows trims around names and values. ^Z is the old DOS end-of-file
// mark that files copied from there may still carry.
bool isBlank(char c)
{
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case '\x1A':
        return true;
    default:
        return false;
    }
}

bool isBlank(QChar c)
{
    return c.unicode() < 0x80 && isBlank(char(c.unicode()));
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The line without its line end.
QByteArrayView content(QByteArrayView line)
{
    qsizetype size = line.size();
    while (size > 0 && isLineBreak(line[size - 1]))
        --size;
    return line.first(size);
}

// Any run of CR and LF ends a line. The run is cut into the usual line ends (CR
// LF, LF, CR, and the CR CR LF and LF CR of files converted twice), so that blank
// lines stay lines of their own and a new line can go before them.
qsizetype lineEndLength(QByteArrayView text, qsizetype at)
{
    const auto is
        = [&](qsizetype offset, char c) { return at + offset < text.size() && text[at + offset] == c; };
    if (text[at] == '\r') {
        if (is(1, '\n'))
            return 2;
        return is(1, '\r') && is(2, '\n') ? 3 : 1;
    }
    // LF followed by CR LF is an LF line and a CR LF line, as in a file whose
    // lines were written by two editors.
    return is(1, '\r') && !is(2, '\n') ? 2 : 1;
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

// Reading drops one pair of quotes around a whole value; a value that would lose
// its own quotes that way gets one more pair, so that it reads back as written.
QString quotedForWriting(const QString &value)
{
    const QStringView text = trimmed(QStringView(value));
    if (text.size() >= 2 && isQuote(text.front()) && text.back() == text.front())
        return text.front() + value + text.front();
    return value;
}

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Its five unused codes read
// as the C1 controls of the same numbers, so that they are written back unchanged.
constexpr char16_t Cp1252High[32] = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : char16_t(byte));
    }
    return text;
}

std::optional<QByteArray> encodeCp1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            bytes.append(char(code));
            continue;
        }
        const char16_t *at = std::find(std::begin(Cp1252High), std::end(Cp1252High), code);
        if (at == std::end(Cp1252High))
            return std::nullopt;
        bytes.append(char(0x80 + (at - std::begin(Cp1252High))));
    }
    return bytes;
}

// Libraries are nearly all ASCII; checking eight bytes at a time keeps loading a
// full library close to the cost of reading it.
bool isAscii(QByteArrayView bytes)
{
    const char *p = bytes.data();
    qsizetype n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) & 0x80)
            return false;
    }
    return true;
}

bool isWindows1252(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decodes only when converted
    return utf8.hasError();
}

// UTF-16LE to UTF-8. An unpaired surrogate becomes the three bytes its code
// would take, so that even a damaged file is written back as it was.
QByteArray utf8FromUtf16(QByteArrayView bytes)
{
    const qsizetype units = bytes.size() / 2;
    const auto unit
        = [&](qsizetype i) { return char32_t(uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8); };
    QByteArray out;
    out.reserve(units + units / 2);
    for (qsizetype i = 0; i < units; ++i) {
        char32_t code = unit(i);
        if (QChar::isHighSurrogate(code) && i + 1 < units && QChar::isLowSurrogate(unit(i + 1))) {
            code = QChar::surrogateToUcs4(char16_t(code), char16_t(unit(i + 1)));
            ++i;
        }
        if (code < 0x80) {
            out.append(char(code));
        } else if (code < 0x800) {
            out.append(char(0xC0 | code >> 6));
            out.append(char(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.append(char(0xE0 | code >> 12));
            out.append(char(0x80 | (code >> 6 & 0x3F)));
            out.append(char(0x80 | (code & 0x3F)));
        } else {
            out.append(char(0xF0 | code >> 18));
            out.append(char(0x80 | (code >> 12 & 0x3F)));
            out.append(char(0x80 | (code >> 6 & 0x3F)));
            out.append(char(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

QByteArray utf16FromUtf8(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 2);
    const auto put = [&out](char16_t unit) {
        out.append(char(unit & 0xFF));
        out.append(char(unit >> 8));
    };
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = uchar(bytes[i]);
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t code = extra ? lead & (0x3F >> extra) : lead;
        bool whole = i + extra < bytes.size();
        for (int k = 1; whole && k <= extra; ++k) {
            const auto next = uchar(bytes[i + k]);
            whole = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!whole || code > 0x10FFFF) { // never made by this class; kept as a code unit
            code = lead;
            extra = 0;
        }
        i += extra + 1;
        if (code >= 0x10000) {
            put(QChar::highSurrogate(code));
            put(QChar::lowSurrogate(code));
        } else {
            put(char16_t(code));
        }
    }
    return out;
}

// Keys "1" to "1000" are nearly every key of a library. One shared string for
// each saves an allocation for every such line indexed and every key looked up.
constexpr int SharedNumbers = 1000;

const QString &numberName(int number)
{
    static const QList<QString> names = [] {
        QList<QString> list;
        list.reserve(SharedNumbers + 1);
        for (int n = 0; n <= SharedNumbers; ++n)
            list.append(QString::number(n));
        return list;
    }();
    return names.at(number);
}

// The number a key spells as "1" to "1000", without sign or leading zero; 0 otherwise.
int sharedNumber(QByteArrayView key)
{
    if (key.isEmpty() || key.size() > 4 || key.front() == '0')
        return 0;
    int number = 0;
    for (const char c : key) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + (c - '0');
    }
    return number <= SharedNumbers ? number : 0;
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
}

bool hasBlankEdge(const QString &name)
{
    return name != name.trimmed() || isBlank(name.front()) || isBlank(name.back());
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

QString IniDocument::decodeLine(QByteArrayView line)
{
    if (isAscii(line))
        return QString::fromLatin1(line);
    // fromUtf8 takes the fast path for the common case; a line that is not UTF-8
    // shows up as replacement characters that its bytes did not spell. It drops
    // a leading byte-order mark, which inside a file is text.
    const bool bom = line.startsWith("\xEF\xBB\xBF");
    QString text;
    if (!bom) {
        text = QString::fromUtf8(line);
        if (!text.contains(QChar::ReplacementCharacter) || line.contains("\xEF\xBF\xBD"))
            return text;
    }
    QStringDecoder utf8(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(line);
}

QString IniDocument::decode(QByteArrayView text) const
{
    if (!m_utf16)
        return decodeLine(text);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(text);
}

QString IniDocument::fold(const QString &name)
{
    return name.toCaseFolded();
}

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    QByteArrayView rest;
    if (bytes.startsWith("\xFF\xFE")) {
        doc.m_utf16 = true;
        const QByteArrayView units = QByteArrayView(bytes).sliced(2);
        if (units.size() % 2)
            doc.m_utf16Tail = units.last(1).toByteArray();
        doc.m_storage.append(utf8FromUtf16(units));
        rest = doc.m_storage.constFirst();
    } else {
        doc.m_storage.append(bytes);
        rest = doc.m_storage.constFirst();
        if (rest.startsWith("\xEF\xBB\xBF")) {
            doc.m_bom = true;
            rest = rest.sliced(3);
        }
    }

    const auto find = [&rest](char c, qsizetype from) {
        const void *at = std::memchr(rest.data() + from, c, size_t(rest.size() - from));
        return at ? static_cast<const char *>(at) - rest.data() : rest.size();
    };
    // New lines follow the file's first line end.
    bool lineEndSeen = false;
    qsizetype nextLf = -1;
    qsizetype nextCr = -1;
    for (qsizetype start = 0; start < rest.size();) {
        if (nextLf < start)
            nextLf = find('\n', start);
        if (nextCr < start)
            nextCr = find('\r', start);
        const qsizetype lineEnd = std::min(nextLf, nextCr);
        const qsizetype next = lineEnd < rest.size() ? lineEnd + lineEndLength(rest, lineEnd) : lineEnd;
        if (!lineEndSeen && lineEnd < next) {
            doc.m_lineEnd = rest.sliced(lineEnd, next - lineEnd).toByteArray();
            lineEndSeen = true;
        }
        doc.m_lines.append(rest.sliced(start, next - start));
        start = next;
    }
    doc.buildIndex();
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    qsizetype size = m_bom ? 3 : 0;
    for (const QByteArrayView line : m_lines)
        size += line.size();
    QByteArray bytes;
    bytes.reserve(size);
    if (m_bom)
        bytes.append("\xEF\xBB\xBF");
    for (const QByteArrayView line : m_lines)
        bytes.append(line);
    if (!m_utf16)
        return bytes;
    QByteArray utf16("\xFF\xFE");
    utf16 += utf16FromUtf8(bytes);
    utf16 += m_utf16Tail;
    return utf16;
}

void IniDocument::buildIndex()
{
    m_sectionIndex.clear();
    m_sections.clear();
    m_sections.append(Section {}); // the lines before the first header belong to no section
    qsizetype current = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        indexLine(i, current);
}

// current: the section the line belongs to. A duplicate section's lines are
// ignored, as only the first section of a name is ever read or written.
void IniDocument::indexLine(qsizetype index, qsizetype &current)
{
    static constexpr qsizetype Ignored = -1;

    const QByteArrayView line = trimmed(m_lines.at(index));
    if (line.isEmpty())
        return;
    // A header needs its "]"; without one the line is an ordinary line of the
    // section before it.
    const qsizetype close = line.front() == '[' ? line.lastIndexOf(']') : -1;
    if (close > 0) {
        const QString folded = fold(decode(trimmed(line.sliced(1, close - 1))));
        if (m_sectionIndex.contains(folded)) {
            current = Ignored;
            return;
        }
        Section section;
        section.headerLine = index;
        section.lastEntryLine = index;
        m_sections.append(section);
        current = m_sections.size() - 1;
        m_sectionIndex.insert(folded, current);
        return;
    }
    if (current == Ignored)
        return;
    Section &section = m_sections[current];
    section.lastEntryLine = index;
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0)
        return;
    const QByteArrayView key = trimmed(line.first(equals));
    if (key.isEmpty())
        return;
    const int number = sharedNumber(key);
    const QString folded = number ? numberName(number) : fold(decode(key)); // digits fold to themselves
    if (!section.keys.contains(folded))
        section.keys.insert(folded, index);
}

bool IniDocument::contains(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    return s != m_sectionIndex.cend() && m_sections.at(*s).keys.contains(fold(key));
}

QString IniDocument::value(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend())
        return QString();
    const Section &sec = m_sections.at(*s);
    const auto k = sec.keys.constFind(fold(key));
    if (k == sec.keys.cend())
        return QString();
    return valueAt(*k);
}

bool IniDocument::holds(const QString &section, const QString &key, const QString &value) const
{
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend())
        return false;
    const Section &sec = m_sections.at(*s);
    const auto k = sec.keys.constFind(fold(key));
    if (k == sec.keys.cend())
        return false;
    return valueAt(*k) == valueIn(replacedLine(m_lines.at(*k), value));
}

QString IniDocument::valueAt(qsizetype index) const
{
    return valueIn(m_lines.at(index));
}

QString IniDocument::valueIn(QByteArrayView line) const
{
    QByteArrayView value = line.sliced(line.indexOf('=') + 1);
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value = value.first(nul);
    value = trimmed(value);
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return decode(value);
}

// The key and "=" keep their bytes, and so does the line end. A value that was
// Windows-1252 text stays so when it can, so that a line made on Windows keeps
// reading the same there and keeps its bytes that UTF-8 would spell otherwise.
QByteArray IniDocument::replacedLine(QByteArrayView line, const QString &value) const
{
    const QByteArrayView text = content(line);
    const qsizetype valueStart = text.indexOf('=') + 1;
    const QByteArrayView lineEnd = line.sliced(text.size());
    const QString stored = quotedForWriting(value);
    const auto withValue = [&](QByteArrayView bytes) {
        QByteArray replaced;
        replaced.reserve(valueStart + bytes.size() + lineEnd.size());
        replaced.append(text.first(valueStart));
        replaced.append(bytes);
        replaced.append(lineEnd);
        return replaced;
    };
    QByteArray utf8 = withValue(stored.toUtf8());
    if (!m_utf16 && isWindows1252(text.sliced(valueStart))) {
        if (const std::optional<QByteArray> cp1252 = encodeCp1252(stored)) {
            QByteArray replaced = withValue(*cp1252);
            if (valueIn(replaced) == valueIn(utf8))
                return replaced;
        }
    }
    return utf8;
}

QStringList IniDocument::numberedValues(const QString &section, int max) const
{
    QStringList values;
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend())
        return values;
    const QHash<QString, qsizetype> &keys = m_sections.at(*s).keys;
    for (int number = 1; number <= max; ++number) {
        const auto k = keys.constFind(number <= SharedNumbers ? numberName(number) : QString::number(number));
        if (k == keys.cend())
            break;
        QString value = valueAt(*k);
        if (value.isEmpty())
            break;
        values.append(std::move(value));
    }
    return values;
}

bool IniDocument::isValidSectionName(const QString &section, QString *error)
{
    if (section.trimmed().isEmpty()) {
        setError(error, QStringLiteral("A section name cannot be empty."));
        return false;
    }
    if (hasBlankEdge(section)) {
        setError(error, QStringLiteral("A section name cannot begin or end with blanks."));
        return false;
    }
    if (section.contains(QLatin1Char(']')) || hasLineBreakOrNul(section)) {
        setError(error, QStringLiteral("A section name cannot contain \"]\" or a line break."));
        return false;
    }
    return true;
}

bool IniDocument::isValidKeyName(const QString &key, QString *error)
{
    if (key.trimmed().isEmpty() || hasBlankEdge(key)) {
        setError(error, QStringLiteral("A key name cannot be empty or begin or end with blanks."));
        return false;
    }
    if (key.startsWith(QLatin1Char('[')) || key.contains(QLatin1Char('=')) || hasLineBreakOrNul(key)) {
        setError(
            error, QStringLiteral("A key name cannot begin with \"[\" or contain \"=\" or a line break."));
        return false;
    }
    return true;
}

bool IniDocument::isValidValue(const QString &value, QString *error)
{
    if (hasLineBreakOrNul(value)) {
        setError(error, QStringLiteral("A value cannot contain a line break."));
        return false;
    }
    return true;
}

bool IniDocument::setValue(const QString &section, const QString &key, const QString &value, QString *error)
{
    if (!isValidSectionName(section, error) || !isValidKeyName(key, error) || !isValidValue(value, error))
        return false;

    // Edited lines pile up beside the original bytes; start afresh now and then.
    if (m_storage.size() > 4096)
        *this = parse(toBytes());

    const QByteArray encodedValue = quotedForWriting(value).toUtf8();
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend()) {
        insertLine(m_lines.size(), '[' + section.toUtf8() + ']');
        insertLine(m_lines.size(), key.toUtf8() + '=' + encodedValue);
        const qsizetype first = m_lines.size() - 2;
        Section added;
        added.headerLine = first;
        added.lastEntryLine = first + 1;
        added.keys.insert(fold(key), first + 1);
        m_sections.append(added);
        m_sectionIndex.insert(fold(section), m_sections.size() - 1);
        return true;
    }

    Section &sec = m_sections[*s];
    const auto k = sec.keys.constFind(fold(key));
    if (k != sec.keys.cend()) {
        QByteArray replaced = replacedLine(m_lines.at(*k), value);
        // Writing what the key already holds keeps even its spacing.
        if (valueIn(replaced) != valueAt(*k))
            replaceLine(*k, std::move(replaced));
        return true;
    }

    const qsizetype at = sec.lastEntryLine + 1;
    insertLine(at, key.toUtf8() + '=' + encodedValue);
    buildIndex();
    return true;
}

void IniDocument::replaceLine(qsizetype index, QByteArray line)
{
    // A QByteArray's characters never move while it is alive and unchanged, so
    // the views stay valid however m_storage grows or is copied.
    m_storage.append(std::move(line));
    m_lines[index] = m_storage.constLast();
}

void IniDocument::insertLine(qsizetype index, QByteArray line)
{
    // A last line without a line end gets the file's own before a line follows
    // it; one that ends with any line end (a lone CR too) keeps its bytes.
    if (index > 0 && index == m_lines.size()) {
        const QByteArrayView last = m_lines.constLast();
        if (content(last).size() == last.size())
            replaceLine(index - 1, last.toByteArray() + m_lineEnd);
    }
    line += m_lineEnd;
    m_storage.append(std::move(line));
    m_lines.insert(index, m_storage.constLast());
}
