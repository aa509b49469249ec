#pragma once

#include <QColor>
#include <QString>

#include <optional>

// A stored colour value: red + 256 * green + 65536 * blue, or, with the top bit
// set, the index of a system colour, which follows the platform's palette.
class ColourValue
{
public:
    static constexpr qint32 WindowBackground = qint32(0x80000005u);
    static constexpr qint32 WindowText = qint32(0x80000008u);

    // Empty for a system colour index that names no colour.
    static std::optional<QColor> toColour(qint32 value);
    // Empty for a text that is not a whole integer, or names no colour.
    static std::optional<QColor> fromText(const QString &text);
};
