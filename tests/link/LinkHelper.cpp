// The other process in the link and lock tests; each mode prints one line per event:
//   link_helper endpoint <application> <topic>   "listening" or "refused", then "changed <item>=<text>" per
//   poke link_helper poke <application> <topic> <item> <text>   exit code 0 when acknowledged link_helper
//   lock <name>                     "acquired" and holds it until killed, or "busy"
#include "LinkClient.h"
#include "LinkEndpoint.h"
#include "SingleInstance.h"

#include <QCoreApplication>

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
    LinkEndpoint endpoint(args.value(0), args.value(1));
    if (mode != QLatin1String("endpoint") || !endpoint.listen()) {
        say(QStringLiteral("refused"));
        return 2;
    }
    QObject::connect(&endpoint, &LinkEndpoint::textChanged,
        [](const QString &item, const QString &text) { say("changed " + item + '=' + text); });
    say(QStringLiteral("listening"));
    return QCoreApplication::exec();
}
