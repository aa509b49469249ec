#include "MessageList.h"

namespace {
const QString PictureTag = QStringLiteral("#PICTURE#");
const QString TextFileTag = QStringLiteral("#TEXTFILE#");
} // namespace

void MessageList::setEntries(const QStringList &entries)
{
    m_entries = entries;
    m_current = -1;
}

QString MessageList::currentText() const
{
    return m_current >= 0 && m_current < m_entries.size() ? m_entries.at(m_current) : QString();
}

void MessageList::advance()
{
    if (m_entries.isEmpty())
        m_current = -1;
    else if (m_current + 1 >= m_entries.size())
        m_current = 0;
    else
        ++m_current;
}

void MessageList::removeCurrent()
{
    if (m_current >= 0 && m_current < m_entries.size())
        m_entries.removeAt(m_current);
    m_current = -1;
}

MessageList::Kind MessageList::kindOf(const QString &entry)
{
    if (entry.startsWith(PictureTag))
        return Kind::Picture;
    if (entry.startsWith(TextFileTag))
        return Kind::TextFile;
    return Kind::Text;
}

QString MessageList::pathOf(const QString &entry)
{
    // The tag, one separating character, then the path.
    switch (kindOf(entry)) {
    case Kind::Picture:
        return entry.mid(PictureTag.size() + 1);
    case Kind::TextFile:
        return entry.mid(TextFileTag.size() + 1);
    case Kind::Text:
        break;
    }
    return {};
}
