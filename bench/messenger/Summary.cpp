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
    const double rank = std::ceil(p / 100.0 * double(m_sorted.size()));
    const std::size_t index = rank < 1 ? 0 : std::min(m_sorted.size() - 1, std::size_t(rank) - 1);
    return m_sorted[index];
}

double Summary::min() const
{
    return m_sorted.empty() ? std::numeric_limits<double>::quiet_NaN() : m_sorted.front();
}

double Summary::max() const
{
    return m_sorted.empty() ? std::numeric_limits<double>::quiet_NaN() : m_sorted.back();
}
