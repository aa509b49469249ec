#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// The open text file of a text-file entry, handed out one paragraph per flash.
// A paragraph is one line; blank lines separate paragraphs. Lines end at LF,
// CRLF or CR, and are read as UTF-8 with a per-line Windows-1252 fall-back.
class ParagraphReader
{
public:
    // No flash can show more than this of one line; the rest of it is skipped.
    static constexpr qsizetype MaxLineBytes = 8192;

    ParagraphReader();
    ~ParagraphReader();

    // False when path is not a readable regular file.
    bool open(const QString &path);
    // Takes a device that is already open for reading.
    bool open(std::unique_ptr<QIODevice> device);
    bool isOpen() const { return m_device != nullptr; }
    void close();

    // The next paragraph; the file is closed once its last paragraph is out,
    // or on a read error, and the text read so far is returned.
    QString next();

private:
    bool readLine(QByteArray *line);
    bool atEnd() const;
    QString finish(QByteArray line);
    static QString decode(QByteArray line);

    std::unique_ptr<QIODevice> m_device;
    bool m_atStart = true;
};
