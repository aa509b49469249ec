#include "MessengerSettings.h"

#include "ColourValue.h"
#include "ValueConversions.h"

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

} // namespace

std::optional<QColor> MessengerSettings::colourFromValue(const QString &text)
{
    return ColourValue::fromText(text);
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
