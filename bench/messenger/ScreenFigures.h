#pragma once

#include "BenchRunner.h"
#include "MachinePauses.h"
#include "ScreenMatch.h"

#include <cmath>
#include <cstddef>
#include <vector>

// What the screen showed of one program at one requested duration, in ms.
struct ScreenFigures
{
    std::size_t requested = 0;
    std::size_t seen = 0;
    std::size_t split = 0;
    std::size_t stuck = 0;
    std::size_t stray = 0;
    std::size_t unread = 0; // on screen while the screen went unread: neither seen nor missed
    std::size_t maybeUnread = 0; // missed, but the screen went unread at the time
    // Over the seen flashes: the visible duration, and error = visible - requested.
    double median = NAN;
    double meanError = NAN;
    double p10 = NAN;
    double p90 = NAN;
    double absP50 = NAN;
    double absP90 = NAN;
    // |error| over every requested flash but the unread, a missed one counted as visible 0.
    double absP50OfRequested = NAN;
    double tickToScreenP50 = NAN;

    // With clearOf, only the seen flashes that no machine pause touched count
    // (from 5 ms before the text appeared to 0.5 ms after, and from 2 ms before
    // it went to 0.5 ms after).
    // Map to unmap of the program's window where X events show text on the screen.
    static ScreenMatch::Spans mappedSpans(const DurationRun &run);
    static ScreenFigures of(
        const DurationRun *run, const std::vector<MachinePauses::Pause> *clearOf = nullptr);
};
