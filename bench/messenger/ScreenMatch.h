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
// An unseen flash is "unread" rather than missed when the program's window was
// mapped (mappedNs: map to unmap, as X events told; given only where a map
// shows at once, with no compositor) and the screen went unread
// (ScreenWatcher::blindSpans) for nine tenths of that time or more: the text
// was on the screen, but no sample could see it. With no such evidence an
// unseen flash is missed; when the screen went unread for as long as the flash
// within UnreadWindowMs of its tick, it is noted as "maybe unread".
class ScreenMatch
{
public:
    static constexpr double StuckErrorMs = 60'000;
    static constexpr int UnreadWindowMs = 30;
    using Spans = std::vector<std::pair<int64_t, int64_t>>;

    ScreenMatch(const std::vector<int64_t> &ticksNs, const std::vector<ScreenFlash> &screen,
        const Spans &blindNs, const Spans &mappedNs, int requestedMs, int64_t intervalNs);

    std::size_t requested() const { return m_requested; }
    std::size_t seen() const { return m_visibleMs.size(); }
    std::size_t split() const { return m_split; } // flashes whose text showed in pieces
    std::size_t stuck() const { return m_stuck; } // text still on screen when the run ended
    std::size_t stray() const { return m_stray; } // text outside any flash's interval
    std::size_t unread() const { return m_unread; } // on screen while it went unread
    std::size_t maybeUnread() const { return m_maybeUnread; } // missed, but the screen went unread then
    std::size_t missed() const { return m_requested - seen() - m_stuck - m_unread; }
    const std::vector<double> &visibleMs() const { return m_visibleMs; } // one per seen flash
    const std::vector<double> &tickToScreenMs() const { return m_tickToScreenMs; }
    // First sample with text and first without, of each seen flash.
    const Spans &spansNs() const { return m_spansNs; }
    // |visible - requested| of every requested flash but the unread ones: a
    // missed one as visible 0, one whose text never went as StuckErrorMs.
    std::vector<double> absoluteErrorsOfRequested() const;

private:
    int m_requestedMs = 0;
    std::size_t m_requested = 0;
    std::size_t m_unread = 0;
    std::size_t m_maybeUnread = 0;
    std::size_t m_split = 0;
    std::size_t m_stuck = 0;
    std::size_t m_stray = 0;
    std::vector<double> m_visibleMs;
    std::vector<double> m_tickToScreenMs;
    Spans m_spansNs;
};
