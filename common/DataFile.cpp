#include "DataFile.h"

#include "IniFile.h"
#include "IniProcedures.h"

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString clipped(QString value)
{
    value.truncate(MaxIniValueLength);
    return value;
}

} // namespace

QString MarkedEntry::toValue() const
{
    return (marked ? QLatin1Char('1') : QLatin1Char('0')) + text;
}

MarkedEntry MarkedEntry::fromValue(QString value)
{
    if (value.isEmpty())
        return {};
    const bool marked = value.front() == QLatin1Char('1');
    value.remove(0, 1); // in place: a full library has ten thousand of these
    return {marked, std::move(value)};
}

DataFile::DataFile(QString path)
    : m_path(std::move(path))
{
}

QList<MarkedEntry> DataFile::readList(const QString &section) const
{
    // One consistent state of the file for the whole list.
    const std::shared_ptr<const IniDocument> document = IniFile::load(m_path);
    QList<MarkedEntry> entries;
    const QStringList values = document->numberedValues(section, MaxEntries);
    entries.reserve(values.size());
    for (QString value : values)
        entries.append(MarkedEntry::fromValue(clipped(std::move(value))));
    return entries;
}

QList<MarkedEntry> DataFile::readCategories() const
{
    return readList(CategoriesSection);
}

QList<MarkedEntry> DataFile::readCategory(const QString &category) const
{
    // A category can never share the list's section, whatever its letter case.
    if (!isValidCategoryName(category))
        return {};
    return readList(category);
}

QStringList DataFile::readMarkedMessages() const
{
    QStringList messages;
    for (const MarkedEntry &category : readCategories()) {
        if (!category.marked)
            continue;
        for (const MarkedEntry &message : readCategory(category.text)) {
            if (message.marked)
                messages.append(message.text);
        }
    }
    return messages;
}

bool DataFile::writeCategoryEntry(int index, const MarkedEntry &entry, QString *error) const
{
    if (!isValidCategoryName(entry.text, error))
        return false;
    return IniFile::write(m_path, CategoriesSection, QString::number(index), entry.toValue(), error);
}

bool DataFile::writeMessageEntry(const QString &category, int index, const MarkedEntry &entry, QString *error) const
{
    if (!isValidCategoryName(category, error))
        return false;
    return IniFile::write(m_path, category, QString::number(index), entry.toValue(), error);
}

bool DataFile::endList(const QString &section, int index, QString *error) const
{
    if (section != CategoriesSection && !isValidCategoryName(section, error))
        return false;
    return IniFile::write(m_path, section, QString::number(index), QString(), error);
}

bool DataFile::blankCategory(const QString &category, int count, QString *error) const
{
    if (!isValidCategoryName(category, error))
        return false;
    QList<IniDocument::Assignment> blanks;
    for (int key = 1; key <= count; ++key)
        blanks.append({category, QString::number(key), QString()});
    return blanks.isEmpty() || IniFile::write(m_path, blanks, error);
}

bool DataFile::renumber(const QString &section, const QList<MarkedEntry> &entries, QString *error) const
{
    const bool categoryList = section == CategoriesSection;
    if (!categoryList && !isValidCategoryName(section, error))
        return false;
    QList<IniDocument::Assignment> assignments;
    assignments.reserve(entries.size() + 1);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (categoryList && !isValidCategoryName(entries.at(i).text, error))
            return false;
        assignments.append({section, QString::number(i + 1), entries.at(i).toValue()});
    }
    assignments.append({section, QString::number(entries.size() + 1), QString()});
    return IniFile::write(m_path, assignments, error);
}

bool DataFile::isValidCategoryName(const QString &name, QString *error)
{
    if (name.trimmed().isEmpty()) {
        setError(error, QStringLiteral("A category needs a name."));
        return false;
    }
    if (name.compare(CategoriesSection, Qt::CaseInsensitive) == 0) {
        setError(error, QStringLiteral("The name \"%1\" is kept for the list of categories itself; please choose "
                                       "another name.")
                            .arg(name));
        return false;
    }
    if (name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'))) {
        setError(error, QStringLiteral("A category name cannot contain \"[\" or \"]\"."));
        return false;
    }
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            setError(error, QStringLiteral("A category name cannot contain tabs, line breaks or other control "
                                           "characters."));
            return false;
        }
    }
    return IniDocument::isValidSectionName(name, error);
}
