// The statistics of the stats tool: pure functions over plain figures, with no knowledge of
// kernels, rounds or reports. The interval of a median comes from the binomial's order
// statistics: the k-th lowest and k-th highest of n values bound their population's median
// with a probability that needs no assumption about the values' distribution, only that
// they are independent.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

inline constexpr double CONFIDENCE = 0.95;

struct MedianInterval {
    std::size_t count = 0;  // values summarised
    double median = 0;
    // The interval, where there are enough values (6 or more at 95 %): the order
    // statistics bounding the median with a probability of at least CONFIDENCE.
    std::optional<double> low, high;
    double confidence = 0;  // that probability exactly (0 without an interval)
};

// The number of values cut off at each end for the interval of the median of `count`
// values: the largest k with P(Binomial(count, 1/2) < k) <= (1 - CONFIDENCE) / 2, so that
// the k-th lowest and k-th highest values (1-based) bound the median. 0 for too few.
std::size_t interval_rank(std::size_t count);

// The median (the mean of the middle two for an even count) and its interval. Empty
// values give count 0 and no interval.
MedianInterval median_interval(std::vector<double> values);

// The same summary of the values' reciprocals, where it summarises a ratio: 1 / median,
// the interval's ends swapped and inverted, the count and confidence kept. A median of 0
// (nothing summarised) stays 0.
MedianInterval reciprocal(const MedianInterval& summary);

// The p-quantile (0 <= p <= 1) of the values, interpolated between the two order
// statistics around position p * (count - 1). 0 for no values.
double quantile(std::vector<double> values, double p);
