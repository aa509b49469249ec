#include "CustomiseFile.h"

#include "IniDocument.h"

#include <QFile>

namespace {

const QString Keys[]
    = {QStringLiteral("AboutName"), QStringLiteral("AboutAddress"), QStringLiteral("AboutTelephone")};

// Control characters or bytes that spell no text mean the line came from a
// file that is not text; showing it would only put garbage in the box.
bool isText(const QString &value)
{
    for (const QChar c : value) {
        if ((c.category() == QChar::Other_Control && c != QLatin1Char('\t'))
            || c == QChar::ReplacementCharacter || c == QChar(0xFEFF))
            return false;
    }
    return true;
}

} // namespace

const QString CustomiseFile::FileName = QStringLiteral("MURMURIN.INI");

CustomiseFile CustomiseFile::load(const QString &applicationFolder)
{
    QFile file(applicationFolder + QLatin1Char('/') + FileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // One byte more than is used tells whether the file goes on.
    const QByteArray content = file.read(MaxBytes + 1);
    return parse(QByteArrayView(content).first(qMin(content.size(), MaxBytes)), content.size() > MaxBytes);
}

CustomiseFile CustomiseFile::parse(QByteArrayView content, bool truncated)
{
    CustomiseFile result;
    if (content.startsWith("\xEF\xBB\xBF"))
        content = content.sliced(3);
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0) {
            // A line cut off by the read limit is not the line the file holds.
            if (truncated)
                break;
            end = content.size();
        }
        QByteArrayView line = content.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        for (const QString &key : Keys) {
            const auto keyLength = key.size();
            if (line.size() <= keyLength || line.at(keyLength) != '='
                || QString::fromLatin1(line.first(keyLength)).compare(key, Qt::CaseInsensitive) != 0)
                continue;
            const QString value = IniDocument::decodeLine(line.sliced(keyLength + 1));
            result.m_values.insert(key.toLower(), isText(value) ? value : QString());
        }
    }
    return result;
}

QString CustomiseFile::value(const QString &key) const
{
    return m_values.value(key.toLower());
}
