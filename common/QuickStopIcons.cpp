#include "QuickStopIcons.h"

#include <QSize>
#include <QtGlobal>

// Outside any namespace, as Q_INIT_RESOURCE requires. Calling it also keeps
// the linker from dropping the resource object out of the static library.
static void initQuickStopResource()
{
    Q_INIT_RESOURCE(quickstop);
}

static int validPair(int pair)
{
    return pair >= 0 && pair < QuickStopIcons::PairCount ? pair : 0;
}

QString QuickStopIcons::resourcePath(int pair, bool on, int size)
{
    return QStringLiteral(":/icons/quickstop/%1/quickstop-%2-%3.png")
        .arg(size)
        .arg(validPair(pair))
        .arg(on ? QStringLiteral("on") : QStringLiteral("off"));
}

QIcon QuickStopIcons::icon(int pair, bool on)
{
    [[maybe_unused]] static const bool initialised = (initQuickStopResource(), true);
    QIcon result;
    for (int size : {16, 32, 64})
        result.addFile(resourcePath(pair, on, size), QSize(size, size));
    return result;
}
