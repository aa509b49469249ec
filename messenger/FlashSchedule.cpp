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

void FlashSchedule::shown(long long sentNs, long long confirmedNs, int durationMs, bool composited)
{
    m_sentNs = sentNs;
    m_confirmedNs = std::max(sentNs, confirmedNs);
    m_durationNs = std::max(0, durationMs) * 1'000'000LL;
    m_paintNs = 0;
    m_awaitingPaint = composited && durationMs < PaintFeedbackBelowMs;
}

void FlashSchedule::painted(long long paintNs)
{
    m_awaitingPaint = false;
    m_paintNs = paintNs;
}

long long FlashSchedule::hideAt() const
{
    // Under a compositor both edges pass through it alike, so a long flash
    // counts from the confirmation like a direct one. A short one counts from
    // the compositor's drawing, which may come later than the duration itself.
    const long long from = std::max(m_confirmedNs, m_paintNs);
    return from + m_durationNs;
}

long long FlashSchedule::wakeFor(long long edgeNs, long long nowNs)
{
    return std::max(nowNs, edgeNs - WarmLeadNs);
}
