#include "ScreenMatch.h"

#include <algorithm>
#include <cmath>

namespace {

// How long the screen went unread within [from, to].
int64_t unreadWithin(const ScreenMatch::Spans &blind, int64_t from, int64_t to)
{
    int64_t total = 0;
    for (const auto &[start, end] : blind)
        total += std::max<int64_t>(0, std::min(end, to) - std::max(start, from));
    return total;
}

} // namespace

ScreenMatch::ScreenMatch(const std::vector<int64_t> &ticksNs, const std::vector<ScreenFlash> &screen,
    const Spans &blindNs, const Spans &mappedNs, int requestedMs, int64_t intervalNs)
    : m_requestedMs(requestedMs)
{
    std::vector<int64_t> ticks = ticksNs;
    std::sort(ticks.begin(), ticks.end());
    m_requested = ticks.size();
    std::vector<bool> used(screen.size(), false);
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const int64_t begin = ticks[k];
        const int64_t end
            = k + 1 < ticks.size() ? std::min(ticks[k + 1], begin + intervalNs) : begin + intervalNs;
        int64_t on = -1;
        int64_t off = -1;
        int pieces = 0;
        bool open = false;
        for (std::size_t s = 0; s < screen.size(); ++s) {
            if (used[s] || screen[s].onNs < begin || screen[s].onNs >= end)
                continue;
            used[s] = true;
            ++pieces;
            if (on < 0)
                on = screen[s].onNs;
            open = open || screen[s].offNs < 0;
            off = std::max(off, screen[s].offNs);
        }
        if (pieces == 0) {
            bool hidden = false;
            for (const auto &[map, unmap] : mappedNs) {
                if (map >= begin && map < end && unmap > map)
                    hidden = hidden || unreadWithin(blindNs, map, unmap) * 10 >= (unmap - map) * 9;
            }
            const int64_t requestedNs = int64_t(requestedMs) * 1'000'000;
            const int64_t windowEnd
                = std::min(end, begin + requestedNs + int64_t(UnreadWindowMs) * 1'000'000);
            if (hidden)
                ++m_unread;
            else if (unreadWithin(blindNs, begin, windowEnd) >= requestedNs)
                ++m_maybeUnread;
            continue;
        }
        if (open) {
            ++m_stuck;
            continue;
        }
        m_split += pieces > 1 ? 1 : 0;
        m_visibleMs.push_back(double(off - on) / 1e6);
        m_spansNs.emplace_back(on, off);
        m_tickToScreenMs.push_back(double(on - begin) / 1e6);
    }
    m_stray = std::size_t(std::count(used.begin(), used.end(), false));
}

std::vector<double> ScreenMatch::absoluteErrorsOfRequested() const
{
    std::vector<double> errors;
    for (const double visible : m_visibleMs)
        errors.push_back(std::fabs(visible - m_requestedMs));
    for (std::size_t k = 0; k < m_stuck; ++k)
        errors.push_back(StuckErrorMs);
    for (std::size_t k = 0; k < missed(); ++k)
        errors.push_back(double(m_requestedMs));
    return errors;
}
