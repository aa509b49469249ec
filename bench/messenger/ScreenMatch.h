#pragma once

#include "ScreenWatcher.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Pairs each requested flash (a tick) with what the screen showed after it:
// the text that appeared from the tick until the next tick (or one interval)
// belongs to that flash. The visible duration runs from the first sample with
// text to the first sample without it; text that comes and goes more than once
// within one flash counts from its first appearance to its last end.
class ScreenMatch
{
public:
    static constexpr double StuckErrorMs = 60'000;

    ScreenMatch(
        const std::vector<int64_t> &ticksNs, const std::vector<ScreenFlash> &screen, int64_t intervalNs);

    std::size_t requested() const { return m_requested; }
    std::size_t seen() const { return m_visibleMs.size(); }
    std::size_t split() const { return m_split; } // flashes whose text showed in pieces
    std::size_t stuck() const { return m_stuck; } // text still on screen when the run ended
    std::size_t stray() const { return m_stray; } // text outside any flash's interval
    const std::vector<double> &visibleMs() const { return m_visibleMs; } // one per seen flash
    const std::vector<double> &tickToScreenMs() const { return m_tickToScreenMs; }
    // First sample with text and first without, of each seen flash.
    const std::vector<std::pair<int64_t, int64_t>> &spansNs() const { return m_spansNs; }
    // |visible - requested| of every requested flash: an unseen one as visible 0,
    // one whose text never went as StuckErrorMs.
    std::vector<double> absoluteErrorsOfRequested(int requestedMs) const;

private:
    std::size_t m_requested = 0;
    std::size_t m_split = 0;
    std::size_t m_stuck = 0;
    std::size_t m_stray = 0;
    std::vector<double> m_visibleMs;
    std::vector<double> m_tickToScreenMs;
    std::vector<std::pair<int64_t, int64_t>> m_spansNs;
};
