#include "stats/statistics.hpp"

#include <algorithm>
#include <cmath>

namespace {

// P(Binomial(n, 1/2) = k), through logarithms: the factorials overflow a double beyond 170.
double binomial_half(std::size_t n, std::size_t k) {
    const double count = static_cast<double>(n), chosen = static_cast<double>(k);
    return std::exp(std::lgamma(count + 1) - std::lgamma(chosen + 1) -
                    std::lgamma(count - chosen + 1) - count * std::log(2.0));
}

}  // namespace

std::size_t interval_rank(std::size_t count) {
    // Summed upwards from i = 0 while the tail stays small.
    const double tail_allowed = (1 - CONFIDENCE) / 2;
    double below = 0;  // P(Binomial < rank)
    std::size_t rank = 0;
    for (std::size_t i = 0; i <= count / 2; ++i) {
        below += binomial_half(count, i);
        if (below > tail_allowed * (1 + 1e-12)) break;
        rank = i + 1;
    }
    return rank;
}

MedianInterval median_interval(std::vector<double> values) {
    MedianInterval summary;
    summary.count = values.size();
    if (values.empty()) return summary;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    summary.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    const std::size_t rank = interval_rank(values.size());
    if (rank == 0) return summary;
    summary.low = values[rank - 1];
    summary.high = values[values.size() - rank];
    double outside = 0;
    for (std::size_t i = 0; i < rank; ++i) outside += 2 * binomial_half(values.size(), i);
    summary.confidence = 1 - outside;
    return summary;
}

MedianInterval reciprocal(const MedianInterval& summary) {
    MedianInterval inverted = summary;
    inverted.median = summary.median == 0 ? 0 : 1 / summary.median;
    if (summary.low && summary.high) {
        inverted.low = 1 / *summary.high;
        inverted.high = 1 / *summary.low;
    }
    return inverted;
}

double quantile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double position = p * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(position));
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double weight = position - static_cast<double>(below);
    return values[below] * (1 - weight) + values[above] * weight;
}
