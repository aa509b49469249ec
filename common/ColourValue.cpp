#include "ColourValue.h"

#include "ValueConversions.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

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

std::optional<QColor> ColourValue::toColour(qint32 value)
{
    const quint32 bits = quint32(value);
    if (bits & 0x80000000u)
        return systemColour(bits & 0x00ffffffu);
    return QColor(int(bits & 0xff), int((bits >> 8) & 0xff), int((bits >> 16) & 0xff));
}

std::optional<QColor> ColourValue::fromText(const QString &text)
{
    const std::optional<qint32> value = ValueConversions::strictInteger(text);
    if (!value)
        return std::nullopt;
    return toColour(*value);
}
