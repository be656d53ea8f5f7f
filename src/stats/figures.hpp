// The figures of one report row over all runs: extremes, median and its relative spread.
// Kept in exact integers: a median of an even count can end in .5, so it is held doubled.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t MAX_RUNS = 1000;

struct RowFigures {
    std::int64_t minimum;
    std::int64_t maximum;
    // Twice the median. Odd count: the middle figure; even count: the mean of the two
    // middle figures (so the median may end in .5).
    std::int64_t median_x2;
    // Four times the median absolute deviation: the median, as above, of |figure - median|.
    std::int64_t mad_x4;
    // The spread, median absolute deviation / |median|, in tenths of a percent rounded to
    // nearest (halves up); none when the median is 0, where a relative spread means nothing.
    bool has_spread;
    std::int64_t spread_tenths;
};

// `count` (1 to MAX_RUNS) figures of one row, in any order.
RowFigures summarize(const std::int32_t* figures, std::size_t count);

// A doubled value as a decimal: "1661", "1661.5", "-0.5". At most 24 bytes with the NUL.
void format_halves(std::int64_t value_x2, char* buffer);
