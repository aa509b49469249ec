#pragma once

#include <cstddef>
#include <vector>

// Order statistics of one series of figures.
class Summary
{
public:
    explicit Summary(std::vector<double> values);

    std::size_t count() const { return m_sorted.size(); }
    bool empty() const { return m_sorted.empty(); }
    double mean() const;
    double percentile(double p) const;
    double median() const { return percentile(50); }
    double min() const;
    double max() const;

private:
    std::vector<double> m_sorted;
};
