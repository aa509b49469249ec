// The other process in the link, lock and Quick Stop tests; each mode prints one line per event.
//   link_helper endpoint <application> <topic>  "listening" or "refused", then "changed <item>=<text>"
//                                               per poke
//   link_helper messenger                       the same where the Messenger listens, and ends as it
//                                               does on "OFF", or on "END" when it has nothing to show
//   link_helper poke <application> <topic> <item> <text>  exit code 0 when acknowledged
//   link_helper lock <name>                     "acquired" and holds it until killed, or "busy"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(2);
    const QString mode = app.arguments().value(1);
    if (mode == QLatin1String("poke"))
        return LinkClient::poke(args.value(0), args.value(1), args.value(2), args.value(3)) ? 0 : 1;
    if (mode == QLatin1String("lock")) {
        SingleInstance instance(args.value(0));
        const bool acquired = instance.tryAcquire();
        say(acquired ? QStringLiteral("acquired") : QStringLiteral("busy"));
        return acquired ? QCoreApplication::exec() : 1;
    }
    const bool messenger = mode == QLatin1String("messenger");
    LinkEndpoint endpoint(messenger ? QStringLiteral("Murmurine Mini") : args.value(0),
        messenger ? QStringLiteral("Form1") : args.value(1));
    if ((!messenger && mode != QLatin1String("endpoint")) || !endpoint.listen()) {
        say(QStringLiteral("refused"));
        return 2;
    }
    QObject::connect(&endpoint, &LinkEndpoint::textChanged, &app,
        [&app, messenger](const QString &item, const QString &text) {
            say("changed " + item + '=' + text);
            if (messenger && (text == QLatin1String("OFF") || text == QLatin1String("END")))
                QTimer::singleShot(50, &app, &QCoreApplication::quit);
        });
    say(QStringLiteral("listening"));
    return QCoreApplication::exec();
}
