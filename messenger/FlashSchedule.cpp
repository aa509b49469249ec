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
    // A compositor drew the flash between the answer and the moment its
    // drawing was seen; the duration counts from the middle of that. The hide
    // goes out only once the drawing has been seen, or the compositor could
    // merge both edges into one frame and never show the flash.
    const long long drawn = m_paintedNs - (m_paintedNs - m_confirmedNs) / 2;
    return std::max(drawn + m_durationNs, m_paintedNs);
}

long long FlashSchedule::wakeFor(long long edgeNs, long long nowNs)
{
    return std::max(nowNs, edgeNs - WarmLeadNs);
}
