#pragma once

#include "ScreenWatcher.h"

#include <string>

// How often the screen can change: a window over the sampled rectangle changes
// colour every 0.1 ms (after a round trip) for a while, and the screen watcher notes each
// sample that differs from the one before. Under a compositor the gap between
// such changes is the compositor's frame interval (it cannot draw faster); with
// none it is the probe's own pace. The delay from sending a colour change to the
// first sample that shows it is the drawing latency.
class FrameProbe
{
public:
    struct Result
    {
        bool measured = false;
        std::size_t toggles = 0;
        std::size_t changes = 0;
        double gapP50Ms = -1;
        double gapP90Ms = -1;
        double latencyP50Ms = -1;
        double latencyP90Ms = -1;
    };

    static constexpr int ToggleUs = 100;

    static Result measure(ScreenWatcher &screen, int durationMs, std::string *error);
};
