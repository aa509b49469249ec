#pragma once

#include <QHash>
#include <QObject>
#include <QString>

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
    LinkEndpoint(const QString &application, const QString &topic, QObject *parent = nullptr);
    ~LinkEndpoint() override;

    // False when another live process holds the endpoint or the socket cannot
    // be made; a socket left behind by a crashed run is replaced.
    bool listen(QString *error = nullptr);
    bool isListening() const;

    QString text(const QString &item) const;

    static QString socketPath(const QString &application, const QString &topic);

Q_SIGNALS:
    // Emitted for every poke, even one that repeats the item's current text.
    void textChanged(const QString &item, const QString &text);

private:
    void acceptClients();
    void readClient(QLocalSocket *client);

    QString m_application;
    QString m_topic;
    QLocalServer *m_server = nullptr;
    QHash<QString, QString> m_items;
};
