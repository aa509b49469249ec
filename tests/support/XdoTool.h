#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QStringList>

// Drives the X server as a user would, through xdotool. This process goes on
// answering the X server meanwhile, so that xdotool may wait on its own windows.
namespace XdoTool {

inline bool usable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY")
        && !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

// The output lines of one call; none when it failed or found nothing.
inline QStringList run(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForStarted())
        return {};
    QDeadlineTimer deadline(30000);
    while (!process.waitForFinished(10) && !deadline.hasExpired())
        QCoreApplication::processEvents();
    if (process.state() != QProcess::NotRunning || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

inline QString windowName(const QString &window)
{
    return run({QStringLiteral("getwindowname"), window}).value(0);
}

inline void pressKeysIn(const QString &window, const QString &keys)
{
    run({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    run({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

// The window's place and size as the X server has them.
inline QRect geometry(const QString &window)
{
    QMap<QString, int> shell; // X=, Y=, WIDTH=, HEIGHT= lines
    for (const QString &line : run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}))
        shell.insert(line.section(u'=', 0, 0), line.section(u'=', 1).toInt());
    return QRect(shell.value(QStringLiteral("X")), shell.value(QStringLiteral("Y")),
        shell.value(QStringLiteral("WIDTH")), shell.value(QStringLiteral("HEIGHT")));
}

} // namespace XdoTool
