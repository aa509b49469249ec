#include "FlashSchedule.h"

#include <algorithm>

long long FlashSchedule::takeShowAt(long long nowNs)
{
    const long long tick = m_tickNs;
    m_tickNs = 0;
    if (tick <= 0)
        return nowNs;
    return std::max(nowNs, tick + ShowLeadNs);
}

void FlashSchedule::shown(long long sentNs, long long confirmedNs, int durationMs)
{
    m_sentNs = sentNs;
    m_confirmedNs = std::max(sentNs, confirmedNs);
    m_durationNs = std::max(0, durationMs) * 1'000'000LL;
    m_paintedNs = 0;
}

long long FlashSchedule::hideAt() const
{
    // The map took effect somewhere between sending it and the answer; the
    // middle of this flash's own round trip is the best guess, and the hide
    // never goes before the duration since the show went out.
    const long long mapped = m_confirmedNs - (m_confirmedNs - m_sentNs) / 2;
    if (m_paintedNs <= m_confirmedNs)
        return mapped + m_durationNs;
    // A compositor drew the flash just before its drawing was seen, and it
    // takes the flash off the screen as late after the hide as it draws any
    // hide: the hide goes out that much ahead of the duration. It goes only
    // once the drawing has been seen, though, or the compositor could merge
    // both edges into one frame and never show the flash.
    return std::max(m_paintedNs + m_durationNs - hideLagNs(), m_paintedNs);
}

void FlashSchedule::hidden(long long sentNs, long long paintedNs)
{
    if (paintedNs <= sentNs)
        return;
    m_hideLagsNs[m_hideLagsSeen % HideLagsKept] = paintedNs - sentNs;
    ++m_hideLagsSeen;
}

long long FlashSchedule::hideLagNs() const
{
    const int kept = std::min(m_hideLagsSeen, HideLagsKept);
    if (kept == 0)
        return 0;
    std::array<long long, HideLagsKept> lags = m_hideLagsNs;
    const auto middle = lags.begin() + (kept - 1) / 2;
    std::nth_element(lags.begin(), middle, lags.begin() + kept);
    return *middle;
}

void FlashSchedule::forgetHideLags()
{
    m_hideLagsSeen = 0;
}

long long FlashSchedule::wakeFor(long long edgeNs, long long nowNs)
{
    return std::max(nowNs, edgeNs - WarmLeadNs);
}
