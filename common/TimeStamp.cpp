#include "TimeStamp.h"

namespace TimeStamp {

namespace {
const QString Format = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz");
}

QString format(const QDateTime &time)
{
    return time.toLocalTime().toString(Format);
}

QString now()
{
    return format(QDateTime::currentDateTime());
}

QDateTime parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDateTime();
    QDateTime time = QDateTime::fromString(trimmed, Format);
    if (!time.isValid())
        time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (time.isValid())
        return time.toLocalTime();
    // A time of day alone, as older settings hold it, means today at that time.
    for (const char *dayFormat : {"H:mm:ss", "H:mm"}) {
        const QTime dayTime = QTime::fromString(trimmed, QLatin1String(dayFormat));
        if (dayTime.isValid())
            return QDateTime(QDate::currentDate(), dayTime);
    }
    return QDateTime();
}

} // namespace TimeStamp
