#include "HaltPadOptions.h"

#include "QuickStopIcons.h"
#include "ValueConversions.h"

const QString HaltPadOptions::DefaultOnName = QStringLiteral("MRNON");
const QString HaltPadOptions::DefaultOffName = QStringLiteral("MRNOFF");

HaltPadOptions HaltPadOptions::read(const Reader &readSetting)
{
    HaltPadOptions options;
    options.taskBarWindow = !readSetting(QStringLiteral("HaltPadIconOnly")).isEmpty();
    options.iconPair = iconPairFrom(readSetting(QStringLiteral("HaltPadIcons")));
    options.onName = nameFrom(readSetting(QStringLiteral("HaltPadOn")), DefaultOnName);
    options.offName = nameFrom(readSetting(QStringLiteral("HaltPadOff")), DefaultOffName);
    return options;
}

int HaltPadOptions::iconPairFrom(const QString &value)
{
    const std::optional<qint32> pair = ValueConversions::strictInteger(value);
    return pair && *pair >= 0 && *pair < QuickStopIcons::PairCount ? *pair : 0;
}

QString HaltPadOptions::nameFrom(const QString &value, const QString &fallback)
{
    // Line breaks or tabs would break a title bar; a name of blanks shows nothing.
    const QString name = value.simplified().left(MaxNameLength).trimmed();
    return name.isEmpty() ? fallback : name;
}
