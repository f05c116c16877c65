#pragma once
// How a benchmark reports a figure: the median of its runs, with their spread beside it.

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

/// The values of one figure over interleaved runs.
class FigureRuns
{
public:
    void add(double value) { m_values.push_back(value); }
    bool empty() const { return m_values.empty(); }

    double median() const
    {
        std::vector<double> sorted = this->sorted();
        const std::size_t mid = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
    }
    double min() const { return sorted().front(); }
    double max() const { return sorted().back(); }

    /// "figure: NAME MEDIAN" then "spread: NAME MIN MAX".
    void print(const char* name, const char* format = "%.2f") const
    {
        std::printf("figure: %s ", name);
        std::printf(format, median());
        std::printf("\nspread: %s ", name);
        std::printf(format, min());
        std::printf(" ");
        std::printf(format, max());
        std::printf("\n");
        std::fflush(stdout);
    }

private:
    std::vector<double> sorted() const
    {
        if (m_values.empty())
            throw std::logic_error("a figure without runs");
        std::vector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    std::vector<double> m_values;
};
