#include "Summary.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

Summary::Summary(std::vector<double> values)
    : m_sorted(std::move(values))
{
    std::sort(m_sorted.begin(), m_sorted.end());
}

double Summary::mean() const
{
    if (m_sorted.empty())
        return std::numeric_limits<double>::quiet_NaN();
    return std::accumulate(m_sorted.begin(), m_sorted.end(), 0.0) / double(m_sorted.size());
}

double Summary::percentile(double p) const
{
    if (m_sorted.empty())
        return std::numeric_limits<double>::quiet_NaN();
    // Linear between the two nearest ranks: with fewer than 100 figures a
    // nearest-rank p99 would only repeat the maximum.
    const double position = std::clamp(p, 0.0, 100.0) / 100.0 * double(m_sorted.size() - 1);
    const std::size_t below = std::size_t(std::floor(position));
    const std::size_t above = std::min(below + 1, m_sorted.size() - 1);
    return m_sorted[below] + (position - double(below)) * (m_sorted[above] - m_sorted[below]);
}

double Summary::min() const
{
    return m_sorted.empty() ? std::numeric_limits<double>::quiet_NaN() : m_sorted.front();
}

double Summary::max() const
{
    return m_sorted.empty() ? std::numeric_limits<double>::quiet_NaN() : m_sorted.back();
}
