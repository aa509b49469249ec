#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// The receiving end of the remote-control link: a local socket named after an
// application and a topic ("Murmurine Mini" + "|" + "Form1") in the per-user
// runtime folder. A client pokes a text into an item; the endpoint stores it
// and emits textChanged on the UI thread, then acknowledges.
class LinkEndpoint : public QObject
{
    Q_OBJECT
public:
    enum class FrameStatus { Incomplete, Complete, Invalid };

    // A whole poke, frame included, never exceeds this many bytes.
    static constexpr int MaxMessageSize = 1024;

    LinkEndpoint(const QString &application, const QString &topic, QObject *parent = nullptr);
    ~LinkEndpoint() override;

    // False when another live process holds the endpoint or the socket cannot
    // be made; a socket left behind by a crashed run is replaced.
    bool listen(QString *error = nullptr);
    bool isListening() const;

    QString text(const QString &item) const;

    // How long a client may take to deliver its whole poke before it is dropped.
    void setClientTimeout(std::chrono::milliseconds timeout);

    static QString socketPath(const QString &application, const QString &topic);

    // The bytes of one poke; empty when item is empty or the poke would exceed
    // MaxMessageSize.
    static QByteArray encodePoke(const QString &item, const QString &text);
    // Judges the bytes received so far; item and text are set when Complete.
    static FrameStatus decodePoke(const QByteArray &bytes, QString *item, QString *text);
    // What the endpoint answers once the item's change handler has run.
    static QByteArray acknowledgement();

Q_SIGNALS:
    // Emitted for every poke, even one that repeats the item's current text.
    void textChanged(const QString &item, const QString &text);

private:
    void acceptClients();
    void readClient(QLocalSocket *client);
    void deliver(QLocalSocket *client, const QString &item, const QString &text);
    void acknowledge(QLocalSocket *client);
    void dropClient(QLocalSocket *client);

    QString m_application;
    QString m_topic;
    QLocalServer *m_server = nullptr;
    QHash<QString, QString> m_items;
    QHash<QLocalSocket *, QByteArray> m_received;
    QPointer<QLocalSocket> m_delivering;
    std::chrono::milliseconds m_clientTimeout {1000};
};
