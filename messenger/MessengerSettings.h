#pragma once

#include "TimingLists.h"

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

// Everything LoadSettings takes from section "Settings": the two timer
// intervals, the look of the label and the window, and the two flags. A value
// that is empty, unreadable or refused leaves the previous setting in place.
class MessengerSettings
{
public:
    using Reader = std::function<QString(const QString &key)>;

    static constexpr int MaxInterval = 65535;
    static constexpr double MaxFontSize = 2160;
    static inline const QString DefaultFontName = QStringLiteral("MS Sans Serif");
    static constexpr double DefaultFontSize = 14;

    void load(const Reader &read);

    // A stored colour: red + 256 * green + 65536 * blue, or a system colour
    // when the top bit is set. Empty for a value that names no colour.
    static std::optional<QColor> colourFromValue(const QString &text);

    int durationIndex = -1; // cboDuration's selection
    int durationMs = 2;
    int frequencyIndex = -1; // cboFrequency's selection
    int frequencyMs = 20000;
    QColor backColour = Qt::white;
    QColor textColour = Qt::black;
    bool transparent = false;
    bool randomColour = false;
    QString positionTag;
    QString fontName = DefaultFontName;
    double fontSize = DefaultFontSize;
};
