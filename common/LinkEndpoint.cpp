#include "LinkEndpoint.h"

#include "RuntimeFolder.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

// One poke is one connection carrying one frame, at most MaxMessageSize bytes:
//   "MRML"  magic, 4 bytes
//   0x01    version, 1 byte
//   n       byte length of the item name, 16-bit big-endian, at least 1
//   m       byte length of the text, 16-bit big-endian
//   item    n bytes of UTF-8
//   text    m bytes of UTF-8
// The endpoint answers "OK" once the item's change handler has run, then
// closes. Anything else (a wrong byte in the header, lengths beyond the limit,
// invalid UTF-8, bytes after the frame) gets the connection dropped unanswered.

namespace {

const QByteArray Magic = QByteArrayLiteral("MRML");
constexpr char Version = 1;
constexpr int HeaderSize = 9;
// Enough for every program of the system poking at once; a runaway client
// opening connections in a loop cannot make the endpoint hoard sockets.
constexpr int MaxClients = 32;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

void appendLength(QByteArray *bytes, qsizetype length)
{
    bytes->append(char((length >> 8) & 0xff));
    bytes->append(char(length & 0xff));
}

int lengthAt(const QByteArray &bytes, int offset)
{
    return (uchar(bytes.at(offset)) << 8) | uchar(bytes.at(offset + 1));
}

bool decodeUtf8(QByteArrayView bytes, QString *result)
{
    QStringDecoder decoder(
        QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    *result = decoder.decode(bytes);
    return !decoder.hasError();
}

bool isSameUser(QLocalSocket *client)
{
    const int fd = int(client->socketDescriptor());
#if defined(Q_OS_LINUX)
    ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return false;
    return credentials.uid == ::geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0)
        return false;
    return uid == ::geteuid();
#endif
}

} // namespace

LinkEndpoint::LinkEndpoint(const QString &application, const QString &topic, QObject *parent)
    : QObject(parent)
    , m_application(application)
    , m_topic(topic)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &LinkEndpoint::acceptClients);
}

LinkEndpoint::~LinkEndpoint()
{
    // A handler that destroys the endpoint has still run: its sender gets the answer.
    if (m_delivering)
        acknowledge(m_delivering);
    const QList<QLocalSocket *> clients = m_received.keys();
    for (QLocalSocket *client : clients)
        client->disconnect(this);
    m_received.clear();
}

QString LinkEndpoint::socketPath(const QString &application, const QString &topic)
{
    const QString folder = RuntimeFolder::path();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + application + QLatin1Char('|') + topic;
}

bool LinkEndpoint::listen(QString *error)
{
    if (m_server->isListening())
        return true;
    const QString path = socketPath(m_application, m_topic);
    if (path.isEmpty()) {
        setError(error, tr("The private runtime folder for the link cannot be made."));
        return false;
    }

    // Two instances starting together must not both find the name free; the
    // second one's listen would silently replace the first one's socket.
    QLockFile guard(path + QStringLiteral(".lock"));
    guard.setStaleLockTime(0);
    if (!guard.tryLock(1000)) {
        setError(error, tr("Another process is opening the link endpoint %1.").arg(path));
        return false;
    }

    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        setError(error, tr("The link endpoint %1 is in use by a running program.").arg(path));
        return false;
    }
    switch (probe.error()) {
    case QLocalSocket::ServerNotFoundError:
        break;
    case QLocalSocket::ConnectionRefusedError:
        // Nobody listens: the socket of a run that crashed.
        if (!QLocalServer::removeServer(path)) {
            setError(error, tr("The link endpoint %1 left by an earlier run cannot be removed.").arg(path));
            return false;
        }
        break;
    default:
        // A busy or unreadable endpoint may well be alive: never take it over.
        setError(error, tr("The link endpoint %1 cannot be checked: %2").arg(path, probe.errorString()));
        return false;
    }

    if (!m_server->listen(path)) {
        setError(error, tr("The link endpoint %1 cannot be opened: %2").arg(path, m_server->errorString()));
        return false;
    }
    return true;
}

bool LinkEndpoint::isListening() const
{
    return m_server->isListening();
}

QString LinkEndpoint::text(const QString &item) const
{
    return m_items.value(item);
}

void LinkEndpoint::setClientTimeout(std::chrono::milliseconds timeout)
{
    m_clientTimeout = timeout;
}

QByteArray LinkEndpoint::encodePoke(const QString &item, const QString &text)
{
    const QByteArray itemBytes = item.toUtf8();
    const QByteArray textBytes = text.toUtf8();
    if (itemBytes.isEmpty() || HeaderSize + itemBytes.size() + textBytes.size() > MaxMessageSize)
        return {};
    QByteArray frame = Magic;
    frame.append(Version);
    appendLength(&frame, itemBytes.size());
    appendLength(&frame, textBytes.size());
    frame += itemBytes;
    frame += textBytes;
    return frame;
}

LinkEndpoint::FrameStatus LinkEndpoint::decodePoke(const QByteArray &bytes, QString *item, QString *text)
{
    const qsizetype prefix = std::min(bytes.size(), Magic.size());
    if (bytes.first(prefix) != Magic.first(prefix) || bytes.size() > MaxMessageSize)
        return FrameStatus::Invalid;
    if (bytes.size() > Magic.size() && bytes.at(Magic.size()) != Version)
        return FrameStatus::Invalid;
    if (bytes.size() < HeaderSize)
        return FrameStatus::Incomplete;

    const int itemSize = lengthAt(bytes, 5);
    const int textSize = lengthAt(bytes, 7);
    const qsizetype total = HeaderSize + itemSize + textSize;
    if (itemSize == 0 || total > MaxMessageSize || bytes.size() > total)
        return FrameStatus::Invalid;
    if (bytes.size() < total)
        return FrameStatus::Incomplete;

    QString decodedItem;
    QString decodedText;
    if (!decodeUtf8(QByteArrayView(bytes).sliced(HeaderSize, itemSize), &decodedItem)
        || !decodeUtf8(QByteArrayView(bytes).sliced(HeaderSize + itemSize, textSize), &decodedText))
        return FrameStatus::Invalid;
    *item = decodedItem;
    *text = decodedText;
    return FrameStatus::Complete;
}

QByteArray LinkEndpoint::acknowledgement()
{
    return QByteArrayLiteral("OK");
}

void LinkEndpoint::acceptClients()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        if (m_received.size() >= MaxClients || !isSameUser(client)) {
            client->abort();
            client->deleteLater();
            continue;
        }
        m_received.insert(client, QByteArray());
        // Qt would otherwise buffer whatever a client floods us with.
        client->setReadBufferSize(MaxMessageSize + 1);

        auto *deadline = new QTimer(client);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this, client] { dropClient(client); });
        deadline->start(m_clientTimeout);

        connect(client, &QLocalSocket::readyRead, this, [this, client] { readClient(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] { dropClient(client); });
        if (client->bytesAvailable() > 0)
            readClient(client);
    }
}

void LinkEndpoint::readClient(QLocalSocket *client)
{
    auto received = m_received.find(client);
    if (received == m_received.end())
        return;
    received->append(client->read(MaxMessageSize + 1 - received->size()));

    QString item;
    QString text;
    switch (decodePoke(*received, &item, &text)) {
    case FrameStatus::Incomplete:
        return;
    case FrameStatus::Invalid:
        dropClient(client);
        return;
    case FrameStatus::Complete:
        break;
    }
    disconnect(client, &QLocalSocket::readyRead, this, nullptr);
    received->clear();
    // Handled from the event loop rather than inside the socket's own signal:
    // the handler may destroy the endpoint, and with it this socket.
    QPointer<QLocalSocket> guard(client);
    QMetaObject::invokeMethod(
        this, [this, guard, item, text] { deliver(guard.data(), item, text); }, Qt::QueuedConnection);
}

void LinkEndpoint::deliver(QLocalSocket *client, const QString &item, const QString &text)
{
    m_items.insert(item, text);
    QPointer<QLocalSocket> guard(client);
    if (client && m_received.contains(client))
        m_delivering = client;
    QPointer<LinkEndpoint> self(this);
    Q_EMIT textChanged(item, text);
    if (!self)
        return;
    m_delivering = nullptr;
    if (guard && m_received.contains(guard.data()))
        acknowledge(guard.data());
}

void LinkEndpoint::acknowledge(QLocalSocket *client)
{
    client->write(acknowledgement());
    // At once: a handler that quits the application leaves no event loop to
    // send it later.
    client->flush();
    client->disconnectFromServer();
}

void LinkEndpoint::dropClient(QLocalSocket *client)
{
    if (!m_received.remove(client))
        return;
    client->disconnect(this);
    client->abort();
    client->deleteLater();
}
