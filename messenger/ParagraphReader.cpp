#include "ParagraphReader.h"

#include "IniDocument.h"

#include <QFile>
#include <QFileInfo>

ParagraphReader::ParagraphReader() = default;
ParagraphReader::~ParagraphReader() = default;

bool ParagraphReader::open(const QString &path)
{
    close();
    // A directory, a FIFO or a device could never be read through, or would
    // block the display cycle on open.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return false;
    return open(std::move(file));
}

bool ParagraphReader::open(std::unique_ptr<QIODevice> device)
{
    close();
    if (!device || !device->isReadable())
        return false;
    m_device = std::move(device);
    m_atStart = true;
    return true;
}

void ParagraphReader::close()
{
    m_device.reset();
}

bool ParagraphReader::atEnd() const
{
    return !m_device || m_device->atEnd();
}

bool ParagraphReader::readLine(QByteArray *line)
{
    line->clear();
    if (atEnd())
        return false;
    char buffer[4096];
    for (;;) {
        const qint64 got = m_device->peek(buffer, sizeof buffer);
        if (got <= 0)
            return true; // the last line, without a line end
        qint64 length = 0;
        while (length < got && buffer[length] != '\n' && buffer[length] != '\r')
            ++length;
        const qint64 room = MaxLineBytes - line->size();
        line->append(buffer, qsizetype(std::min(length, std::max<qint64>(room, 0))));
        if (length == got) {
            m_device->skip(got);
            continue;
        }
        m_device->skip(length + 1);
        if (buffer[length] == '\r') {
            char next = 0;
            if (m_device->peek(&next, 1) == 1 && next == '\n')
                m_device->skip(1);
        }
        return true;
    }
}

QString ParagraphReader::decode(QByteArray line)
{
    if (line.startsWith('\t'))
        line.remove(0, 1);
    line.replace('\t', ' ');
    return IniDocument::decodeLine(line);
}

QString ParagraphReader::finish(QByteArray line)
{
    close();
    return decode(std::move(line));
}

QString ParagraphReader::next()
{
    QByteArray line;
    if (!readLine(&line))
        return finish({});
    if (m_atStart) {
        m_atStart = false;
        if (line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
    }
    // A run of blank lines, however long, only separates two paragraphs.
    while (line.isEmpty() && !atEnd()) {
        if (!readLine(&line))
            return finish({});
    }
    if (atEnd())
        return finish(std::move(line));
    return decode(std::move(line));
}
