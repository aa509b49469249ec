#pragma once

#include <QString>
#include <QStringList>

// lstMessage: the marked messages of this run in load order, with the
// selection that says which one the next flash shows.
class MessageList
{
public:
    enum class Kind { Text, Picture, TextFile };

    void setEntries(const QStringList &entries);
    const QStringList &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    qsizetype count() const { return m_entries.size(); }

    // -1 when nothing is selected.
    qsizetype currentIndex() const { return m_current; }
    QString currentText() const;

    // Selects the next entry, the first one after the last (or after none).
    void advance();
    // Drops the selected entry from this run's list; nothing is selected after it.
    void removeCurrent();

    static Kind kindOf(const QString &entry);
    // The file a picture or text-file entry names.
    static QString pathOf(const QString &entry);

private:
    QStringList m_entries;
    qsizetype m_current = -1;
};
