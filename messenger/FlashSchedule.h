#pragma once

#include <array>

// When each edge of one flash goes out, on the monotonic clock in nanoseconds.
// It knows nothing of the X server: the presenter reports what happened to this
// flash (when its show went out, when the server confirmed it) and asks when
// to act next. Nothing from an
// earlier flash enters the figures, so a quick round trip after slow ones can
// never bring the hide forward.
class FlashSchedule
{
public:
    // The show follows its tick by this much, so neither a late wake-up nor the
    // varying time the preparation takes moves the rhythm.
    static constexpr long long ShowLeadNs = 4'000'000;
    // Before each edge the presenter wakes this early and keeps the X server
    // busy, so that the edge's request is served the moment it arrives rather
    // than when an idle server gets round to it.
    static constexpr long long WarmLeadNs = 3'000'000;

    // A frequency tick was due at dueNs (0: no tick known).
    void tick(long long dueNs) { m_tickNs = dueNs; }
    // When the show should go out: the tick plus the lead, or now when that
    // has passed or no tick is known. Uses up the tick.
    long long takeShowAt(long long nowNs);

    // The show went out at sentNs and the X server answered a request sent
    // behind it at confirmedNs: by then the flash was on screen.
    void shown(long long sentNs, long long confirmedNs, int durationMs);
    // The compositor was seen drawing the flash at paintedNs (0: not seen).
    void painted(long long paintedNs) { m_paintedNs = paintedNs; }
    // The hide goes out then: the duration after the flash went on screen by
    // its own round trip or, under a compositor, after it drew the flash,
    // less the time the compositor takes to draw a hide (see hideLagNs());
    // never less than the duration after the show went out, and under a
    // compositor never before its drawing was seen.
    long long hideAt() const;

    // Under a compositor, a hide went out at sentNs and the compositor was
    // seen drawing it at paintedNs (0: not seen, which teaches nothing).
    void hidden(long long sentNs, long long paintedNs);
    // How long the compositor takes to draw a hide, as far as the last few
    // flashes tell: their middle (the lower one of an even count), so that
    // one slow or quick hide moves nothing. 0 until one was seen.
    long long hideLagNs() const;
    // A different compositor draws at its own pace.
    void forgetHideLags();

    // When to wake for an edge due at edgeNs: the warm lead before it, never in the past.
    static long long wakeFor(long long edgeNs, long long nowNs);

private:
    long long m_tickNs = 0;
    long long m_sentNs = 0;
    long long m_confirmedNs = 0;
    long long m_durationNs = 0;
    long long m_paintedNs = 0;
    static constexpr int HideLagsKept = 8;
    std::array<long long, HideLagsKept> m_hideLagsNs {};
    int m_hideLagsSeen = 0;
};
