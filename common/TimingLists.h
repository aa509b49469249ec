#pragma once

#include <QStringList>

#include <array>

// The duration and frequency lists the settings form offers. The settings
// store keeps only the position in a list ("Duration", "Frequency"), so both
// programs must read the positions through these same lists.
class TimingLists
{
public:
    struct Entry
    {
        const char *caption;
        int ms;
    };

    static constexpr std::array<Entry, 13> Durations {{
        {"1 millisecond", 1},
        {"2 milliseconds", 2},
        {"5 milliseconds", 5},
        {"10 milliseconds", 10},
        {"20 milliseconds", 20},
        {"30 milliseconds", 30},
        {"40 milliseconds", 40},
        {"50 milliseconds", 50},
        {"75 milliseconds", 75},
        {"100 milliseconds", 100},
        {"200 milliseconds", 200},
        {"500 milliseconds", 500},
        {"1 Second", 1000},
    }};
    static constexpr std::array<Entry, 7> Frequencies {{
        {"2 seconds", 2000},
        {"5 seconds", 5000},
        {"10 seconds", 10000},
        {"20 seconds", 20000},
        {"30 seconds", 30000},
        {"45 seconds", 45000},
        {"60 seconds", 60000},
    }};

    // Selected when nothing is stored, and by "Reset timings".
    static constexpr int DefaultDuration = 1;
    static constexpr int DefaultFrequency = 3;

    static QStringList durationCaptions();
    static QStringList frequencyCaptions();
};
