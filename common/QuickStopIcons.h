#pragma once

#include <QIcon>
#include <QString>

// The six On/Off icon pairs the Quick Stop button can show, rendered at
// 16, 32 and 64 pixels and built into the programs.
class QuickStopIcons
{
public:
    static constexpr int PairCount = 6;

    // A pair outside 0 to PairCount - 1 gives pair 0, as a stored choice may
    // be anything.
    static QIcon icon(int pair, bool on);

    // The resource path of one rendering, for pair clamped as above.
    static QString resourcePath(int pair, bool on, int size);
};
