#include "IniDocument.h"

#include <QStringDecoder>

#include <cstring>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
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

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; 0 marks its five unused codes.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0)
            *out++ = QChar(Cp1252High[byte - 0x80] ? Cp1252High[byte - 0x80] : char16_t(0xFFFD));
        else
            *out++ = QChar(byte);
    }
    return text;
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

QByteArrayView withoutCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.contains(QChar(0));
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
    // shows up as replacement characters that its bytes did not spell.
    QString text = QString::fromUtf8(line);
    if (!text.contains(QChar::ReplacementCharacter) || line.contains("\xEF\xBF\xBD"))
        return text;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(line);
}

QString IniDocument::fold(const QString &name)
{
    return name.toCaseFolded();
}

IniDocument IniDocument::parse(const QByteArray &bytes)
{
    IniDocument doc;
    doc.m_storage.append(bytes);
    QByteArrayView rest(doc.m_storage.constFirst());
    if (rest.startsWith("\xEF\xBB\xBF")) {
        doc.m_bom = true;
        rest = rest.sliced(3);
    }
    const qsizetype firstLf = rest.indexOf('\n');
    if (firstLf > 0 && rest[firstLf - 1] == '\r')
        doc.m_lineEnd = "\r\n";

    // A line keeps its own carriage return, so that a file with mixed line ends
    // comes back byte for byte; new lines follow the file's first line end.
    doc.m_finalLineEnd = rest.isEmpty() || rest.endsWith('\n');
    qsizetype start = 0;
    while (start < rest.size()) {
        qsizetype end = rest.indexOf('\n', start);
        if (end < 0)
            end = rest.size();
        doc.m_lines.append(rest.sliced(start, end - start));
        start = end + 1;
    }
    doc.buildIndex();
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    qsizetype size = m_bom ? 3 : 0;
    for (const QByteArrayView line : m_lines)
        size += line.size() + 1;
    QByteArray bytes;
    bytes.reserve(size);
    if (m_bom)
        bytes.append("\xEF\xBB\xBF");
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        bytes.append(m_lines.at(i));
        if (i + 1 < m_lines.size() || m_finalLineEnd)
            bytes.append('\n');
    }
    return bytes;
}

void IniDocument::buildIndex()
{
    m_sectionIndex.clear();
    m_sections.clear();
    m_sections.append(Section{}); // the lines before the first header belong to no section
    qsizetype current = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        indexLine(i, current);
}

// current: the section the line belongs to. A duplicate section's lines are
// ignored, as only the first section of a name is ever read or written.
void IniDocument::indexLine(qsizetype index, qsizetype &current)
{
    static constexpr qsizetype Ignored = -1;

    const QByteArrayView line = trimmed(withoutCr(m_lines.at(index)));
    if (line.isEmpty())
        return;
    if (line.front() == '[') {
        qsizetype close = line.indexOf(']');
        QByteArrayView name = close < 0 ? line.sliced(1) : line.sliced(1, close - 1);
        const QString folded = fold(decodeLine(trimmed(name)));
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
    const QString folded = fold(decodeLine(key));
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

QString IniDocument::valueAt(qsizetype index) const
{
    const QByteArrayView line = withoutCr(m_lines.at(index));
    QByteArrayView value = line.sliced(line.indexOf('=') + 1);
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value = value.first(nul);
    return decodeLine(trimmed(value));
}

QStringList IniDocument::numberedValues(const QString &section, int max) const
{
    QStringList values;
    const auto s = m_sectionIndex.constFind(fold(section));
    if (s == m_sectionIndex.cend())
        return values;
    const QHash<QString, qsizetype> &keys = m_sections.at(*s).keys;
    for (int number = 1; number <= max; ++number) {
        const auto k = keys.constFind(QString::number(number)); // digits fold to themselves
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
    if (section != section.trimmed()) {
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
    if (key.trimmed().isEmpty() || key != key.trimmed()) {
        setError(error, QStringLiteral("A key name cannot be empty or begin or end with blanks."));
        return false;
    }
    if (key.startsWith(QLatin1Char('[')) || key.contains(QLatin1Char('=')) || hasLineBreakOrNul(key)) {
        setError(error, QStringLiteral("A key name cannot begin with \"[\" or contain \"=\" or a line break."));
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

    const QByteArray encodedValue = value.toUtf8();
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
        const QByteArrayView line = m_lines.at(*k);
        QByteArray replaced = line.first(line.indexOf('=') + 1).toByteArray() + encodedValue;
        if (line.endsWith('\r'))
            replaced += '\r';
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
    if (index == m_lines.size() && !m_finalLineEnd) {
        // The old last line had no line end; it gets the file's own.
        m_finalLineEnd = true;
        if (m_lineEnd == "\r\n" && !m_lines.isEmpty())
            replaceLine(m_lines.size() - 1, m_lines.constLast().toByteArray() + '\r');
    }
    if (m_lineEnd == "\r\n")
        line += '\r';
    m_storage.append(std::move(line));
    m_lines.insert(index, m_storage.constLast());
}
