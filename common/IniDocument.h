#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One INI-structured text held in memory with the private-profile rules the
// programs depend on, as Windows applies them to files made there or by hand:
// any run of CR and LF ends a line; section and key names match without regard
// to letter case; the first of duplicate sections or keys wins; a header needs
// its "]"; a value is the text after the first "=" with blanks trimmed and one
// pair of enclosing quotes removed. An edit touches only its own line, so
// everything else in the file survives byte for byte. UTF-16LE files (with
// their byte-order mark) are read and written in UTF-16LE.
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
    // Whether the key exists and already reads as value would after setValue:
    // writing it then changes nothing.
    bool holds(const QString &section, const QString &key, const QString &value) const;

    // The values of keys "1", "2", ... of a section, up to the first one that is
    // missing or empty and at most max of them: how every list is stored.
    QStringList numberedValues(const QString &section, int max) const;

    // Replaces an existing value in place, adds a missing key at the end of its
    // section and a missing section at the end of the document; a value the key
    // already holds leaves the document as it is. Names and values that the
    // format cannot hold are refused with a reason.
    bool setValue(const QString &section, const QString &key, const QString &value, QString *error = nullptr);

    static bool isValidSectionName(const QString &section, QString *error = nullptr);
    static bool isValidKeyName(const QString &key, QString *error = nullptr);
    static bool isValidValue(const QString &value, QString *error = nullptr);

    // Per-line UTF-8, falling back to Windows-1252 for a line that is not valid
    // UTF-8; its five unused codes read as U+0081, U+008D, U+008F, U+0090, U+009D.
    static QString decodeLine(QByteArrayView line);

private:
    struct Section
    {
        qsizetype headerLine = -1; // -1: the lines before the first header
        qsizetype lastEntryLine = -1;
        QHash<QString, qsizetype> keys; // folded key name -> line index
    };

    QString valueAt(qsizetype line) const;
    QString valueIn(QByteArrayView line) const;
    QString decode(QByteArrayView text) const;
    QByteArray replacedLine(QByteArrayView line, const QString &value) const;
    void buildIndex();
    void indexLine(qsizetype line, qsizetype &current);
    static QString fold(const QString &name);

    void replaceLine(qsizetype index, QByteArray line);
    void insertLine(qsizetype index, QByteArray line);

    // Lines are views, each with its own line end (none for a last line without
    // one), into the file's bytes or into lines written since: loading a library
    // copies no line. A UTF-16 file is held as UTF-8 that keeps even unpaired
    // surrogates, so that it is written back exactly.
    QList<QByteArrayView> m_lines;
    QList<QByteArray> m_storage;
    QHash<QString, qsizetype> m_sectionIndex; // folded section name -> index in m_sections
    QList<Section> m_sections;
    QByteArray m_lineEnd = "\n";
    bool m_bom = false;
    bool m_utf16 = false;
    QByteArray m_utf16Tail; // an odd last byte of a UTF-16 file
};
