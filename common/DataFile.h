#pragma once

#include <QList>
#include <QString>

// The message library: section "Categories" lists the categories, keys "1".."n",
// each value a mark character ("1" shown, anything else not shown) followed by
// the name; each category has a section of its own named after it, holding its
// messages the same way. A list ends at its first empty value, and at most 100
// entries are read.
struct MarkedEntry
{
    bool marked = false;
    QString text;

    bool operator==(const MarkedEntry &) const = default;
    QString toValue() const; // mark character + text
    static MarkedEntry fromValue(QString value);
};

class DataFile
{
public:
    static constexpr int MaxEntries = 100;
    static inline const QString CategoriesSection = QStringLiteral("Categories");

    explicit DataFile(QString path);
    const QString &path() const { return m_path; }

    QList<MarkedEntry> readCategories() const;
    QList<MarkedEntry> readCategory(const QString &category) const;
    QList<MarkedEntry> readList(const QString &section) const;

    // The messages to flash: marked messages of marked categories, in key order.
    QStringList readMarkedMessages() const;

    // index is 1-based, as the keys are.
    bool writeCategoryEntry(int index, const MarkedEntry &entry, QString *error = nullptr) const;
    bool writeMessageEntry(const QString &category, int index, const MarkedEntry &entry,
                           QString *error = nullptr) const;
    // Writes an empty value at key index so every reader stops there.
    bool endList(const QString &section, int index, QString *error = nullptr) const;
    // Empty values at keys 1..count of the category's section.
    bool blankCategory(const QString &category, int count, QString *error = nullptr) const;
    // After a deletion: keys 1..n from the list, then an empty value at n + 1,
    // all in one atomic write.
    bool renumber(const QString &section, const QList<MarkedEntry> &entries, QString *error = nullptr) const;

    // A name the file cannot hold as a section: "Categories" in any letter case,
    // or one containing "[", "]" or a control character.
    static bool isValidCategoryName(const QString &name, QString *error = nullptr);

private:
    QString m_path;
};
