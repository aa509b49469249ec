// link_helper endpoint <application> <topic> [--quit-on TEXT] [--delete-on TEXT]
//     listens, prints "listening" (or "refused <why>" and exits 2), then one
//     "changed <item>=<text>" line per poke, item and text percent-encoded;
//     on the given text the handler quits the application or destroys the
//     endpoint itself, as a program that ends on a command does.
// link_helper poke <application> <topic> <item> <text>
//     exits 0 when the poke was acknowledged, 1 otherwise.
// link_helper rawpoke <socket path> <item> <text>
//     the same without the runtime folder, for a sender of another user.
// link_helper lock <name>
//     prints "acquired" and holds the lock until killed, or prints "busy" and exits 1.
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QUrl>

#include <cstdio>

namespace {

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int runEndpoint(const QStringList &args)
{
    auto *endpoint = new LinkEndpoint(args.value(0), args.value(1));
    const QString quitOn = args.contains(QStringLiteral("--quit-on"))
        ? args.value(args.indexOf(QStringLiteral("--quit-on")) + 1)
        : QString();
    const QString deleteOn = args.contains(QStringLiteral("--delete-on"))
        ? args.value(args.indexOf(QStringLiteral("--delete-on")) + 1)
        : QString();
    QString error;
    if (!endpoint->listen(&error)) {
        say("refused " + error.toUtf8());
        delete endpoint;
        return 2;
    }
    QObject::connect(
        endpoint, &LinkEndpoint::textChanged, qApp, [&](const QString &item, const QString &text) {
            say("changed " + QUrl::toPercentEncoding(item) + '=' + QUrl::toPercentEncoding(text));
            if (!quitOn.isNull() && text == quitOn)
                QCoreApplication::quit();
            if (!deleteOn.isNull() && text == deleteOn) {
                delete endpoint;
                endpoint = nullptr;
                QCoreApplication::quit();
            }
        });
    say("listening");
    const int code = QCoreApplication::exec();
    delete endpoint;
    return code;
}

int runRawPoke(const QStringList &args)
{
    QLocalSocket socket;
    socket.connectToServer(args.value(0));
    if (!socket.waitForConnected(5000))
        return 1;
    socket.write(LinkEndpoint::encodePoke(args.value(1), args.value(2)));
    if (!socket.waitForBytesWritten(5000))
        return 1;
    while (socket.bytesAvailable() < LinkEndpoint::acknowledgement().size()) {
        if (!socket.waitForReadyRead(5000))
            return 1;
    }
    return socket.readAll() == LinkEndpoint::acknowledgement() ? 0 : 1;
}

int runLock(const QStringList &args)
{
    SingleInstance instance(args.value(0));
    QString error;
    if (!instance.tryAcquire(&error)) {
        say(error.isEmpty() ? QByteArray("busy") : "failed " + error.toUtf8());
        return 1;
    }
    say("acquired");
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString mode = args.isEmpty() ? QString() : args.takeFirst();
    if (mode == QLatin1String("endpoint"))
        return runEndpoint(args);
    if (mode == QLatin1String("poke"))
        return LinkClient::poke(args.value(0), args.value(1), args.value(2), args.value(3)) ? 0 : 1;
    if (mode == QLatin1String("rawpoke"))
        return runRawPoke(args);
    if (mode == QLatin1String("lock"))
        return runLock(args);
    std::fputs("usage: link_helper endpoint|poke|rawpoke|lock ...\n", stderr);
    return 64;
}
