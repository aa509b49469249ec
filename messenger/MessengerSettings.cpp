#include "MessengerSettings.h"

#include "ValueConversions.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// Zero would stop a timer for good (or spin it), so it is refused like any
// other value the timer cannot take.
bool applyInterval(const QString &text, int *interval)
{
    const double value = ValueConversions::leadingNumber(text);
    if (!(value >= 1 && value <= MessengerSettings::MaxInterval))
        return false;
    *interval = ValueConversions::leadingInteger(text);
    return true;
}

template <std::size_t N>
bool applyListPosition(
    const QString &text, const std::array<TimingLists::Entry, N> &list, int *index, int *interval)
{
    const int position = ValueConversions::leadingInteger(text);
    if (position < 0 || position >= int(N))
        return false;
    *index = position;
    *interval = list[position].ms;
    return true;
}

std::optional<QColor> systemColour(quint32 index)
{
    // The classic system colour indexes, as the platform palette has them.
    static constexpr struct
    {
        QPalette::ColorGroup group;
        QPalette::ColorRole role;
    } roles[] = {
        {QPalette::Active, QPalette::Mid}, // scroll bar
        {QPalette::Active, QPalette::Dark}, // desktop
        {QPalette::Active, QPalette::Highlight}, // active caption
        {QPalette::Inactive, QPalette::Mid}, // inactive caption
        {QPalette::Active, QPalette::Window}, // menu
        {QPalette::Active, QPalette::Base}, // window
        {QPalette::Active, QPalette::Shadow}, // window frame
        {QPalette::Active, QPalette::WindowText}, // menu text
        {QPalette::Active, QPalette::Text}, // window text
        {QPalette::Active, QPalette::HighlightedText}, // caption text
        {QPalette::Active, QPalette::Mid}, // active border
        {QPalette::Inactive, QPalette::Mid}, // inactive border
        {QPalette::Active, QPalette::Dark}, // application workspace
        {QPalette::Active, QPalette::Highlight}, // highlight
        {QPalette::Active, QPalette::HighlightedText}, // highlight text
        {QPalette::Active, QPalette::Button}, // button face
        {QPalette::Active, QPalette::Dark}, // button shadow
        {QPalette::Disabled, QPalette::Text}, // grey text
        {QPalette::Active, QPalette::ButtonText}, // button text
        {QPalette::Inactive, QPalette::Text}, // inactive caption text
        {QPalette::Active, QPalette::Light}, // button highlight
        {QPalette::Active, QPalette::Shadow}, // 3D dark shadow
        {QPalette::Active, QPalette::Midlight}, // 3D light
        {QPalette::Active, QPalette::ToolTipText}, // info text
        {QPalette::Active, QPalette::ToolTipBase}, // info background
    };
    if (index >= std::size(roles))
        return std::nullopt;
    return QGuiApplication::palette().color(roles[index].group, roles[index].role);
}

} // namespace

std::optional<QColor> MessengerSettings::colourFromValue(const QString &text)
{
    const std::optional<qint32> value = ValueConversions::strictInteger(text);
    if (!value)
        return std::nullopt;
    const quint32 bits = quint32(*value);
    if (bits & 0x80000000u)
        return systemColour(bits & 0x00ffffffu);
    return QColor(int(bits & 0xff), int((bits >> 8) & 0xff), int((bits >> 16) & 0xff));
}

void MessengerSettings::load(const Reader &read)
{
    if (const QString duration = read(QStringLiteral("Duration")); !duration.isEmpty())
        applyListPosition(duration, TimingLists::Durations, &durationIndex, &durationMs);
    else if (const QString actual = read(QStringLiteral("ActualDuration")); !actual.isEmpty())
        applyInterval(actual, &durationMs);

    if (const QString frequency = read(QStringLiteral("Frequency")); !frequency.isEmpty())
        applyListPosition(frequency, TimingLists::Frequencies, &frequencyIndex, &frequencyMs);
    else if (const QString actual = read(QStringLiteral("ActualFrequency")); !actual.isEmpty())
        applyInterval(actual, &frequencyMs);

    const QString back = read(QStringLiteral("BackColour"));
    if (!back.isEmpty()) {
        if (const std::optional<QColor> colour = colourFromValue(back))
            backColour = *colour;
    }
    if (ValueConversions::isTransparentBackground(back, read(QStringLiteral("BackColourTransparent"))))
        transparent = true;

    if (const QString text = read(QStringLiteral("TextColour")); !text.isEmpty()) {
        if (const std::optional<QColor> colour = colourFromValue(text))
            textColour = *colour;
    }
    if (ValueConversions::leadingNumber(read(QStringLiteral("TextColourRandom"))) != 0)
        randomColour = true;

    if (const QString position = read(QStringLiteral("Position")); !position.isEmpty())
        positionTag = position;

    const QString name = read(QStringLiteral("FontName"));
    fontName = name.isEmpty() ? DefaultFontName : name;

    const QString size = read(QStringLiteral("FontSize"));
    if (size.isEmpty()) {
        fontSize = DefaultFontSize;
    } else {
        const double points = ValueConversions::leadingNumber(size);
        if (points > 0 && points <= MaxFontSize)
            fontSize = points;
    }
}
