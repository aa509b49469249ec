#pragma once

#include <QDateTime>
#include <QString>

// The form of the "Time" setting: local date and time with milliseconds,
// ISO 8601 ("2026-12-06T18:10:58.123"). A plain time of day ("18:10:58") is
// still read, as today at that time.
namespace TimeStamp {

QString format(const QDateTime &time);
QString now();

// An invalid QDateTime for an empty or unreadable value.
QDateTime parse(const QString &text);

} // namespace TimeStamp
