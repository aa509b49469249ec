#include "MessengerTicks.h"

std::vector<int64_t> MessengerTicks::fromOpenings(const std::vector<int64_t> &openingsNs, int frequencyMs)
{
    const int64_t intervalNs = int64_t(frequencyMs) * 1'000'000;
    // One tick may open the file more than once: openings closer than half an
    // interval make one burst, stamped at its first opening.
    std::vector<int64_t> bursts;
    for (std::size_t k = 0; k < openingsNs.size(); ++k) {
        if (k == 0 || openingsNs[k] - openingsNs[k - 1] >= intervalNs / 2)
            bursts.push_back(openingsNs[k]);
    }
    // The first burst is the start-up. A later start-up read is not yet a tick:
    // the first tick is the first burst most of an interval after the one before.
    std::vector<int64_t> ticks;
    for (std::size_t k = 1; k < bursts.size(); ++k) {
        if (!ticks.empty() || bursts[k] - bursts[k - 1] >= intervalNs * 8 / 10)
            ticks.push_back(bursts[k]);
    }
    return ticks;
}
