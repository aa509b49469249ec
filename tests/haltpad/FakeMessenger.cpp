// Stands in for a running Messenger in the Quick Stop tests: listens where the
// Messenger does, prints "listening" and then "changed <item>=<text>" per poke,
// and ends as the Messenger would, closing its endpoint, on "OFF"; "END" ends
// it the same way, as a Messenger does that has nothing left to show.
#include "LinkEndpoint.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    LinkEndpoint endpoint(QStringLiteral("Murmurine Mini"), QStringLiteral("Form1"));
    if (!endpoint.listen()) {
        std::printf("refused\n");
        return 2;
    }
    QObject::connect(
        &endpoint, &LinkEndpoint::textChanged, &app, [&app](const QString &item, const QString &text) {
            std::printf("changed %s=%s\n", qPrintable(item), qPrintable(text));
            std::fflush(stdout);
            if (text == QLatin1String("OFF") || text == QLatin1String("END"))
                QTimer::singleShot(50, &app, &QCoreApplication::quit);
        });
    std::printf("listening\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
