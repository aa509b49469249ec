#include "LinkClient.h"

#include "LinkEndpoint.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

namespace LinkClient {

bool poke(
    const QString &application, const QString &topic, const QString &item, const QString &text, int timeoutMs)
{
    const QByteArray frame = LinkEndpoint::encodePoke(item, text);
    const QString path = LinkEndpoint::socketPath(application, topic);
    if (frame.isEmpty() || path.isEmpty() || timeoutMs <= 0)
        return false;

    const QDeadlineTimer deadline(timeoutMs);
    auto remaining = [&deadline] { return int(std::max<qint64>(deadline.remainingTime(), 0)); };

    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(remaining()))
        return false;
    if (socket.write(frame) != frame.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(remaining()))
            return false;
    }

    const QByteArray expected = LinkEndpoint::acknowledgement();
    QByteArray answer;
    while (answer.size() < expected.size()) {
        if (socket.bytesAvailable() == 0 && (deadline.hasExpired() || !socket.waitForReadyRead(remaining())))
            return false;
        answer += socket.read(expected.size() - answer.size());
    }
    socket.abort();
    return answer == expected;
}

} // namespace LinkClient

void SendLinkCommand(const QString &command)
{
    const QString item = QStringLiteral("Text1");
    LinkClient::poke(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"), item, command);
    LinkClient::poke(QStringLiteral("HALTPAD"), QStringLiteral("Form1"), item, command);
}
