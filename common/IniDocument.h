#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One INI-structured text held in memory with the private-profile rules the
// programs depend on: section and key names match without regard to letter
// case, the first of duplicate sections or keys wins, a value is the text after
// the first "=" with blanks trimmed, and an edit touches only its own line so
// everything else in the file survives byte for byte.
class IniDocument
{
public:
    struct Assignment
    {
        QString section;
        QString key;
        QString value;
    };

    IniDocument() = default;

    static IniDocument parse(const QByteArray &bytes);
    QByteArray toBytes() const;

    // Empty when the section or key is missing.
    QString value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;

    // The values of keys "1", "2", ... of a section, up to the first one that is
    // missing or empty and at most max of them: how every list is stored.
    QStringList numberedValues(const QString &section, int max) const;

    // Replaces an existing value in place, adds a missing key at the end of its
    // section and a missing section at the end of the document. Names and
    // values that the format cannot hold are refused with a reason.
    bool setValue(const QString &section, const QString &key, const QString &value, QString *error = nullptr);

    static bool isValidSectionName(const QString &section, QString *error = nullptr);
    static bool isValidKeyName(const QString &key, QString *error = nullptr);
    static bool isValidValue(const QString &value, QString *error = nullptr);

    // Per-line UTF-8, falling back to Windows-1252 for a line that is not valid UTF-8.
    static QString decodeLine(QByteArrayView line);

private:
    struct Section
    {
        qsizetype headerLine = -1; // -1: the lines before the first header
        qsizetype lastEntryLine = -1;
        QHash<QString, qsizetype> keys; // folded key name -> line index
    };

    QString valueAt(qsizetype line) const;
    void buildIndex();
    void indexLine(qsizetype line, qsizetype &current);
    static QString fold(const QString &name);

    void replaceLine(qsizetype index, QByteArray line);
    void insertLine(qsizetype index, QByteArray line);

    // Lines are views, without their line ends, into the file's bytes or into
    // lines written since: loading a library copies no line.
    QList<QByteArrayView> m_lines;
    QList<QByteArray> m_storage;
    QHash<QString, qsizetype> m_sectionIndex; // folded section name -> index in m_sections
    QList<Section> m_sections;
    QByteArray m_lineEnd = "\n";
    bool m_bom = false;
    bool m_finalLineEnd = true;
};
