#include "ScreenMatch.h"

#include <algorithm>
#include <cmath>

ScreenMatch::ScreenMatch(
    const std::vector<int64_t> &ticksNs, const std::vector<ScreenFlash> &screen, int64_t intervalNs)
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
        if (pieces == 0)
            continue;
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

std::vector<double> ScreenMatch::absoluteErrorsOfRequested(int requestedMs) const
{
    std::vector<double> errors;
    for (const double visible : m_visibleMs)
        errors.push_back(std::fabs(visible - requestedMs));
    for (std::size_t k = 0; k < m_stuck; ++k)
        errors.push_back(StuckErrorMs);
    for (std::size_t k = m_visibleMs.size() + m_stuck; k < m_requested; ++k)
        errors.push_back(double(requestedMs));
    return errors;
}
